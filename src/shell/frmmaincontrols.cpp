// frmMain's controls: the .ui file's controls set up and connected; the INI links' hover and clicks.
#include "shell/frmmain.h"

#include "buttonctl/lumbutton.h"
#include "data/config/configfiles.h"
#include "data/config/querybuilder.h"
#include "output/windows/chartwindow.h"
#include "output/windows/imagebutton.h"
#include "rules/rulemarks.h"
#include "shell/listbehaviour.h"
#include "shell/savedlimitscontrols.h"
#include "shell/serversidecontrol.h"
#include "shell/smallwindows.h"
#include "variables/spcconstants.h"
#include "variables/statistics.h"
#include "variables/view/chartview.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QUrl>

namespace moldrin
{

void frmMain::SetUpControls()
{
    setupUi(this);
    cmdPlotChart->SetEnabled(false);
    for (QLabel* link : { lblOpenATE_INI, lblOpenProducts_INI })
        link->installEventFilter(this);
    tmrRuleFlash = new QTimer(this);
    tmrRuleFlash->setObjectName(QStringLiteral("tmrRuleFlash"));
    tmrRuleFlash->setInterval(kRuleFlashIntervalMs);

    // Filled before anything listens to them; nothing is selected until the settings are restored.
    cboSelectChart->addItems(ChartTypes());
    for (int n = kMinSubgroupSize; n <= kMaxSubgroupSize; ++n)
        cboXBarSize->addItem(QString::number(n));
    cboSelectChart->setCurrentIndex(-1);
    cboXBarSize->setCurrentIndex(-1);
    savedLimits = new SavedLimitsControls(*this, mState, mPrompt);
    serverSide = new ServerSideControl(*this, mState);
    // The range list gets its items in start-up step 9; until then it is empty.
    for (QComboBox* c : { cboProductName, cboDataParameters, cboATEList, cboTestID })
        new WholeItems(c);
}

void frmMain::ShowOnScreen()
{
    // The most a window system's title bar and borders take.
    const QSize frame(16, 48);
    const QRect room = screen()->availableGeometry();
    if (room.width() >= width() + frame.width() && room.height() >= height() + frame.height()) {
        move(room.center() - QPoint(width() / 2, height() / 2));
        show();
    } else {
        showMaximized();
    }
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
    // The label-area and decimal buttons act on both value axes, the centre and the variation chart's.
    const QList<AxisId> valueAxes { AxisId::Left, AxisId::Custom0 };
    ConnectLabelAreaButtons(imgChartLeft, imgChartRight, mChart, valueAxes, [this] { RenderChart(); });
    ConnectDecimalButtons(imgLeft, imgRight, mChart, valueAxes, [this] { RenderChart(); });
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
