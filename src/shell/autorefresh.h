// The main window's Auto Refresh: while it is on, the chart is extended after each interval by the rows
// written since, and a new rule mark raises an alarm in the title, the status line and the desktop.
#pragma once

#include "common/appstate.h"
#include "shell/desktopnotify.h"
#include "variables/liveplot.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QCheckBox;
class QGridLayout;
class QLabel;
class QSpinBox;
class QWidget;

namespace moldrin
{

inline constexpr int kDefaultRefreshSeconds = 60;
inline const QString kRefreshSecondsName = QStringLiteral("AutoRefreshSeconds");

class AutoRefresh : public QObject
{
public:
    // What the window lends: its selection and its limits' source, whether a plot runs now (the interval is skipped),
    // and how an extended chart's outcome is shown (panel, chart, rule timer).
    struct Window {
        QWidget* widget = nullptr;
        std::function<data::PlotSelection()> selection;
        std::function<LimitChoice()> limits; // saved limits or stages of the selection
        std::function<bool()> busy;
        std::function<void(const VariablesPlotOutcome&)> show;
    };
    // The check box and the interval are put in `layout` at `row`; `status` is the line that tells what a
    // refresh did.
    AutoRefresh(AppState& state, ChartModel& chart, Window window, QGridLayout* layout, int row, QLabel* status);
    ~AutoRefresh() override;

    // One interval now (the timer's tick).
    void Refresh();
    // The chart was plotted or cleared by the window: the next refresh reads from the start. `listed`: the
    // rows the plot's listing holds (-1: none).
    void Restart(long listed = -1);
    // The window's title without an alarm (set when the configuration is read).
    void setTitle(const QString& title);
    const QString& alarm() const { return mAlarm; }

    QCheckBox* chkAutoRefresh = nullptr;
    QSpinBox* spnRefreshSeconds = nullptr;
    QLabel* lblRefreshStatus = nullptr;

private:
    void Toggle(bool on);
    void Alarm(const LiveOutcome& out, const data::PlotSelection& s);

    AppState& mState;
    ChartModel& mChart;
    Window mWindow;
    QTimer mTimer;
    LivePlot mLive;
    long mListed = -1;
    QString mTitle;
    QString mAlarm;
    DesktopNotifier mNotifier;
};

} // namespace moldrin
