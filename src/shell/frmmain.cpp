// frmMain: the selection panel, the variables chart and the Start/Stop Plot state machine.
#include "shell/frmmain.h"
#include "shell/autorefresh.h"

#include "buttonctl/lumbutton.h"
#include "common/dates.h"
#include "common/figure.h"
#include "common/numberformat.h"
#include "common/overridecursor.h"
#include "common/version.h"
#include "data/access/connectdatasource.h"
#include "data/access/connection.h"
#include "data/config/inifile.h"
#include "data/config/querybuilder.h"
#include "data/loader/tempfiles.h"
#include "distribution/windows/frmmorechart.h"
#include "output/dialogs/windowoutput.h"
#include "rules/rulemarks.h"
#include "rules/windows/frmspc_rulesetup.h"
#include "screening/windows/frmscreening.h"
#include "shell/autorefresh.h"
#include "shell/chartrules.h"
#include "shell/dialogs/frmrangeplot.h"
#include "shell/savedlimitscontrols.h"
#include "shell/serversidecontrol.h"
#include "shell/smallwindows.h"
#include "variables/controllimits.h"
#include "variables/spcconstants.h"
#include "variables/statistics.h"
#include "variables/variableschart.h"
#include "variables/view/chartview.h"
#include "variables/windows/frmrawdata.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QThread>
#include <QTimer>

namespace moldrin
{

namespace
{

const QString kNA = QStringLiteral("N/A");
const QString kReadoutFormat = QStringLiteral("#,##0.0####");
// The chart is redrawn at most this often while a plot is reading.
constexpr qint64 kPlotRepaintMs = 300;

int CheckValue(const QCheckBox* box)
{
    switch (box->checkState()) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    case Qt::Unchecked:
        break;
    }
    return 0;
}

void SetCheckValue(QCheckBox* box, int value)
{
    box->setCheckState(value == 1 ? Qt::Checked : value == 2 ? Qt::PartiallyChecked : Qt::Unchecked);
}

QString LimitText(const QList<double>& limits, int i, double sentinel)
{
    if (i < 0 || i >= limits.size() || limits[i] == sentinel)
        return kNA;
    return NumberText(limits[i]);
}

} // namespace

// The plot reaches the window through this: prompts, chart resets and the event loop. The window holds the
// plotting state of its panel itself, from the press of Start Plot until the plot returns.
class frmMain::WindowHost : public data::PlotHost
{
public:
    explicit WindowHost(frmMain& window)
        : mWindow(window)
    {
    }
    Prompt& prompt() override { return mWindow.mPrompt; }
    void ChartReset() override
    {
        mWindow.lblSPCParameter1->clear();
        mWindow.lblWhatParametric->clear();
        mWindow.StopRuleTimer();
        mWindow.RenderChart();
    }
    void Skipping(const SkippedRows& skipped) override { mSkipped = skipped; }
    void KeepResponsive(long recordsRead) override
    {
        mBusy.Progress(recordsRead);
        mWindow.ShowPlotProgress(recordsRead, mSkipped);
        if (mWindow.mRenderClock.elapsed() >= kPlotRepaintMs) {
            mWindow.RenderChart();
            mWindow.mRenderClock.restart();
        }
        QCoreApplication::processEvents();
    }

private:
    frmMain& mWindow;
    ReadingCursor mBusy;
    SkippedRows mSkipped;
};

frmMain::frmMain(AppState& state, Prompt& prompt, QWidget* parent)
    : QWidget(parent)
    , mState(state)
    , mPrompt(prompt)
    , mChart(BuildVariablesChartTemplate())
    , mOpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("frmMain"));
    SetUpControls();
    ConnectControls();
    mAutoRefresh = new AutoRefresh(mState, mChart,
        { this, [this] { return Selection(); }, [this] { return savedLimits->ChoiceForSelection(); },
            [this] { return mPlotRunning; },
            [this](const VariablesPlotOutcome& outcome) {
                mLastOutcome = outcome;
                ShowOutcome();
            } },
        layOptions, 4, lblPlotProgress);
    mAutoRefresh->setTitle(kAppTitle);
    setMouseTracking(true);
}

frmMain::~frmMain() = default;

bool frmMain::Form_Load(const StartOptions& options)
{
    if (options.anotherInstanceRunning && options.anotherInstanceRunning()) {
        mPrompt.inform(QStringLiteral("An instance Moldrin software is running!"));
        DoShutdownProgram();
        return false;
    }
    mState.gDateOrder = DetectDateOrder();
    mSplashPasses = options.splashPasses;
    {
        frmTitle splash;
        splash.ShowFor(options.splashPasses);
    }
    if (!mState.gConnection)
        mState.gConnection = std::make_shared<data::Connection>();
    mChart = BuildVariablesChartTemplate();
    StandardSpcConstants();
    data::PrepareTempFiles(mState);

    const std::optional<QString> found = data::LocateConfigFolder(mState, mLists, options.configDir);
    const QString products = found
        ? *found
        : data::OpenConfigFolder(mState, mPrompt, mLists, mPrompt.chooseFile(data::ConfigFolderRequest(mState)));
    data::FillProductList(mLists, products);
    if (!mLists.caption.isEmpty())
        mAutoRefresh->setTitle(mLists.caption);
    SetComboItems(cboProductName, mLists.productList, QString());
    // The first product is chosen as the user would choose it: its handler connects.
    if (cboProductName->count() >= 2)
        cboProductName->setCurrentIndex(1);

    {
        const QScopedValueRollback loading(mLoading, true);
        cboTestedRange->addItems(data::RangeNames());
        cboTestedRange->setCurrentIndex(-1);
    }
    ApplyLoadedSettings(LoadSettings(mState));

    ResetVariablesChart(mChart, cboSelectChart->currentText(), QString(), mState.gChartTitle);
    lblSPCParameter->setText(PanelCaptionText());
    lblVersion->setText(QStringLiteral("Version ") + VersionText());
    RenderChart();
    return true;
}

void frmMain::ApplyLoadedSettings(const LoadedMainSettings& loaded)
{
    {
        const QScopedValueRollback loading(mLoading, true);
        // Each control takes the value when it is one of its items; otherwise the described default.
        auto choose = [](QComboBox* combo, const QString& text, const QString& fallback) {
            const int i = combo->findText(text);
            combo->setCurrentIndex(i >= 0 ? i : combo->findText(fallback));
        };
        choose(cboTestedRange, loaded.range, kDefaultRange);
        txtSerialNumberFilter->setText(loaded.snFilter);
        choose(cboXBarSize, loaded.xBarSize, kDefaultGroupSize);
        const std::pair<QCheckBox*, std::optional<int>> boxes[]
            = { { chkAcceptZero, loaded.acceptZero }, { chkOnlyPass, loaded.passOnly },
                  { chkLastDataOnly, loaded.lastDataOnly }, { chkShowSpec, loaded.showSpec } };
        for (const auto& [box, value] : boxes)
            if (value)
                SetCheckValue(box, *value);
        choose(cboSelectChart, loaded.chartType, kDefaultChartType);
        if (loaded.showGrid)
            SetCheckValue(chkShowGrid, *loaded.showGrid);
        if (loaded.showZones)
            SetCheckValue(chkShowZoneABC, *loaded.showZones);
    }
    mChart.left.labelFormat = mChart.custom0.labelFormat = loaded.labelFormat;
    mChart.left.labelSize = mChart.custom0.labelSize = loaded.labelSize;
    // What the restored values need, in the order a user's choices would run it: a "Custom" range opens its
    // dialog, the chart type and group size are held to the chart rules (without a plot), the template's grid
    // follows the box.
    cboTestedRange_Click();
    mState.gSampleSize = cboXBarSize->currentText().toInt();
    ApplyChartTypeRules(true);
    ShowGridFromBox();
    // A parameter without limits keeps the box clear whatever was saved.
    if (BothLimitsAbsent() && cboDataParameters->currentIndex() >= 0) {
        chkShowSpec->setChecked(false);
        chkShowSpec->setEnabled(false);
    }
}

void frmMain::SetComboItems(QComboBox* combo, const QStringList& items, const QString& current)
{
    const QScopedValueRollback loading(mLoading, true);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(current.isNull() ? -1 : combo->findText(current));
}

// ---- Selection panel ----

void frmMain::cboProductName_Click()
{
    if (mLoading || mPlotRunning)
        return;
    const QString product = cboProductName->currentText().trimmed();
    if (product.isEmpty())
        return;
    if (product == data::kOpenIniItem) {
        OpenIni();
        return;
    }
    data::ConnectResult connected;
    {
        // Reading the configuration and connecting (the tester list is a query of its own) take a while.
        const ScopedOverrideCursor busy(Qt::WaitCursor);
        mLists.productIndex = cboProductName->currentIndex();
        data::RefillTestIdList(mState, mLists);
        SetComboItems(cboTestID, mLists.testIdList, mLists.testIdText);

        const bool named = data::LoadColumnNames(mState, mPrompt, product);
        data::LoadProductSpec(mState, mPrompt, mLists, product);
        SetComboItems(cboDataParameters, mLists.parameterList, QString());
        cboDataParameters->setEnabled(mLists.parameterListEnabled);
        cmdPlotChart->SetEnabled(mLists.plotButtonEnabled);
        if (mLists.parameterIndex >= 0)
            cboDataParameters->setCurrentIndex(mLists.parameterIndex);

        if (named)
            connected = data::ConnectDataSource(product, data::ReadIniDatabase(product, mState), mState, mPrompt);
    }
    if (connected.ok) {
        SetComboItems(cboATEList, connected.testers, connected.selected);
        if (cboATEList->currentIndex() < 0 && cboATEList->count() > 0) {
            const QScopedValueRollback loading(mLoading, true);
            cboATEList->setCurrentIndex(cboATEList->count() - 1);
        }
    } else {
        const PromptAnswer answer = mPrompt.ask(
            { QStringLiteral("Would you like to re-select the other INI? or click Cancel for exit from program."),
                kAppTitle, PromptIcon::Question, PromptButtons::RetryCancel });
        if (answer == PromptAnswer::Retry) {
            OpenIni();
            return;
        }
        ResetOnFailedConnect();
    }
    ClearChartIfPlotted();
}

void frmMain::ResetOnFailedConnect()
{
    mLists.productList = { data::kOpenIniItem };
    mLists.productIndex = 0;
    mLists.parameterList.clear();
    mLists.testIdList.clear();
    SetComboItems(cboProductName, mLists.productList, data::kOpenIniItem);
    SetComboItems(cboDataParameters, {}, QString());
    SetComboItems(cboATEList, {}, QString());
    SetComboItems(cboTestID, {}, QString());
    cmdPlotChart->SetEnabled(false);
}

void frmMain::OpenIni()
{
    const QString products
        = data::OpenConfigFolder(mState, mPrompt, mLists, mPrompt.chooseFile(data::ConfigFolderRequest(mState)));
    if (products.isEmpty()) {
        // A cancelled dialog goes back to the first product when there is one.
        if (mLists.reselectFirstProduct && cboProductName->count() >= 2) {
            mLists.reselectFirstProduct = false;
            cboProductName->setCurrentIndex(1);
        }
        return;
    }
    if (!mLists.caption.isEmpty())
        mAutoRefresh->setTitle(mLists.caption);
    data::FillProductList(mLists, products);
    SetComboItems(cboProductName, mLists.productList, QString());
    SetComboItems(cboDataParameters, {}, QString());
    if (cboProductName->count() >= 2)
        cboProductName->setCurrentIndex(1);
    ClearChart();
}

void frmMain::cboDataParameters_Click()
{
    if (mLoading || mPlotRunning)
        return;
    const int i = cboDataParameters->currentIndex();
    if (i < 0)
        return;
    mUSLText = LimitText(mState.gUSL, i, kNoUpperLimit);
    mLSLText = LimitText(mState.gLSL, i, kNoLowerLimit);
    if (BothLimitsAbsent()) {
        // Not a click: the box's handler does not run.
        chkShowSpec->setChecked(false);
        chkShowSpec->setEnabled(false);
    } else {
        chkShowSpec->setEnabled(true);
    }
    lblTestParameter->setText(QStringLiteral("Test Para."));
    ClearChartIfPlotted();
}

void frmMain::cboATEList_Click()
{
    if (!mLoading && !mPlotRunning)
        ClearChartIfPlotted();
}

void frmMain::cboTestID_Click()
{
    if (!mLoading && !mPlotRunning)
        ClearChartIfPlotted();
}

void frmMain::cboTestedRange_Click()
{
    if (mLoading || mPlotRunning || OnlyOpenIniListed() || cboTestedRange->currentIndex() < 0)
        return;
    if (cboTestedRange->currentText() == QLatin1String("Custom"))
        ShowCustomRange();
    cboTestedRange->setToolTip(cboTestedRange->currentText().trimmed());
    ClearChartIfPlotted();
}

void frmMain::cboSelectChart_Click()
{
    if (mLoading || mPlotRunning || cboSelectChart->currentIndex() < 0)
        return;
    ApplyChartTypeRules(true);
    cmdPlotChart_Click();
}

void frmMain::cboXBarSize_Click()
{
    if (mLoading || mPlotRunning || cboXBarSize->currentIndex() < 0)
        return;
    mState.gSampleSize = cboXBarSize->currentText().toInt();
    ApplyChartTypeRules(false);
    cmdPlotChart_Click();
}

void frmMain::ApplyChartTypeRules(bool chartTypeChanged)
{
    const ChartSelection before { cboSelectChart->currentText(), mState.gSampleSize };
    QStringList notices;
    const ChartSelection after = ApplyChartRules(before, chartTypeChanged, notices);
    for (const QString& notice : notices)
        mPrompt.inform(notice);
    {
        // The corrections are the window's own changes: they neither re-run these rules nor re-plot.
        const QScopedValueRollback loading(mLoading, true);
        if (after.chartType != before.chartType)
            cboSelectChart->setCurrentIndex(cboSelectChart->findText(after.chartType));
        if (after.sampleSize != before.sampleSize)
            cboXBarSize->setCurrentIndex(cboXBarSize->findText(QString::number(after.sampleSize)));
    }
    mState.gSampleSize = after.sampleSize;
    if (chartTypeChanged) {
        const bool usable = GroupSizeEnabled(after.chartType);
        cboXBarSize->setEnabled(usable);
        lblGroupSize->setEnabled(usable);
    }
    // The saved limits follow the corrected selection.
    savedLimits->Refresh();
}

void frmMain::chkShowOption_Click()
{
    if (mLoading || mPlotRunning || !cmdPlotChart->Enabled() || cmdPlotChart->Caption() != kStartPlot)
        return;
    cmdPlotChart_Click();
}

// ---- Plot control ----

bool frmMain::OnlyOpenIniListed() const
{
    return cboProductName->count() == 1;
}

bool frmMain::ChartHasPoints() const
{
    return !mChart.series.isEmpty() && mChart.series.front().count() > 0;
}

bool frmMain::BothLimitsAbsent() const
{
    return mUSLText == kNA && mLSLText == kNA;
}

void frmMain::cmdPlotChart_Click()
{
    if (cmdPlotChart->Caption() == kStopPlot) {
        const PromptAnswer answer = mPrompt.ask(
            { QStringLiteral("Stop plot SPC chart?"), kAppTitle, PromptIcon::Information, PromptButtons::YesNo });
        if (answer == PromptAnswer::Yes) {
            mStopClock.start();
            mState.gStopPlot = true;
        }
        return;
    }
    if (mPlotRunning)
        return;
    if (cboProductName->count() <= 1) {
        mPrompt.warn(kIniNotLoaded);
        return;
    }
    if (cboProductName->currentIndex() < 1) {
        mPrompt.warn(QStringLiteral("Please select product!"));
        return;
    }
    if (cboDataParameters->currentIndex() < 0 || cboDataParameters->currentText() == data::kDisabledItem) {
        mPrompt.warn(QStringLiteral("Please select test parameter!"));
        return;
    }
    if (cboTestedRange->currentIndex() < 0) {
        mPrompt.warn(QStringLiteral("Please select range!"));
        return;
    }
    RunPlot();
}

data::PlotSelection frmMain::Selection() const
{
    data::PlotSelection s;
    s.product = cboProductName->currentText();
    s.parameterIndex = cboDataParameters->currentIndex();
    s.parameterItem = cboDataParameters->currentText();
    s.tester = cboATEList->currentText();
    s.range = cboTestedRange->currentText();
    s.serialFilter = txtSerialNumberFilter->text();
    s.passOnly = chkOnlyPass->isChecked();
    s.lastDataOnly = chkLastDataOnly->isChecked();
    s.chartType = cboSelectChart->currentText();
    s.uslText = mUSLText;
    s.lslText = mLSLText;
    s.showSpec = chkShowSpec->isChecked() && !BothLimitsAbsent();
    s.showZones = chkShowZoneABC->isChecked();
    s.query.acceptZero = chkAcceptZero->isChecked();
    s.query.testIdText = cboTestID->currentText();
    return s;
}

void frmMain::RunPlot()
{
    const data::PlotSelection selection = Selection();
    mPlotRunning = true;
    mStopLatencyMs = -1;
    mStopClock.invalidate();
    // The window keeps handling events while a plot queries and reads. From the press on, whatever the
    // chart type, the panel is in its plotting state: the selection cannot change under the plot, so the
    // chart, its limits and the settings saved later all describe what was chosen.
    SetPanelEnabled(false);
    ShowPlotProgress(0, {});
    {
        WindowHost host(*this);
        mRenderClock.start();
        const LimitChoice choice = savedLimits->ChoiceForSelection();
        mState.gServerSide = serverSide->On();
        mLastOutcome = PlotVariablesChart(mState, mChart, selection, host, choice);
        savedLimits->Plotted(mLastOutcome, choice.held.has_value());
    }
    if (mLastOutcome.stopped && mStopClock.isValid())
        mStopLatencyMs = mStopClock.elapsed();
    mPlotRunning = false;
    ++mPlotCount;
    // What was skipped stays told after the plot.
    lblPlotProgress->setText(PlotOutcomeText(mLastOutcome));
    SetPanelEnabled(true);
    ShowOutcome();
    mAutoRefresh->Restart(mLastOutcome.records);
    // An exit confirmed during the plot stopped it; the window ends now as it would have then.
    if (mExitConfirmed)
        close();
}

void frmMain::ShowOutcome()
{
    if (mLastOutcome.plotted) {
        lblSPCParameter1->setText(mLastOutcome.limits.panelValueText);
        lblWhatParametric->setText(mLastOutcome.limits.parameterCaption);
    }
    RenderChart();
    StartRuleTimer(mLastOutcome.rules.centreMarks || mLastOutcome.rules.variationMarks);
}

void frmMain::ShowPlotProgress(long recordsRead, const SkippedRows& skipped)
{
    if (recordsRead <= 0) {
        lblPlotProgress->setText(QStringLiteral("Querying the data source..."));
        return;
    }
    const QString read = QStringLiteral("Readings read: ") + FormatNumber(double(recordsRead), QStringLiteral("#,##0"));
    lblPlotProgress->setText(skipped.any() ? read + QLatin1Char('\n') + SkippedRowsText(skipped) : read);
}

void frmMain::SetPanelEnabled(bool enable)
{
    for (LumButton* b : { cmdExit, cmdPrint, cmdExport, cmdPreviousPage, cmdNextPage, cmdZoomXIn, cmdZoomXOut, cmdReset,
             cmdMoreCharts, cmdScreening, cmdAbout, cmdDataInter })
        b->SetEnabled(enable);
    for (QWidget* w : std::initializer_list<QWidget*> { cboATEList, cboDataParameters, cboProductName, cboTestedRange,
             cboTestID, chkLastDataOnly, chkAcceptZero, chkOnlyPass, txtSerialNumberFilter, lblGroupSize, cboXBarSize,
             cboSelectChart, chkShowZoneABC, chkShowGrid })
        w->setEnabled(enable);
    chkShowSpec->setEnabled(BothLimitsAbsent() ? false : enable);
    if (cboSelectChart->currentText() == kChartIndividualMR) {
        cboXBarSize->setEnabled(false);
        lblGroupSize->setEnabled(false);
    }
    savedLimits->SetEnabled(enable);
    serverSide->SetEnabled(enable);
    cmdPlotChart->SetCaption(enable ? kStartPlot : kStopPlot);
    ocxXBarChart->setEnabled(enable);
    ocxXBarChart->update();
}

void frmMain::ClearChartIfPlotted()
{
    if (ChartHasPoints())
        ClearChart();
}

void frmMain::ClearChart()
{
    ResetVariablesChart(mChart, cboSelectChart->currentText(), QString(), mState.gChartTitle);
    lblSPCParameter1->clear();
    lblWhatParametric->clear();
    StopRuleTimer();
    RenderChart();
    mAutoRefresh->Restart();
}

void frmMain::RenderChart()
{
    ocxXBarChart->render(mChart);
}

void frmMain::StartRuleTimer(bool marksPlaced)
{
    if (RuleBlinkTimerEnabled(mState.gRulesBlinkEnable, marksPlaced))
        tmrRuleFlash->start();
    else
        tmrRuleFlash->stop();
}

void frmMain::StopRuleTimer()
{
    tmrRuleFlash->stop();
}

void frmMain::tmrRuleFlash_Timer()
{
    ToggleRuleMarkLabels(mChart);
    ocxXBarChart->refreshLabels(mChart);
}

// ---- Paging and zoom ----

bool frmMain::PagingGuard()
{
    if (!ChartHasPoints())
        return false;
    if (OnlyOpenIniListed()) {
        mPrompt.warn(kIniNotLoaded);
        return false;
    }
    return true;
}

void frmMain::cmdNextPage_Click()
{
    if (PagingGuard() && mChart.pageCount() > 1 && mChart.nextPage()) {
        WritePageChangeCaption(mChart, mState.gChartTitle);
        RenderChart();
    }
}

void frmMain::cmdPreviousPage_Click()
{
    if (PagingGuard() && mChart.pageCount() > 1 && mChart.previousPage()) {
        WritePageChangeCaption(mChart, mState.gChartTitle);
        RenderChart();
    }
}

void frmMain::cmdZoomXIn_Click()
{
    if (!PagingGuard() || mChart.maxPointsPerPage == 0)
        return;
    mChart.maxPointsPerPage -= 10;
    mChart.setPage(mChart.currentPage());
    WriteResetPageCaption(mChart, mState.gChartTitle);
    RenderChart();
}

void frmMain::cmdZoomXOut_Click()
{
    if (!PagingGuard())
        return;
    mChart.maxPointsPerPage += 10;
    mChart.setPage(mChart.currentPage());
    WriteResetPageCaption(mChart, mState.gChartTitle);
    RenderChart();
}

void frmMain::cmdReset_Click()
{
    if (!ChartHasPoints())
        return;
    mChart.maxPointsPerPage = kDefaultPointsPerPage;
    if (mChart.pageCount() >= 2)
        mChart.setPage(1);
    mChart.setPage(mChart.currentPage());
    // The repaint after a change of the visible page carries the short caption.
    WriteRefreshPageCaption(mChart, mState.gChartTitle);
    RenderChart();
}

void frmMain::chkShowGrid_Click()
{
    if (mLoading)
        return;
    ShowGridFromBox();
    RenderChart();
}

void frmMain::ShowGridFromBox()
{
    mChart.left.gridVisible = mChart.custom0.gridVisible = chkShowGrid->isChecked();
}

// ---- Chart notifications ----

void frmMain::ocxXBarChart_MouseMove(const QPointF& pixel)
{
    const ChartView::AxisValue v = ocxXBarChart->valueAt(pixel);
    lblYvalue->setText(FormatNumber(v.value, kReadoutFormat));
    SetLinkUnderline(nullptr);
}

void frmMain::ocxXBarChart_ClickSeries(int series, int point, Qt::MouseButton button)
{
    if (series != kSeriesMedian && series != kSeriesXBar)
        return;
    if (button != Qt::LeftButton)
        return;
    mState.gClickedIsIndividual = cboSelectChart->currentText() == kChartIndividualMR;
    mState.gClickedSeries = series;
    mState.gClickedPoint = point;
    ShowRawData();
}

void frmMain::ShowRawData()
{
    const ChartSeries* series = mChart.seriesAt(mState.gClickedSeries);
    if (!series || mState.gClickedPoint < 0 || mState.gClickedPoint >= series->count())
        return;
    RawDataInputs inputs;
    inputs.clickedValue = series->points.y(mState.gClickedPoint);
    inputs.chartType = cboSelectChart->currentText();
    inputs.sampleSizeText = cboXBarSize->currentText();
    inputs.engine = mLastOutcome.engine;
    frmRawData::Run(mState, mPrompt, inputs, this);
}

void frmMain::ShowRulesSetup()
{
    frmSPC_RuleSetup::Run(mState, mPrompt, this);
}

void frmMain::ShowCustomRange()
{
    frmRangePlot::Run(mState, mPrompt, this);
}

// ---- Other buttons ----

void frmMain::cmdMoreCharts_Click()
{
    if (OnlyOpenIniListed()) {
        mPrompt.warn(kIniNotLoaded);
        return;
    }
    if (cboProductName->currentIndex() == 0) {
        mPrompt.warn(QStringLiteral("Please select product name!"));
        return;
    }
    // The further charts name the parameters by their display names.
    if (!mLists.parameterList.isEmpty())
        data::GetTestParameterName(mState, mPrompt, mLists);
    mState.gServerSide = serverSide->On(); // the histogram and the Pareto sum on the engine alike
    frmMoreChart::Run(mState, mPrompt,
        { cboProductName->count(), ComboItems(cboDataParameters), cboDataParameters->isEnabled(),
            ComboItems(cboATEList), Selection() },
        this);
}

void frmMain::cmdScreening_Click()
{
    if (OnlyOpenIniListed()) {
        mPrompt.warn(kIniNotLoaded);
        return;
    }
    if (cboProductName->currentIndex() == 0) {
        mPrompt.warn(QStringLiteral("Please select product name!"));
        return;
    }
    const int chosen = frmScreening::Run(
        mState, mPrompt, Selection(), mLists.parameterListEnabled ? mLists.parameterList : QStringList(), this);
    if (chosen < 0 || chosen >= cboDataParameters->count())
        return;
    cboDataParameters->setCurrentIndex(chosen);
    cmdPlotChart_Click();
}

// The output buttons' host: the window's chart, buttons and blink timer, its filters and its checks.
class frmMain::OutputHost : public WindowOutputHost
{
public:
    explicit OutputHost(frmMain& window)
        : WindowOutputHost({ window.mState, window.mPrompt, window.mChart, window.ocxXBarChart, window.cmdExport,
            window.cmdPrint, window.tmrRuleFlash })
        , mWindow(window)
    {
    }
    bool ConfigurationLoaded() const override { return !mWindow.OnlyOpenIniListed(); }
    MainChartFilters Filters() const override
    {
        return { mWindow.cboTestID->currentText(), mWindow.txtSerialNumberFilter->text(),
            mWindow.cboATEList->currentText() };
    }
    bool ZonesShown() const override { return mWindow.chkShowZoneABC->isChecked(); }
    void SetPlotEnabled(bool enable) override { mWindow.cmdPlotChart->SetEnabled(enable); }

private:
    frmMain& mWindow;
};

void frmMain::cmdExport_Click()
{
    OutputHost host(*this);
    ShowOutputMessage(mPrompt, ExportMainChart(host));
}

void frmMain::cmdPrint_Click()
{
    OutputHost host(*this);
    ShowOutputMessage(mPrompt, PrintMainChart(host));
}

void frmMain::cmdAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

// ---- Exit ----

MainWindowValues frmMain::CurrentValues() const
{
    MainWindowValues v;
    v.range = cboTestedRange->currentText();
    v.sourceFilter = cboATEList->currentText();
    v.snFilter = txtSerialNumberFilter->text();
    v.xBarSize = cboXBarSize->currentText();
    v.acceptZero = CheckValue(chkAcceptZero);
    v.passOnly = CheckValue(chkOnlyPass);
    v.lastDataOnly = CheckValue(chkLastDataOnly);
    v.showSpec = CheckValue(chkShowSpec);
    v.chartType = cboSelectChart->currentText();
    v.labelFormat = mChart.left.labelFormat;
    v.labelSize = mChart.left.labelSize;
    v.showGrid = CheckValue(chkShowGrid);
    v.showZones = CheckValue(chkShowZoneABC);
    return v;
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (mShutDown) {
        event->accept();
        return;
    }
    if (!mExitConfirmed) {
        const PromptAnswer answer = mPrompt.ask({ QStringLiteral("Would you like to exit from program?."), kAppTitle,
            PromptIcon::Information, PromptButtons::OkCancel });
        if (answer != PromptAnswer::Ok) {
            event->ignore();
            return;
        }
        mExitConfirmed = true;
    }
    // A plot still reads inside this window's handlers: it is stopped, and the window closes when the
    // loader has returned (RunPlot).
    if (mPlotRunning) {
        mStopClock.start();
        mState.gStopPlot = true;
        event->ignore();
        return;
    }
    StopRuleTimer();
    DeleteTempFiles();
    CloseConnection();
    SaveSettings(mState, CurrentValues());
    mShutDown = true;
    {
        frmTitle splash;
        splash.ShowFor(mSplashPasses);
    }
    event->accept();
}

void frmMain::DoShutdownProgram()
{
    StopRuleTimer();
    DeleteTempFiles();
    CloseConnection();
    mShutDown = true;
    // Ends the running event loop. Before it runs (a second instance) the caller returns instead: an
    // exit request then would make every later modal loop return at once.
    if (QThread::currentThread()->loopLevel() > 0)
        QCoreApplication::exit(0);
}

void frmMain::DeleteTempFiles()
{
    for (const QString& f : { mState.gTempFile1, mState.gTempFile2, mState.gTempFile3 })
        if (!f.isEmpty())
            QFile::remove(f);
}

void frmMain::CloseConnection()
{
    if (mState.gConnection)
        mState.gConnection->Close();
    mState.gConnection.reset();
}

} // namespace moldrin
