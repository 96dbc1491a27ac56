// The chart-window base with a window of its own: loading order, settings table, buttons, read-out, hooks,
// export and printing.
#include "output/windows/chartwindow.h"

#include "buttonctl/commandbutton.h"
#include "common/numberformat.h"
#include "output/dialogs/frmprintchart.h"
#include "output/windows/imagebutton.h"
#include "variables/view/chartview.h"

#include "pdfpages.h"
#include "windowdriving.h"

#include <QCheckBox>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace moldrin;

namespace
{

// A histogram-like window (the histogram's chart settings): both read-out values, decimal buttons for both
// axes, a check box of its own; with `attributeLike`, the attribute windows' Y read-out and axis-position
// buttons.
class TestWindow : public ChartWindow
{
public:
    TestWindow(AppState& state, Prompt& prompt, bool attributeLike = false)
        : ChartWindow(state, prompt, {}, MakeOptions(attributeLike), nullptr)
    {
        box = new QCheckBox(this);
        ChartSeries s;
        for (int i = 0; i < 10; ++i)
            s.addXY(i * 2.0, i % 3);
        ChartSeries marks;
        marks.addXY(4, 2.5, QStringLiteral("R1"));
        marks.marks.visible = true;
        mChart.series << s << marks;
    }
    static Options MakeOptions(bool attributeLike)
    {
        Options o;
        o.objectName = QStringLiteral("frmTest");
        o.caption = QStringLiteral("Test Chart");
        o.chartKind = QStringLiteral("Histogram");
        o.chartName = QStringLiteral("ocxTest");
        o.readOut = attributeLike ? ReadOut::Y : ReadOut::XY;
        o.decimalButtons = { { "imgLeftY", "imgRightY", "Adjust decimal places Y-Axis", AxisId::Left },
            { "imgLeftX", "imgRightX", "Adjust decimal places X-Axis", AxisId::Bottom } };
        o.axisButtons = attributeLike;
        o.flashSeries = { kMarks };
        if (attributeLike)
            o.clearModel = [](ChartModel& chart) { chart.clearAllPoints(); };
        return o;
    }
    QList<WindowSetting> Settings() override { return { CheckBoxSetting("TestBox", box) }; }
    void LoadOwn() override
    {
        events << QStringLiteral("load %1 %2").arg(mLoading).arg(mChart.left.labelFormat);
        if (replotWhileLoading)
            Replot();
    }
    using ChartWindow::ConnectGridBox;
    using ChartWindow::Replot;
    bool replotWhileLoading = false;
    void PlotChart() override
    {
        events << QStringLiteral("plot %1").arg(mLoading);
        RenderChart();
    }
    void ClearChart() override
    {
        events << QStringLiteral("clear");
        ChartWindow::ClearChart();
    }
    static constexpr int kMarks = 1;
    QStringList events;
    QCheckBox* box = nullptr;
    ChartModel& model() { return mChart; }
};

// Answers the export's file dialog with `file` and notes what the window looked like at that moment.
class ExportPrompt : public ScriptedPrompt
{
public:
    ExportPrompt(TestWindow*& window, QString file)
        : mWindow(window)
        , mFile(std::move(file))
    {
    }
    QString chooseFile(const FileDialogRequest& request) override
    {
        if (request.title != QStringLiteral("Chart Export"))
            return ScriptedPrompt::chooseFile(request);
        blinking = mWindow->tmrRuleFlash->isActive();
        marksShown = mWindow->model().series[TestWindow::kMarks].marks.visible;
        exportEnabled = mWindow->cmdExport->Enabled();
        return mFile;
    }
    bool blinking = true;
    bool marksShown = false;
    bool exportEnabled = true;

private:
    TestWindow*& mWindow;
    QString mFile;
};

using moldrin::test::Click;

template <class T> T* Child(QWidget& w, const char* name)
{
    T* child = w.findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qWarning("no %s", name);
    return child;
}

} // namespace

class ChartWindowTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void settingsAreAppliedWhileLoadingAndWrittenAtClose()
    {
        QTemporaryDir dir;
        AppState state(dir.filePath("settings"));
        state.registry.write("HistogramY_LabelFormat", "#,##0.0");
        state.registry.write("Histogram_AxisLabelPosition", " 40.7 ");
        state.registry.write("TestBox", "2"); // neither 0 nor 1: the box stays as built
        ScriptedPrompt prompt;
        {
            TestWindow w(state, prompt);
            w.box->setChecked(true);
            w.Form_Load();
            QCOMPARE(w.events, (QStringList { "load 1 #,##0.0", "plot 0" }));
            QCOMPARE(w.model().bottom.labelFormat, QStringLiteral("#,##0.00"));
            QCOMPARE(w.model().left.labelSize, 40);
            QVERIFY(w.box->isChecked());
            QCOMPARE(w.objectName(), QStringLiteral("frmTest"));
            QCOMPARE(w.windowTitle(), QStringLiteral("Test Chart"));
            QCOMPARE(w.chartView()->objectName(), QStringLiteral("ocxTest"));
            QVERIFY(!w.findChild<ImageButton*>("imgChartLeft"));
            w.box->setChecked(false);
            w.close();
        }
        QCOMPARE(state.registry.read("HistogramY_LabelFormat"), QStringLiteral("#,##0.0"));
        QCOMPARE(state.registry.read("HistogramX_LabelFormat"), QStringLiteral("#,##0.00"));
        QCOMPARE(state.registry.read("TestBox"), QStringLiteral("0"));
        QCOMPARE(state.registry.read("Histogram_AxisLabelPosition"), QStringLiteral("40"));

        state.registry.write("Histogram_AxisLabelPosition", "wide");
        TestWindow again(state, prompt);
        again.Form_Load();
        QCOMPARE(again.model().left.labelSize, kDefaultLabelArea);
        QVERIFY(!again.box->isChecked());

        // A number no label area can be is not taken either (its integer part overflows an int).
        for (const char* huge : { "1e12", "-1e300" }) {
            state.registry.write("Histogram_AxisLabelPosition", huge);
            TestWindow third(state, prompt);
            third.Form_Load();
            QCOMPARE(third.model().left.labelSize, kDefaultLabelArea);
        }
    }

    // Each decimal pair works on its own axis between "." and four decimals, the axis-position pair on the
    // label area between 10 and 100; a button that acts shows sunken until released, one at its limit does not.
    // The steps are kept at close and the axes draw what the formats say.
    void buttonsActOnTheirAxisWithinTheirLimits()
    {
        QTemporaryDir dir;
        AppState state(dir.filePath("settings"));
        ScriptedPrompt prompt;
        {
            TestWindow w(state, prompt, true);
            w.Form_Load();
            ImageButton* moreX = Child<ImageButton>(w, "imgLeftX");
            ImageButton* lessY = Child<ImageButton>(w, "imgRightY");
            QVERIFY(moreX && lessY);
            QCOMPARE(moreX->toolTip(), QStringLiteral("Adjust decimal places X-Axis"));
            QTest::mousePress(moreX, Qt::LeftButton);
            QCOMPARE(w.model().bottom.labelFormat, QStringLiteral("#,##0.000"));
            QCOMPARE(w.model().left.labelFormat, QStringLiteral("#,##0.00"));
            QVERIFY(moreX->PressedLook());
            QTest::mouseRelease(moreX, Qt::LeftButton);
            QVERIFY(!moreX->PressedLook());
            for (int i = 0; i < 5; ++i)
                QTest::mousePress(moreX, Qt::LeftButton);
            QCOMPARE(w.model().bottom.labelFormat, QStringLiteral("#,##0.0000"));
            for (int i = 0; i < 4; ++i)
                QTest::mousePress(lessY, Qt::LeftButton);
            QCOMPARE(w.model().left.labelFormat, QStringLiteral("#,##0."));
            QTest::mouseRelease(lessY, Qt::LeftButton);
            QTest::mousePress(lessY, Qt::LeftButton); // at its limit: nothing, and no sunken look
            QCOMPARE(w.model().left.labelFormat, QStringLiteral("#,##0."));
            QVERIFY(!lessY->PressedLook());

            ImageButton* narrower = Child<ImageButton>(w, "imgChartLeft");
            ImageButton* wider = Child<ImageButton>(w, "imgChartRight");
            QCOMPARE(narrower->toolTip(), QStringLiteral("Adjust axis position"));
            for (int i = 0; i < 40; ++i)
                QTest::mousePress(narrower, Qt::LeftButton);
            QCOMPARE(w.model().left.labelSize, 10);
            QTest::mouseRelease(narrower, Qt::LeftButton);
            QTest::mousePress(narrower, Qt::LeftButton);
            QVERIFY(!narrower->PressedLook());
            for (int i = 0; i < 120; ++i)
                QTest::mousePress(wider, Qt::LeftButton);
            QCOMPARE(w.model().left.labelSize, 100);
            QTest::mousePress(narrower, Qt::LeftButton);
            QCOMPARE(w.model().left.labelSize, 99);
            QVERIFY(narrower->PressedLook());
            QCOMPARE(w.model().bottom.labelSize, ChartModel().bottom.labelSize);

            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            w.chartView()->replot();
            const QString label = w.chartView()->pointAxis()->tickVectorLabels().value(1);
            QVERIFY2(label.contains(QRegularExpression("^[0-9]+\\.[0-9]{4}$")), qPrintable(label));
            w.close();
        }
        QCOMPARE(state.registry.read("HistogramX_LabelFormat"), QStringLiteral("#,##0.0000"));
        QCOMPARE(state.registry.read("HistogramY_LabelFormat"), QStringLiteral("#,##0."));
        QCOMPARE(state.registry.read("Histogram_AxisLabelPosition"), QStringLiteral("99"));

        // A format without a point gains an integer digit; the steps' limits by themselves.
        QString format = QStringLiteral("#,##0");
        QVERIFY(AddDecimal(format));
        QCOMPARE(format, QStringLiteral("#,##00"));
        format = QStringLiteral("#,##0.0000");
        QVERIFY(!AddDecimal(format));
        int width = 10;
        QVERIFY(!NarrowLabelArea(width));
        QVERIFY(WidenLabelArea(width));
        QCOMPARE(width, 11);
        width = 100;
        QVERIFY(!WidenLabelArea(width));
    }

    // The main window moves its left axis and custom axis 0 as one, the first deciding the limits.
    void sharedButtonsMoveSeveralAxes()
    {
        ChartModel chart;
        chart.left.labelFormat = chart.custom0.labelFormat = QStringLiteral("#,##0.0");
        chart.left.labelSize = chart.custom0.labelSize = 100;
        int changes = 0;
        QWidget parent;
        auto* more = new ImageButton(&parent);
        auto* less = new ImageButton(&parent);
        auto* narrower = new ImageButton(&parent);
        auto* wider = new ImageButton(&parent);
        ConnectDecimalButtons(more, less, chart, { AxisId::Left, AxisId::Custom0 }, [&] { ++changes; });
        ConnectLabelAreaButtons(narrower, wider, chart, { AxisId::Left, AxisId::Custom0 }, [&] { ++changes; });
        QTest::mousePress(more, Qt::LeftButton);
        QCOMPARE(chart.custom0.labelFormat, QStringLiteral("#,##0.00"));
        QTest::mousePress(wider, Qt::LeftButton); // at 100: nothing
        QVERIFY(!wider->PressedLook());
        QTest::mousePress(narrower, Qt::LeftButton);
        QCOMPARE(chart.custom0.labelSize, 99);
        QCOMPARE(changes, 2);
    }

    void readOutRefreshHooksAndClosing()
    {
        QTemporaryDir dir;
        AppState state(dir.filePath("settings"));
        ScriptedPrompt prompt;
        TestWindow w(state, prompt);
        w.resize(900, 600);
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ChartView* view = w.chartView();
        view->replot();
        const QPointF at = view->centreRect()->rect().center();
        w.chartView_MouseMove(at);
        const QString expected = "X:" + FormatNumber(view->pointAxis()->pixelToCoord(at.x()), "#,##0.0##")
            + " Y:" + FormatNumber(view->centreValueAxis()->pixelToCoord(at.y()), "#,##0.0##");
        QCOMPARE(Child<QLabel>(w, "lblXYValue")->text(), expected);

        // Refresh empties the chart, undoing the zoom, and plots again.
        const QCPRange full = view->pointAxis()->range();
        view->pointAxis()->setRange(full.lower, full.center());
        QVERIFY(view->zoomed());
        w.events.clear();
        Child<LumButton>(w, "cmdRefresh")->Click();
        QCOMPARE(w.events, (QStringList { "clear", "plot 0" }));
        QVERIFY(!view->zoomed());
        QStringList captions;
        for (const char* name : { "cmdRefresh", "cmdExport", "cmdPrintChart", "cmdClose" })
            captions << Child<LumButton>(w, name)->Caption();
        QCOMPARE(captions, (QStringList { "Refresh", "Export", "Print Chart", "Close" }));
        QTimer* timer = Child<QTimer>(w, "tmrRuleFlash");
        QCOMPARE(timer->interval(), 500);
        QVERIFY(!timer->isActive());

        QPushButton* hidden = Child<QPushButton>(w, "cmdDefault");
        QVERIFY(!QRect(QPoint(0, 0), w.size()).intersects(hidden->geometry()));
        QCOMPARE(hidden->focusPolicy(), Qt::NoFocus);
        hidden->click();
        QVERIFY(!w.isVisible());
        QCOMPARE(state.registry.read("HistogramX_LabelFormat"), QStringLiteral("#,##0.00"));

        // The attribute windows' read-out shows the value alone.
        TestWindow y(state, prompt, true);
        y.resize(900, 600);
        y.Form_Load();
        y.show();
        QVERIFY(QTest::qWaitForWindowExposed(&y));
        y.chartView()->replot();
        y.chartView_MouseMove(at);
        QCOMPARE(y.lblXYValue->text(),
            " Y:" + FormatNumber(y.chartView()->centreValueAxis()->pixelToCoord(at.y()), "#,##0.0##"));
        y.close();

        // Esc closes as well, and the settings are written.
        QFile::remove(dir.filePath("settings"));
        TestWindow esc(state, prompt);
        esc.Form_Load();
        esc.show();
        QVERIFY(QTest::qWaitForWindowExposed(&esc));
        QTest::keyClick(&esc, Qt::Key_Escape);
        QVERIFY(!esc.isVisible());
        QCOMPARE(state.registry.read("HistogramX_LabelFormat"), QStringLiteral("#,##0.00"));
    }

    // A setting of a window's own draws again, but not while the settings are applied at load; the model is
    // emptied by the window's own function; a grid box shows the grid.
    void ownSettingsDrawAgainAndTheGridBox()
    {
        QTemporaryDir dir;
        AppState state(dir.filePath("settings"));
        ScriptedPrompt prompt;
        TestWindow w(state, prompt, true);
        w.replotWhileLoading = true;
        w.Form_Load();
        QCOMPARE(w.events, (QStringList { "load 1 #,##0.00", "plot 0" }));
        QCOMPARE(w.model().series[0].count(), 10);
        w.events.clear();
        w.Replot();
        QCOMPARE(w.events, (QStringList { "clear", "plot 0" }));
        QCOMPARE(w.model().series[0].count(), 0);
        QCOMPARE(w.model().seriesCount(), 2);

        auto* grid = new QCheckBox(&w);
        w.ConnectGridBox(grid);
        grid->setChecked(true);
        QVERIFY(w.model().left.gridVisible);
        QVERIFY(w.chartView()->centreValueAxis()->grid()->visible());
        grid->setChecked(false);
        QVERIFY(!w.model().left.gridVisible);
        QVERIFY(!w.chartView()->centreValueAxis()->grid()->visible());
    }

    // The buttons of the windows built in code and of those from .ui files are one kind, with one look.
    void everyCommandButtonHasTheProgramLook()
    {
        QTemporaryDir dir;
        AppState state(dir.filePath("settings"));
        ScriptedPrompt prompt;
        TestWindow w(state, prompt);
        frmPrintChart dialog(state, prompt, SystemPrinters {});
        QList<LumButton*> buttons = w.findChildren<LumButton*>() + dialog.findChildren<LumButton*>();
        QCOMPARE(buttons.size(), 6);
        for (LumButton* b : buttons) {
            QVERIFY2(qobject_cast<CommandButton*>(b), qPrintable(b->objectName()));
            QCOMPARE(b->Font().family(), QStringLiteral("Arial"));
            QCOMPARE(b->Font().pointSizeF(), 8.25);
            QVERIFY(b->Font().bold());
            QCOMPARE(b->BorderWidth(), 1);
            QCOMPARE(b->ForeColor(), LumButton::kWindowTextColor);
        }
        QCOMPARE(dialog.ui.cmdPrintChart->Caption(), QStringLiteral("Print"));
    }

    // Export and Print Chart run with the blinking paused and the mark labels shown, whatever phase the
    // blinking was in, and the blinking resumes; the row is the window's kind's.
    void exportAndPrintPauseTheBlinking()
    {
        QTemporaryDir dir;
        AppState state(dir.filePath("settings"));
        TestWindow* window = nullptr;
        ExportPrompt prompt(window, dir.filePath("chart"));
        TestWindow w(state, prompt);
        window = &w;
        w.resize(900, 600);
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.tmrRuleFlash->start();
        w.model().series[TestWindow::kMarks].marks.visible = false; // the hidden phase

        Click(w.cmdExport);
        QVERIFY(!prompt.blinking);
        QVERIFY(prompt.marksShown);
        QVERIFY(!prompt.exportEnabled);
        QImageReader png(dir.filePath("chart"));
        QCOMPARE(png.format(), QByteArray("png"));
        QCOMPARE(png.size(), w.chartView()->size());
        QVERIFY(w.tmrRuleFlash->isActive());
        QVERIFY(w.cmdExport->Enabled());
        QVERIFY(w.model().footer.value(0).startsWith("Exported on: "));

        QString caption;
        bool blinkingWhilePrinting = true;
        const QString pdf = dir.filePath("chart.pdf");
        test::ShownWindows<frmPrintChart> dialogs([&](frmPrintChart& d) {
            caption = d.windowTitle();
            blinkingWhilePrinting = w.tmrRuleFlash->isActive();
            prompt.files.enqueue(pdf);
            d.ui.cboPrinterList->setCurrentText(kPrintToPdfFile);
            Click(d.ui.cmdPrintChart);
        });
        Click(w.cmdPrintChart);
        QCOMPARE(dialogs.count, 1);
        QCOMPARE(caption, QStringLiteral("Print Histogram Chart"));
        QVERIFY(!blinkingWhilePrinting);
        QCOMPARE(test::PdfPageCount(pdf), 1);
        QVERIFY(test::PdfPageText(pdf, 1).contains("Printed on: "));
        QVERIFY(w.tmrRuleFlash->isActive());
        QVERIFY(w.cmdExport->Enabled() && w.cmdPrintChart->Enabled());

        // Cancelled: nothing printed, both buttons enabled, a stopped timer stays stopped.
        w.tmrRuleFlash->stop();
        dialogs.drive = [](frmPrintChart& d) { Click(d.ui.cmdCancel); };
        Click(w.cmdPrintChart);
        QCOMPARE(dialogs.count, 2);
        QVERIFY(!w.tmrRuleFlash->isActive());
        QVERIFY(w.cmdExport->Enabled() && w.cmdPrintChart->Enabled());
        QCOMPARE(prompt.texts(), QStringList());
    }
};

QTEST_MAIN(ChartWindowTest)
#include "chartwindow_test.moc"
