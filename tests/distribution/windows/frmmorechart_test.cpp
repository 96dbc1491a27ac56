// The More Charts selector: its enabling rules and settings, the scatter chart's choices, and every further
// chart opened from the main window on a demo database, exported to PNG and printed into a PDF file.
#include "distribution/windows/frmmorechart.h"

#include "buttonctl/lumbutton.h"
#include "demosession.h"
#include "distribution/windows/frmhistogram.h"
#include "distribution/windows/frmscatter.h"
#include "output/dialogs/frmprintchart.h"
#include "variables/view/chartview.h"

#include "mainsession.h"
#include "pdfpages.h"
#include "windowdriving.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImageReader>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

using namespace moldrin;
using moldrin::test::ShownWindows;

namespace
{

using moldrin::test::Click;

// A main window's lists: two products, four parameters, three testers and <All>, every attribute column.
struct Lists {
    explicit Lists(const QString& settings)
        : state(settings)
    {
        inputs.productCount = 3;
        inputs.parameters = { "Vout 5V", "Vout 3.3V", "Ripple", "Efficiency" };
        inputs.testers = { "ATE-01", "ATE-02", "ATE-03", "<All>" };
        state.gPChartNonConfColumn = state.gNPChartNonConfColumn = state.gUChartNonConfColumn = "[Defects]";
        state.gPChartSubGroupColumn = state.gNPChartSubGroupColumn = state.gUChartSubGroupColumn = "[Units]";
        state.gCChartNonConfColumn = "[Cosmetic]";
    }
    AppState state;
    ScriptedPrompt prompt;
    MoreChartInputs inputs;
};

QList<LumButton*> ChartButtons(const frmMoreChart& m)
{
    return { m.ui.cmdHistogram, m.ui.cmdPareto, m.ui.cmdScatter, m.ui.cmdP_Chart, m.ui.cmdNP_Chart, m.ui.cmdC_Chart,
        m.ui.cmdU_Chart };
}

// Which of the chart buttons are enabled, "1" or "0" each in ChartButtons order.
QString EnabledButtons(const frmMoreChart& m)
{
    QString flags;
    for (const LumButton* b : ChartButtons(m))
        flags += b->Enabled() ? '1' : '0';
    return flags;
}

// Whether the two source lists and their labels are enabled: all of them, none, or "mixed".
QString SourcesEnabled(const frmMoreChart& m)
{
    const QList<QWidget*> w { m.ui.cboSourceX, m.ui.cboSourceY, m.ui.lblOnlySourceX, m.ui.lblOnlySourceY };
    const auto on = std::count_if(w.begin(), w.end(), [](const QWidget* x) { return x->isEnabled(); });
    return on == w.size() ? "all" : on == 0 ? "none" : "mixed";
}

} // namespace

class FrmMoreChartTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    // A demo folder of 300 units a product for the tests that start the main window.
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(QDir().mkpath(mDemo));
        QVERIFY(test::CopyDemoConfiguration(mDemo));
        QVERIFY(test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, mDemo, 300));
        qputenv("TEMP", mTemp.path().toLocal8Bit());
    }

    void listsAndEnablingRules()
    {
        QTemporaryDir dir;
        {
            Lists l(dir.filePath("settings"));
            frmMoreChart m(l.state, l.prompt, l.inputs);
            QCOMPARE(m.objectName(), QStringLiteral("frmMoreChart"));
            QCOMPARE(m.windowTitle(), QStringLiteral(" More Charts"));
            QStringList captions;
            for (const LumButton* b : ChartButtons(m))
                captions << b->Caption();
            QCOMPARE(captions,
                (QStringList {
                    "Histogram Chart", "Pareto Chart", "Scatter Chart", "p Chart", "np Chart", "c Chart", "u Chart" }));
            QCOMPARE(EnabledButtons(m), QStringLiteral("1111111"));
            QCOMPARE(ComboItems(m.ui.cboDataParametersX), l.inputs.parameters);
            QCOMPARE(ComboItems(m.ui.cboDataParametersY), l.inputs.parameters);
            // Nothing stored: two different parameters, not the first against itself.
            QCOMPARE(m.ui.cboDataParametersX->currentIndex(), 0);
            QCOMPARE(m.ui.cboDataParametersY->currentIndex(), 1);
            QCOMPARE(ComboItems(m.ui.cboSourceX), (QStringList { "ATE-01", "ATE-02", "ATE-03" }));
            QCOMPARE(m.ui.cboSourceY->currentText(), QStringLiteral("ATE-01"));
            // Separate Source rules its lists.
            QVERIFY(m.ui.chkSeparateSource->isEnabled());
            QCOMPARE(SourcesEnabled(m), QStringLiteral("none"));
            m.ui.chkSeparateSource->click();
            QCOMPARE(SourcesEnabled(m), QStringLiteral("all"));
            m.ui.chkSeparateSource->click();
            QCOMPARE(SourcesEnabled(m), QStringLiteral("none"));
            QVERIFY(l.prompt.messages.isEmpty());
        }
        {
            // A product without p-chart columns, and a c chart that needs only its count column.
            Lists l(dir.filePath("settings"));
            l.state.gPChartSubGroupColumn.clear();
            l.state.gNPChartNonConfColumn.clear();
            frmMoreChart m(l.state, l.prompt, l.inputs);
            QCOMPARE(EnabledButtons(m), QStringLiteral("1110011"));
            l.state.gCChartNonConfColumn.clear();
            l.state.gUChartSubGroupColumn.clear();
            frmMoreChart none(l.state, l.prompt, l.inputs);
            QCOMPARE(EnabledButtons(none), QStringLiteral("1110000"));
        }
        {
            // No parameters: the three parameter charts, both parameter lists and their labels are off.
            Lists l(dir.filePath("settings"));
            l.inputs.parameters.clear();
            frmMoreChart m(l.state, l.prompt, l.inputs);
            QCOMPARE(EnabledButtons(m), QStringLiteral("0001111"));
            for (QWidget* w : std::initializer_list<QWidget*> {
                     m.ui.cboDataParametersX, m.ui.cboDataParametersY, m.ui.lblX, m.ui.lblY })
                QVERIFY(!w->isEnabled());
            QCOMPARE(m.ui.cboDataParametersX->count(), 0);
        }
        {
            // A disabled parameter list: the lists are copied, the charts stay off.
            Lists l(dir.filePath("settings"));
            l.inputs.parametersEnabled = false;
            frmMoreChart m(l.state, l.prompt, l.inputs);
            QCOMPARE(EnabledButtons(m), QStringLiteral("0001111"));
            QCOMPARE(m.ui.cboDataParametersX->count(), 4);
            QVERIFY(!m.ui.lblX->isEnabled());
        }
    }

    void settingsWrittenAtCloseAndRestored()
    {
        QTemporaryDir dir;
        Lists l(dir.filePath("settings"));
        {
            frmMoreChart m(l.state, l.prompt, l.inputs);
            m.ui.chkSeparateSource->click();
            m.ui.cboDataParametersX->setCurrentIndex(2);
            m.ui.cboDataParametersY->setCurrentIndex(3);
            m.ui.cboSourceX->setCurrentIndex(1);
            m.ui.cboSourceY->setCurrentIndex(2);
            m.show();
            QVERIFY(QTest::qWaitForWindowExposed(&m));
            Click(m.ui.cmdClose);
            QVERIFY(!m.isVisible());
        }
        const SettingsStore& store = l.state.registry;
        QCOMPARE(store.read("SeparateSource"), QStringLiteral("1"));
        QCOMPARE(store.read("XParameter"), QStringLiteral("Ripple"));
        QCOMPARE(store.read("YParameter"), QStringLiteral("Efficiency"));
        QCOMPARE(store.read("XSource"), QStringLiteral("ATE-02"));
        QCOMPARE(store.read("YSource"), QStringLiteral("ATE-03"));
        {
            frmMoreChart m(l.state, l.prompt, l.inputs);
            QVERIFY(m.ui.chkSeparateSource->isChecked());
            QCOMPARE(SourcesEnabled(m), QStringLiteral("all"));
            QCOMPARE(m.ui.cboDataParametersX->currentText(), QStringLiteral("Ripple"));
            QCOMPARE(m.ui.cboDataParametersY->currentText(), QStringLiteral("Efficiency"));
            QCOMPARE(m.ui.cboSourceX->currentText(), QStringLiteral("ATE-02"));
            QCOMPARE(m.ui.cboSourceY->currentText(), QStringLiteral("ATE-03"));
            // Esc closes and writes as well.
            m.ui.chkSeparateSource->click();
            m.show();
            QVERIFY(QTest::qWaitForWindowExposed(&m));
            QTest::keyClick(&m, Qt::Key_Escape);
            QVERIFY(!m.isVisible());
            QCOMPARE(store.read("SeparateSource"), QStringLiteral("0"));
        }

        // Texts no longer in the lists leave the first entries, and the parameters apart; a value that is not
        // 0 or 1 leaves the box.
        l.state.registry.write("XParameter", "Vout 12V");
        l.state.registry.write("YParameter", "");
        l.state.registry.write("XSource", "ATE-09");
        l.state.registry.write("SeparateSource", "yes");
        l.inputs.parameters.removeAll("Efficiency");
        frmMoreChart m(l.state, l.prompt, l.inputs);
        QCOMPARE(m.ui.cboDataParametersX->currentIndex(), 0);
        QCOMPARE(m.ui.cboDataParametersY->currentIndex(), 1);
        QCOMPARE(m.ui.cboSourceX->currentText(), QStringLiteral("ATE-01"));
        QCOMPARE(m.ui.cboSourceY->currentText(), QStringLiteral("ATE-03"));
        QVERIFY(!m.ui.chkSeparateSource->isChecked());
        QCOMPARE(SourcesEnabled(m), QStringLiteral("none"));
        QVERIFY(l.prompt.messages.isEmpty());
    }

    // A remembered parameter of another product falls back to one the other axis does not show; a pair
    // stored as chosen stays, the same one twice too.
    void aParameterTheProductLacksFallsBackApart()
    {
        QTemporaryDir dir;
        Lists l(dir.filePath("settings"));
        const struct {
            const char *x, *y;
            int xIndex, yIndex;
        } cases[] = { { "Vout 5V", "Vout 12V", 0, 1 }, { "Vout 12V", "Vout 5V", 1, 0 }, { "Vout 12V", "Ripple", 0, 2 },
            { "Ripple", "Ripple", 2, 2 } };
        for (const auto& c : cases) {
            l.state.registry.write("XParameter", c.x);
            l.state.registry.write("YParameter", c.y);
            frmMoreChart m(l.state, l.prompt, l.inputs);
            QCOMPARE(m.ui.cboDataParametersX->currentIndex(), c.xIndex);
            QCOMPARE(m.ui.cboDataParametersY->currentIndex(), c.yIndex);
        }
        // With one parameter there is nothing else to take.
        l.inputs.parameters = QStringList { "Vout 5V" };
        frmMoreChart one(l.state, l.prompt, l.inputs);
        QCOMPARE(one.ui.cboDataParametersY->currentIndex(), 0);
    }

    // The scatter chart gets the list indexes, and the sources only with Separate Source ticked. With one
    // tester the box is off but a ticked state stored earlier holds: both axes query that tester.
    void scatterChoices()
    {
        test::DemoSession<frmScatter> s;
        QVERIFY(s.load(200));
        MoreChartInputs inputs;
        inputs.productCount = s.lists.productList.size();
        inputs.parameters = s.lists.parameterList;
        inputs.testers = { "ATE-02", "<All>" };
        inputs.selection = s.selection;
        s.state.registry.write("SeparateSource", "1");
        s.state.registry.write("YParameter", inputs.parameters.value(1));

        frmMoreChart m(s.state, s.prompt, inputs);
        QVERIFY(m.ui.chkSeparateSource->isChecked());
        QVERIFY(!m.ui.chkSeparateSource->isEnabled());
        QCOMPARE(SourcesEnabled(m), QStringLiteral("none"));
        QCOMPARE(ComboItems(m.ui.cboSourceX), QStringList { "ATE-02" });

        struct Seen {
            int x = -1, y = -1;
            QString sourceX, sourceY, xTitle;
            long pairs = 0;
            bool modal = false;
        } seen;
        ShownWindows<frmScatter> scatter([&](frmScatter& w) {
            seen = { w.mlngXParameter, w.mlngYParameter, w.mstrSourceX, w.mstrSourceY, w.chart().bottom.title,
                w.lastOutcome().pairs, w.isModal() && m.isVisible() };
        });
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        Click(m.ui.cmdScatter);
        QCOMPARE(scatter.count, 1);
        QCOMPARE(seen.x, 0);
        QCOMPARE(seen.y, 1);
        QCOMPARE(seen.sourceX, QStringLiteral("ATE-02"));
        QCOMPARE(seen.sourceY, QStringLiteral("ATE-02"));
        QVERIFY2(seen.xTitle.contains(" ATE-02"), qPrintable(seen.xTitle));
        QVERIFY(seen.pairs > 0 && seen.pairs < 200);
        QVERIFY(seen.modal);

        // Unticked (through the stored value): no sources, every tester.
        m.close();
        s.state.registry.write("SeparateSource", "0");
        frmMoreChart unticked(s.state, s.prompt, inputs);
        unticked.ui.cboDataParametersX->setCurrentIndex(2);
        unticked.show();
        QVERIFY(QTest::qWaitForWindowExposed(&unticked));
        Click(unticked.ui.cmdScatter);
        QCOMPARE(scatter.count, 2);
        QCOMPARE(seen.x, 2);
        QCOMPARE(seen.sourceX, QString());
        QCOMPARE(seen.sourceY, QString());
        QCOMPARE(seen.pairs, 200);
        QCOMPARE(s.prompt.texts(), QStringList());
    }

    // From the main window on the demo: every further chart opens through More Charts over the selector,
    // exports a PNG of the chart's size on screen and prints one page into a PDF file.
    void everyChartFromTheMainWindow()
    {
        QTemporaryDir temp;
        test::MainSession<> session(temp.filePath("settings"));
        QVERIFY(session.start(mDemo));
        frmMain& main = *session.window;
        ScriptedPrompt& prompt = session.prompt;

        struct Opened {
            QString caption;
            bool modalOverSelector = false;
            int points = 0;
            QSize png, view;
            int pdfPages = 0;
            QString pdfText, title;
            QString name; // the first bar's label, the bottom axis title
            QString stamp, printCaption; // the export's footer line, the printer dialog's caption
        };
        QList<Opened> opened;
        QPointer<frmMoreChart> selector;
        QString printCaption;
        ShownWindows<frmPrintChart> printers([&](frmPrintChart& d) {
            printCaption = d.windowTitle();
            d.ui.cboPrinterList->setCurrentText(kPrintToPdfFile);
            Click(d.ui.cmdPrintChart);
        });
        ShownWindows<ChartWindow> charts([&](ChartWindow& w) {
            const QString file = temp.filePath(QStringLiteral("chart%1").arg(opened.size()));
            prompt.files.enqueue(file + ".png");
            Click(w.cmdExport);
            const QString stamp = w.chart().footer.value(0);
            prompt.files.enqueue(file + ".pdf");
            Click(w.cmdPrintChart);
            opened << Opened { w.windowTitle(), w.isModal() && selector && selector->isVisible(),
                w.chart().series.value(0).count(), QImageReader(file + ".png").size(), w.chartView()->size(),
                test::PdfPageCount(file + ".pdf"), test::PdfPageText(file + ".pdf", 1), w.chart().header.value(0),
                w.objectName() == "frmPareto" ? w.chart().series.value(0).points.label(0) : w.chart().bottom.title,
                stamp, printCaption };
        });
        ShownWindows<frmMoreChart> selectors([&](frmMoreChart& m) {
            selector = &m;
            for (LumButton* b : ChartButtons(m))
                if (b->Enabled())
                    Click(b);
        });
        Click(main.cmdMoreCharts);
        QCOMPARE(selectors.count, 1);
        QStringList captions, printCaptions;
        for (const Opened& o : opened) {
            captions << o.caption;
            QVERIFY2(o.modalOverSelector, qPrintable(o.caption));
            QVERIFY2(o.points > 0, qPrintable(o.caption));
            QVERIFY2(!o.view.isEmpty() && o.png == o.view, qPrintable(o.caption));
            QCOMPARE(o.pdfPages, 1);
            // The print stamp has a four-digit year, a chart window's export stamp two.
            QVERIFY2(
                o.pdfText.contains(QRegularExpression("Printed on: [A-Z][a-z]{2} \\d\\d, \\d{4} \\d\\d:\\d\\d [ap]m"))
                    && o.pdfText.contains(o.title),
                qPrintable(o.pdfText));
            QVERIFY2(
                o.stamp.contains(QRegularExpression("^Exported on: [A-Z][a-z]{2} \\d\\d, \\d\\d \\d\\d:\\d\\d [ap]m$")),
                qPrintable(o.caption + ": " + o.stamp));
            printCaptions << o.printCaption;
        }
        // The parameters' display names, which the main window refreshes for the product shown.
        QVERIFY2(
            opened.value(1).name.contains(QRegularExpression("^[A-Z][a-z]+\\s")), qPrintable(opened.value(1).name));
        QCOMPARE(opened.value(2).name, QStringLiteral("Output voltage 5V (V)"));
        QCOMPARE(captions,
            (QStringList {
                "Histogram Chart", "Pareto Chart", "Regression Chart", "p Chart", "np Chart", "c Chart", "u Chart" }));
        QCOMPARE(printCaptions,
            (QStringList { "Print Histogram Chart", "Print Pareto Chart", "Print Scatter Chart", "Print P Chart",
                "Print NP Chart", "Print C Chart", "Print U Chart" }));
        QCOMPARE(printers.count, 7);
        QCOMPARE(prompt.texts(), QStringList());
    }

    // A chart window reads the main window's selection as it stands: here the histogram of the second
    // parameter on one tester.
    void chartsOpenOnTheMainWindowsSelection()
    {
        QTemporaryDir temp;
        test::MainSession<> session(temp.filePath("settings"));
        QVERIFY(session.start(mDemo));
        frmMain& main = *session.window;
        main.cboDataParameters->setCurrentIndex(1);
        QCOMPARE(main.cboDataParameters->currentText(), QStringLiteral("T101: [Output voltage 3.3V]"));
        main.cboATEList->setCurrentText(QStringLiteral("ATE-02"));
        QCOMPARE(main.cboATEList->currentText(), QStringLiteral("ATE-02"));

        HistogramOutcome seen;
        ShownWindows<frmHistogram> histograms([&](frmHistogram& w) { seen = w.lastOutcome(); });
        ShownWindows<frmMoreChart> selectors([](frmMoreChart& m) { Click(m.ui.cmdHistogram); });
        Click(main.cmdMoreCharts);
        QCOMPARE(histograms.count, 1);
        QVERIFY(seen.drawn);
        QVERIFY2(seen.records > 0 && seen.records < 300, qPrintable(QString::number(seen.records)));
        const HistogramStatistics& stats = seen.histogram.stats;
        QVERIFY2(stats.mean > 3.135 && stats.mean < 3.465, qPrintable(QString::number(stats.mean)));
        QCOMPARE(session.prompt.texts(), QStringList());
    }

private:
    QTemporaryDir mTemp;
    const QString mDemo = mTemp.filePath("demo");
};

QTEST_MAIN(FrmMoreChartTest)
#include "frmmorechart_test.moc"
