// frmMain's controls: the selection panel, the chart, the buttons and links, laid out and connected;
// the INI links' hover and clicks.
#include "shell/frmmain.h"

#include "buttonctl/commandbutton.h"
#include "data/config/configfiles.h"
#include "data/config/querybuilder.h"
#include "output/windows/imagebutton.h"
#include "rules/rulemarks.h"
#include "shell/listbehaviour.h"
#include "shell/smallwindows.h"
#include "variables/spcconstants.h"
#include "variables/statistics.h"
#include "variables/view/chartview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

namespace moldrin
{

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
        LumButton* b = new CommandButton(name, caption, this);
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

} // namespace moldrin
