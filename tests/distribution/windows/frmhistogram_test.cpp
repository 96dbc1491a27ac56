// The histogram window and its cell data window on a copy of the demo database: loading, settings, bar
// width, axis buttons, cell data, Refresh and the failure paths.
#include "distribution/windows/frmhistogram.h"
#include "distribution/windows/frmrawdatahistogram.h"

#include "buttonctl/lumbutton.h"
#include "common/numberformat.h"
#include "data/access/connectdatasource.h"
#include "data/config/configfiles.h"
#include "output/windows/imagebutton.h"
#include "variables/view/chartview.h"

#include "testsupport.h"
#include "windowdriving.h"

#include <QComboBox>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace moldrin;
using moldrin::test::ChooseWithMouse;
using moldrin::test::ShownWindows;

namespace
{

// Records every message with the pointer shape showing when it was asked.
class CursorPrompt : public ScriptedPrompt
{
public:
    PromptAnswer ask(const PromptMessage& message) override
    {
        const QCursor* c = QGuiApplication::overrideCursor();
        shapes << (c ? c->shape() : Qt::ArrowCursor);
        return ScriptedPrompt::ask(message);
    }
    QList<Qt::CursorShape> shapes;
};

// A copy of the demo folder with PSU-100 selected as the main window selects it, its first parameter
// (VOUT_5V, 4.75 to 5.25) and the range "All".
struct Session {
    QTemporaryDir dir;
    AppState state { dir.filePath(QStringLiteral("settings")) };
    CursorPrompt prompt;
    data::PlotSelection selection;
    std::unique_ptr<frmHistogram> window;

    explicit Session(const QString& demo)
    {
        for (const char* name : { "ATE.INI", "PRODUCTS.INI", "results.db" })
            QVERIFY(QFile::copy(QDir(demo).filePath(name), dir.filePath(name)));
        ScriptedPrompt quiet;
        data::SelectionLists lists;
        data::FillProductList(lists, data::LocateConfigFolder(state, lists, dir.path()).value_or(QString()));
        lists.productIndex = 1;
        const QString product = lists.productText().trimmed();
        data::RefillTestIdList(state, lists);
        data::LoadColumnNames(state, quiet, product);
        data::LoadProductSpec(state, quiet, lists, product);
        QVERIFY(data::ConnectDataSource(product, data::ReadIniDatabase(product, state), state, quiet).ok);
        QVERIFY(quiet.messages.isEmpty());
        state.gTempFile3 = dir.filePath(QStringLiteral("~0000003.spc"));
        selection.product = product;
        selection.parameterItem = lists.parameterList.value(0);
        selection.range = QStringLiteral("All");
        selection.query.testIdText = lists.testIdText;
    }
    frmHistogram& open()
    {
        window = std::make_unique<frmHistogram>(state, prompt, selection);
        window->resize(1100, 660);
        window->Form_Load();
        return *window;
    }
    void close()
    {
        window->cmdClose->Click();
        QVERIFY(!window->isVisible());
        window.reset();
    }
    // Runs a statement on the copy's results table.
    bool exec(const QString& sql)
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("write"));
            db.setDatabaseName(dir.filePath(QStringLiteral("results.db")));
            ok = db.open() && QSqlQuery(db).exec(sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("write"));
        return ok;
    }
};

template <class T> T* Child(QWidget& w, const char* name)
{
    return w.findChild<T*>(QString::fromLatin1(name));
}

int Points(const ChartModel& chart, int series)
{
    return chart.series[series].count();
}

std::int64_t BarTotal(const ChartModel& chart)
{
    std::int64_t total = 0;
    for (const ChartPoint& p : chart.series[kHistogramBars].points)
        total += std::int64_t(p.y);
    return total;
}

// The label of a marker line's upper point.
QString MarkerLabel(const ChartModel& chart, int series)
{
    return chart.series[series].count() == 2 ? chart.series[series].points[1].label : QString();
}

} // namespace

class FrmHistogramTest : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(mTemp.isValid());
        QVERIFY(moldrin::test::CopyDemoConfiguration(mTemp.path()));
        QVERIFY(moldrin::test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, mTemp.path(), 2000));
    }

    void opensOnTheDemoWithAnEmptySettingsStore()
    {
        Session s(mTemp.path());
        frmHistogram& w = s.open();
        QVERIFY(s.prompt.messages.isEmpty());
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(w.objectName(), QStringLiteral("frmHistogram"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Histogram Chart"));
        QCOMPARE(w.chartView()->objectName(), QStringLiteral("ocxHistogram"));

        QStringList counts;
        for (int i = 0; i < w.ui.cboInterval->count(); ++i)
            counts << w.ui.cboInterval->itemText(i);
        QCOMPARE(counts, (QStringList { "10", "20", "30", "40", "50", "60", "70", "80", "90", "100" }));
        QCOMPARE(w.ui.cboInterval->currentText(), QStringLiteral("20"));
        QCOMPARE(w.ui.lblCells->text(), QStringLiteral("Cells:"));
        QCOMPARE(w.ui.lblBarWidth->text(), QStringLiteral("Adjust Bar Width"));
        QCOMPARE(w.ui.sclChangeBarWidth->maximum(), 100);
        QCOMPARE(w.ui.sclChangeBarWidth->value(), 75);
        const std::pair<const char*, const char*> tips[]
            = { { "imgLeftY", "Adjust decimal places Y-Axis" }, { "imgRightY", "Adjust decimal places Y-Axis" },
                  { "imgLeftX", "Adjust decimal places X-Axis" }, { "imgRightX", "Adjust decimal places X-Axis" },
                  { "imgChartLeft", "Adjust axis position" }, { "imgChartRight", "Adjust axis position" } };
        for (const auto& [name, tip] : tips)
            QCOMPARE(Child<ImageButton>(w, name)->toolTip(), QString::fromLatin1(tip));
        QCOMPARE(Child<LumButton>(w, "cmdViewCellData")->Caption(), QStringLiteral("View Cell Data"));

        // The chart: the template's series, the title line, the window's axis formats and 20 cells.
        const ChartModel& c = w.chart();
        QCOMPARE(c.seriesCount(), kHistogramSeriesCount);
        QCOMPARE(c.header, (QStringList { "Histogram Chart", "PSU-100, Range <All>" }));
        QCOMPARE(c.left.labelFormat, QStringLiteral("#,##0.00"));
        QCOMPARE(c.bottom.labelFormat, QStringLiteral("#,##0.00"));
        QCOMPARE(c.left.labelSize, 38);
        QCOMPARE(c.series[kHistogramBars].barWidthPercent, 75);
        const HistogramOutcome& out = w.lastOutcome();
        QVERIFY(out.drawn);
        QVERIFY(out.records > 1000);
        QCOMPARE(Points(c, kHistogramBars), 20);
        QCOMPARE(BarTotal(c), out.records);
        QVERIFY(Points(c, kHistogramDataCurve) >= kHistogramCurvePoints - 1);
        QCOMPARE(Points(c, kHistogramSpecCurve), kHistogramCurvePoints);
        for (int i = kHistogramFirstMarker; i < kHistogramSeriesCount; ++i)
            QCOMPARE(Points(c, i), 2);
        QCOMPARE(MarkerLabel(c, kHistogramFirstMarker), QStringLiteral("LSL=4.75"));
        QCOMPARE(MarkerLabel(c, kHistogramFirstMarker + 1), QStringLiteral("USL=5.25"));
        QVERIFY(MarkerLabel(c, kHistogramFirstMarker + 2).startsWith("Mean=5.0"));
        QVERIFY(MarkerLabel(c, kHistogramFirstMarker + 3).startsWith("-3SD="));
        QVERIFY(MarkerLabel(c, kHistogramFirstMarker + 3).endsWith("\rA"));
        const double peak = std::max(*c.series[kHistogramBars].maxY(), *c.series[kHistogramDataCurve].maxY());
        QVERIFY_CLOSE(c.left.maximum, peak * 1.03);

        QCOMPARE(w.ui.lblSPCParameter->text(), HistogramPanelCaptions().join("\r\n"));
        const QStringList values = w.ui.lblSPCParameter1->text().split("\r\n");
        QCOMPARE(values.size(), HistogramPanelCaptions().size());
        QCOMPARE(values[0], FormatNumber(double(out.records), "#,###"));
        QCOMPARE(values[6], QString());
        QCOMPARE(values, out.histogram.panelValues);
    }

    void fiftyCellsComeBackAfterReopening()
    {
        Session s(mTemp.path());
        {
            frmHistogram& w = s.open();
            w.show();
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            ChooseWithMouse(w.ui.cboInterval, "50");
            QCOMPARE(Points(w.chart(), kHistogramBars), 50);
            s.close();
        }
        const SettingsStore& store = s.state.registry;
        QCOMPARE(store.read("HistogramCellNumber"), QStringLiteral("50"));

        frmHistogram& again = s.open();
        QCOMPARE(again.ui.cboInterval->currentText(), QStringLiteral("50"));
        QCOMPARE(Points(again.chart(), kHistogramBars), 50);
        s.close();

        // A count the list does not hold, stored with a fraction, is shown and drawn by its integer part;
        // anything else that is no number gives 20.
        s.state.registry.write("HistogramCellNumber", "35.7");
        QCOMPARE(s.open().ui.cboInterval->currentText(), QStringLiteral("35"));
        QCOMPARE(Points(s.window->chart(), kHistogramBars), 35);
        s.close();
        s.state.registry.write("HistogramCellNumber", "many");
        QCOMPARE(Points(s.open().chart(), kHistogramBars), 20);
        s.close();
        // A count no memory holds fails as such, before the chart is drawn.
        s.state.registry.write("HistogramCellNumber", "1e30");
        QCOMPARE(Points(s.open().chart(), kHistogramBars), 0);
        QCOMPARE(s.prompt.texts(), QStringList { "Out of memory!" });
    }

    void aTypedCellCountDrawsOnEnterOnce()
    {
        Session s(mTemp.path());
        frmHistogram& w = s.open();
        // Keys go to the list, which has the focus and passes them to its text box.
        QComboBox* list = w.ui.cboInterval;
        QLineEdit* edit = list->lineEdit();
        auto type = [&](const char* text, bool enter) {
            edit->selectAll();
            QTest::keyClicks(list, text);
            if (enter)
                QTest::keyClick(list, Qt::Key_Return);
        };
        type("25", false);
        QCOMPARE(Points(w.chart(), kHistogramBars), 20);
        // A count the list does not hold, one it holds, and the current item typed again.
        const std::pair<const char*, int> typed[]
            = { { "25", 25 }, { "50", 50 }, { "50", 50 }, { "25", 25 }, { "20", 20 } };
        for (const auto& [text, cells] : typed) {
            type(text, true);
            QCOMPARE(Points(w.chart(), kHistogramBars), cells);
        }
        // Only whole counts from 1 on are taken.
        type("0x", true);
        QCOMPARE(edit->text(), QStringLiteral("0"));
        QCOMPARE(Points(w.chart(), kHistogramBars), 20);
        QVERIFY(s.prompt.messages.isEmpty());
        s.close();

        // Each Enter draws once: with no readings, each drawing says so once.
        s.selection.serialFilter = QStringLiteral("NO SUCH UNIT");
        list = s.open().ui.cboInterval;
        edit = list->lineEdit();
        for (const auto& [text, cells] : typed) {
            s.prompt.clear();
            type(text, true);
            QCOMPARE(s.prompt.messages.size(), 1);
        }
    }

    void theStoredLookIsTheReportsLook()
    {
        Session s(mTemp.path());
        // Usable stored values; a label area that is no number and a bar width beyond the scroll bar.
        const QList<std::tuple<QString, int, int, int>> cases { { " 52.9 ", 40, 52, 40 }, { "wide", 250, 38, 100 } };
        for (const auto& [area, width, shownArea, shownWidth] : cases) {
            s.state.registry.write("HistogramY_LabelFormat", "#,##0.0");
            s.state.registry.write("HistogramX_LabelFormat", "0.000");
            s.state.registry.write("Histogram_AxisLabelPosition", area);
            s.state.gHistogramBarWidth = width;
            ChartModel report = BuildHistogramChartTemplate();
            ApplyStoredChartSettings(s.state.registry, QStringLiteral("Histogram"), report);
            const ChartModel& shown = s.open().chart();
            QCOMPARE(shown.left.labelFormat, QStringLiteral("#,##0.0"));
            QCOMPARE(shown.bottom.labelFormat, QStringLiteral("0.000"));
            QCOMPARE(shown.left.labelSize, shownArea);
            QCOMPARE(shown.series[kHistogramBars].barWidthPercent, shownWidth);
            QCOMPARE(report.left.labelFormat, shown.left.labelFormat);
            QCOMPARE(report.bottom.labelFormat, shown.bottom.labelFormat);
            QCOMPARE(report.left.labelSize, shown.left.labelSize);
            s.close();
        }
    }

    void theBarWidthScrollBar()
    {
        Session s(mTemp.path());
        s.state.gHistogramBarWidth = 60;
        frmHistogram& w = s.open();
        QScrollBar* bar = w.ui.sclChangeBarWidth;
        QCOMPARE(bar->value(), 60);
        QCOMPARE(w.chart().series[kHistogramBars].barWidthPercent, 60);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(bar->value(), 61);
        QCOMPARE(w.chart().series[kHistogramBars].barWidthPercent, 61);
        QCOMPARE(s.state.gHistogramBarWidth, 61);
        bar->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(s.state.gHistogramBarWidth, 100);
        bar->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(s.state.gHistogramBarWidth, 1);
        // The view draws the width: 90 % of the spacing against 1 %.
        auto drawnWidth = [&] {
            w.chartView()->replot();
            auto* bars = qobject_cast<QCPBars*>(w.chartView()->plottable(0));
            return bars ? bars->width() : -1.0;
        };
        const double narrow = drawnWidth();
        bar->setValue(90);
        QVERIFY_CLOSE(drawnWidth(), narrow * 90);
        // The main window writes the value at exit; the window itself stores nothing of it.
        s.close();
        QCOMPARE(s.state.registry.read("HistogramBarWidth"), QString());
        QCOMPARE(s.state.gHistogramBarWidth, 90);
        QCOMPARE(s.open().ui.sclChangeBarWidth->value(), 90);
    }

    void viewCellDataListsTheCellTable()
    {
        Session s(mTemp.path());
        frmHistogram& w = s.open();
        w.ui.cboInterval->setEditText("10");
        w.cboInterval_Click();
        QStringList lines, shownLines;
        QString heading, caption;
        QFont listFont, headingFont;
        ShownWindows<frmRawDataHistogram> shown([&](frmRawDataHistogram& d) {
            caption = d.windowTitle();
            heading = d.ui.lblTitle->text();
            listFont = d.ui.lstRawData->font();
            headingFont = d.ui.lblTitle->font();
            for (int i = 0; i < d.ui.lstRawData->count(); ++i) {
                lines << d.ui.lstRawData->item(i)->text();
                auto* delegate = qobject_cast<QStyledItemDelegate*>(d.ui.lstRawData->itemDelegate());
                shownLines << delegate->displayText(lines.last(), QLocale());
            }
            d.ui.cmdClose->Click();
        });
        w.ui.cmdViewCellData->Click();
        QCOMPARE(shown.count, 1);
        QCOMPARE(heading, " No.             Cell Ranges                                 Freq.");
        QCOMPARE(caption, QStringLiteral("Histogram Cell Data"));
        QCOMPARE(lines.size(), 11);
        QCOMPARE(lines, w.lastOutcome().histogram.cellTableLines);
        const HistogramCell& first = w.lastOutcome().histogram.cells.front();
        QCOMPARE(lines[0],
            "1\t" + FormatNumber(first.lower, "#,##0.0000") + "\tto  " + FormatNumber(first.upper, "#,##0.0000") + "\t"
                + FormatNumber(double(first.count), "#,##0"));
        QCOMPARE(lines[10], "Total\t\t\t\t" + FormatNumber(double(w.lastOutcome().records), "#,##0"));
        // Shown in the heading's columns: the lower edges under "Cell Ranges", the counts and the total
        // under "Freq.".
        const QString total = FormatNumber(double(w.lastOutcome().records), "#,##0");
        QCOMPARE(shownLines[10], "Total" + QString(56, ' ') + total);
        for (const QString& line : shownLines) {
            QCOMPARE(line.indexOf(QRegularExpression("[0-9,]+$")), heading.indexOf("Freq."));
            if (!line.startsWith("Total"))
                QCOMPARE(line.indexOf(QRegularExpression("[0-9.]+\\s+to ")), heading.indexOf("Cell Ranges"));
        }
        // Columns counted in characters line up on screen where every character of the heading and the lines
        // takes one advance, in the heading's font as in the list's.
        QCOMPARE(headingFont, listFont);
        const QFontMetricsF metrics(listFont);
        const double advance = metrics.horizontalAdvance(QLatin1Char('0'));
        QVERIFY(advance > 0);
        for (const QString& text : shownLines + QStringList { heading })
            for (const QChar c : text)
                QVERIFY2(
                    metrics.horizontalAdvance(c) == advance, qPrintable(QStringLiteral("'%1' in %2").arg(c, text)));

        // A histogram that draws nothing lists no cells, not the table of the one before.
        s.selection.serialFilter = QStringLiteral("NO SUCH UNIT");
        frmHistogram& none = s.open();
        QCOMPARE(s.prompt.texts(), QStringList { "No data collection for this selected range of filter condition!" });
        lines.clear();
        none.ui.cmdViewCellData->Click();
        QCOMPARE(shown.count, 2);
        QVERIFY(lines.isEmpty());
        QCOMPARE(s.prompt.messages.size(), 1);

        // A cell table that is gone is said so; the window still opens.
        QFile::remove(s.state.gTempFile3);
        none.ui.cmdViewCellData->Click();
        QCOMPARE(shown.count, 3);
        QVERIFY(lines.isEmpty());
        QCOMPARE(s.prompt.texts().last(), QStringLiteral("File not found!"));
    }

    void refreshReadsAgainAndUndoesTheZoom()
    {
        Session s(mTemp.path());
        frmHistogram& w = s.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const std::int64_t before = w.lastOutcome().records;
        QVERIFY(s.exec("DELETE FROM PSU100_Results WHERE rowid % 2 = 0"));
        ChartView* view = w.chartView();
        const QCPRange full = view->pointAxis()->range();
        view->pointAxis()->setRange(full.lower, full.center());
        QVERIFY(view->zoomed());
        w.cmdRefresh->Click();
        QVERIFY(!view->zoomed());
        QCOMPARE(view->pointAxis()->range().upper, full.upper);
        QVERIFY(w.lastOutcome().records < before);
        QCOMPARE(BarTotal(w.chart()), w.lastOutcome().records);
        QCOMPARE(Points(w.chart(), kHistogramBars), 20); // drawn again, not added to

        // Choosing a cell count undoes the zoom as well.
        view->pointAxis()->setRange(full.lower, full.center());
        ChooseWithMouse(w.ui.cboInterval, "30");
        QVERIFY(!view->zoomed());
        QCOMPARE(Points(w.chart(), kHistogramBars), 30);
        QVERIFY(s.prompt.messages.isEmpty());
    }

    void whatAPlotSkippedIsToldUnderThePanel()
    {
        Session s(mTemp.path());
        frmHistogram& w = s.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(!w.lblSkipped->isVisible()); // the demo's readings are all numbers
        const std::int64_t before = w.lastOutcome().records;
        const QString read = "(SELECT rowid FROM PSU100_Results WHERE TestID = 'FT1' AND VOUT_5V <> 0 ORDER BY rowid "
                             "LIMIT %1)";
        QVERIFY(s.exec("UPDATE PSU100_Results SET VOUT_5V = 'n/a' WHERE rowid IN " + read.arg(2)));
        QVERIFY(s.exec("UPDATE PSU100_Results SET TestStartTime = 'never' WHERE rowid IN " + read.arg(3)
            + " AND VOUT_5V <> 'n/a'"));
        w.cmdRefresh->Click();
        QCOMPARE(w.lblSkipped->text(), QStringLiteral("Skipped, not a number: 2\nSkipped, start time unreadable: 1"));
        QVERIFY(w.lblSkipped->isVisible());
        QCOMPARE(w.lastOutcome().records, before - 3);
        QVERIFY(s.prompt.messages.isEmpty());

        // The next plot that skips nothing takes the lines away.
        QVERIFY(s.exec("DELETE FROM PSU100_Results WHERE VOUT_5V = 'n/a' OR TestStartTime = 'never'"));
        w.cmdRefresh->Click();
        QVERIFY(!w.lblSkipped->isVisible());
        QCOMPARE(w.lblSkipped->text(), QString());
    }

    void failuresKeepOrEmptyTheChart()
    {
        Session s(mTemp.path());
        frmHistogram& w = s.open();
        const int drawn = Points(w.chart(), kHistogramBars);
        const QString panel = w.ui.lblSPCParameter1->text();

        // Three readings: skewness cannot be computed, the chart and the panel stay as they were.
        QVERIFY(s.exec("DELETE FROM PSU100_Results WHERE rowid NOT IN (SELECT rowid FROM PSU100_Results "
                       "WHERE TestID = 'FT1' AND VOUT_5V <> 0 ORDER BY rowid LIMIT 3)"));
        w.cmdRefresh->Click();
        QCOMPARE(s.prompt.texts(), QStringList { "Division by zero!" });
        QCOMPARE(s.prompt.messages.first().icon, PromptIcon::Exclamation);
        QCOMPARE(s.prompt.shapes, QList<Qt::CursorShape> { Qt::WaitCursor }); // asked while the hourglass shows
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(w.lastOutcome().records, 3);
        QCOMPARE(Points(w.chart(), kHistogramBars), drawn);
        QCOMPARE(w.ui.lblSPCParameter1->text(), panel);
        s.close();

        // No cells: the series are cleared first, so the chart is left empty.
        Session t(mTemp.path());
        frmHistogram& v = t.open();
        v.ui.cboInterval->setEditText("0");
        v.cboInterval_Click();
        QCOMPARE(t.prompt.texts(), QStringList { "Division by zero!" });
        for (int i = 0; i < kHistogramSeriesCount; ++i)
            QCOMPARE(Points(v.chart(), i), 0);
        t.close();
        QCOMPARE(t.state.registry.read("HistogramCellNumber"), QStringLiteral("0"));

        // No readings at all: the message, nothing drawn.
        t.prompt.clear();
        t.selection.serialFilter = QStringLiteral("NO SUCH UNIT");
        t.open();
        QCOMPARE(t.prompt.texts(), QStringList { "No data collection for this selected range of filter condition!" });
        QCOMPARE(Points(t.window->chart(), kHistogramBars), 0);
        QCOMPARE(t.window->chart().header.value(1), QStringLiteral("PSU-100, Range <All>"));
    }

    // With the engine's sums the window shows the figures and bars of every reading; a value that is no number
    // hands the plot back to the readings, and the note under the panel says so.
    void theEngineSumsTheReadingsWithTheSwitchOn()
    {
        Session s(mTemp.path());
        const QString panel = s.open().ui.lblSPCParameter1->text();
        const ChartModel client = s.window->chart();
        s.close();
        s.state.gServerSide = true;
        frmHistogram& w = s.open();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(w.lastOutcome().engine);
        QCOMPARE(w.ui.lblSPCParameter1->text(), panel);
        QCOMPARE(w.chart().series[kHistogramBars].points.size(), client.series[kHistogramBars].points.size());
        for (int i = 0; i < client.series[kHistogramBars].count(); ++i)
            QCOMPARE(w.chart().series[kHistogramBars].points.y(i), client.series[kHistogramBars].points.y(i));
        QVERIFY(!w.lblSkipped->isVisible());

        QVERIFY(s.exec("UPDATE PSU100_Results SET VOUT_5V = 'n/a' WHERE rowid = (SELECT MIN(rowid) FROM "
                       "PSU100_Results WHERE TestID = 'FT1' AND VOUT_5V <> 0)"));
        w.cmdRefresh->Click();
        QVERIFY(!w.lastOutcome().engine);
        QCOMPARE(w.lblSkipped->text(),
            QStringLiteral("Skipped, not a number: 1\nThe readings were read, not summed by "
                           "the engine: some values of the column are no number."));
        QVERIFY(w.lblSkipped->isVisible());
    }

private:
    QTemporaryDir mTemp;
};

QTEST_MAIN(FrmHistogramTest)
#include "frmhistogram_test.moc"
