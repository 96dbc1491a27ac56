// frmMain driven offscreen with the scripted prompt: start-up, selection rules, plots, paging, stop and exit.
#include "buttonctl/lumbutton.h"
#include "common/numberformat.h"
#include "common/overridecursor.h"
#include "common/version.h"
#include "data/access/connection.h"
#include "rules/ruleengine.h"
#include "rules/windows/frmspc_rulesetup.h"
#include "shell/dialogs/frmrangeplot.h"
#include "shell/frmmain.h"
#include "shell/qtprompt.h"
#include "shell/singleinstance.h"
#include "shell/smallwindows.h"
#include "variables/controllimits.h"
#include "variables/variableschart.h"
#include "variables/view/chartview.h"
#include "variables/windows/frmrawdata.h"

#include "leakagetable.h"
#include "mainsession.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

using namespace moldrin;
using moldrin::test::ChooseWithMouse;
using moldrin::test::ShownWindows;

namespace
{

// A copy of the demo configuration with a generated results database of `units` units per product.
bool MakeDemo(const QString& dir, int units, const QString& databaseName = {})
{
    if (!moldrin::test::CopyDemoConfiguration(dir))
        return false;
    if (!databaseName.isEmpty()) {
        // Points ATE.INI at another database file (one that does not exist, for the failure cases).
        QFile ate(QDir(dir).filePath("ATE.INI"));
        if (!ate.open(QIODevice::ReadOnly))
            return false;
        QString text = QString::fromLatin1(ate.readAll());
        ate.close();
        text.replace("DatabaseName=results.db", "DatabaseName=" + databaseName);
        QFile::remove(ate.fileName());
        if (!ate.open(QIODevice::WriteOnly))
            return false;
        ate.write(text.toLatin1());
        return true;
    }
    return moldrin::test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, dir, units);
}

// A copy of the demo configuration whose PSU-100 table holds `units` readings in shuffled time order, so
// the engine sorts a while before the first row (the query phase of a plot).
bool MakeSlowDemo(const QString& dir, int units)
{
    if (!moldrin::test::CopyDemoConfiguration(dir))
        return false;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "slow");
        db.setDatabaseName(QDir(dir).filePath("results.db"));
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && db.transaction()
            && q.exec("CREATE TABLE PSU100_Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, PassFail "
                      "TEXT, TestID TEXT, VOUT_5V REAL, VOUT_3V3 REAL, IDLE_CUR REAL, LOAD_CUR REAL, RIPPLE REAL, "
                      "EFFICIENCY REAL, SW_FREQ REAL, BOARD_TEMP REAL)")
            && q.prepare("INSERT INTO PSU100_Results (SerialNumber, ATEID, TestStartTime, PassFail, TestID, VOUT_5V) "
                         "VALUES (?, ?, ?, 'PASS', 'FT1', ?)");
        const QDateTime start = QDateTime::currentDateTime().addDays(-20);
        for (int i = 0; ok && i < units; ++i) {
            const int t = int((qint64(i) * 7919) % units);
            q.addBindValue(QStringLiteral("SN%1").arg(i));
            q.addBindValue(t % 2 ? "ATE-02" : "ATE-01");
            q.addBindValue(start.addSecs(t).toString("yyyy-MM-dd HH:mm:ss"));
            q.addBindValue(5.0 + (t % 41 - 20) * 0.001);
            ok = q.exec();
        }
        ok = ok && db.commit();
        db.close();
    }
    QSqlDatabase::removeDatabase("slow");
    return ok;
}

// The scripted answers, and the pointer shown while each message was given.
class TestPrompt : public ScriptedPrompt
{
public:
    QList<Qt::CursorShape> pointers; // Qt::ArrowCursor where no override pointer was set
    PromptAnswer ask(const PromptMessage& message) override
    {
        const QCursor* c = QGuiApplication::overrideCursor();
        pointers << (c ? c->shape() : Qt::ArrowCursor);
        return ScriptedPrompt::ask(message);
    }
};

Qt::CursorShape OverridePointer()
{
    const QCursor* c = QGuiApplication::overrideCursor();
    return c ? c->shape() : Qt::ArrowCursor;
}

using Session = moldrin::test::MainSession<TestPrompt>;

using moldrin::test::Click;

} // namespace

class FrmMainTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void startupWithEmptySettings();
    void startupWithoutConfiguration();
    void secondInstance();
    void groupSizeAboveNineWithMedian();
    void medianWithGroupSizeTwo();
    void individualDisablesGroupSize();
    void parameterWithoutLimits();
    void plotWithLimitsZonesAndMarks();
    void pagingAndZoom();
    void emptyChartButtons();
    void labelAndDecimalButtons();
    void smallReadingsKeepTheirDigits();
    void readoutAndPointClicks();
    void stopDuringPlot();
    void stopIndividualPlot();
    void failedConnection();
    void iniLinks();
    void exportChart();
    void exitQuestion();
    void savedSettingsRestored();
    void promptFilter();
    void serialBoxSelectsOnFocus();
    void aboutAndSplash();
    void customRangeDialog();
    void customOpensOneDialog();
    void rulesSetupDialog();
    void changeDuringQueryPhase();
    void exitDuringPlot();
    void openIniChosenAgain();
    void wholeParameterNames();
    void buttonsCarryTheStoredLook();
    void promptShowsTheNormalPointer();

private:
    QTemporaryDir mTemp;
    QString mDemo; // 200 subgroups of 5 per parameter
    QString mLarge; // 20000 readings: the loaders yield to the event loop
    QString mBroken; // its database file does not exist
    QString mSlow; // 200000 PSU-100 readings out of time order: the engine sorts before the first row
    QString mSettings; // a fresh settings file per test
    int mCount = 0;
};

void FrmMainTest::initTestCase()
{
    QVERIFY(mTemp.isValid());
    mDemo = mTemp.filePath("demo");
    mLarge = mTemp.filePath("large");
    mBroken = mTemp.filePath("broken");
    mSlow = mTemp.filePath("slow");
    for (const QString& d : { mDemo, mLarge, mBroken, mSlow })
        QVERIFY(QDir().mkpath(d));
    QVERIFY(MakeDemo(mDemo, 1000));
    QVERIFY(MakeDemo(mLarge, 20000));
    QVERIFY(MakeDemo(mBroken, 0, "missing.db"));
    QVERIFY(MakeSlowDemo(mSlow, 200000));
    // Temporary files go to a private folder.
    qputenv("TEMP", mTemp.path().toLocal8Bit());
}

void FrmMainTest::init()
{
    mSettings = mTemp.filePath(QStringLiteral("settings-%1").arg(++mCount));
}

void FrmMainTest::startupWithEmptySettings()
{
    qputenv("MOLDRIN_SETTINGS_FILE", mSettings.toLocal8Bit());
    Session s(SettingsStore::defaultPath());
    qunsetenv("MOLDRIN_SETTINGS_FILE");
    QCOMPARE(s.state.registry.path(), mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    QCOMPARE(s.prompt.texts(), QStringList());

    // Every control of the panel, found by its name, with its caption.
    const QList<QPair<QString, QString>> captions
        = { { "lblProductName", "Product ID" }, { "lblTestParameter", "Test Para." }, { "lblATEList", "Source Filter" },
              { "lblTestID", "Test ID" }, { "lblSerialNumberFilter", "S/N Filter" }, { "lblTestedRange", "Range" },
              { "lblChartType", "Chart Type" }, { "lblGroupSize", "Group Size" }, { "lblOpenATE_INI", "Open ate.ini" },
              { "lblOpenProducts_INI", "Open products.ini" }, { "lblVersion", "Version " + VersionText() } };
    for (const auto& [name, text] : captions) {
        auto* l = w.findChild<QLabel*>(name);
        QVERIFY2(l, qPrintable(name));
        QCOMPARE(l->text(), text);
    }
    const QList<QPair<QString, QString>> boxes
        = { { "chkAcceptZero", "Accept Zero" }, { "chkOnlyPass", "Pass Only" }, { "chkLastDataOnly", "Last Data Only" },
              { "chkShowSpec", "Show USL/LSL" }, { "chkShowZoneABC", "Show Zones" }, { "chkShowGrid", "Show Grid" } };
    for (const auto& [name, text] : boxes) {
        auto* c = w.findChild<QCheckBox*>(name);
        QVERIFY2(c, qPrintable(name));
        QCOMPARE(c->text(), text);
    }
    const QList<QPair<QString, QString>> buttons = { { "cmdPlotChart", "Start Plot" },
        { "cmdMoreCharts", "More Charts" }, { "cmdExport", "Export Chart" }, { "cmdPrint", "Print Chart" },
        { "cmdZoomXIn", "Zoom In" }, { "cmdZoomXOut", "Zoom Out" }, { "cmdReset", "Reset" },
        { "cmdDataInter", "Rules Setup" }, { "cmdAbout", "About" }, { "cmdExit", "Exit" } };
    for (const auto& [name, text] : buttons) {
        auto* b = w.findChild<LumButton*>(name);
        QVERIFY2(b, qPrintable(name));
        QCOMPARE(b->Caption(), text);
    }
    for (const char* name : { "cmdPreviousPage", "cmdNextPage" })
        QVERIFY(w.findChild<LumButton*>(name));
    for (const char* name : { "cboProductName", "cboDataParameters", "cboATEList", "cboTestID", "cboTestedRange",
             "cboSelectChart", "cboXBarSize" })
        QVERIFY2(w.findChild<QComboBox*>(name), name);
    QVERIFY(w.findChild<QLineEdit*>("txtSerialNumberFilter"));
    QVERIFY(w.findChild<ChartView*>("ocxXBarChart"));
    QVERIFY(w.findChild<QTimer*>("tmrRuleFlash"));
    QCOMPARE(w.tmrRuleFlash->interval(), 500);
    // No button of the window is anything but a LumButton.
    QCOMPARE(w.findChildren<QAbstractButton*>().size(), w.findChildren<QCheckBox*>().size());

    // Lists in their described order.
    QCOMPARE(w.cboProductName->itemText(0), QString("<Open INI>"));
    QCOMPARE(w.cboProductName->currentText(), QString("PSU-100"));
    QCOMPARE(w.cboTestedRange->count(), 12);
    QCOMPARE(w.cboTestedRange->itemText(11), QString("Custom"));
    QCOMPARE(w.cboSelectChart->itemText(5), QString("Individual-MR"));
    QCOMPARE(w.cboXBarSize->itemText(0), QString("2"));
    QCOMPARE(w.cboXBarSize->itemText(23), QString("25"));
    QCOMPARE(w.cboTestID->itemText(0), QString("<All>"));
    QCOMPARE(w.cboTestID->currentText(), QString("<All>"));
    QCOMPARE(w.cboATEList->itemText(w.cboATEList->count() - 1), QString("<All>"));
    QCOMPARE(w.cboDataParameters->currentIndex(), 0);

    // The defaults of a clean store.
    QCOMPARE(w.cboTestedRange->currentText(), QString("All"));
    QCOMPARE(w.cboXBarSize->currentText(), QString("5"));
    QCOMPARE(s.state.gSampleSize, 5);
    QCOMPARE(w.cboSelectChart->currentText(), QString("X-Bar-R-Median-s"));
    QCOMPARE(w.chart().left.labelFormat, QString("#,##0.00"));
    QCOMPARE(w.chart().custom0.labelFormat, QString("#,##0.00"));
    QCOMPARE(w.chart().left.labelSize, 38);
    QCOMPARE(s.state.gHistogramBarWidth, 75);
    QCOMPARE(s.state.gParetoBarWidth, 75);
    QVERIFY(s.state.gRulesBlinkEnable);
    QCOMPARE(s.state.gRulesSetup, kDefaultRulesSetup);
    QVERIFY(!w.chkShowGrid->isChecked());
    QVERIFY(!w.chart().left.gridVisible);
    QCOMPARE(w.lblSPCParameter->text(), PanelCaptionText());
    QCOMPARE(w.chart().left.title, QString("X-Bar & Median"));
    QVERIFY(w.cmdPlotChart->Enabled());
    QVERIFY(s.state.gConnection && s.state.gConnection->State() == data::ObjectState::Open);
    QVERIFY(!s.state.gTempFile1.isEmpty());
    QCOMPARE(w.plotCount(), 0); // restoring the settings plotted nothing
}

void FrmMainTest::startupWithoutConfiguration()
{
    Session s(mSettings);
    // No INIPath saved and no INI files beside the program: the file dialog is offered and cancelled.
    QVERIFY(s.start(QString()));
    frmMain& w = *s.window;
    QCOMPARE(s.prompt.fileRequests.size(), 1);
    QCOMPARE(w.cboProductName->count(), 1);
    s.prompt.clear();

    // The plot button stays disabled without parameters; its handler refuses as well.
    QVERIFY(!w.cmdPlotChart->Enabled());
    Click(w.cmdPlotChart);
    QCOMPARE(s.prompt.texts(), QStringList());
    w.cmdPlotChart_Click();
    QCOMPARE(s.prompt.texts(), QStringList { "INI file is not loaded!" });
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Exclamation);
    s.prompt.clear();

    // Choosing a range does nothing while only <Open INI> is listed.
    const QString tip = w.cboTestedRange->toolTip();
    w.cboTestedRange->setCurrentText("Last 7 Days");
    QCOMPARE(w.cboTestedRange->toolTip(), tip);
    Click(w.cmdMoreCharts);
    QCOMPARE(s.prompt.texts(), QStringList { "INI file is not loaded!" });
    s.prompt.clear();
    // The page buttons stay silent on an empty chart.
    Click(w.cmdNextPage);
    Click(w.cmdZoomXIn);
    QCOMPARE(s.prompt.texts(), QStringList());
}

void FrmMainTest::secondInstance()
{
    Session s(mSettings);
    frmMain::StartOptions o;
    o.splashPasses = 0;
    o.configDir = mDemo;
    o.anotherInstanceRunning = [] { return true; };
    QVERIFY(!s.window->Form_Load(o));
    QCOMPARE(s.prompt.texts(), QStringList { "An instance Moldrin software is running!" });
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Information);
    QVERIFY(s.window->shutDown());
    QVERIFY(!QFileInfo::exists(mSettings)); // nothing saved

    // The lock behind the test: a second holder is refused until the first lets go.
    const QString path = mTemp.filePath("instance.lock");
    auto first = std::make_unique<SingleInstanceLock>(path);
    QVERIFY(first->acquire());
    QVERIFY(first->acquire());
    SingleInstanceLock second(path);
    QVERIFY(!second.acquire());
    QVERIFY(first->held());
    first.reset();
    QVERIFY(second.acquire());
}

void FrmMainTest::groupSizeAboveNineWithMedian()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.cboSelectChart->setCurrentText("Median-R");
    const int plots = w.plotCount();
    QCOMPARE(plots, 1); // an accepted change re-plots
    s.prompt.clear();
    w.cboXBarSize->setCurrentText("12");
    QCOMPARE(s.prompt.texts(),
        QStringList { "For X-Bar-R-Median-s, Median-R and Median-s chart the sample size is limited by not exceed "
                      "than 9. " });
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Information);
    QCOMPARE(w.cboXBarSize->currentText(), QString("9"));
    QCOMPARE(s.state.gSampleSize, 9);
    QCOMPARE(w.plotCount(), plots + 1);
    QVERIFY(w.lastOutcome().plotted);
    QCOMPARE(w.lastOutcome().pointCount, 1000 / 9);

    // Without a median type a size above 9 stands.
    s.prompt.clear();
    w.cboSelectChart->setCurrentText("X-Bar-s");
    w.cboXBarSize->setCurrentText("12");
    QCOMPARE(s.prompt.texts(), QStringList());
    QCOMPARE(s.state.gSampleSize, 12);
}

void FrmMainTest::medianWithGroupSizeTwo()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.cboSelectChart->setCurrentText("X-Bar-R");
    w.cboXBarSize->setCurrentText("2");
    s.prompt.clear();
    const int plots = w.plotCount();
    w.cboSelectChart->setCurrentText("Median-s");
    QCOMPARE(s.prompt.texts(),
        QStringList { "For X-Bar-R-Median-s chart the sample size equal 2, chart type will "
                      "available only 'X-Bar-R' or 'X-Bar-s'. " });
    QCOMPARE(w.cboSelectChart->currentText(), QString("X-Bar-R"));
    QCOMPARE(w.plotCount(), plots + 1);
    QCOMPARE(w.chart().left.title, QString("X-Bar (V)")); // the re-plot ran as X-Bar-R

    // The group size route names the other wording.
    w.cboXBarSize->setCurrentText("5");
    w.cboSelectChart->setCurrentText("Median-R");
    s.prompt.clear();
    w.cboXBarSize->setCurrentText("2");
    QCOMPARE(s.prompt.texts(),
        QStringList { "For X-Bar-R-Median-s chart with sample size equal 2, chart type will "
                      "available only 'X-Bar' or 'X-Bar-s'. " });
    QCOMPARE(w.cboSelectChart->currentText(), QString("X-Bar-R"));
}

void FrmMainTest::individualDisablesGroupSize()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.cboSelectChart->setCurrentText("Individual-MR");
    QVERIFY(!w.cboXBarSize->isEnabled());
    QVERIFY(!w.lblGroupSize->isEnabled());
    QVERIFY(w.lastOutcome().plotted);
    // The end of the plot enables the panel but not the group size.
    QVERIFY(w.cboSelectChart->isEnabled());
    QVERIFY(!w.cboXBarSize->isEnabled());
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));
    w.cboSelectChart->setCurrentText("X-Bar-R");
    QVERIFY(w.cboXBarSize->isEnabled());
    QVERIFY(w.lblGroupSize->isEnabled());
}

void FrmMainTest::parameterWithoutLimits()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.chkShowSpec->setChecked(true);
    const int boardTemp = w.cboDataParameters->findText("Board temperature");
    QVERIFY(boardTemp >= 0);
    w.cboDataParameters->setCurrentIndex(boardTemp);
    QVERIFY(!w.chkShowSpec->isEnabled());
    QVERIFY(!w.chkShowSpec->isChecked());
    QCOMPARE(w.plotCount(), 0); // clearing the box is no click of the user
    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().plotted);
    QVERIFY(!w.chkShowSpec->isEnabled());
    // A parameter with limits enables it again.
    w.cboDataParameters->setCurrentIndex(0);
    QVERIFY(w.chkShowSpec->isEnabled());
    // Selecting clears the chart of the earlier selection.
    QCOMPARE(w.chart().series[kSeriesMedian].count(), 0);
}

void FrmMainTest::plotWithLimitsZonesAndMarks()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.chkShowSpec->click();
    QCOMPARE(w.plotCount(), 1); // clicking Show USL/LSL re-plots
    w.chkShowZoneABC->click();
    QCOMPARE(w.plotCount(), 2);
    QCOMPARE(s.prompt.texts(), QStringList());
    const VariablesPlotOutcome& out = w.lastOutcome();
    QVERIFY(out.plotted);
    QCOMPARE(out.pointCount, 200L);
    const ChartModel& chart = w.chart();
    QCOMPARE(chart.series[kSeriesMedian].count(), 200);
    QCOMPARE(chart.series[kSeriesUSL].count(), 2);
    QCOMPARE(chart.series[kSeriesLSL].count(), 2);
    // Centre, limit and zone lines: more than the plain limit lines.
    QVERIFY(chart.seriesCount() > kTemplateSeriesCount + 6);
    QCOMPARE(chart.header, QStringList { s.state.gChartTitle + " Control Chart Page 1 of 3" });
    QCOMPARE(w.lblSPCParameter1->text(), out.limits.panelValueText);
    QVERIFY(!w.lblSPCParameter1->text().isEmpty());
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));
    QVERIFY(w.cmdExit->Enabled());

    // The demo data drift: marks placed, and they blink.
    QVERIFY(out.rules.centreMarks || out.rules.variationMarks);
    QVERIFY(chart.series[kSeriesUpArrow].count() + chart.series[kSeriesDownArrow].count() > 0);
    QVERIFY(w.tmrRuleFlash->isActive());
    const bool before = chart.series[kSeriesUpArrow].marks.visible;
    const bool lastBefore = chart.series.last().marks.visible;
    w.tmrRuleFlash_Timer();
    QCOMPARE(chart.series[kSeriesUpArrow].marks.visible, !before);
    QCOMPARE(chart.series.last().marks.visible, !lastBefore);
    // The timer really ticks.
    QTRY_COMPARE_WITH_TIMEOUT(chart.series[kSeriesUpArrow].marks.visible, before, 1500);

    // A selection change resets the chart and stops the timer.
    w.cboTestID->setCurrentIndex(1);
    QVERIFY(!w.tmrRuleFlash->isActive());
    QCOMPARE(chart.series[kSeriesMedian].count(), 0);
    QCOMPARE(chart.seriesCount(), kTemplateSeriesCount);
    QVERIFY(w.lblSPCParameter1->text().isEmpty());

    // With blinking off marks are placed but stay still.
    s.state.gRulesBlinkEnable = false;
    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().rules.centreMarks || w.lastOutcome().rules.variationMarks);
    QVERIFY(!w.tmrRuleFlash->isActive());
    // Unchecking Show Zones re-plots without rules: no marks.
    w.chkShowZoneABC->click();
    QCOMPARE(chart.series[kSeriesUpArrow].count() + chart.series[kSeriesDownArrow].count(), 0);
}

void FrmMainTest::pagingAndZoom()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    Click(w.cmdPlotChart);
    ChartModel& chart = w.chart();
    const QString title = s.state.gChartTitle;
    QCOMPARE(chart.pageCount(), 3);
    QCOMPARE(chart.maxPointsPerPage, 80);

    Click(w.cmdNextPage);
    QCOMPARE(chart.currentPage(), 2);
    QCOMPARE(chart.header, QStringList { title + " Control Chart Page 2 of 3" });
    QCOMPARE(w.chartView()->shownPoints(), std::make_pair(80, 159));
    Click(w.cmdNextPage);
    Click(w.cmdNextPage); // on the last page: no change
    QCOMPARE(chart.currentPage(), 3);
    Click(w.cmdPreviousPage);
    QCOMPARE(chart.currentPage(), 2);

    QList<int> steps;
    for (int i = 0; i < 10; ++i) {
        Click(w.cmdZoomXIn);
        steps << chart.maxPointsPerPage;
    }
    QCOMPARE(steps, (QList<int> { 70, 60, 50, 40, 30, 20, 10, 0, 0, 0 }));
    QCOMPARE(chart.pageCount(), 1);
    QCOMPARE(chart.header, QStringList { title + "  Chart Page: 1 of 1" });
    // Next Page on one page does nothing.
    Click(w.cmdNextPage);
    QCOMPARE(chart.currentPage(), 1);
    QCOMPARE(chart.header, QStringList { title + "  Chart Page: 1 of 1" });
    Click(w.cmdZoomXOut);
    QCOMPARE(chart.maxPointsPerPage, 10);
    QCOMPARE(chart.header, QStringList { title + "  Chart Page: 1 of 20" });
    for (int i = 0; i < 12; ++i)
        Click(w.cmdZoomXOut);
    QCOMPARE(chart.maxPointsPerPage, 130); // no upper bound
    Click(w.cmdNextPage);
    QCOMPARE(chart.currentPage(), 2);
    Click(w.cmdReset);
    QCOMPARE(chart.maxPointsPerPage, 80);
    QCOMPARE(chart.currentPage(), 1);
    QCOMPARE(chart.header, QStringList { title + " Chart Page: 1 of 3" });
    QCOMPARE(s.prompt.texts(), QStringList());
}

void FrmMainTest::emptyChartButtons()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    ChartModel& chart = w.chart();
    for (LumButton* b : { w.cmdNextPage, w.cmdPreviousPage, w.cmdZoomXIn, w.cmdZoomXOut, w.cmdReset })
        Click(b);
    QCOMPARE(chart.maxPointsPerPage, 80);
    QCOMPARE(s.prompt.texts(), QStringList());
    // Export and More Charts: their guards.
    Click(w.cmdExport);
    QCOMPARE(s.prompt.texts(), QStringList { "Chart is empty!" });
    s.prompt.clear();
    w.cboProductName->blockSignals(true);
    w.cboProductName->setCurrentIndex(0);
    w.cboProductName->blockSignals(false);
    Click(w.cmdMoreCharts);
    QCOMPARE(s.prompt.texts(), QStringList { "Please select product name!" });
    s.prompt.clear();
    Click(w.cmdPlotChart);
    QCOMPARE(s.prompt.texts(), QStringList { "Please select product!" });
}

// Leakage currents in amperes: the panel, the line labels and the left axis show their digits, and only the
// five raised subgroups are beyond the UCL.
void FrmMainTest::smallReadingsKeepTheirDigits()
{
    QTemporaryDir dir;
    QCOMPARE(moldrin::test::WriteLeakageConfiguration(dir.path()), QString());
    Session s(mSettings);
    QVERIFY(s.start(dir.path()));
    frmMain& w = *s.window;
    w.cboDataParameters->setCurrentIndex(1);
    QCOMPARE(w.cboDataParameters->currentText(), QString("T2: [I_A]"));
    w.cboSelectChart->setCurrentText("X-Bar-R");
    w.cboXBarSize->setCurrentText("5");
    w.chkShowZoneABC->click();
    QCOMPARE(s.prompt.texts(), QStringList());
    const VariablesPlotOutcome& out = w.lastOutcome();
    QVERIFY(out.plotted);
    QCOMPARE(out.pointCount, 100L);
    const QStringList panel = w.lblSPCParameter1->text().split('\n');
    QCOMPARE(panel.mid(0, 9),
        QStringList({ "100", "0.0000000323154", "0.000000033276", "5", "0.0000012476", "0.000001203", "0.0000011583",
            "0.0000015", "0.0" }));
    QCOMPARE(panel.mid(15, 3), QStringList({ "0.0000001637", "0.0000000774", "0.0" }));
    int beyond = 0;
    for (std::size_t i = 0; i < out.rules.centre.size(); ++i)
        beyond += out.rules.centre[i] & kR1Above ? 1 : 0;
    QCOMPARE(beyond, 5);

    // The left axis reads its ticks: distinct labels, each the value at its tick.
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QCPAxis* left = w.chartView()->centreValueAxis();
    w.chartView()->replot();
    const QVector<double> ticks = left->tickVector();
    const QVector<QString> labels = left->tickVectorLabels();
    QVERIFY(ticks.size() >= 3);
    QCOMPARE(QSet<QString>(labels.begin(), labels.end()).size(), labels.size());
    for (qsizetype i = 0; i < ticks.size(); ++i)
        QVERIFY2(std::abs(labels[i].toDouble() - ticks[i]) <= 0.0051e-6, qPrintable(labels[i]));

    // Without zones the limit lines name their values (at their ends, on the last page).
    w.chkShowZoneABC->click();
    Click(w.cmdNextPage);
    QStringList texts;
    for (const QString& text : w.chartView()->labelTexts())
        texts << text.trimmed();
    for (const char* label : { "UCL=0.0000012476", "CL=0.000001203; CpK=2.9752", "LCL=0.0000011583" })
        QVERIFY2(texts.contains(label), qPrintable(texts.join(" | ")));
}

void FrmMainTest::labelAndDecimalButtons()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    ChartModel& chart = w.chart();
    auto press = [](ImageButton* b, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(b, button, {}, b->rect().center());
    };
    auto release = [](ImageButton* b) { QTest::mouseRelease(b, Qt::LeftButton, {}, b->rect().center()); };

    press(w.imgChartLeft);
    QCOMPARE(chart.left.labelSize, 37);
    QCOMPARE(chart.custom0.labelSize, 37);
    QVERIFY(w.imgChartLeft->PressedLook());
    release(w.imgChartLeft);
    QVERIFY(!w.imgChartLeft->PressedLook());
    press(w.imgChartLeft, Qt::RightButton); // left button only
    QCOMPARE(chart.left.labelSize, 37);
    for (int i = 0; i < 40; ++i) {
        press(w.imgChartLeft);
        release(w.imgChartLeft);
    }
    QCOMPARE(chart.left.labelSize, 10);
    press(w.imgChartLeft); // at 10: nothing, no pressed look
    QCOMPARE(chart.left.labelSize, 10);
    QVERIFY(!w.imgChartLeft->PressedLook());
    for (int i = 0; i < 100; ++i)
        press(w.imgChartRight);
    QCOMPARE(chart.left.labelSize, 100);
    QCOMPARE(chart.custom0.labelSize, 100);

    for (int i = 0; i < 4; ++i) {
        press(w.imgLeft);
        release(w.imgLeft);
    }
    QCOMPARE(chart.left.labelFormat, QString("#,##0.0000"));
    QCOMPARE(chart.custom0.labelFormat, QString("#,##0.0000"));
    press(w.imgLeft); // on "#,##0.0000": nothing
    QVERIFY(!w.imgLeft->PressedLook());
    QCOMPARE(chart.left.labelFormat, QString("#,##0.0000"));
    for (int i = 0; i < 8; ++i)
        press(w.imgRight);
    QCOMPARE(chart.left.labelFormat, QString("#,##0."));
    QCOMPARE(chart.custom0.labelFormat, QString("#,##0."));

    // Show Grid switches the grid of both value axes.
    w.chkShowGrid->setChecked(true);
    QVERIFY(chart.left.gridVisible && chart.custom0.gridVisible);
    QVERIFY(w.chartView()->centreValueAxis()->grid()->visible());
    w.chkShowGrid->setChecked(false);
    QVERIFY(!chart.left.gridVisible && !chart.custom0.gridVisible);
}

void FrmMainTest::readoutAndPointClicks()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.resize(1180, 760);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    Click(w.cmdPlotChart);
    ChartView* view = w.chartView();
    view->replot();
    const ChartModel& chart = w.chart();

    // The read-out takes the axis of the band under the pointer.
    auto move = [&](QPointF at) {
        QMouseEvent e(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(view, &e);
    };
    const QRect centre = view->centreRect()->rect();
    const QRect variation = view->variationRect()->rect();
    const QPointF inCentre(centre.center());
    move(inCentre);
    QCOMPARE(w.lblYvalue->text(), FormatNumber(view->centreValueAxis()->pixelToCoord(inCentre.y()), "#,##0.0####"));
    const QPointF inVariation(variation.center());
    move(inVariation);
    QCOMPARE(
        w.lblYvalue->text(), FormatNumber(view->variationValueAxis()->pixelToCoord(inVariation.y()), "#,##0.0####"));
    QVERIFY(w.lblYvalue->text() != FormatNumber(view->centreValueAxis()->pixelToCoord(inVariation.y()), "#,##0.0####"));

    auto pixelOf = [&](int series, int point) {
        const ChartPoint& p = chart.series[series].points[point];
        const bool centreSeries = chart.series[series].verticalAxis == VerticalAxis::Left;
        QCPAxis* key = centreSeries ? view->pointAxis() : view->variationPointAxis();
        QCPAxis* value = centreSeries ? view->centreValueAxis() : view->variationValueAxis();
        return QPoint(qRound(key->coordToPixel(p.x)), qRound(value->coordToPixel(p.y)));
    };
    // A point of the variation chart opens nothing.
    s.state.gClickedSeries = -1;
    QTest::mouseClick(view, Qt::LeftButton, {}, pixelOf(kSeriesRange, 7));
    QCOMPARE(s.state.gClickedSeries, -1);
    // A point of series 0 (or 5 where it lies nearer) is recorded and opens its raw data: the
    // thirteenth subgroup's five readings, listing lines 60 to 64.
    QString info;
    QList<int> highlighted;
    ShownWindows<frmRawData> rawWindows([&](frmRawData& raw) {
        info = raw.findChild<QLabel*>("lblPlottedDataInfo")->text();
        highlighted = raw.selectedLines();
    });
    QTest::mouseClick(view, Qt::LeftButton, {}, pixelOf(kSeriesMedian, 12));
    QVERIFY(s.state.gClickedSeries == kSeriesMedian || s.state.gClickedSeries == kSeriesXBar);
    QCOMPARE(s.state.gClickedPoint, 12);
    QVERIFY(!s.state.gClickedIsIndividual);
    QCOMPARE(rawWindows.count, 1);
    QCOMPARE(highlighted, (QList<int> { 60, 61, 62, 63, 64 }));
    QVERIFY2(info.startsWith(s.state.gClickedSeries == kSeriesMedian ? "Median Chart, Sub-Group = 13 Size = 5"
                                                                     : "X-Bar Chart, Sub-Group = 13 Size = 5"),
        qPrintable(info));
    // The right button counts for nothing.
    QTest::mouseClick(view, Qt::RightButton, {}, pixelOf(kSeriesMedian, 30));
    QCOMPARE(s.state.gClickedPoint, 12);

    w.cboSelectChart->setCurrentText("Individual-MR");
    view->replot();
    QTest::mouseClick(view, Qt::LeftButton, {}, pixelOf(kSeriesMedian, 40));
    QCOMPARE(s.state.gClickedPoint, 40);
    QVERIFY(s.state.gClickedIsIndividual);
    QCOMPARE(rawWindows.count, 2);
    QCOMPARE(highlighted, QList<int> { 40 });
    QVERIFY2(info.startsWith("Individual Chart, Sample Number = 41, Value = "), qPrintable(info));
    // A point off the current page is not hit.
    QVERIFY(!view->pointAt(chart, QPointF(-50, -50)).has_value());
}

void FrmMainTest::stopDuringPlot()
{
    Session s(mSettings);
    QVERIFY(s.start(mLarge));
    frmMain& w = *s.window;
    // At the first yield the user clicks Stop Plot and confirms.
    QStringList captionSeen;
    QTimer::singleShot(0, &w, [&] {
        captionSeen << w.cmdPlotChart->Caption();
        QVERIFY(w.plotting());
        QVERIFY(!w.cmdExit->Enabled());
        QVERIFY(w.cmdPlotChart->Enabled());
        s.prompt.answers.enqueue(PromptAnswer::Yes);
        Click(w.cmdPlotChart);
    });
    w.cmdPlotChart_Click();
    QCOMPARE(captionSeen, QStringList { "Stop Plot" });
    QCOMPARE(s.prompt.texts(), QStringList { "Stop plot SPC chart?" });
    QCOMPARE(s.prompt.messages[0].buttons, PromptButtons::YesNo);
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Information);
    QVERIFY(w.lastOutcome().stopped);
    QVERIFY(!w.lastOutcome().plotted);
    QVERIFY(w.lastOutcome().pointCount < 4000);
    QVERIFY(w.lastStopLatencyMs() >= 0);
    qInfo("stop latency on 20000 readings: %lld ms", w.lastStopLatencyMs());
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));
    QVERIFY(w.cmdExit->Enabled());
    QVERIFY(!w.plotting());

    // Answering No lets the plot run to its end.
    s.prompt.clear();
    QTimer::singleShot(0, &w, [&] {
        s.prompt.answers.enqueue(PromptAnswer::No);
        Click(w.cmdPlotChart);
        // A second Start Plot while reading is not possible: the button asks to stop.
        QCOMPARE(w.cmdPlotChart->Caption(), QString("Stop Plot"));
    });
    w.cmdPlotChart_Click();
    QCOMPARE(s.prompt.texts(), QStringList { "Stop plot SPC chart?" });
    QVERIFY(!w.lastOutcome().stopped);
    QCOMPARE(w.lastOutcome().pointCount, 4000L);
}

void FrmMainTest::stopIndividualPlot()
{
    Session s(mSettings);
    QVERIFY(s.start(mLarge));
    frmMain& w = *s.window;
    s.prompt.answers.enqueue(PromptAnswer::Yes);
    QTimer::singleShot(0, &w, [&] {
        // The product list cannot be changed under the running plot.
        QVERIFY(!w.cboProductName->isEnabled());
        Click(w.cmdPlotChart);
    });
    w.cboSelectChart->setCurrentText("Individual-MR");
    QCOMPARE(s.prompt.texts(), QStringList { "Stop plot SPC chart?" });
    QVERIFY(w.lastOutcome().stopped);
    QVERIFY(w.lastOutcome().pointCount < 20000);
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));
    QVERIFY(w.cboProductName->isEnabled());
    QVERIFY(!w.cboXBarSize->isEnabled());
}

void FrmMainTest::failedConnection()
{
    Session s(mSettings);
    QVERIFY(s.start(mBroken));
    frmMain& w = *s.window;
    QCOMPARE(s.prompt.texts(),
        (QStringList { "Not found Database missing.db!",
            "Would you like to re-select the other INI? or click Cancel for exit "
            "from program." }));
    const PromptMessage& q = s.prompt.messages.last();
    QCOMPARE(q.buttons, PromptButtons::RetryCancel);
    QCOMPARE(q.icon, PromptIcon::Question);
    // Cancel: the lists are emptied and the program keeps running.
    QCOMPARE(w.cboProductName->count(), 1);
    QCOMPARE(w.cboProductName->itemText(0), QString("<Open INI>"));
    QCOMPARE(w.cboDataParameters->count(), 0);
    QCOMPARE(w.cboATEList->count(), 0);
    QCOMPARE(w.cboTestID->count(), 0);
    QVERIFY(!w.shutDown());
    // The failure was found while connecting, under the busy pointer; the question comes after it.
    QCOMPARE(s.prompt.pointers, (QList<Qt::CursorShape> { Qt::WaitCursor, Qt::ArrowCursor }));
    QCOMPARE(OverridePointer(), Qt::ArrowCursor);
    s.prompt.clear();
    w.cmdPlotChart_Click();
    QCOMPARE(s.prompt.texts(), QStringList { "INI file is not loaded!" });

    // Retry offers the file dialog; choosing the good folder loads it.
    Session r(mSettings + "-retry");
    r.prompt.answers.enqueue(PromptAnswer::Ok);
    r.prompt.answers.enqueue(PromptAnswer::Retry);
    r.prompt.files.enqueue(QDir(mDemo).filePath("ATE.INI"));
    QVERIFY(r.start(mBroken));
    QCOMPARE(r.prompt.fileRequests.size(), 1);
    QCOMPARE(r.state.gINIPath, QDir(mDemo).absolutePath());
    QCOMPARE(r.window->cboProductName->currentText(), QString("PSU-100"));
    QVERIFY(r.window->cboATEList->count() > 1);
    Click(r.window->cmdPlotChart);
    QVERIFY(r.window->lastOutcome().plotted);
}

void FrmMainTest::iniLinks()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    QList<QUrl> opened;
    w.setUrlOpener([&](const QUrl& url) {
        opened << url;
        return true;
    });
    QTest::mouseClick(w.lblOpenATE_INI, Qt::LeftButton);
    QTest::mouseClick(w.lblOpenProducts_INI, Qt::LeftButton);
    QCOMPARE(opened.size(), 2);
    // The files are found whatever their letter case.
    QCOMPARE(opened[0].toLocalFile(), QDir(mDemo).filePath("ATE.INI"));
    QCOMPARE(opened[1].toLocalFile(), QDir(mDemo).filePath("PRODUCTS.INI"));
    // A missing file is not opened.
    QFile::rename(QDir(mDemo).filePath("ATE.INI"), QDir(mDemo).filePath("ATE.bak"));
    QTest::mouseClick(w.lblOpenATE_INI, Qt::LeftButton);
    QFile::rename(QDir(mDemo).filePath("ATE.bak"), QDir(mDemo).filePath("ATE.INI"));
    QCOMPARE(opened.size(), 2);

    // Hover: one link underlined at a time, none after a move over the window.
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(w.lblOpenATE_INI, &enter);
    QVERIFY(w.lblOpenATE_INI->font().underline());
    QVERIFY(!w.lblOpenProducts_INI->font().underline());
    QCoreApplication::sendEvent(w.lblOpenProducts_INI, &enter);
    QVERIFY(!w.lblOpenATE_INI->font().underline());
    QVERIFY(w.lblOpenProducts_INI->font().underline());
    QMouseEvent move(
        QEvent::MouseMove, QPointF(5, 5), w.mapToGlobal(QPointF(5, 5)), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &move);
    QVERIFY(!w.lblOpenProducts_INI->font().underline());
}

void FrmMainTest::exportChart()
{
    // A home of the test's own: no pictures folder in it at first.
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
    const auto restoreHome = qScopeGuard([&] {
        qputenv("HOME", oldHome);
        oldConfig.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", oldConfig);
    });
    const QString home = mTemp.filePath("home"), exports = mTemp.filePath("exports");
    QVERIFY(QDir().mkpath(home) && QDir().mkpath(exports));
    qputenv("HOME", home.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home + "/.config").toLocal8Bit());

    auto s = std::make_unique<Session>(mSettings);
    QVERIFY(s->start(mDemo));
    frmMain& w = *s->window;
    w.resize(1000, 700);
    w.chkShowZoneABC->click();
    QVERIFY(w.tmrRuleFlash->isActive());
    const QStringList header = w.chart().header;
    const QString file = QDir(exports).filePath("export.png");
    s->prompt.files.enqueue(file);
    Click(w.cmdExport);
    QCOMPARE(s->prompt.fileRequests.last().title, QString("Chart Export"));
    QVERIFY(s->prompt.fileRequests.last().save);
    // The first export starts in the home folder (there is no pictures folder), not the configuration's.
    QCOMPARE(s->prompt.fileRequests.last().fileName, QDir(home).filePath("*.png"));
    QVERIFY(QFileInfo(file).size() > 1000);
    QVERIFY(!w.tmrRuleFlash->isActive()); // the export stops the blinking
    QCOMPARE(w.chart().header, header);
    QVERIFY(w.cmdExport->Enabled());
    // An existing file: No keeps it as it is. The dialog opened in the folder of the last export.
    QFile::resize(file, 10);
    s->prompt.files.enqueue(file);
    s->prompt.answers.enqueue(PromptAnswer::No);
    Click(w.cmdExport);
    QCOMPARE(s->prompt.fileRequests.last().fileName, QDir(exports).filePath("*.png"));
    QCOMPARE(s->prompt.texts().last(), QString("Overwrite the existing file?"));
    QCOMPARE(QFileInfo(file).size(), 10);
    // A cancelled dialog writes nothing.
    s->prompt.clear();
    Click(w.cmdExport);
    QCOMPARE(s->prompt.texts(), QStringList());

    // The folder is kept for the next start; a fresh user with a pictures folder starts there.
    s.reset();
    Session again(mSettings);
    QVERIFY(again.start(mDemo));
    again.window->chkShowZoneABC->click();
    Click(again.window->cmdExport);
    QCOMPARE(again.prompt.fileRequests.last().fileName, QDir(exports).filePath("*.png"));
    QVERIFY(QDir().mkpath(home + "/Pictures"));
    Session fresh(mTemp.filePath("settings-fresh-user"));
    QVERIFY(fresh.start(mDemo));
    fresh.window->chkShowZoneABC->click();
    Click(fresh.window->cmdExport);
    QCOMPARE(fresh.prompt.fileRequests.last().fileName, QDir(home + "/Pictures").filePath("*.png"));
}

void FrmMainTest::exitQuestion()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.show();
    w.cboXBarSize->setCurrentText("7");
    w.chkOnlyPass->setChecked(true);
    Click(w.cmdPlotChart);
    QVERIFY(QFileInfo::exists(s.state.gTempFile1));
    s.prompt.clear();

    // Cancel keeps the window, the connection and the temporary files.
    Click(w.cmdExit);
    QCOMPARE(s.prompt.texts(), QStringList { "Would you like to exit from program?." });
    QCOMPARE(s.prompt.messages[0].buttons, PromptButtons::OkCancel);
    QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Information);
    QVERIFY(w.isVisible());
    QVERIFY(s.state.gConnection && s.state.gConnection->State() == data::ObjectState::Open);
    QVERIFY(QFileInfo::exists(s.state.gTempFile1));
    QVERIFY(!QFileInfo::exists(mSettings));

    // OK: files deleted, connection closed, settings written.
    s.prompt.answers.enqueue(PromptAnswer::Ok);
    Click(w.cmdExit);
    QVERIFY(!w.isVisible());
    QVERIFY(w.shutDown());
    QVERIFY(!s.state.gConnection);
    QVERIFY(!QFileInfo::exists(s.state.gTempFile1));
    SettingsStore saved(mSettings);
    QCOMPARE(saved.read("XBarSize"), QString("7"));
    QCOMPARE(saved.read("PassOnly"), QString("1"));
    QCOMPARE(saved.read("ChartType"), QString("X-Bar-R-Median-s"));
    QCOMPARE(saved.read("INIPath"), QDir(mDemo).absolutePath());
    QCOMPARE(saved.read("XBarLabelFormat"), QString("#,##0.00"));
    QCOMPARE(saved.read("SourceFilter"), QString("<All>"));
}

void FrmMainTest::savedSettingsRestored()
{
    {
        SettingsStore store(mSettings);
        store.write("XBarSize", "12");
        store.write("ChartType", "Median-R");
        store.write("Range", "Last 30 Days");
        store.write("XBarLabelFormat", "#,##0.000");
        store.write("XBarAxisLabelPosition", "44.7");
        store.write("ShowGrid", "1");
        store.write("ShowABCZone", "1");
        store.write("SNFilter", "SN1");
    }
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    // Median-R with 12: the limit message during start-up, the size corrected, no plot.
    QCOMPARE(s.prompt.texts(),
        QStringList { "For X-Bar-R-Median-s, Median-R and Median-s chart the sample size is limited by not exceed "
                      "than 9. " });
    QCOMPARE(w.cboXBarSize->currentText(), QString("9"));
    QCOMPARE(w.cboSelectChart->currentText(), QString("Median-R"));
    QCOMPARE(w.cboTestedRange->currentText(), QString("Last 30 Days"));
    QCOMPARE(w.txtSerialNumberFilter->text(), QString("SN1"));
    QCOMPARE(w.chart().left.labelFormat, QString("#,##0.000"));
    QCOMPARE(w.chart().custom0.labelSize, 44);
    QVERIFY(w.chkShowGrid->isChecked() && w.chart().left.gridVisible);
    QVERIFY(w.chkShowZoneABC->isChecked());
    QCOMPARE(w.chart().left.title, QString("Median"));
    QCOMPARE(w.plotCount(), 0);

    // An unknown chart type falls back to the default rather than leaving the list empty.
    SettingsStore(mSettings).write("ChartType", "Bar");
    Session t(mSettings);
    QVERIFY(t.start(mDemo));
    QCOMPARE(t.window->cboSelectChart->currentText(), QString("X-Bar-R-Median-s"));
}

void FrmMainTest::promptFilter()
{
    QCOMPARE(QtPrompt::QtFilter("PNG image file (*.png)|.png|"), QString("PNG image file (*.png)"));
    QCOMPARE(QtPrompt::QtFilter("Images|.png;*.bmp|"), QString("Images (*.png *.bmp)"));
    QCOMPARE(QtPrompt::QtFilter("INI|ate.ini;*.ini|All|*.*"), QString("INI (ate.ini *.ini);;All (*.*)"));
    QCOMPARE(QtPrompt::QtFilter(""), QString());
}

void FrmMainTest::serialBoxSelectsOnFocus()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.txtSerialNumberFilter->setText("SN-0042");
    w.txtSerialNumberFilter->deselect();
    w.cboProductName->setFocus();
    QTest::mouseClick(w.txtSerialNumberFilter, Qt::LeftButton);
    QTRY_COMPARE(w.txtSerialNumberFilter->selectedText(), QString("SN-0042"));
}

void FrmMainTest::aboutAndSplash()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    QString name;
    bool closedByButton = false;
    // Waits for the modal window, then closes it with its button.
    QTimer poll;
    connect(&poll, &QTimer::timeout, &w, [&] {
        auto* about = w.findChild<frmAbout*>();
        if (!about || !about->isVisible())
            return;
        poll.stop();
        name = about->findChild<QLabel*>("lblName")->text();
        auto* close = about->findChild<LumButton*>("cmdClose");
        QVERIFY(close);
        Click(close);
        closedByButton = !about->isVisible();
        if (!closedByButton)
            about->reject();
    });
    poll.start(10);
    Click(w.cmdAbout);
    QCOMPARE(name, "Moldrin Pro " + VersionText());
    QVERIFY(closedByButton);

    frmTitle splash;
    QCOMPARE(splash.findChild<QLabel*>("lblVersion")->text(), "Moldrin Pro Version: " + VersionText());
    splash.ShowFor(10);
    QVERIFY(!splash.isVisible());
}

void FrmMainTest::customRangeDialog()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.chkShowZoneABC->setChecked(false);
    Click(w.cmdPlotChart);
    const long allRecords = w.lastOutcome().records;
    QVERIFY(allRecords > 0);

    // "Custom": the dialog opens; the last 30 of the demo's 180 days are chosen.
    const QDate today = QDate::currentDate();
    ShownWindows<frmRangePlot> dialogs([&](frmRangePlot& d) {
        d.dateFrom()->setSelectedDate(today.addDays(-29));
        d.dateTo()->setSelectedDate(today);
        d.cmdDateEnterOK_Click();
    });
    w.cboTestedRange->setCurrentText("Custom");
    QCOMPARE(dialogs.count, 1);
    QCOMPARE(s.state.gCustomStart, today.addDays(-29));
    QCOMPARE(s.state.gCustomEnd, today);
    Click(w.cmdPlotChart);
    const long customRecords = w.lastOutcome().records;
    QVERIFY2(customRecords > 0 && customRecords < allRecords / 3,
        qPrintable(QString("%1 of %2").arg(customRecords).arg(allRecords)));

    // Choosing "Custom" again (no index change) opens it again; a reversed range is refused and cleared.
    w.show();
    dialogs.drive = [&](frmRangePlot& d) {
        d.dateFrom()->setSelectedDate(today);
        d.dateTo()->setSelectedDate(today.addDays(-1));
        d.cmdDateEnterOK_Click();
    };
    ChooseWithMouse(w.cboTestedRange, "Custom");
    QCOMPARE(dialogs.count, 2);
    QCOMPARE(s.prompt.texts().last(), kFromLaterThanTo);
    QVERIFY(!s.state.gCustomStart.isValid());

    // A saved "Custom" range opens the dialog at start-up, showing the saved days.
    s.window.reset();
    {
        SettingsStore store(mSettings);
        store.write("Range", "Custom");
        store.write("CustomStart", today.addDays(-2).toString(Qt::ISODate));
        store.write("CustomEnd", today.toString(Qt::ISODate));
    }
    Session t(mSettings);
    QDate shownFrom;
    dialogs.drive = [&](frmRangePlot& d) {
        shownFrom = d.dateFrom()->selectedDate();
        d.cmdDateCancelOK_Click();
    };
    QVERIFY(t.start(mDemo));
    QCOMPARE(dialogs.count, 3);
    QCOMPARE(shownFrom, today.addDays(-2));
    QCOMPARE(t.window->cboTestedRange->currentText(), QString("Custom"));
}

void FrmMainTest::customOpensOneDialog()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    // Every custom range dialog that opens is counted and cancelled.
    ShownWindows<frmRangePlot> dialogs([](frmRangePlot& d) { d.cmdDateCancelOK_Click(); });

    // Keyboard: Down from "Last 180 Days" chooses "Custom" (an index change and an activation).
    w.cboTestedRange->setCurrentText("Last 180 Days");
    QCOMPARE(dialogs.count, 0);
    QTest::keyClick(w.cboTestedRange, Qt::Key_Down);
    QCOMPARE(w.cboTestedRange->currentText(), QString("Custom"));
    QTest::qWait(50);
    QCOMPARE(dialogs.count, 1);

    // Mouse: "All", then "Custom" in the open list.
    ChooseWithMouse(w.cboTestedRange, "All");
    QCOMPARE(dialogs.count, 1);
    ChooseWithMouse(w.cboTestedRange, "Custom");
    QTest::qWait(50);
    QCOMPARE(dialogs.count, 2);
    // Choosing it again opens it again, once.
    ChooseWithMouse(w.cboTestedRange, "Custom");
    QTest::qWait(50);
    QCOMPARE(dialogs.count, 3);
    // Another item chosen again only sets the tool tip.
    ChooseWithMouse(w.cboTestedRange, "Last 7 Days");
    ChooseWithMouse(w.cboTestedRange, "Last 7 Days");
    QCOMPARE(dialogs.count, 3);
    QCOMPARE(w.cboTestedRange->toolTip(), QString("Last 7 Days"));
}

void FrmMainTest::rulesSetupDialog()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.chkShowZoneABC->click(); // plots with the rules
    QVERIFY(w.chart().series[kSeriesUpArrow].count() + w.chart().series[kSeriesDownArrow].count() > 0);

    // Rules Setup: Clear All (confirmed), then Save && Close.
    ShownWindows<frmSPC_RuleSetup> dialogs([&](frmSPC_RuleSetup& d) {
        s.prompt.answers.enqueue(PromptAnswer::Ok);
        d.cmdClearAllRule_Click();
        d.cmdSave_Click();
    });
    Click(w.cmdDataInter);
    QCOMPARE(dialogs.count, 1);
    QCOMPARE(s.prompt.texts().last(), kConfirmClearAllRules);
    QVERIFY(!s.state.gRulesSetup.contains('1'));

    // The next plot places no marks and nothing blinks.
    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().plotted);
    QCOMPARE(w.chart().series[kSeriesUpArrow].count() + w.chart().series[kSeriesDownArrow].count(), 0);
    QVERIFY(!w.tmrRuleFlash->isActive());
}

void FrmMainTest::changeDuringQueryPhase()
{
    Session s(mSettings);
    QVERIFY(s.start(mSlow));
    frmMain& w = *s.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QString product = w.cboProductName->currentText();
    const QString parameter = w.cboDataParameters->currentText();
    QCOMPARE(product, QString("PSU-100"));
    QCOMPARE(w.cboXBarSize->currentText(), QString("5"));

    // What the window shows at each turn of the event loop while the plot runs.
    QStringList progress;
    QList<Qt::CursorShape> pointers;
    QTimer watch;
    connect(&watch, &QTimer::timeout, &w, [&] {
        if (progress.isEmpty() || progress.last() != w.lblPlotProgress->text()) {
            progress << w.lblPlotProgress->text();
            pointers << OverridePointer();
        }
    });
    watch.start(0);

    // At the first turn the engine still sorts: no row has been read. The panel is in its plotting
    // state already, and what the user tries on the lists changes nothing.
    bool attempted = false;
    QTimer::singleShot(0, &w, [&] {
        attempted = true;
        QCOMPARE(w.lblPlotProgress->text(), QString("Querying the data source..."));
        QCOMPARE(OverridePointer(), Qt::WaitCursor);
        QCOMPARE(w.cmdPlotChart->Caption(), QString("Stop Plot"));
        QVERIFY(w.cmdPlotChart->Enabled());
        for (QComboBox* list : { w.cboProductName, w.cboDataParameters, w.cboXBarSize, w.cboSelectChart,
                 w.cboTestedRange, w.cboATEList, w.cboTestID }) {
            QVERIFY2(!list->isEnabled(), qPrintable(list->objectName()));
            QTest::keyClick(list, Qt::Key_Down);
        }
        for (QCheckBox* box : { w.chkShowSpec, w.chkShowZoneABC, w.chkAcceptZero, w.chkOnlyPass })
            QVERIFY2(!box->isEnabled(), qPrintable(box->objectName()));
        QVERIFY(!w.cmdExit->Enabled());
        QCOMPARE(w.cboProductName->currentText(), product);
        QCOMPARE(w.cboDataParameters->currentText(), parameter);
        QCOMPARE(w.cboXBarSize->currentText(), QString("5"));
    });
    Click(w.cmdPlotChart);
    watch.stop();
    QVERIFY(attempted);
    QVERIFY(w.lastOutcome().plotted);
    QCOMPARE(w.lastOutcome().records, 200000L);
    // The chart is the selection's: title, limits of T100 and the group size 5.
    QCOMPARE(s.state.gChartTitle, product + " " + parameter);
    QCOMPARE(w.lastOutcome().limits.USL.value(), 5.25);
    QCOMPARE(w.lastOutcome().limits.panelValues[3], QString("5"));
    QCOMPARE(w.lastOutcome().pointCount, 40000L);
    QCOMPARE(w.CurrentValues().xBarSize, QString("5"));
    // The progress: the query, then the readings counted up while reading, under the busy pointer.
    QVERIFY2(progress.size() >= 3, qPrintable(progress.join('|')));
    QCOMPARE(progress.first(), QString("Querying the data source..."));
    QCOMPARE(pointers.first(), Qt::WaitCursor);
    QVERIFY2(progress[1].startsWith("Readings read: "), qPrintable(progress.join('|')));
    QCOMPARE(pointers[1], Qt::BusyCursor);
    QVERIFY2(progress.contains("Readings read: 196,608"), qPrintable(progress.join('|')));
    // Idle again: no progress text, the normal pointer, the panel enabled.
    QCOMPARE(w.lblPlotProgress->text(), QString());
    QCOMPARE(OverridePointer(), Qt::ArrowCursor);
    QVERIFY(w.cboProductName->isEnabled() && w.cmdExit->Enabled());
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));

    // Individual-MR (whose loader never enters the plotting state itself) is the same from the press on.
    bool individualChecked = false;
    QTimer::singleShot(0, &w, [&] {
        individualChecked = true;
        QCOMPARE(w.lblPlotProgress->text(), QString("Querying the data source..."));
        QCOMPARE(w.cmdPlotChart->Caption(), QString("Stop Plot"));
        QVERIFY(!w.cboDataParameters->isEnabled());
        QVERIFY(!w.cboSelectChart->isEnabled());
        s.prompt.answers.enqueue(PromptAnswer::Yes);
        Click(w.cmdPlotChart);
    });
    w.cboSelectChart->setCurrentText("Individual-MR");
    QVERIFY(individualChecked);
    QVERIFY(w.lastOutcome().stopped);
    QCOMPARE(w.cmdPlotChart->Caption(), QString("Start Plot"));
    QVERIFY(w.cboDataParameters->isEnabled());
    QVERIFY(!w.cboXBarSize->isEnabled()); // Individual-MR keeps the group size off
}

void FrmMainTest::exitDuringPlot()
{
    // Cancel: the plot goes on to its end and the window stays.
    {
        Session s(mSettings);
        QVERIFY(s.start(mLarge));
        frmMain& w = *s.window;
        w.show();
        bool closed = true;
        QTimer::singleShot(0, &w, [&] { closed = w.close(); });
        Click(w.cmdPlotChart);
        QVERIFY(!closed);
        QCOMPARE(s.prompt.texts(), QStringList { "Would you like to exit from program?." });
        QVERIFY(w.lastOutcome().plotted);
        QVERIFY(!w.shutDown());
        QVERIFY(w.isVisible());
    }
    // OK: the plot stops, and the program ends as usual: files deleted, connection closed, settings saved.
    Session s(mSettings);
    QVERIFY(s.start(mLarge));
    frmMain& w = *s.window;
    w.show();
    w.cboXBarSize->setCurrentText("7"); // plots once
    QVERIFY(QFileInfo::exists(s.state.gTempFile1));
    s.prompt.clear();
    QTimer::singleShot(0, &w, [&] {
        QVERIFY(w.plotting());
        s.prompt.answers.enqueue(PromptAnswer::Ok);
        w.close();
        QVERIFY(w.isVisible()); // closes once the loader has returned
    });
    Click(w.cmdPlotChart);
    QCOMPARE(s.prompt.texts(), QStringList { "Would you like to exit from program?." });
    QVERIFY(w.lastOutcome().stopped);
    QVERIFY(w.lastOutcome().pointCount < 4000);
    QVERIFY(w.shutDown());
    QVERIFY(!w.isVisible());
    QVERIFY(!s.state.gConnection);
    QVERIFY(!QFileInfo::exists(s.state.gTempFile1));
    QCOMPARE(SettingsStore(mSettings).read("XBarSize"), QString("7"));
}

void FrmMainTest::openIniChosenAgain()
{
    // After Cancel in the re-select question the list holds <Open INI> alone, selected.
    Session s(mSettings);
    QVERIFY(s.start(mBroken));
    frmMain& w = *s.window;
    w.show();
    QCOMPARE(w.cboProductName->count(), 1);
    QCOMPARE(w.cboProductName->currentText(), QString("<Open INI>"));
    // Choosing it offers the file dialog; cancelled, then chosen again: offered again.
    s.prompt.clear();
    ChooseWithMouse(w.cboProductName, "<Open INI>");
    QCOMPARE(s.prompt.fileRequests.size(), 1);
    ChooseWithMouse(w.cboProductName, "<Open INI>");
    QCOMPARE(s.prompt.fileRequests.size(), 2);

    // A folder without PRODUCTS.INI: "Missing PRODUCTS.INI!.", and <Open INI> still works.
    const QString half = mTemp.filePath("half");
    QVERIFY(QDir().mkpath(half));
    QVERIFY(QFile::copy(QDir(mDemo).filePath("ATE.INI"), QDir(half).filePath("ATE.INI")));
    s.prompt.files.enqueue(QDir(half).filePath("ATE.INI"));
    ChooseWithMouse(w.cboProductName, "<Open INI>");
    QCOMPARE(s.prompt.texts(), QStringList { "Missing PRODUCTS.INI!." });
    s.prompt.files.enqueue(QDir(mDemo).filePath("ATE.INI"));
    ChooseWithMouse(w.cboProductName, "<Open INI>");
    QCOMPARE(s.prompt.fileRequests.size(), 4);
    QCOMPARE(w.cboProductName->currentText(), QString("PSU-100"));
    QVERIFY(w.cmdPlotChart->Enabled());

    // With products listed: <Open INI> chosen, the folder refused, then chosen again from itself.
    s.prompt.files.enqueue(QDir(half).filePath("ATE.INI"));
    ChooseWithMouse(w.cboProductName, "<Open INI>");
    QCOMPARE(w.cboProductName->currentText(), QString("<Open INI>"));
    QCOMPARE(s.prompt.fileRequests.size(), 5);
    ChooseWithMouse(w.cboProductName, "<Open INI>");
    QCOMPARE(s.prompt.fileRequests.size(), 6);
    // Choosing the selected product again runs nothing: its chart stays.
    ChooseWithMouse(w.cboProductName, "PSU-100");
    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().plotted);
    ChooseWithMouse(w.cboProductName, "PSU-100");
    QCOMPARE(w.chart().series[kSeriesMedian].count(), 200);
}

void FrmMainTest::wholeParameterNames()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QComboBox* list = w.cboDataParameters;
    QCOMPARE(list->currentText(), QString("T100: [Output voltage 5V]"));
    // The closed list is narrower than its item; its tool tip names the whole item.
    const QFontMetrics metrics(list->font());
    QVERIFY(list->width() < metrics.horizontalAdvance(list->currentText()) + 40);
    auto tip = [](QComboBox* c) {
        QHelpEvent hover(QEvent::ToolTip, c->rect().center(), c->mapToGlobal(c->rect().center()));
        QCoreApplication::sendEvent(c, &hover);
        return c->toolTip();
    };
    QCOMPARE(tip(list), QString("T100: [Output voltage 5V]"));
    list->setCurrentIndex(3);
    QCOMPARE(tip(list), list->itemText(3));
    // Lists the window fills itself name their item as well.
    QCOMPARE(tip(w.cboProductName), QString("PSU-100"));
    QCOMPARE(tip(w.cboATEList), QString("<All>"));
    // The open list is as wide as its widest item, so no item is cut.
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, QFontMetrics(list->view()->font()).horizontalAdvance(list->itemText(i)));
    list->showPopup();
    QAbstractItemView* view = list->view();
    QVERIFY(view->isVisible());
    for (int i = 0; i < list->count(); ++i) {
        const QRect item = view->visualRect(view->model()->index(i, 0));
        QVERIFY2(item.width() >= QFontMetrics(view->font()).horizontalAdvance(list->itemText(i)),
            qPrintable(list->itemText(i)));
    }
    QVERIFY(view->viewport()->width() >= widest);
    list->hidePopup();
}

void FrmMainTest::buttonsCarryTheStoredLook()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    auto expectLook = [](LumButton* b) {
        QVERIFY2(b->BorderWidth() == 1, qPrintable(b->objectName()));
        QCOMPARE(b->Font().family(), QString("Arial"));
        QVERIFY(b->Font().bold());
        QCOMPARE(b->Font().pointSizeF(), 8.25);
        QCOMPARE(b->ForeColor(), LumButton::kWindowTextColor);
        QCOMPARE(b->Alignment(), LumButton::kAlignCenter);
        QVERIFY(b->HoverOn());
    };
    const QList<LumButton*> buttons = w.findChildren<LumButton*>();
    QCOMPARE(buttons.size(), 15); // with Save Limits and Stages
    for (LumButton* b : buttons)
        expectLook(b);
    frmAbout about;
    auto* close = about.findChild<LumButton*>("cmdClose");
    QVERIFY(close);
    expectLook(close);
    QCOMPARE(close->Caption(), QString("Close"));
}

void FrmMainTest::promptShowsTheNormalPointer()
{
    // A message given while the window is busy shows the normal pointer; the busy one returns after it.
    QWidget parent;
    QtPrompt prompt(&parent);
    const ScopedOverrideCursor busy(Qt::WaitCursor);
    Qt::CursorShape during = Qt::WaitCursor;
    ShownWindows<QMessageBox> boxes([&](QMessageBox& box) {
        during = OverridePointer();
        box.accept();
    });
    prompt.warn(QStringLiteral("Chart is empty!"));
    QCOMPARE(boxes.count, 1);
    QCOMPARE(during, Qt::ArrowCursor);
    QCOMPARE(OverridePointer(), Qt::WaitCursor);
}

QTEST_MAIN(FrmMainTest)
#include "frmmain_test.moc"
