// The main window's Print Chart on a demo database: the three page modes into a PDF file, cancel, guards.
#include "buttonctl/lumbutton.h"
#include "output/dialogs/frmprintchart.h"
#include "shell/frmmain.h"
#include "variables/variableschart.h"
#include "variables/view/chartview.h"

#include "mainsession.h"
#include "pdfpages.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace moldrin;
using moldrin::test::ShownWindows;

namespace
{

using moldrin::test::Click;

const QString kNoFilters = QStringLiteral("Test ID: <All>; S/N Filter: none; Source Filter: none");

struct Session : moldrin::test::MainSession<> {
    using MainSession::MainSession;
    // Prints through the dialog into `file` with the page option `mode`.
    void printToPdf(const QString& file, int mode)
    {
        prompt.files.enqueue(file);
        ShownWindows<frmPrintChart> dialogs([&](frmPrintChart& d) {
            caption = d.windowTitle();
            optionsEnabled = d.ui.optPrint_0->isEnabled() && d.ui.optPrint_2->isEnabled();
            d.ui.cboPrinterList->setCurrentText(kPrintToPdfFile);
            QList<QRadioButton*> { d.ui.optPrint_0, d.ui.optPrint_1, d.ui.optPrint_2 }[mode]->setChecked(true);
            Click(d.ui.cmdPrintChart);
        });
        Click(window->cmdPrint);
        shown = dialogs.count;
    }
    QString caption;
    bool optionsEnabled = false;
    int shown = 0;
};

} // namespace

class MainOutputTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void allPagesEachStampedThenPageOne();
    void currentPageThenTheNext();
    void compressToOnePage();
    void sourceFilterInTheHeader();
    void cancelledPrintsNothing();
    void guards();

private:
    // A plotted session with "Show Zones": 200 subgroups on 3 pages.
    std::unique_ptr<Session> Plotted();

    QTemporaryDir mTemp;
    QString mDemo;
    QString mSettings;
    int mCount = 0;
};

void MainOutputTest::initTestCase()
{
    QLocale::setDefault(QLocale::c());
    mDemo = mTemp.filePath("demo");
    QVERIFY(QDir().mkpath(mDemo));
    QVERIFY(test::CopyDemoConfiguration(mDemo));
    QVERIFY(test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, mDemo, 1000));
    qputenv("TEMP", mTemp.path().toLocal8Bit());
}

void MainOutputTest::init()
{
    mSettings = mTemp.filePath(QStringLiteral("settings-%1").arg(++mCount));
}

std::unique_ptr<Session> MainOutputTest::Plotted()
{
    auto s = std::make_unique<Session>(mSettings);
    if (!s->start(mDemo))
        return nullptr;
    s->window->chkShowZoneABC->click();
    return s;
}

void MainOutputTest::allPagesEachStampedThenPageOne()
{
    const auto s = Plotted();
    QVERIFY(s);
    frmMain& w = *s->window;
    ChartModel& chart = w.chart();
    QCOMPARE(chart.pageCount(), 3);
    QVERIFY(w.tmrRuleFlash->isActive());
    chart.nextPage();
    const QString file = mTemp.filePath("all.pdf");
    s->printToPdf(file, 2);
    QCOMPARE(s->shown, 1);
    QCOMPARE(s->caption, QString("Print X-Bar Chart"));
    QVERIFY(s->optionsEnabled);
    QCOMPARE(test::PdfPageCount(file), 3);
    for (int page = 1; page <= 3; ++page) {
        const QString text = test::PdfPageText(file, page);
        QVERIFY2(text.contains(QStringLiteral(" Control Chart Page %1 of 3").arg(page)), qPrintable(text));
        QVERIFY2(text.contains(kNoFilters), qPrintable(text));
        QVERIFY2(text.contains("Printed on: "), qPrintable(text));
    }
    QCOMPARE(chart.currentPage(), 1);
    QCOMPARE(chart.header, QStringList { s->state.gChartTitle + " Control Chart Page 1 of 3" });
    QVERIFY(chart.footer.isEmpty());
    QVERIFY(!w.tmrRuleFlash->isActive());
    QVERIFY(w.cmdPrint->Enabled());
    QVERIFY(w.cmdPlotChart->Enabled());
    QCOMPARE(s->prompt.texts(), QStringList());
}

void MainOutputTest::currentPageThenTheNext()
{
    const auto s = Plotted();
    QVERIFY(s);
    frmMain& w = *s->window;
    Click(w.cmdNextPage);
    QCOMPARE(w.chart().currentPage(), 2);
    const QString file = mTemp.filePath("current.pdf");
    s->printToPdf(file, 1);
    QCOMPARE(test::PdfPageCount(file), 1);
    const QString text = test::PdfPageText(file, 1);
    QVERIFY2(text.contains(" Control Chart Page 2 of 3"), qPrintable(text));
    QVERIFY2(text.contains("Printed on: "), qPrintable(text));
    QCOMPARE(w.chart().currentPage(), 3);
    QCOMPARE(w.chart().header, QStringList { s->state.gChartTitle + " Control Chart Page 3 of 3" });
    // The window shows what the chart holds.
    QCOMPARE(w.chartView()->shownPoints(), std::make_pair(160, 239));
}

void MainOutputTest::compressToOnePage()
{
    const auto s = Plotted();
    QVERIFY(s);
    frmMain& w = *s->window;
    Click(w.cmdNextPage);
    const QString file = mTemp.filePath("compress.pdf");
    s->printToPdf(file, 0);
    QCOMPARE(test::PdfPageCount(file), 1);
    const QString text = test::PdfPageText(file, 1);
    QVERIFY2(text.contains("Chart Page: 1 of 1") && !text.contains("Control Chart"), qPrintable(text));
    QVERIFY2(text.contains(kNoFilters), qPrintable(text));
    QCOMPARE(w.chart().maxPointsPerPage, kDefaultPointsPerPage);
    QCOMPARE(w.chart().currentPage(), 1);
    QCOMPARE(w.chart().pageCount(), 3);
    QCOMPARE(GetDefaultPrinter(s->state.registry, QString()), kPrintToPdfFile);
}

void MainOutputTest::sourceFilterInTheHeader()
{
    Session s(mSettings);
    QVERIFY(s.start(mDemo));
    s.window->cboATEList->setCurrentText("ATE-02");
    s.window->chkShowZoneABC->click();
    QVERIFY(s.window->chart().series[0].count() > 0);
    const QString file = mTemp.filePath("tester.pdf");
    s.printToPdf(file, 1);
    const QString text = test::PdfPageText(file, 1);
    QVERIFY2(text.contains("Test ID: <All>; S/N Filter: none; Source Filter: ATE-02"), qPrintable(text));
}

void MainOutputTest::cancelledPrintsNothing()
{
    const auto s = Plotted();
    QVERIFY(s);
    frmMain& w = *s->window;
    const QStringList header = w.chart().header;
    const QString file = mTemp.filePath("cancelled.pdf");
    s->prompt.files.enqueue(file);
    ShownWindows<frmPrintChart> dialogs([](frmPrintChart& d) {
        d.ui.cboPrinterList->setCurrentText(kPrintToPdfFile);
        Click(d.ui.cmdCancel);
    });
    Click(w.cmdPrint);
    QCOMPARE(dialogs.count, 1);
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(w.cmdPrint->Enabled());
    QVERIFY(w.cmdPlotChart->Enabled());
    QVERIFY(w.cmdExport->Enabled());
    QCOMPARE(w.chart().header, header);
    QVERIFY(w.tmrRuleFlash->isActive());
    QCOMPARE(s->prompt.texts(), QStringList());
}

void MainOutputTest::guards()
{
    ShownWindows<frmPrintChart> dialogs;
    {
        Session s(mSettings);
        QVERIFY(s.start(mDemo));
        Click(s.window->cmdPrint);
        QCOMPARE(s.prompt.texts(), QStringList { "Chart is empty!" });
        QCOMPARE(s.prompt.messages[0].icon, PromptIcon::Exclamation);
    }
    {
        Session s(mTemp.filePath("settings-empty"));
        QVERIFY(s.start(QString()));
        QCOMPARE(s.window->cboProductName->count(), 1);
        s.prompt.clear();
        s.window->cmdPrint_Click();
        s.window->cmdExport_Click();
        QCOMPARE(s.prompt.texts(), (QStringList { "INI file is not loaded!", "INI file is not loaded!" }));
    }
    QCOMPARE(dialogs.count, 0);
}

QTEST_MAIN(MainOutputTest)
#include "mainoutput_test.moc"
