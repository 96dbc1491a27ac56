// ChartWindow: what the chart windows (p, np, c, u, histogram, scatter, Pareto) share.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "common/reading.h"
#include "data/loader/plotfunction.h"
#include "output/chartsettings.h"
#include "variables/chartmodel.h"

#include <QDialog>
#include <QList>
#include <QString>

#include <functional>

class QCheckBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTimer;
class QVBoxLayout;

namespace moldrin
{

class ChartView;
struct ChartOutputRow;
struct ChartWindowParts;
class ImageButton;
class LumButton;

inline const QString kChartReadoutFormat = QStringLiteral("#,##0.0##");

// One value a chart window keeps under SaveConfig: read and applied at load, written at close.
struct WindowSetting {
    QString name;
    std::function<void(const QString& stored)> apply; // gets "" when nothing is stored; applies the default then
    std::function<QString()> current; // the text written at close
};
// A stored chart setting of the kind's table (label format, label area) on the window's chart.
WindowSetting ChartValueSetting(const ChartSetting& setting, ChartModel& chart);
// A check box by CheckFromText: a stored 0 or 1 sets it (its click handler then runs); anything else leaves
// the box as the window built it. Written as "0" or "1".
WindowSetting CheckBoxSetting(const QString& name, QCheckBox* box);
// A list's text: a stored text the list holds is selected; any other leaves the selection as it is.
WindowSetting ComboTextSetting(const QString& name, QComboBox* combo);
// A window's table: each value read and applied at load, written at close, in table order.
void ApplySettings(const QList<WindowSetting>& settings, const SettingsStore& registry);
void WriteSettings(const QList<WindowSetting>& settings, SettingsStore& registry);

// The label-format and axis-position buttons' steps; false (nothing changed) at their limits.
bool AddDecimal(QString& format); // appends "0" unless the format ends in "0000"
bool RemoveDecimal(QString& format); // drops the last character unless the format ends in "."
bool NarrowLabelArea(int& width); // -1 while at least 11
bool WidenLabelArea(int& width); // +1 while below 100

// Connects a pair of those buttons to value axes of `chart` that step together: each press steps the
// first axis, the others take its value, the button shows sunken and `redraw` runs; at the limit nothing.
void ConnectDecimalButtons(ImageButton* more, ImageButton* less, ChartModel& chart, const QList<AxisId>& axes,
    const std::function<void()>& redraw);
void ConnectLabelAreaButtons(ImageButton* narrower, ImageButton* wider, ChartModel& chart, const QList<AxisId>& axes,
    const std::function<void()>& redraw);

// The base of the chart windows. A window file then holds only what is its own: its template, its
// controls (in sidePanel() and controlRow()), its settings table, its PlotChart and how its model is emptied.
//
// What the base holds and does:
// - mChart, drawn by the chart view (named Options::chartName) on the window's left; RenderChart() draws
//   it. The view zooms and pans horizontally; ClearChart undoes the zoom.
// - lblXYValue: the pointer read-out, " Y:" & value, or "X:" & key & " Y:" & value (Options::readOut),
//   formatted "#,##0.0##".
// - The label-format buttons (Options::decimalButtons, e.g. imgLeft / imgRight on the left axis) and the
//   axis-position buttons imgChartLeft / imgChartRight (Options::axisButtons) with their limits: one
//   decimal more up to "0000", one fewer down to "."; the left axis label area from 10 to 100. A button
//   that acts shows sunken until the left mouse button is released over it.
// - The LumButton row cmdRefresh ("Refresh": ClearChart, then PlotChart), cmdExport ("Export") and
//   cmdPrintChart ("Print Chart"), which export and print the chart with the row of Options::chartKind,
//   cmdClose ("Close"), and the hidden cmdDefault (outside the visible area, Esc): both close.
// - tmrRuleFlash (500 ms, off at start): StartRuleFlash after a rule evaluation; each tick flips the mark
//   labels of Options::flashSeries and redraws.
// - lblSkipped, under the side panel: what the last plot skipped (fields that are no number, unreadable start
//   times), worded as in the main window, and the plot's note; hidden when there is neither (ShowSkipped).
// - mLoading, set while Form_Load applies the settings and runs LoadOwn.
// - The settings: the label formats and label areas of ChartSettings(Options::chartKind), then the window's own
//   table Settings(); read and applied in Form_Load, written at close, in that order.
// - plotHost(): the PlotHost a plot function gets (messages to the window's prompt); ScopedOverrideCursor shows
//   the hourglass while a plot runs.
// The title lines come from the plot functions (data::ChartTitleLine).
class ChartWindow : public QDialog
{
    Q_OBJECT
public:
    enum class ReadOut { None, Y, XY };
    struct DecimalButtons {
        QString more, less; // object names of the "one decimal more" and "one decimal fewer" buttons
        QString toolTip;
        AxisId axis;
        QString caption = {}; // shown before the pair, naming its axis where a window has two pairs ("Y")
    };
    struct Options {
        QString objectName; // frmP_Chart
        QString caption; // "p Chart"
        QString chartKind; // the statement's chart kind, "P Chart": the output row and ChartSettings()
        QString chartName; // ocxP_Chart
        ReadOut readOut = ReadOut::Y;
        QList<DecimalButtons> decimalButtons;
        bool axisButtons = true;
        QList<int> flashSeries; // the series whose mark labels blink
        void (*clearModel)(ChartModel&) = nullptr; // empties the window's model before a redraw (ClearChart)
    };

    ChartWindow(AppState& state, Prompt& prompt, data::PlotSelection selection, const Options& options,
        QWidget* parent = nullptr);
    ~ChartWindow() override;

    // Loading: mLoading set, the settings applied, LoadOwn; mLoading cleared; PlotChart.
    void Form_Load();

    ChartModel& chart() { return mChart; }
    ChartView* chartView() const { return mChartView; }

    void cmdRefresh_Click();
    void reject() override; // Esc: closes, so the settings are written
    // The output runs with the blink timer stopped and the blinking mark labels shown, so the file or the
    // page carries the marks; the blinking resumes afterwards.
    void cmdExport_Click();
    void cmdPrintChart_Click();
    void tmrRuleFlash_Timer();
    void chartView_MouseMove(const QPointF& pixel);

    // The controls, by their names (the chart view is named by Options::chartName).
    QLabel* lblXYValue = nullptr;
    QLabel* lblSkipped = nullptr;
    ImageButton* imgChartLeft = nullptr;
    ImageButton* imgChartRight = nullptr;
    LumButton* cmdRefresh = nullptr;
    LumButton* cmdExport = nullptr;
    LumButton* cmdPrintChart = nullptr;
    LumButton* cmdClose = nullptr;
    QPushButton* cmdDefault = nullptr;
    QTimer* tmrRuleFlash = nullptr;

protected:
    // The window's own part.
    virtual QList<WindowSetting> Settings() { return {}; }
    virtual void LoadOwn() { }
    virtual void PlotChart() = 0;
    // Empties the chart before a redraw: Options::clearModel on the model, and the zoom undone.
    virtual void ClearChart();
    // A setting of the window's own changed: unless loading, the chart is read and drawn again (ClearChart,
    // PlotChart).
    void Replot();
    // A "Show Grid" box: ticking it shows the value axis grid and draws the chart again; the setting that
    // ticks it at load does the same.
    void ConnectGridBox(QCheckBox* box);

    void RenderChart();
    // The blink timer after a rule evaluation: on when marks were placed with blinking enabled.
    void StartRuleFlash(bool enabled);
    // Tells what a plot skipped in lblSkipped, and `note` after it (why the engine did not sum the readings);
    // after every plot, so that no count outlives its plot.
    void ShowSkipped(const SkippedRows& skipped, const QString& note = {});
    data::PlotHost& plotHost();
    QVBoxLayout* sidePanel() const { return mSidePanel; }
    QHBoxLayout* controlRow() const { return mControlRow; }
    void closeEvent(QCloseEvent* event) override; // Form_QueryUnload

    AppState& mState;
    Prompt& mPrompt;
    const data::PlotSelection mSelection;
    ChartModel mChart;
    bool mLoading = false;

private:
    QList<WindowSetting> AllSettings();
    void AddDecimalButtons(const DecimalButtons& buttons, QHBoxLayout* row);
    void AddAxisButtons(QHBoxLayout* row);
    void RunOutput(void (*output)(const ChartWindowParts&, const ChartOutputRow&));

    const Options mOptions;
    ChartView* mChartView = nullptr;
    QVBoxLayout* mSidePanel = nullptr;
    QHBoxLayout* mControlRow = nullptr;
    data::PromptHost mHost;
};

} // namespace moldrin
