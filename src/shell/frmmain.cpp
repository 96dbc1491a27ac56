// frmMain: the selection panel, the variables chart and the Start/Stop Plot state machine.
#include "shell/frmmain.h"

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
#include "shell/chartrules.h"
#include "shell/dialogs/frmrangeplot.h"
#include "shell/listbehaviour.h"
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
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <functional>
#include <memory>

namespace moldrin
{

namespace
{

const QString kStartPlot = QStringLiteral("Start Plot");
const QString kStopPlot = QStringLiteral("Stop Plot");
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

// The loaders reach the window through this: prompts, the panel state, chart resets and the event loop.
class frmMain::WindowHost : public data::PlotHost
{
public:
    explicit WindowHost(frmMain& window)
        : mWindow(window)
    {
    }
    Prompt& prompt() override { return mWindow.mPrompt; }
    // The window holds the plotting state itself, from the press of Start Plot until the loader returns.
    void SetPanelEnabled(bool) override { }
    void ChartReset() override
    {
        mWindow.lblSPCParameter1->clear();
        mWindow.lblWhatParametric->clear();
        mWindow.StopRuleTimer();
        mWindow.RenderChart();
    }
    void KeepResponsive(long recordsRead) override
    {
        mBusy.Progress(recordsRead);
        mWindow.ShowPlotProgress(recordsRead);
        if (mWindow.mRenderClock.elapsed() >= kPlotRepaintMs) {
            mWindow.RenderChart();
            mWindow.mRenderClock.restart();
        }
        QCoreApplication::processEvents();
    }

private:
    frmMain& mWindow;
    ReadingCursor mBusy;
};

frmMain::frmMain(AppState& state, Prompt& prompt, QWidget* parent)
    : QWidget(parent)
    , mState(state)
    , mPrompt(prompt)
    , mChart(BuildVariablesChartTemplate())
    , mOpenUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(kAppTitle);
    BuildControls();
    ConnectControls();
    setMouseTracking(true);
    resize(1180, 760);
}

frmMain::~frmMain() = default;

void frmMain::BuildControls()
{
    auto label = [this](const QString& name, const QString& text) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        return l;
    };
    auto combo = [this](const QString& name) {
        auto* c = new QComboBox(this);
        c->setObjectName(name);
        c->setMaxVisibleItems(20);
        return c;
    };
    auto check = [this](const QString& name, const QString& text) {
        auto* c = new QCheckBox(text, this);
        c->setObjectName(name);
        return c;
    };
    auto button = [this](const QString& name, const QString& caption) {
        LumButton* b = NewProgramButton(name, caption, this);
        b->setMinimumHeight(26);
        return b;
    };

    cboProductName = combo(QStringLiteral("cboProductName"));
    cboDataParameters = combo(QStringLiteral("cboDataParameters"));
    cboATEList = combo(QStringLiteral("cboATEList"));
    cboTestID = combo(QStringLiteral("cboTestID"));
    txtSerialNumberFilter = new QLineEdit(this);
    txtSerialNumberFilter->setObjectName(QStringLiteral("txtSerialNumberFilter"));
    cboTestedRange = combo(QStringLiteral("cboTestedRange"));
    cboSelectChart = combo(QStringLiteral("cboSelectChart"));
    cboXBarSize = combo(QStringLiteral("cboXBarSize"));
    lblProductName = label(QStringLiteral("lblProductName"), QStringLiteral("Product ID"));
    lblTestParameter = label(QStringLiteral("lblTestParameter"), QStringLiteral("Test Para."));
    lblATEList = label(QStringLiteral("lblATEList"), QStringLiteral("Source Filter"));
    lblTestID = label(QStringLiteral("lblTestID"), QStringLiteral("Test ID"));
    lblSerialNumberFilter = label(QStringLiteral("lblSerialNumberFilter"), QStringLiteral("S/N Filter"));
    lblTestedRange = label(QStringLiteral("lblTestedRange"), QStringLiteral("Range"));
    lblChartType = label(QStringLiteral("lblChartType"), QStringLiteral("Chart Type"));
    lblGroupSize = label(QStringLiteral("lblGroupSize"), QStringLiteral("Group Size"));
    chkAcceptZero = check(QStringLiteral("chkAcceptZero"), QStringLiteral("Accept Zero"));
    chkOnlyPass = check(QStringLiteral("chkOnlyPass"), QStringLiteral("Pass Only"));
    chkLastDataOnly = check(QStringLiteral("chkLastDataOnly"), QStringLiteral("Last Data Only"));
    chkShowSpec = check(QStringLiteral("chkShowSpec"), QStringLiteral("Show USL/LSL"));
    chkShowZoneABC = check(QStringLiteral("chkShowZoneABC"), QStringLiteral("Show Zones"));
    chkShowGrid = check(QStringLiteral("chkShowGrid"), QStringLiteral("Show Grid"));
    cmdPlotChart = button(QStringLiteral("cmdPlotChart"), kStartPlot);
    cmdPlotChart->SetEnabled(false);
    cmdMoreCharts = button(QStringLiteral("cmdMoreCharts"), QStringLiteral("More Charts"));
    cmdScreening = button(QStringLiteral("cmdScreening"), QStringLiteral("Screening"));
    cmdExport = button(QStringLiteral("cmdExport"), QStringLiteral("Export Chart"));
    cmdPrint = button(QStringLiteral("cmdPrint"), QStringLiteral("Print Chart"));
    cmdZoomXIn = button(QStringLiteral("cmdZoomXIn"), QStringLiteral("Zoom In"));
    cmdZoomXOut = button(QStringLiteral("cmdZoomXOut"), QStringLiteral("Zoom Out"));
    cmdReset = button(QStringLiteral("cmdReset"), QStringLiteral("Reset"));
    cmdPreviousPage = button(QStringLiteral("cmdPreviousPage"), QStringLiteral("<<"));
    cmdNextPage = button(QStringLiteral("cmdNextPage"), QStringLiteral(">>"));
    cmdDataInter = button(QStringLiteral("cmdDataInter"), QStringLiteral("Rules Setup"));
    cmdAbout = button(QStringLiteral("cmdAbout"), QStringLiteral("About"));
    cmdExit = button(QStringLiteral("cmdExit"), QStringLiteral("Exit"));
    lblOpenATE_INI = label(QStringLiteral("lblOpenATE_INI"), QStringLiteral("Open ate.ini"));
    lblOpenProducts_INI = label(QStringLiteral("lblOpenProducts_INI"), QStringLiteral("Open products.ini"));
    for (QLabel* link : { lblOpenATE_INI, lblOpenProducts_INI }) {
        link->setCursor(Qt::PointingHandCursor);
        link->setStyleSheet(QStringLiteral("color: #0000c0;"));
        link->installEventFilter(this);
    }
    lblPlotProgress = label(QStringLiteral("lblPlotProgress"), QString());
    lblVersion = label(QStringLiteral("lblVersion"), QString());
    lblYvalue = label(QStringLiteral("lblYvalue"), QString());
    lblYvalue->setMinimumWidth(110);
    lblSPCParameter = label(QStringLiteral("lblSPCParameter"), QString());
    lblSPCParameter1 = label(QStringLiteral("lblSPCParameter1"), QString());
    lblWhatParametric = label(QStringLiteral("lblWhatParametric"), QString());
    lblWhatParametric->setWordWrap(true);
    for (QLabel* l : { lblSPCParameter, lblSPCParameter1 })
        l->setAlignment(Qt::AlignTop | (l == lblSPCParameter ? Qt::AlignLeft : Qt::AlignRight));
    imgChartLeft = new ImageButton(
        QStringLiteral("imgChartLeft"), QStringLiteral("\u25c2A"), QStringLiteral("Narrower value labels"), this);
    imgChartRight = new ImageButton(
        QStringLiteral("imgChartRight"), QStringLiteral("A\u25b8"), QStringLiteral("Wider value labels"), this);
    imgLeft
        = new ImageButton(QStringLiteral("imgLeft"), QStringLiteral(".0+"), QStringLiteral("One more decimal"), this);
    imgRight = new ImageButton(
        QStringLiteral("imgRight"), QStringLiteral(".0\u2212"), QStringLiteral("One decimal less"), this);
    ocxXBarChart = new ChartView(this);
    ocxXBarChart->setObjectName(QStringLiteral("ocxXBarChart"));
    ocxXBarChart->setMouseTracking(true);
    tmrRuleFlash = new QTimer(this);
    tmrRuleFlash->setObjectName(QStringLiteral("tmrRuleFlash"));
    tmrRuleFlash->setInterval(kRuleFlashIntervalMs);

    {
        const QSignalBlocker blockRange(cboTestedRange);
        const QSignalBlocker blockChart(cboSelectChart);
        const QSignalBlocker blockSize(cboXBarSize);
        cboTestedRange->addItems(data::RangeNames());
        cboSelectChart->addItems(ChartTypes());
        for (int n = kMinSubgroupSize; n <= kMaxSubgroupSize; ++n)
            cboXBarSize->addItem(QString::number(n));
        // Nothing is selected until the settings are restored, so that restoring raises the clicks.
        cboTestedRange->setCurrentIndex(-1);
        cboSelectChart->setCurrentIndex(-1);
        cboXBarSize->setCurrentIndex(-1);
    }
    // The range list gets its items in start-up step 9; until then it is empty.
    {
        const QSignalBlocker blockRange(cboTestedRange);
        cboTestedRange->clear();
    }

    auto* panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("fraSelection"));
    panel->setFixedWidth(250);
    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(6, 6, 6, 6);
    int row = 0;
    auto pair = [&](QLabel* l, QWidget* w) {
        grid->addWidget(l, row, 0);
        grid->addWidget(w, row++, 1);
    };
    pair(lblProductName, cboProductName);
    pair(lblTestParameter, cboDataParameters);
    pair(lblATEList, cboATEList);
    pair(lblTestID, cboTestID);
    pair(lblSerialNumberFilter, txtSerialNumberFilter);
    pair(lblTestedRange, cboTestedRange);
    pair(lblChartType, cboSelectChart);
    pair(lblGroupSize, cboXBarSize);
    for (QCheckBox* box : { chkAcceptZero, chkOnlyPass, chkLastDataOnly, chkShowSpec, chkShowZoneABC, chkShowGrid })
        grid->addWidget(box, row++, 0, 1, 2);
    grid->addWidget(cmdPlotChart, row++, 0, 1, 2);
    grid->addWidget(lblPlotProgress, row++, 0, 1, 2);
    auto* furtherCharts = new QHBoxLayout;
    furtherCharts->addWidget(cmdMoreCharts);
    furtherCharts->addWidget(cmdScreening);
    grid->addLayout(furtherCharts, row++, 0, 1, 2);
    for (LumButton* b : { cmdDataInter, cmdExport, cmdPrint, cmdAbout, cmdExit })
        grid->addWidget(b, row++, 0, 1, 2);
    grid->addWidget(lblOpenATE_INI, row++, 0, 1, 2);
    grid->addWidget(lblOpenProducts_INI, row++, 0, 1, 2);
    grid->setRowStretch(row++, 1);
    grid->addWidget(lblVersion, row++, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    auto* tools = new QHBoxLayout;
    tools->addWidget(lblYvalue);
    for (QWidget* w : std::initializer_list<QWidget*> { imgChartLeft, imgChartRight, imgLeft, imgRight })
        tools->addWidget(w);
    tools->addStretch(1);
    for (LumButton* b : { cmdPreviousPage, cmdNextPage, cmdZoomXIn, cmdZoomXOut, cmdReset }) {
        b->setFixedWidth(84);
        tools->addWidget(b);
    }

    auto* stats = new QGridLayout;
    stats->addWidget(lblWhatParametric, 0, 0, 1, 2);
    stats->addWidget(lblSPCParameter, 1, 0);
    stats->addWidget(lblSPCParameter1, 1, 1);
    stats->setRowStretch(2, 1);
    auto* statsPanel = new QWidget(this);
    statsPanel->setObjectName(QStringLiteral("fraStatistics"));
    statsPanel->setFixedWidth(170);
    statsPanel->setLayout(stats);

    auto* chartRow = new QHBoxLayout;
    chartRow->addWidget(ocxXBarChart, 1);
    chartRow->addWidget(statsPanel);
    auto* right = new QVBoxLayout;
    right->addLayout(chartRow, 1);
    right->addLayout(tools);

    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(4, 4, 4, 4);
    top->addWidget(panel);
    top->addLayout(right, 1);
    for (QWidget* w : std::initializer_list<QWidget*> { panel, statsPanel })
        w->setMouseTracking(true);
    for (QComboBox* c : { cboProductName, cboDataParameters, cboATEList, cboTestID })
        new WholeItems(c);
}

void frmMain::ConnectControls()
{
    // Choosing <Open INI> always runs its handling, also when it is the selected entry already.
    new ChoiceHandler(
        cboProductName, [this] { cboProductName_Click(); },
        [this] { return cboProductName->currentText().trimmed() == data::kOpenIniItem; });
    connect(cboDataParameters, &QComboBox::currentIndexChanged, this, [this] { cboDataParameters_Click(); });
    connect(cboATEList, &QComboBox::currentIndexChanged, this, [this] { cboATEList_Click(); });
    connect(cboTestID, &QComboBox::currentIndexChanged, this, [this] { cboTestID_Click(); });
    // Choosing "Custom" again opens the dialog again.
    new ChoiceHandler(cboTestedRange, [this] { cboTestedRange_Click(); });
    connect(cboSelectChart, &QComboBox::currentIndexChanged, this, [this] { cboSelectChart_Click(); });
    connect(cboXBarSize, &QComboBox::currentIndexChanged, this, [this] { cboXBarSize_Click(); });
    connect(chkShowGrid, &QCheckBox::stateChanged, this, [this] { chkShowGrid_Click(); });
    connect(chkShowSpec, &QCheckBox::clicked, this, [this] { chkShowOption_Click(); });
    connect(chkShowZoneABC, &QCheckBox::clicked, this, [this] { chkShowOption_Click(); });
    connect(cmdPlotChart, &LumButton::Click, this, [this] { cmdPlotChart_Click(); });
    connect(cmdNextPage, &LumButton::Click, this, [this] { cmdNextPage_Click(); });
    connect(cmdPreviousPage, &LumButton::Click, this, [this] { cmdPreviousPage_Click(); });
    connect(cmdZoomXIn, &LumButton::Click, this, [this] { cmdZoomXIn_Click(); });
    connect(cmdZoomXOut, &LumButton::Click, this, [this] { cmdZoomXOut_Click(); });
    connect(cmdReset, &LumButton::Click, this, [this] { cmdReset_Click(); });
    connect(cmdMoreCharts, &LumButton::Click, this, [this] { cmdMoreCharts_Click(); });
    connect(cmdScreening, &LumButton::Click, this, [this] { cmdScreening_Click(); });
    connect(cmdExport, &LumButton::Click, this, [this] { cmdExport_Click(); });
    connect(cmdPrint, &LumButton::Click, this, [this] { cmdPrint_Click(); });
    connect(cmdDataInter, &LumButton::Click, this, [this] { ShowRulesSetup(); });
    connect(cmdAbout, &LumButton::Click, this, [this] { cmdAbout_Click(); });
    connect(cmdExit, &LumButton::Click, this, [this] { close(); });
    connect(imgChartLeft, &ImageButton::Pressed, this, [this] { imgChartLeft_MouseDown(); });
    connect(imgChartRight, &ImageButton::Pressed, this, [this] { imgChartRight_MouseDown(); });
    connect(imgLeft, &ImageButton::Pressed, this, [this] { imgLeft_MouseDown(); });
    connect(imgRight, &ImageButton::Pressed, this, [this] { imgRight_MouseDown(); });
    connect(tmrRuleFlash, &QTimer::timeout, this, [this] { tmrRuleFlash_Timer(); });
    connect(
        ocxXBarChart, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { ocxXBarChart_MouseMove(e->position()); });
    connect(ocxXBarChart, &QCustomPlot::mousePress, this, [this](QMouseEvent* e) {
        if (const auto hit = ocxXBarChart->pointAt(mChart, e->position()))
            ocxXBarChart_ClickSeries(hit->series, hit->point, e->button());
    });
    // Receiving the focus selects the whole serial number text (after the click has placed the cursor).
    txtSerialNumberFilter->installEventFilter(this);
}

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
    mLoading = true;
    if (!mState.gConnection)
        mState.gConnection = std::make_shared<data::Connection>();
    mChart = BuildVariablesChartTemplate();
    StandardSpcConstants();
    data::PrepareTempFiles(mState);

    const QString products = data::LocateConfigFolder(mState, mPrompt, mLists, false, options.configDir);
    data::FillProductList(mLists, products);
    if (!mLists.caption.isEmpty())
        setWindowTitle(mLists.caption);
    SetComboItems(cboProductName, mLists.productList, QString());
    if (cboProductName->count() >= 2)
        cboProductName->setCurrentIndex(1);

    {
        const QSignalBlocker block(cboTestedRange);
        cboTestedRange->addItems(data::RangeNames());
        cboTestedRange->setCurrentIndex(-1);
    }
    // A restored "Custom" range opens the custom range dialog through the range list's handler.
    ApplyLoadedSettings(LoadSettings(mState));

    ResetVariablesChart(mChart, cboSelectChart->currentText(), QString(), mState.gChartTitle);
    lblSPCParameter->setText(PanelCaptionText());
    lblVersion->setText(QStringLiteral("Version ") + VersionText());
    mLoading = false;
    RenderChart();
    return true;
}

void frmMain::ApplyLoadedSettings(const LoadedMainSettings& loaded)
{
    // Each control takes the value when it is one of its items; otherwise the described default.
    auto choose = [](QComboBox* combo, const QString& text, const QString& fallback) {
        const int i = combo->findText(text);
        combo->setCurrentIndex(i >= 0 ? i : combo->findText(fallback));
    };
    choose(cboTestedRange, loaded.range, kDefaultRange);
    txtSerialNumberFilter->setText(loaded.snFilter);
    choose(cboXBarSize, loaded.xBarSize, kDefaultGroupSize);
    const std::pair<QCheckBox*, std::optional<int>> boxes[] = { { chkAcceptZero, loaded.acceptZero },
        { chkOnlyPass, loaded.passOnly }, { chkLastDataOnly, loaded.lastDataOnly }, { chkShowSpec, loaded.showSpec } };
    for (const auto& [box, value] : boxes)
        if (value)
            SetCheckValue(box, *value);
    choose(cboSelectChart, loaded.chartType, kDefaultChartType);
    mChart.left.labelFormat = mChart.custom0.labelFormat = loaded.labelFormat;
    mChart.left.labelSize = mChart.custom0.labelSize = loaded.labelSize;
    if (loaded.showGrid)
        SetCheckValue(chkShowGrid, *loaded.showGrid);
    if (loaded.showZones)
        SetCheckValue(chkShowZoneABC, *loaded.showZones);
    // The template's grid follows the box from the start.
    chkShowGrid_Click();
    // A parameter without limits keeps the box clear whatever was saved.
    if (BothLimitsAbsent() && cboDataParameters->currentIndex() >= 0) {
        chkShowSpec->setChecked(false);
        chkShowSpec->setEnabled(false);
    }
}

void frmMain::SetComboItems(QComboBox* combo, const QStringList& items, const QString& current)
{
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(current.isNull() ? -1 : combo->findText(current));
}

// ---- Selection panel ----

void frmMain::cboProductName_Click()
{
    if (mPlotRunning)
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

        data::LoadColumnNames(mState, product);
        data::LoadProductSpec(mState, mPrompt, mLists, product);
        SetComboItems(cboDataParameters, mLists.parameterList, QString());
        cboDataParameters->setEnabled(mLists.parameterListEnabled);
        cmdPlotChart->SetEnabled(mLists.plotButtonEnabled);
        if (mLists.parameterIndex >= 0)
            cboDataParameters->setCurrentIndex(mLists.parameterIndex);

        connected = data::ConnectDataSource(product, data::ReadIniDatabase(product, mState), mState, mPrompt);
    }
    if (connected.ok) {
        SetComboItems(cboATEList, connected.testers, connected.selected);
        if (cboATEList->currentIndex() < 0 && cboATEList->count() > 0) {
            const QSignalBlocker block(cboATEList);
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
    const QString products = data::LocateConfigFolder(mState, mPrompt, mLists, true);
    if (products.isEmpty()) {
        // A cancelled dialog goes back to the first product when there is one.
        if (mLists.reselectFirstProduct && cboProductName->count() >= 2) {
            mLists.reselectFirstProduct = false;
            cboProductName->setCurrentIndex(1);
        }
        return;
    }
    if (!mLists.caption.isEmpty())
        setWindowTitle(mLists.caption);
    data::FillProductList(mLists, products);
    SetComboItems(cboProductName, mLists.productList, QString());
    SetComboItems(cboDataParameters, {}, QString());
    if (cboProductName->count() >= 2)
        cboProductName->setCurrentIndex(1);
    ClearChart();
}

void frmMain::cboDataParameters_Click()
{
    if (mPlotRunning)
        return;
    const int i = cboDataParameters->currentIndex();
    if (i < 0)
        return;
    mUSLText = LimitText(mState.gUSL, i, kNoUpperLimit);
    mLSLText = LimitText(mState.gLSL, i, kNoLowerLimit);
    if (BothLimitsAbsent()) {
        const QSignalBlocker block(chkShowSpec);
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
    if (!mPlotRunning)
        ClearChartIfPlotted();
}

void frmMain::cboTestID_Click()
{
    if (!mPlotRunning)
        ClearChartIfPlotted();
}

void frmMain::cboTestedRange_Click()
{
    if (mPlotRunning || OnlyOpenIniListed() || cboTestedRange->currentIndex() < 0)
        return;
    if (cboTestedRange->currentText() == QLatin1String("Custom"))
        ShowCustomRange();
    cboTestedRange->setToolTip(cboTestedRange->currentText().trimmed());
    ClearChartIfPlotted();
}

void frmMain::cboSelectChart_Click()
{
    if (!mSettingSelection && !mPlotRunning && cboSelectChart->currentIndex() >= 0)
        ApplyChartTypeRules(true);
}

void frmMain::cboXBarSize_Click()
{
    if (mSettingSelection || mPlotRunning || cboXBarSize->currentIndex() < 0)
        return;
    mState.gSampleSize = cboXBarSize->currentText().toInt();
    ApplyChartTypeRules(false);
}

void frmMain::ApplyChartTypeRules(bool chartTypeChanged)
{
    const ChartSelection before { cboSelectChart->currentText(), mState.gSampleSize };
    const ChartSelection after = ApplyChartRules(before, chartTypeChanged, mPrompt);
    {
        // The corrections are the window's own changes: they neither re-run these rules nor re-plot.
        const bool wasLoading = mLoading;
        mLoading = true;
        mSettingSelection = true;
        if (after.chartType != before.chartType)
            cboSelectChart->setCurrentIndex(cboSelectChart->findText(after.chartType));
        if (after.sampleSize != before.sampleSize)
            cboXBarSize->setCurrentIndex(cboXBarSize->findText(QString::number(after.sampleSize)));
        mState.gSampleSize = after.sampleSize;
        mSettingSelection = false;
        mLoading = wasLoading;
    }
    if (chartTypeChanged) {
        const bool usable = GroupSizeEnabled(after.chartType);
        cboXBarSize->setEnabled(usable);
        lblGroupSize->setEnabled(usable);
    }
    if (!mLoading)
        cmdPlotChart_Click();
}

void frmMain::chkShowOption_Click()
{
    if (mLoading || mSettingSelection || mPlotRunning || !cmdPlotChart->Enabled()
        || cmdPlotChart->Caption() != kStartPlot)
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
    ShowPlotProgress(0);
    {
        WindowHost host(*this);
        mRenderClock.start();
        mLastOutcome = data::PlotChart(mState, mChart, selection, host);
    }
    if (mLastOutcome.stopped && mStopClock.isValid())
        mStopLatencyMs = mStopClock.elapsed();
    mPlotRunning = false;
    ++mPlotCount;
    lblPlotProgress->clear();
    SetPanelEnabled(true);
    if (mLastOutcome.plotted) {
        lblSPCParameter1->setText(mLastOutcome.limits.panelValueText);
        lblWhatParametric->setText(mLastOutcome.limits.parameterCaption);
    }
    RenderChart();
    StartRuleTimer(mLastOutcome.rules.centreMarks || mLastOutcome.rules.variationMarks);
    // An exit confirmed during the plot stopped it; the window ends now as it would have then.
    if (mExitConfirmed)
        close();
}

void frmMain::ShowPlotProgress(long recordsRead)
{
    lblPlotProgress->setText(recordsRead > 0
            ? QStringLiteral("Readings read: ") + FormatNumber(double(recordsRead), QStringLiteral("#,##0"))
            : QStringLiteral("Querying the data source..."));
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
    cmdPlotChart->SetCaption(enable ? kStartPlot : kStopPlot);
    ocxXBarChart->setEnabled(enable);
    ocxXBarChart->update();
}

void frmMain::ClearChartIfPlotted()
{
    if (ChartHasPoints() && !mLoading)
        ClearChart();
}

void frmMain::ClearChart()
{
    ResetVariablesChart(mChart, cboSelectChart->currentText(), QString(), mState.gChartTitle);
    lblSPCParameter1->clear();
    lblWhatParametric->clear();
    StopRuleTimer();
    RenderChart();
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
    RenderChart();
}

// ---- Paging, zoom and the axis buttons ----

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

void frmMain::imgChartLeft_MouseDown()
{
    const int size = mChart.left.labelSize;
    if (size < 11)
        return;
    imgChartLeft->SetPressedLook(true);
    mChart.left.labelSize = mChart.custom0.labelSize = size - 1;
    RenderChart();
}

void frmMain::imgChartRight_MouseDown()
{
    const int size = mChart.left.labelSize;
    if (size >= 100)
        return;
    imgChartRight->SetPressedLook(true);
    mChart.left.labelSize = mChart.custom0.labelSize = size + 1;
    RenderChart();
}

void frmMain::imgLeft_MouseDown()
{
    if (mChart.left.labelFormat.endsWith(QLatin1String("0000")))
        return;
    imgLeft->SetPressedLook(true);
    mChart.left.labelFormat += QLatin1Char('0');
    mChart.custom0.labelFormat += QLatin1Char('0');
    RenderChart();
}

void frmMain::imgRight_MouseDown()
{
    if (mChart.left.labelFormat.endsWith(QLatin1Char('.')))
        return;
    imgRight->SetPressedLook(true);
    mChart.left.labelFormat.chop(1);
    mChart.custom0.labelFormat.chop(1);
    RenderChart();
}

void frmMain::chkShowGrid_Click()
{
    mChart.left.gridVisible = mChart.custom0.gridVisible = chkShowGrid->isChecked();
    if (!mLoading)
        RenderChart();
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
    ExportMainChart(host);
}

void frmMain::cmdPrint_Click()
{
    OutputHost host(*this);
    PrintMainChart(host);
}

void frmMain::cmdAbout_Click()
{
    frmAbout about(this);
    about.exec();
}

// ---- INI links and hover ----

void frmMain::lblOpenIni_Click(const QString& fileName)
{
    const QString path = data::ConfigFilePath(mState.gINIPath, fileName);
    if (QFileInfo(path).isFile() && mOpenUrl)
        mOpenUrl(QUrl::fromLocalFile(path));
}

void frmMain::SetLinkUnderline(QLabel* hovered)
{
    for (QLabel* link : { lblOpenATE_INI, lblOpenProducts_INI }) {
        QFont f = link->font();
        f.setUnderline(link == hovered);
        link->setFont(f);
    }
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblOpenATE_INI || watched == lblOpenProducts_INI) {
        auto* link = static_cast<QLabel*>(watched);
        if (event->type() == QEvent::Enter || event->type() == QEvent::MouseMove)
            SetLinkUnderline(link);
        else if (event->type() == QEvent::MouseButtonRelease)
            lblOpenIni_Click(link == lblOpenATE_INI ? QStringLiteral("ate.ini") : QStringLiteral("products.ini"));
    } else if (watched == txtSerialNumberFilter && event->type() == QEvent::FocusIn) {
        QTimer::singleShot(0, txtSerialNumberFilter, &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
}

void frmMain::mouseMoveEvent(QMouseEvent* event)
{
    SetLinkUnderline(nullptr);
    QWidget::mouseMoveEvent(event);
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
