// frmPrintChart and a chart window's Export and Print Chart, offscreen, into real PNG and PDF files.
#include "buttonctl/lumbutton.h"
#include "output/dialogs/frmprintchart.h"
#include "output/dialogs/windowoutput.h"
#include "variables/variableschart.h"
#include "variables/view/chartview.h"

#include "pdfpages.h"
#include "windowdriving.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace moldrin;
using moldrin::test::ShownWindows;

namespace
{

using moldrin::test::Click;

QStringList Items(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

QByteArray Contents(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A chart window's parts around a plotted variables chart of 200 points with the zones' rule marks.
struct Window {
    explicit Window(const QString& settings)
        : state(settings)
    {
        chart = BuildVariablesChartTemplate();
        ResetVariablesChart(chart, QStringLiteral("X-Bar-R"), QString(), QStringLiteral("Demo - Vout"));
        for (int i = 0; i < 200; ++i) {
            chart.series[kSeriesMedian].add(5 + (i % 9) * 0.01);
            chart.series[kSeriesRange].add((i % 5) * 0.02);
        }
        chart.series[kSeriesUpArrow].addXY(4, 5.1, QStringLiteral("R1+"));
        for (int up : { kSeriesUpArrow, kSeriesDownArrow })
            chart.series[chart.copySeries(up)].verticalAxis = VerticalAxis::Custom0;
        WritePageChangeCaption(chart, QStringLiteral("Demo - Vout"));
        view.resize(900, 600);
        view.render(chart);
        timer.start(500);
    }
    ChartWindowParts parts() { return { state, prompt, chart, &view, &exportButton, &printButton, &timer }; }

    AppState state;
    ScriptedPrompt prompt;
    ChartModel chart;
    ChartView view;
    LumButton exportButton;
    LumButton printButton;
    QTimer timer;
};

// The main window's part of the host, with the chart handed to the PNG writer recorded.
class MainHost : public WindowOutputHost
{
public:
    using WindowOutputHost::WindowOutputHost;
    MainChartFilters Filters() const override { return { "FT1", "", "ATE-01" }; }
    bool ZonesShown() const override { return true; }
    QString WritePng(const ChartModel& chart, const QString& file) override
    {
        written = chart;
        return WindowOutputHost::WritePng(chart, file);
    }
    ChartModel written;
};

// Chooses "Print to PDF file" in a printer dialog and prints.
void ChoosePdfAndPrint(frmPrintChart& d)
{
    d.ui.cboPrinterList->setCurrentText(kPrintToPdfFile);
    Click(d.ui.cmdPrintChart);
}

} // namespace

class OutputWindowsTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void dialogLists();
    void dialogRemembersThePrinter();
    void dialogCancel();
    void dialogPdfFile();
    void exportWrittenAsTyped();
    void exportOverExistingFile();
    void exportCancelledOrFailing();
    void mainExportStamps();
    void printCancelled();
    void printToPdf();
    void printFailing();
    void printAllPagesAsksFirst();
    void printStoppedByCancel();
    void reportPdfOfAChartWindow();

private:
    QTemporaryDir mTemp;
    QString mSettings;
    int mCount = 0;
};

void OutputWindowsTest::init()
{
    QLocale::setDefault(QLocale::c());
    mSettings = mTemp.filePath(QStringLiteral("settings-%1").arg(++mCount));
}

void OutputWindowsTest::dialogLists()
{
    AppState state(mSettings);
    ScriptedPrompt prompt;
    {
        frmPrintChart d(state, prompt, { { "alpha", "beta" }, "beta" });
        QCOMPARE(d.windowTitle(), QString("Print Chart"));
        QCOMPARE(Items(d.ui.cboPrinterList), (QStringList { "alpha", "beta", "Print to PDF file" }));
        QCOMPARE(d.ui.cboPrinterList->currentText(), QString("beta")); // nothing stored: the system's default
        QCOMPARE(state.gDefaultPrinter, QString("beta"));
        QVERIFY(state.gPrintCancelled);
        QVERIFY(d.ui.optPrint_0->isChecked());
        QCOMPARE(d.ui.optPrint_0->text(), QString("Compress to one Page then Print"));
        QCOMPARE(d.ui.optPrint_1->text(), QString("Print only Current Page"));
        QCOMPARE(d.ui.optPrint_2->text(), QString("Print all Pages"));
        QCOMPARE(d.ui.cmdPrintChart->Caption(), QString("Print"));
        QCOMPARE(d.ui.cmdCancel->Caption(), QString("Cancel"));
        QVERIFY(!d.rect().intersects(d.ui.cmdDefault->geometry())); // out of sight
        d.SetPageOptionsEnabled(false);
        for (QRadioButton* o : { d.ui.optPrint_0, d.ui.optPrint_1, d.ui.optPrint_2 })
            QVERIFY(!o->isEnabled());
    }
    // No printer at all: "Print to PDF file" alone, and no message.
    frmPrintChart none(state, prompt, {});
    QCOMPARE(Items(none.ui.cboPrinterList), QStringList { "Print to PDF file" });
    QCOMPARE(none.ui.cboPrinterList->currentText(), QString("Print to PDF file"));
    QVERIFY(none.ui.cmdPrintChart->Enabled());
    QCOMPARE(prompt.texts(), QStringList());
}

void OutputWindowsTest::dialogRemembersThePrinter()
{
    ScriptedPrompt prompt;
    {
        AppState state(mSettings);
        frmPrintChart d(state, prompt, { { "alpha", "beta" }, "beta" });
        d.ui.cboPrinterList->setCurrentText("alpha");
        d.ui.optPrint_2->setChecked(true);
        Click(d.ui.cmdPrintChart);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(state.gPrintMode, 2);
        QVERIFY(!state.gPrintCancelled);
        QCOMPARE(state.gDefaultPrinter, QString("alpha"));
        QVERIFY(d.Target().pdfFile.isEmpty());
    }
    // After a restart (a new state on the same settings file) the next dialog preselects it.
    AppState restarted(mSettings);
    QCOMPARE(restarted.registry.ReadRegistry("HKLM\\SOFTWARE\\Tolvane\\Moldrin\\Default Printer"), QString("alpha"));
    {
        frmPrintChart d(restarted, prompt, { { "alpha", "beta" }, "beta" });
        QCOMPARE(d.ui.cboPrinterList->currentText(), QString("alpha"));
        QVERIFY(d.ui.optPrint_0->isChecked());
        Click(d.ui.cmdPrintChart);
        QCOMPARE(restarted.gPrintMode, 0);
    }
    // A remembered printer that is gone: the system's default, else the first entry.
    frmPrintChart gone(restarted, prompt, { { "beta", "gamma" }, "gamma" });
    QCOMPARE(gone.ui.cboPrinterList->currentText(), QString("gamma"));
    frmPrintChart noDefault(restarted, prompt, { { "beta", "gamma" }, QString() });
    QCOMPARE(noDefault.ui.cboPrinterList->currentText(), QString("beta"));
}

void OutputWindowsTest::dialogCancel()
{
    AppState state(mSettings);
    ScriptedPrompt prompt;
    SaveDefaultPrinter(state.registry, "alpha");
    frmPrintChart d(state, prompt, { { "alpha", "beta" }, "beta" });
    d.ui.cboPrinterList->setCurrentText("beta");
    Click(d.ui.cmdCancel);
    QCOMPARE(d.result(), int(QDialog::Rejected));
    QVERIFY(state.gPrintCancelled);
    QCOMPARE(GetDefaultPrinter(state.registry, QString()), QString("alpha"));
    // The hidden default button (Enter) closes it as cancelled too.
    frmPrintChart again(state, prompt, { { "alpha" }, "alpha" });
    again.show();
    QTest::keyClick(&again, Qt::Key_Return);
    QVERIFY(!again.isVisible());
    QVERIFY(state.gPrintCancelled);
}

void OutputWindowsTest::dialogPdfFile()
{
    AppState state(mSettings);
    state.gINIPath = mTemp.path();
    ScriptedPrompt prompt;
    frmPrintChart d(state, prompt, {});
    d.show();
    // No file given: the dialog stays open and nothing is chosen.
    const QString start = OutputFolder(state.registry);
    Click(d.ui.cmdPrintChart);
    QCOMPARE(prompt.fileRequests.size(), 1);
    QCOMPARE(prompt.fileRequests[0].title, QString("Print to PDF file"));
    QVERIFY(prompt.fileRequests[0].save);
    QCOMPARE(prompt.fileRequests[0].fileName, QDir(start).filePath("*.pdf"));
    QVERIFY(d.isVisible());
    QVERIFY(state.gPrintCancelled);
    // An existing file answered No: still open.
    const QString existing = mTemp.filePath("kept.pdf");
    QFile f(existing);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    prompt.files.enqueue(existing);
    Click(d.ui.cmdPrintChart);
    QCOMPARE(prompt.texts(), QStringList { "Overwrite the existing file?" });
    QVERIFY(d.isVisible());
    // A new file: printed there.
    const QString file = mTemp.filePath("chart.pdf");
    prompt.files.enqueue(file);
    Click(d.ui.cmdPrintChart);
    QVERIFY(!d.isVisible());
    QVERIFY(!state.gPrintCancelled);
    QCOMPARE(d.Target().printer, QString("Print to PDF file"));
    QCOMPARE(d.Target().pdfFile, file);
    // The next save dialog opens where this file went.
    QCOMPARE(OutputFolder(state.registry), mTemp.path());
}

void OutputWindowsTest::exportWrittenAsTyped()
{
    Window w(mSettings);
    w.state.gINIPath = mTemp.path();
    const QString file = mTemp.filePath("typed-without-extension");
    w.prompt.files.enqueue(file);
    const QString start = OutputFolder(w.state.registry);
    ExportChartWindow(w.parts(), ChartOutputRowFor("Histogram"));
    const FileDialogRequest request = w.prompt.fileRequests.value(0);
    QCOMPARE(request.title, QString("Chart Export"));
    QCOMPARE(request.filter, QString("PNG image file (*.png)|.png|"));
    QCOMPARE(request.fileName, QDir(start).filePath("*.png"));
    QVERIFY(request.save);
    QImageReader png(file);
    QCOMPARE(png.format(), QByteArray("png"));
    QCOMPARE(png.size(), QSize(900, 600));
    QVERIFY(!QFileInfo::exists(file + ".png"));
    // The footer was shown for the export only; its text stays.
    QVERIFY(!w.chart.footerVisible);
    QVERIFY2(QRegularExpression("^Exported on: [A-Z][a-z]{2} \\d\\d, \\d\\d \\d\\d:\\d\\d [ap]m$")
                 .match(w.chart.footer.value(0))
                 .hasMatch(),
        qPrintable(w.chart.footer.value(0)));
    QVERIFY(w.exportButton.Enabled());
    QVERIFY(w.timer.isActive()); // a chart window's export leaves its blinking alone
    QCOMPARE(w.prompt.texts(), QStringList());
}

void OutputWindowsTest::exportOverExistingFile()
{
    Window w(mSettings);
    const QString file = mTemp.filePath("existing.png");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();
    w.prompt.files.enqueue(file);
    w.prompt.answers.enqueue(PromptAnswer::No);
    ExportChartWindow(w.parts(), ChartOutputRowFor("Scatter"));
    QCOMPARE(w.prompt.messages.size(), 1);
    QCOMPARE(w.prompt.messages[0].text, QString("Overwrite the existing file?"));
    QCOMPARE(w.prompt.messages[0].icon, PromptIcon::Exclamation);
    QCOMPARE(w.prompt.messages[0].buttons, PromptButtons::YesNo);
    QCOMPARE(Contents(file), QByteArray("keep me"));
    QVERIFY(w.exportButton.Enabled());
    QVERIFY(w.chart.footer.isEmpty());

    w.prompt.files.enqueue(file);
    w.prompt.answers.enqueue(PromptAnswer::Yes);
    ExportChartWindow(w.parts(), ChartOutputRowFor("Scatter"));
    QCOMPARE(QImageReader(file).format(), QByteArray("png"));
    QCOMPARE(w.prompt.messages.size(), 2); // asked once
}

void OutputWindowsTest::exportCancelledOrFailing()
{
    Window w(mSettings);
    const QStringList before = QDir(mTemp.path()).entryList(QDir::Files);
    ExportChartWindow(w.parts(), ChartOutputRowFor("Pareto")); // cancelled dialog
    w.prompt.files.enqueue(mTemp.filePath("*.png"));
    ExportChartWindow(w.parts(), ChartOutputRowFor("Pareto"));
    QCOMPARE(QDir(mTemp.path()).entryList(QDir::Files), before);
    QCOMPARE(w.prompt.texts(), QStringList());
    QVERIFY(w.exportButton.Enabled());
    QVERIFY(w.chart.footer.isEmpty());

    // A folder that does not exist: the failure's description and "!", in a plain box.
    w.prompt.files.enqueue(mTemp.filePath("missing/chart.png"));
    ExportChartWindow(w.parts(), ChartOutputRowFor("Pareto"));
    QCOMPARE(w.prompt.messages.size(), 1);
    QVERIFY2(w.prompt.messages[0].text.endsWith("!") && w.prompt.messages[0].text.size() > 1,
        qPrintable(w.prompt.messages[0].text));
    QCOMPARE(w.prompt.messages[0].icon, PromptIcon::None);
    QVERIFY(w.exportButton.Enabled());
    QVERIFY(!w.chart.footerVisible);
}

void OutputWindowsTest::mainExportStamps()
{
    Window w(mSettings);
    w.chart.series[kSeriesUpArrow].marks.visible = false; // the blink's hidden phase
    const QStringList header = w.chart.header;
    MainHost host(w.parts());
    const QString file = mTemp.filePath("main.png");
    w.prompt.files.enqueue(file);
    QVERIFY(!ExportMainChart(host));
    QVERIFY(QFileInfo(file).size() > 1000);
    QCOMPARE(host.written.header, (QStringList { header[0], "Test ID: FT1; S/N Filter: None; Tester Filter: ATE-01" }));
    QCOMPARE(host.written.footer.size(), 1);
    QVERIFY2(QRegularExpression("^Exported on: [A-Z][a-z]{2} \\d\\d, \\d{4} \\d\\d:\\d\\d [ap]m$")
                 .match(host.written.footer[0])
                 .hasMatch(),
        qPrintable(host.written.footer[0]));
    QVERIFY(host.written.series[kSeriesUpArrow].marks.visible);
    QVERIFY(!host.written.series[kSeriesUpArrow].marks.transparent);
    // Afterwards: header and footer as before, the marks transparent again, the blinking stopped.
    QCOMPARE(w.chart.header, header);
    QVERIFY(w.chart.footer.isEmpty());
    QVERIFY(w.chart.series[kSeriesUpArrow].marks.transparent);
    QVERIFY(!w.timer.isActive());
    QVERIFY(w.exportButton.Enabled());

    // The main window's failure carries the exclamation icon; the sequence returns it for the window to show.
    w.prompt.files.enqueue(mTemp.filePath("missing/main.png"));
    const int shown = int(w.prompt.messages.size());
    const OutputMessage failure = ExportMainChart(host);
    QVERIFY(failure);
    QCOMPARE(failure->icon, PromptIcon::Exclamation);
    QVERIFY(failure->text.endsWith("!"));
    QCOMPARE(w.prompt.messages.size(), shown);
}

void OutputWindowsTest::printCancelled()
{
    Window w(mSettings);
    QString caption;
    bool optionsEnabled = true;
    ShownWindows<frmPrintChart> dialogs([&](frmPrintChart& d) {
        caption = d.windowTitle();
        optionsEnabled = d.ui.optPrint_1->isEnabled();
        w.prompt.files.enqueue(mTemp.filePath("never.pdf"));
        Click(d.ui.cmdCancel);
    });
    PrintChartWindow(w.parts(), ChartOutputRowFor("NP Chart"));
    QCOMPARE(dialogs.count, 1);
    QCOMPARE(caption, QString("Print NP Chart"));
    QVERIFY(!optionsEnabled);
    QVERIFY(w.state.gPrintCancelled);
    QVERIFY(!QFileInfo::exists(mTemp.filePath("never.pdf")));
    QVERIFY(w.printButton.Enabled());
    QVERIFY(w.exportButton.Enabled());
    QVERIFY(w.chart.footer.isEmpty());
    QCOMPARE(w.prompt.texts(), QStringList());
}

void OutputWindowsTest::printToPdf()
{
    Window w(mSettings);
    const QString file = mTemp.filePath("window.pdf");
    w.prompt.files.enqueue(file);
    ShownWindows<frmPrintChart> dialogs(ChoosePdfAndPrint);
    PrintChartWindow(w.parts(), ChartOutputRowFor("C Chart"));
    QCOMPARE(dialogs.count, 1);
    QCOMPARE(test::PdfPageCount(file), 1);
    const QString text = test::PdfPageText(file, 1);
    QVERIFY2(text.contains(QRegularExpression("Printed on: [A-Z][a-z]{2} \\d\\d, \\d{4} \\d\\d:\\d\\d [ap]m")),
        qPrintable(text));
    QVERIFY2(text.contains("Demo - Vout Control Chart Page 1 of 3"), qPrintable(text));
    QVERIFY(!w.chart.footerVisible);
    QVERIFY(w.printButton.Enabled());
    QVERIFY(w.exportButton.Enabled());
    QCOMPARE(GetDefaultPrinter(w.state.registry, QString()), QString("Print to PDF file"));
    QCOMPARE(w.prompt.texts(), QStringList());
}

void OutputWindowsTest::printFailing()
{
    Window w(mSettings);
    w.prompt.files.enqueue(mTemp.filePath("missing/window.pdf"));
    ShownWindows<frmPrintChart> dialogs(ChoosePdfAndPrint);
    PrintChartWindow(w.parts(), ChartOutputRowFor("U Chart"));
    QCOMPARE(w.prompt.messages.size(), 1);
    QCOMPARE(w.prompt.messages[0].icon, PromptIcon::Exclamation);
    QVERIFY(w.prompt.messages[0].text.endsWith("!"));
    QVERIFY(!QFileInfo::exists(mTemp.filePath("missing")));
    QVERIFY(w.printButton.Enabled());
    QVERIFY(w.exportButton.Enabled());
}

// Chooses "Print to PDF file" and "Print all Pages" in the main window's printer dialog and prints.
void ChoosePdfAllPagesAndPrint(frmPrintChart& d)
{
    d.ui.cboPrinterList->setCurrentText(kPrintToPdfFile);
    d.ui.optPrint_2->setChecked(true);
    Click(d.ui.cmdPrintChart);
}

// Many pages are printed only when the user agrees to their count, with their progress shown.
void OutputWindowsTest::printAllPagesAsksFirst()
{
    Window w(mSettings);
    w.chart.maxPointsPerPage = 20;
    w.chart.setPage(1);
    QCOMPARE(w.chart.pageCount(), 10);
    MainHost host(w.parts());
    const QString file = mTemp.filePath("all.pdf");
    {
        ShownWindows<frmPrintChart> dialogs(ChoosePdfAllPagesAndPrint);
        ShownWindows<QProgressDialog> progress;
        w.prompt.files.enqueue(file);
        w.prompt.answers.enqueue(PromptAnswer::No);
        PrintMainChart(host);
        QCOMPARE(w.prompt.texts(), QStringList { "Print all 10 pages?" });
        QCOMPARE(w.prompt.messages[0].icon, PromptIcon::Question);
        QCOMPARE(w.prompt.messages[0].buttons, PromptButtons::YesNo);
        QCOMPARE(progress.count, 0);
        QVERIFY(!QFileInfo::exists(file));
        QVERIFY(w.printButton.Enabled());
    }
    w.prompt.clear();
    w.prompt.files.clear();
    ShownWindows<frmPrintChart> dialogs(ChoosePdfAllPagesAndPrint);
    QString label;
    ShownWindows<QProgressDialog> progress([&](QProgressDialog& d) { label = d.labelText(); });
    w.prompt.files.enqueue(file);
    w.prompt.answers.enqueue(PromptAnswer::Yes);
    PrintMainChart(host);
    QCOMPARE(w.prompt.texts(), QStringList { "Print all 10 pages?" });
    QCOMPARE(progress.count, 1);
    QVERIFY2(label.startsWith("Printing page ") && label.endsWith(" of 10"), qPrintable(label));
    QCOMPARE(test::PdfPageCount(file), 10);
    QCOMPARE(w.chart.currentPage(), 1);
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);

    // A few pages print without the question.
    w.chart.maxPointsPerPage = 50;
    w.chart.setPage(1);
    w.prompt.clear();
    w.prompt.files.enqueue(mTemp.filePath("four.pdf"));
    PrintMainChart(host);
    QCOMPARE(w.prompt.texts(), QStringList());
    QCOMPARE(test::PdfPageCount(mTemp.filePath("four.pdf")), 4);
}

// Cancel in the progress drops the job: no file, no message, the chart back on its first page.
void OutputWindowsTest::printStoppedByCancel()
{
    Window w(mSettings);
    w.chart.maxPointsPerPage = 10;
    w.chart.setPage(1);
    MainHost host(w.parts());
    const QString file = mTemp.filePath("stopped.pdf");
    QFile existing(file);
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("before") == 6);
    existing.close();
    ShownWindows<frmPrintChart> dialogs(ChoosePdfAllPagesAndPrint);
    ShownWindows<QProgressDialog> progress([](QProgressDialog& d) { d.cancel(); });
    w.prompt.files.enqueue(file);
    w.prompt.answers.enqueue(PromptAnswer::Yes); // the overwrite question
    w.prompt.answers.enqueue(PromptAnswer::Yes); // the page count
    QVERIFY(!PrintMainChart(host));
    QCOMPARE(progress.count, 1);
    QCOMPARE(w.prompt.messages.size(), 2);
    QCOMPARE(w.prompt.messages[1].text, QString("Print all 20 pages?"));
    QCOMPARE(Contents(file), QByteArray("before"));
    QCOMPARE(w.chart.currentPage(), 1);
    QVERIFY(w.chart.footer.isEmpty());
    QVERIFY(w.printButton.Enabled());
    QVERIFY(QGuiApplication::overrideCursor() == nullptr);
}

// moldrin-report's PDF of a further chart: one page, printed as its window prints it.
void OutputWindowsTest::reportPdfOfAChartWindow()
{
    Window w(mSettings);
    const QString file = mTemp.filePath("report.pdf");
    QCOMPARE(PrintChartToPdf(w.chart, file, ChartOutputRowFor("Pareto")), QString());
    QCOMPARE(test::PdfPageCount(file), 1);
    QVERIFY(test::PdfPageText(file, 1).contains("Printed on: "));
    QVERIFY(!w.chart.footerVisible);
    QVERIFY(!PrintChartToPdf(w.chart, mTemp.filePath("missing/report.pdf"), ChartOutputRowFor("Pareto")).isEmpty());
}

QTEST_MAIN(OutputWindowsTest)
#include "outputwindows_test.moc"
