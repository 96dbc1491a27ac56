// The histogram plot on a SQLite results table: the chart it fills, the cell table file and its messages.
#include "distribution/histogramplot.h"

#include "data/access/connection.h"
#include "data/loader/tempfiles.h"
#include "plothost.h"
#include "testsupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

// Columns of the results table: V the worked readings 2 4 4 4 5 5 7 9 (then nulls), M readings of mean 0,
// T three readings, E none at all, X a text that is no number, C four equal readings.
struct Fixture {
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    ChartModel chart = BuildHistogramChartTemplate();
    test::RecordingHost host;
    PlotSelection sel;

    Fixture()
    {
        const QString path = dir.filePath("results.db");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "histogram");
            db.setDatabaseName(path);
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec("CREATE TABLE Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, "
                               "PassFail TEXT, TestID TEXT, V REAL, M REAL, T REAL, E REAL, X TEXT, C REAL)"));
            const QList<QVariant> v { 2, 4, 4, 4, 5, 5, 7, 9, {}, {} };
            const QList<QVariant> m { -1, 1, -1, 1, {}, {}, {}, {}, {}, {} };
            const QList<QVariant> t { 1, 2, 4, {}, {}, {}, {}, {}, {}, {} };
            for (int i = 0; i < v.size(); ++i) {
                q.prepare("INSERT INTO Results VALUES (?, 'ATE-01', ?, 'PASS', 'FT1', ?, ?, ?, NULL, ?, ?)");
                q.addBindValue(QStringLiteral("SN%1").arg(i));
                q.addBindValue(QStringLiteral("2026-11-01 08:%1:00").arg(i, 2, 10, QChar('0')));
                q.addBindValue(v[i]);
                q.addBindValue(m[i]);
                q.addBindValue(t[i]);
                q.addBindValue(i == 3 ? QVariant("n/a") : QVariant(QString::number(i + 1)));
                q.addBindValue(i < 4 ? QVariant(5.0) : QVariant());
                EXPECT_TRUE(q.exec()) << q.lastError().text().toStdString();
            }
            db.close();
        }
        QSqlDatabase::removeDatabase("histogram");
        state.gConnection = std::make_shared<Connection>();
        IniDatabase ini;
        ini.DatabaseName = path;
        EXPECT_FALSE(state.gConnection->Open(BuildConnectionString(KindOf(ini), ini)));
        state.gDataSourceKind = KindName(KindOf(ini));
        state.gTableName = "Results";
        state.gParamColumn = { "V", "M", "T", "E", "X", "C" };
        state.gUSL = { 11, 999, 999, 999, 999, 999 };
        state.gLSL = { 1, -999, -999, -999, -999, -999 };
        state.gTempFile3 = dir.filePath("~0000003.spc");
        sel.product = "PSU-100";
        sel.range = "All";
        sel.query.acceptZero = true;
    }

    HistogramOutcome plot(int parameter, std::int64_t cells)
    {
        sel.parameterIndex = parameter;
        return PlotHistogram(state, chart, sel, cells, host);
    }

    QStringList cellTable() const
    {
        QFile f(state.gTempFile3);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
};

int PointTotal(const ChartModel& chart)
{
    int total = 0;
    for (const ChartSeries& s : chart.series)
        total += s.count();
    return total;
}

} // namespace

TEST(HistogramPlot, TheTemplate)
{
    const ChartModel chart = BuildHistogramChartTemplate();
    ASSERT_EQ(chart.seriesCount(), kHistogramSeriesCount);
    const QStringList titles { "Data", "Standard Distribution UCL LCL", "Standard Distribution USL LSL", "LSL", "USL",
        "Mean", "-3SD", "+3SD", "-2D", "+2D", "-1D", "+1D" };
    for (int i = 0; i < chart.seriesCount(); ++i) {
        EXPECT_EQ(chart.series[i].title, titles[i]);
        EXPECT_EQ(chart.series[i].marks.visible, i >= kHistogramFirstMarker) << i;
    }
    EXPECT_EQ(chart.series[kHistogramBars].kind, SeriesKind::Bar);
    EXPECT_EQ(chart.series[kHistogramBars].barWidthPercent, 75);
    EXPECT_EQ(chart.header, (QStringList { "Histogram Chart", "" }));
    EXPECT_EQ(chart.left.title, "Frequency");
    EXPECT_EQ(chart.left.labelFormat, "#,##0");
    EXPECT_EQ(chart.left.labelSize, 38);
    EXPECT_FALSE(chart.left.automatic);
}

TEST(HistogramPlot, FillsTheChartAndWritesTheCellTable)
{
    Fixture f;
    const HistogramOutcome out = f.plot(0, 7);
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
    EXPECT_EQ(out.records, 8); // the nulls are left out by the statement
    ASSERT_TRUE(out.drawn);
    const ChartModel& c = f.chart;
    const ChartSeries& bars = c.series[kHistogramBars];
    ASSERT_EQ(bars.count(), 7);
    EXPECT_EQ(bars.points[2].x, 4); // each bar at its cell's lower edge
    EXPECT_EQ(bars.points[2].y, 3);
    EXPECT_EQ(bars.points[2].label, "");
    EXPECT_EQ(c.series[kHistogramDataCurve].count(), int(out.histogram.dataCurve.size()));
    EXPECT_EQ(c.series[kHistogramSpecCurve].count(), kHistogramCurvePoints);
    EXPECT_EQ(c.series[kHistogramSpecCurve].points[325].label, "1.4927");
    for (int i = kHistogramFirstMarker; i < kHistogramSeriesCount; ++i) {
        const ChartSeries& line = c.series[i];
        ASSERT_EQ(line.count(), 2) << i;
        EXPECT_EQ(line.points[0].y, 0);
        EXPECT_EQ(line.points[0].label, " ");
        EXPECT_EQ(line.points[0].x, line.points[1].x);
        EXPECT_EQ(line.points[1].label, out.histogram.markers[i - kHistogramFirstMarker].label);
    }
    EXPECT_EQ(c.series[kHistogramFirstMarker + 2].points[1].label, "Mean=5.0");
    EXPECT_FALSE(c.left.automatic);
    EXPECT_EQ(c.left.minimum, 0);
    EXPECT_CLOSE(c.left.maximum, 3.09);
    EXPECT_EQ(out.histogram.panelValues[0], "8");
    EXPECT_EQ(c.panelValues, out.histogram.panelValues); // for printed and exported pages
    EXPECT_EQ(c.panelCaptions, HistogramPanelCaptions());
    EXPECT_EQ(f.cellTable(), out.histogram.cellTableLines);
    EXPECT_EQ(f.cellTable().last(), "Total\t\t\t\t8");
    EXPECT_EQ(c.header, (QStringList { "Histogram Chart", "PSU-100, Range <All>" }));

    // A second drawing replaces the first: 3 cells, no more bars of the 7.
    EXPECT_TRUE(f.plot(0, 3).drawn);
    EXPECT_EQ(f.chart.series[kHistogramBars].count(), 3);
    EXPECT_EQ(f.chart.series[kHistogramFirstMarker].count(), 2);

    // The bars take the stored width, kept within the window's scroll bar.
    for (const auto& [stored, drawn] : { std::pair { 30, 30 }, { -5, 1 }, { 250, 100 } }) {
        f.state.gHistogramBarWidth = stored;
        ASSERT_TRUE(f.plot(0, 3).drawn);
        EXPECT_EQ(f.chart.series[kHistogramBars].barWidthPercent, drawn) << stored;
    }
}

TEST(HistogramPlot, WhatEachEndLeavesOfThePreviousChart)
{
    Fixture f;
    ASSERT_TRUE(f.plot(0, 7).drawn);
    const int drawn = PointTotal(f.chart);
    const QStringList table = f.cellTable();

    // Three readings: the failure is found before the chart is cleared; the chart and its cell table stay.
    HistogramOutcome out = f.plot(2, 7);
    EXPECT_EQ(f.host.scripted.texts(), QStringList { "Division by zero!" });
    EXPECT_EQ(f.host.scripted.messages.first().icon, PromptIcon::Exclamation);
    EXPECT_EQ(PointTotal(f.chart), drawn);
    EXPECT_EQ(f.cellTable(), table);

    // Equal readings are said so, where they once ended without a word.
    f.host.scripted.clear();
    out = f.plot(5, 7);
    EXPECT_FALSE(out.drawn);
    EXPECT_EQ(f.host.scripted.texts(), QStringList { "All 4 readings are 5: a histogram needs readings that differ!" });
    EXPECT_EQ(PointTotal(f.chart), drawn);

    // No rows at all.
    f.host.scripted.clear();
    out = f.plot(3, 7);
    EXPECT_EQ(out.records, 0);
    EXPECT_EQ(
        f.host.scripted.texts(), QStringList { "No data collection for this selected range of filter condition!" });
    EXPECT_EQ(PointTotal(f.chart), drawn);

    // A reading that is no number is skipped and counted; the other nine draw, without a message.
    f.host.scripted.clear();
    out = f.plot(4, 7);
    EXPECT_TRUE(out.drawn);
    EXPECT_EQ(out.records, 9);
    EXPECT_EQ(out.skipped.notNumbers, 1);
    EXPECT_EQ(f.host.scripted.texts(), QStringList());

    // No cells: found after the chart is cleared, which stays empty, and so does the cell table.
    f.host.scripted.clear();
    out = f.plot(0, 0);
    EXPECT_TRUE(out.chartCleared);
    EXPECT_FALSE(out.drawn);
    EXPECT_EQ(f.host.scripted.texts(), QStringList { "Division by zero!" });
    EXPECT_EQ(PointTotal(f.chart), 0);
    EXPECT_TRUE(f.cellTable().isEmpty());

    // Readings whose mean is exactly 0 draw like any other.
    f.host.scripted.clear();
    out = f.plot(1, 2);
    EXPECT_TRUE(out.drawn);
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
    EXPECT_EQ(
        f.cellTable(), (QStringList { "1\t-1.0000\tto  0.0000\t2", "2\t0.0000\tto  1.0000\t2", "Total\t\t\t\t4" }));
}

TEST(HistogramPlot, ANewChartThatDrawsNothingListsNoCells)
{
    // One parameter's histogram leaves its cell table; the next window's first drawing fails.
    Fixture f;
    ASSERT_TRUE(f.plot(0, 7).drawn);
    ASSERT_FALSE(f.cellTable().isEmpty());
    f.chart = BuildHistogramChartTemplate();
    EXPECT_FALSE(f.plot(2, 7).drawn);
    EXPECT_TRUE(f.cellTable().isEmpty());
}

TEST(HistogramPlot, TheTitleLineIsSetBeforeAnyFailure)
{
    Fixture f;
    f.sel.range = "Custom";
    f.state.gCustomStart = QDate(2026, 11, 1);
    f.state.gCustomEnd = QDate(2026, 11, 2);
    f.plot(3, 7); // no rows
    ASSERT_EQ(f.host.scripted.messages.size(), 1);
    const QLocale system = QLocale::system();
    EXPECT_EQ(f.chart.header,
        (QStringList { "Histogram Chart",
            "PSU-100 as " + system.toString(QDate(2026, 11, 1), QLocale::ShortFormat) + " to "
                + system.toString(QDate(2026, 11, 2), QLocale::ShortFormat) }));
}

TEST(HistogramPlot, AnUnwritableCellTableIsReported)
{
    Fixture f;
    f.state.gTempFile3 = f.dir.filePath("no/such/folder/~0000003.spc");
    const HistogramOutcome out = f.plot(0, 7);
    EXPECT_FALSE(out.drawn);
    ASSERT_EQ(f.host.scripted.messages.size(), 1);
    EXPECT_TRUE(f.host.scripted.texts().first().endsWith("!"));
    EXPECT_EQ(PointTotal(f.chart), 0);
}

TEST(HistogramPlot, TheStoredCellCount)
{
    EXPECT_EQ(HistogramCellsSetting("50"), 50);
    EXPECT_EQ(HistogramCellsSetting(" 30.9 "), 30);
    EXPECT_EQ(HistogramCellsSetting("-3"), -3);
    EXPECT_EQ(HistogramCellsSetting(""), 20);
    EXPECT_EQ(HistogramCellsSetting("many"), 20);
    EXPECT_EQ(HistogramCellsSetting("1e30"), std::numeric_limits<std::int64_t>::max());
}
