// Tests of frmRawData on a listing file in the loader's layout: information line, lines shown,
// highlighted readings, clicks that leave them as they are, and a missing listing.
#include "data/loader/tempfiles.h"
#include "resultstable.h"
#include "variables/variableschart.h"
#include "variables/variablesplot.h"
#include "variables/windows/frmrawdata.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace moldrin;

class FrmRawDataTest : public QObject
{
    Q_OBJECT

    QTemporaryDir mDir;
    QList<double> mValues;
    QStringList mLines; // the listing's reading lines as written

    frmRawData* Open(
        AppState& state, ScriptedPrompt& prompt, double value, const QString& chartType, const QString& sizeText)
    {
        auto* window = new frmRawData(state, prompt, RawDataInputs { value, chartType, sizeText, {} });
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->load();
        return window;
    }

    std::unique_ptr<AppState> State(int sampleSize, int series, int point, bool individual = false)
    {
        auto made = std::make_unique<AppState>(mDir.filePath("settings"));
        AppState& state = *made;
        state.gTempFile1 = mDir.filePath("~0012345.spc");
        state.gSampleSize = sampleSize;
        state.gClickedSeries = series;
        state.gClickedPoint = point;
        state.gClickedIsIndividual = individual;
        return made;
    }

    QList<int> Selected(const frmRawData& window) const { return window.selectedLines(); }
    QListWidget* List(const frmRawData& window) const { return window.findChild<QListWidget*>("lstRawData"); }

private Q_SLOTS:
    void initTestCase()
    {
        // 23 readings as the subgroup loader lists them (the heading first).
        QFile file(mDir.filePath("~0012345.spc"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream out(&file);
        out << data::ListingHeading(QStringLiteral("Vout (V)")) << '\n';
        for (int i = 0; i < 23; ++i) {
            mValues << 10 + i * 0.0125 + (i == 12 ? 0.0001 : 0);
            std::string line;
            data::AppendListingLine(line, QStringLiteral("SN%1").arg(i, 3, 10, QChar('0')).toStdString(), mValues[i],
                NumberFormat(QStringLiteral("#,##0.000#")), i % 2 ? "ATE-02" : "ATE-01",
                data::WallTime { 2026, 11, 1, 8, i }, true);
            mLines << QString::fromStdString(line);
            out << mLines.last() << '\n';
        }
    }

    void namesAndCaptions()
    {
        auto owned = State(5, 5, 0);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, 10, "X-Bar-R", "5"));
        QCOMPARE(window->objectName(), QStringLiteral("frmRawData"));
        QCOMPARE(window->windowTitle(), QStringLiteral("Plotting Data Viewer"));
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->text(),
            QStringLiteral("Value           Source              Date/Time") + QString(40, ' ')
                + QStringLiteral(" Unit Ref."));
        // The listing's columns line up under the heading: every character of both takes one advance.
        const QFont font = List(*window)->font();
        QCOMPARE(window->findChild<QLabel*>("lblTitle")->font(), font);
        const QFontMetricsF metrics(font);
        for (const QString& text : mLines + QStringList { window->findChild<QLabel*>("lblTitle")->text() })
            for (const QChar c : text)
                QVERIFY2(metrics.horizontalAdvance(c) == metrics.horizontalAdvance(QLatin1Char('0')),
                    qPrintable(QStringLiteral("'%1' in %2").arg(c, text)));
        QCOMPARE(List(*window)->selectionMode(), QAbstractItemView::MultiSelection);
        QCOMPARE(window->findChild<LumButton*>("cmdClose")->Caption(), QStringLiteral("Close"));
        QVERIFY(window->findChild<QPushButton*>("cmdDefault")->isDefault());
    }

    void thirdSubgroupOfAnXBarRChart()
    {
        auto owned = State(5, 5, 2);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        double mean = 0;
        for (int i = 10; i < 15; ++i)
            mean += mValues[i] / 5;
        std::unique_ptr<frmRawData> window(Open(state, prompt, mean, "X-Bar-R", "5"));
        QVERIFY(prompt.messages.isEmpty());
        QVERIFY(!window->loading());
        const QString info = window->findChild<QLabel*>("lblPlottedDataInfo")->text();
        QVERIFY2(info.startsWith("X-Bar Chart, Sub-Group = 3 Size = 5, Average Value = 10.1"), qPrintable(info));
        QCOMPARE(List(*window)->count(), 23);
        for (int i = 0; i < 23; ++i)
            QCOMPARE(List(*window)->item(i)->text(), mLines[i]); // shown unchanged
        QCOMPARE(Selected(*window), (QList<int> { 10, 11, 12, 13, 14 }));
    }

    void medianClickMakesTheMiddleReadingCurrent()
    {
        // Reading 12 (10.1501) is the median of subgroup 3 and is listed as "10.1501".
        auto owned = State(5, 0, 2);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, mValues[12], "X-Bar-R-Median-s", "5"));
        QCOMPARE(window->findChild<QLabel*>("lblPlottedDataInfo")->text(),
            QStringLiteral("Median Chart, Sub-Group = 3 Size = 5, Middle Value = 10.1501"));
        QCOMPARE(Selected(*window), (QList<int> { 10, 11, 12, 13, 14 }));
        QCOMPARE(List(*window)->currentRow(), 12);
    }

    void evenSizeMedianWording()
    {
        auto owned = State(4, 0, 2);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, 10.11875, "Median-R", "4"));
        QCOMPARE(window->findChild<QLabel*>("lblPlottedDataInfo")->text(),
            QStringLiteral("Median Chart, Sub-Group = 3 Size = 4, Avg. form 2 Middle Values = 10.1188"));
        QCOMPARE(Selected(*window), (QList<int> { 8, 9, 10, 11 }));
    }

    void individualReading()
    {
        auto owned = State(5, 0, 7, true);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, mValues[7], "Individual-MR", "5"));
        QCOMPARE(window->findChild<QLabel*>("lblPlottedDataInfo")->text(),
            QStringLiteral("Individual Chart, Sample Number = 8, Value = 10.0875"));
        QCOMPARE(Selected(*window), QList<int> { 7 });
    }

    void clicksInTheListLeaveTheHighlightedSet()
    {
        auto owned = State(5, 5, 2);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, 10.15, "X-Bar-R", "5"));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QListWidget* list = List(*window);
        const QList<int> highlighted { 10, 11, 12, 13, 14 };
        for (int row : { 3, 11, 14, 20 }) {
            list->scrollToItem(list->item(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            QCOMPARE(Selected(*window), highlighted);
        }
        list->setFocus();
        QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(Selected(*window), highlighted);
        list->clearSelection();
        QCOMPARE(Selected(*window), highlighted);
    }

    void missingListingFile()
    {
        auto owned = State(5, 5, 2);
        AppState& state = *owned;
        state.gTempFile1 = mDir.filePath("~9999999.spc");
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, 10, "X-Bar-R", "5"));
        QCOMPARE(prompt.messages.size(), 1);
        QCOMPARE(prompt.messages[0].text,
            QStringLiteral("The listing of the readings could not be written in the temporary folder ")
                + QDir::toNativeSeparators(mDir.path()) + u'!');
        QCOMPARE(prompt.messages[0].title, QStringLiteral("Open Raw Data"));
        QCOMPARE(prompt.messages[0].icon, PromptIcon::Exclamation);
        // What was filled stays; the loading flag stays raised.
        QVERIFY(window->findChild<QLabel*>("lblPlottedDataInfo")->text().startsWith("X-Bar Chart"));
        QVERIFY(!window->findChild<QLabel*>("lblTitle")->text().isEmpty());
        QCOMPARE(List(*window)->count(), 0);
        QVERIFY(window->loading());

        // A listing removed because the chart went on without it says so.
        state.gListingGone = QStringLiteral("Extended");
        ScriptedPrompt told;
        window.reset(Open(state, told, 10, "X-Bar-R", "5"));
        QCOMPARE(told.messages.size(), 1);
        QCOMPARE(told.messages[0].text, QStringLiteral("Extended!"));
    }

    // On a chart the engine formed the window reads the clicked subgroup's readings alone: the listing's lines
    // of the same readings, all highlighted, the clicked mean's reading current.
    void engineChartShowsTheClickedSubgroupAlone()
    {
        QList<test::ResultRow> rows;
        for (int i = 0; i < 23; ++i)
            rows << test::ResultRow { QStringLiteral("SN%1").arg(i, 3, 10, QChar('0')), i % 2 ? "ATE-02" : "ATE-01",
                QDateTime(QDate(2026, 11, 1), QTime(8, i)), { mValues[i] } };
        const QString db = mDir.filePath("engine.db");
        QCOMPARE(test::WriteResultsTable(db, { "V" }, rows), QString());
        auto owned = State(5, 5, 2);
        AppState& state = *owned;
        QVERIFY(test::ConnectResults(state, db));
        state.gParamColumn = { "V" };
        state.gSpecField4 = { "V" };
        state.gServerSide = true;
        data::PlotSelection sel;
        sel.parameterItem = "Vout (V)";
        sel.range = "All";
        sel.chartType = "X-Bar-R";
        sel.uslText = sel.lslText = "N/A";
        ChartModel chart = BuildVariablesChartTemplate();
        ScriptedPrompt prompt;
        data::PromptHost host(prompt);
        const VariablesPlotOutcome out = PlotVariablesChart(state, chart, sel, host);
        QVERIFY(out.engine);
        QCOMPARE(out.pointCount, 4L);
        RawDataInputs inputs { chart.series[kSeriesXBar].points.y(2), "X-Bar-R", "5", out.engine };
        frmRawData window(state, prompt, inputs);
        window.load();
        QVERIFY(prompt.messages.isEmpty());
        QCOMPARE(List(window)->count(), 5);
        for (int i = 0; i < 5; ++i)
            QCOMPARE(List(window)->item(i)->text(), mLines[10 + i]);
        QCOMPARE(Selected(window), (QList<int> { 0, 1, 2, 3, 4 }));
        state.gConnection.reset();
    }

    void bothButtonsClose()
    {
        auto owned = State(5, 5, 0);
        AppState& state = *owned;
        ScriptedPrompt prompt;
        std::unique_ptr<frmRawData> window(Open(state, prompt, 10, "X-Bar-R", "5"));
        window->show();
        auto* close = window->findChild<LumButton*>("cmdClose");
        QTest::mouseClick(close, Qt::LeftButton, {}, close->rect().center());
        QVERIFY(!window->isVisible());

        std::unique_ptr<frmRawData> other(Open(state, prompt, 10, "X-Bar-R", "5"));
        other->show();
        QVERIFY(QTest::qWaitForWindowExposed(other.get()));
        QTest::keyClick(other.get(), Qt::Key_Return);
        QVERIFY(!other->isVisible());
        QCOMPARE(other->result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(FrmRawDataTest)
#include "frmrawdata_test.moc"
