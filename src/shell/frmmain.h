// frmMain: the selection panel, the variables chart and the Start/Stop Plot state machine.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/config/configfiles.h"
#include "shell/mainsettings.h"
#include "variables/chartmodel.h"
#include "variables/variablesplot.h"

#include "ui_frmmain.h"

#include <QElapsedTimer>
#include <QUrl>
#include <QWidget>

#include <functional>

class QMouseEvent;
class QTimer;

namespace moldrin
{

class AutoRefresh;
class SavedLimitsControls;
class ServerSideControl;

// The controls are the .ui file's, named as the window declares them (cboProductName, ...).
class frmMain : public QWidget, public Ui::frmMain
{
    Q_OBJECT
public:
    frmMain(AppState& state, Prompt& prompt, QWidget* parent = nullptr);
    ~frmMain() override;

    struct StartOptions {
        QString configDir; // takes the place of the saved INIPath
        std::function<bool()> anotherInstanceRunning; // the previous-instance test; none: never
        int splashPasses = 50000; // event-loop passes while the splash shows
    };
    // Start-up. False when the program must end (a second instance); DoShutdownProgram has run then.
    bool Form_Load(const StartOptions& options);

    // Shows the window at its designed size where the screen it opens on has room for it and a window
    // frame, else maximised, so that every control is on the screen.
    void ShowOnScreen();

    void SetPanelEnabled(bool enable);
    // Deletes the temporary files and closes the connection without saving settings.
    void DoShutdownProgram();

    // The modal windows: the raw data of the clicked point, the rules set-up, the custom range.
    void ShowRawData();
    void ShowRulesSetup();
    void ShowCustomRange();

    // Opens a file in the desktop's editor; replaced by tests.
    void setUrlOpener(std::function<bool(const QUrl&)> opener) { mOpenUrl = std::move(opener); }

    ChartModel& chart() { return mChart; }
    ChartView* chartView() const { return ocxXBarChart; }
    bool plotting() const { return mPlotRunning; }
    // The window sets its controls itself: no handler of theirs reacts.
    bool loading() const { return mLoading; }
    const VariablesPlotOutcome& lastOutcome() const { return mLastOutcome; }
    int plotCount() const { return mPlotCount; }
    // Milliseconds from the confirmed Stop Plot to the loader's return, -1 when the last plot was not stopped.
    qint64 lastStopLatencyMs() const { return mStopLatencyMs; }
    bool shutDown() const { return mShutDown; }
    // The values SaveSettings writes for the panel.
    MainWindowValues CurrentValues() const;

    // Click handlers (named after the control and event).
    void cboProductName_Click();
    void cboDataParameters_Click();
    void cboATEList_Click();
    void cboTestID_Click();
    void cboTestedRange_Click();
    void cboSelectChart_Click();
    void cboXBarSize_Click();
    void cmdPlotChart_Click();
    void cmdNextPage_Click();
    void cmdPreviousPage_Click();
    void cmdZoomXIn_Click();
    void cmdZoomXOut_Click();
    void cmdReset_Click();
    void cmdMoreCharts_Click();
    // Opens the screening window; a parameter chosen there is selected and plotted.
    void cmdScreening_Click();
    void cmdExport_Click();
    void cmdPrint_Click();
    void cmdAbout_Click();
    void chkShowGrid_Click();
    void chkShowOption_Click();
    void lblOpenIni_Click(const QString& fileName);
    void tmrRuleFlash_Timer();
    void ocxXBarChart_MouseMove(const QPointF& pixel);
    void ocxXBarChart_ClickSeries(int series, int point, Qt::MouseButton button);

protected:
    void closeEvent(QCloseEvent* event) override; // Form_QueryUnload
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    static inline const QString kStartPlot = QStringLiteral("Start Plot");
    static inline const QString kStopPlot = QStringLiteral("Stop Plot");

    class WindowHost;
    class OutputHost;

    void SetUpControls();
    void ConnectControls();
    void ApplyLoadedSettings(const LoadedMainSettings& loaded);
    // Holds the chart type and group size to the chart rules (telling each correction); no plot.
    void ApplyChartTypeRules(bool chartTypeChanged);
    void ShowGridFromBox();
    void OpenIni();
    void ResetOnFailedConnect();
    void ClearChartIfPlotted();
    void ClearChart();
    void RunPlot();
    // The progress text beside Stop Plot: the statement runs (0) or the readings read so far.
    void ShowPlotProgress(long recordsRead, const SkippedRows& skipped);
    void RenderChart();
    // The panel, chart and rule timer after a plot or an extension.
    void ShowOutcome();
    bool PagingGuard();
    void SetLinkUnderline(QLabel* hovered);
    void StartRuleTimer(bool marksPlaced);
    void StopRuleTimer();
    void DeleteTempFiles();
    void CloseConnection();
    bool OnlyOpenIniListed() const;
    bool ChartHasPoints() const;
    bool BothLimitsAbsent() const;
    void SetComboItems(QComboBox* combo, const QStringList& items, const QString& current);
    data::PlotSelection Selection() const;

    AppState& mState;
    Prompt& mPrompt;
    ChartModel mChart;
    data::SelectionLists mLists;
    VariablesPlotOutcome mLastOutcome;
    std::function<bool(const QUrl&)> mOpenUrl;

    // Form-level state.
    // Set while the window sets its own controls (restoring the settings, filling a list, correcting the chart
    // type or group size): their handlers return at once. What such a change needs is called after it.
    bool mLoading = false;
    bool mPlotRunning = false;
    bool mShutDown = false;
    bool mExitConfirmed = false; // the exit question was answered OK (during a plot: the window closes after it)
    QString mUSLText = QStringLiteral("N/A"); // a number or "N/A"
    QString mLSLText = QStringLiteral("N/A");
    int mPlotCount = 0;
    int mSplashPasses = 50000;
    qint64 mStopLatencyMs = -1;
    QElapsedTimer mStopClock;
    QElapsedTimer mRenderClock;

public:
    // The rule marks' blink timer (not a control of the .ui file).
    QTimer* tmrRuleFlash = nullptr;
    // Auto Refresh: its check box, interval and status line (built in code).
    AutoRefresh* mAutoRefresh = nullptr;
    // "Save Limits" and "Use Saved Limits".
    SavedLimitsControls* savedLimits = nullptr;
    ServerSideControl* serverSide = nullptr;
};

} // namespace moldrin
