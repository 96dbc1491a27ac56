// The scatter plot function on a SQLite results table: both pairings, titles, the line, centred readings, messages.
#include "common/nodata.h"
#include "distribution/scatterplot.h"

#include "plotsupport.h"
#include "testsupport.h"

using namespace moldrin;
using moldrin::test::Near;
using moldrin::test::PlotFixture;
using moldrin::test::ResultRow;

namespace
{

QStringList Labels(const ChartSeries& s)
{
    QStringList out;
    for (const ChartPoint& p : s.points)
        out << p.label;
    return out;
}

// Ten readings of A on ATE-01 and seven on ATE-02, interleaved in time; C is 0 on ATE-02.
QList<ResultRow> TwoTesters()
{
    QList<ResultRow> rows;
    for (int i = 0; i < 10; ++i)
        rows.append({ "ATE-01", 1.0 + i, 0.0, 1.0 });
    for (int i = 0; i < 7; ++i)
        rows.insert(2 * i + 1, { "ATE-02", 100.0 + i * 3, 0.0, 0.0 });
    return rows;
}

} // namespace

TEST(ScatterPlot, OneStatementPairsEveryRowAndDrawsTheLineAcrossTheAxis)
{
    // Inserted in reverse time order: the statement's order by start time numbers the pairs.
    QList<ResultRow> rows;
    for (int i = 5; i >= 1; --i)
        rows.append(
            { "ATE-01", double(i), 2.0 * i + 1, QVariant(), QString(), QStringLiteral("2026-11-01 08:0%1:00").arg(i) });
    PlotFixture f(rows);
    ChartModel chart = BuildScatterChartTemplate();
    const ScatterOutcome out = PlotScatter(f.state, chart, f.selection, { 0, 1, {}, {} }, f.host);
    ASSERT_TRUE(out.drawn);
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
    EXPECT_EQ(out.pairs, 5);
    const ChartSeries& data = chart.series[kScatterSeriesData];
    EXPECT_EQ(Labels(data), QStringList({ "1", "2", "3", "4", "5" }));
    EXPECT_EQ(data.points[0].x, 1.0);
    EXPECT_EQ(data.points[4].y, 11.0);
    const ChartSeries& line = chart.series[kScatterSeriesSlope];
    ASSERT_EQ(line.count(), 2);
    EXPECT_EQ(line.points[0].x, 1.0);
    EXPECT_EQ(line.points[1].x, 5.0);
    for (const ChartPoint& p : line.points) {
        EXPECT_CLOSE(p.y, 2 * p.x + 1);
        EXPECT_TRUE(p.label.isEmpty());
    }
    EXPECT_EQ(out.result.figures.correlation, 1.0);
    EXPECT_EQ(out.result.panelValues[7], "2.0"); // slope
    EXPECT_EQ(chart.header, QStringList({ "Regression Chart", "PSU-100, Range <All>" }));
    EXPECT_EQ(chart.bottom.title, "Alpha (V)");
    EXPECT_EQ(chart.left.title, "Beta"); // no unit: no parentheses

    // Drawn again (Refresh): the same points, line and title, nothing added twice.
    const ScatterOutcome again = PlotScatter(f.state, chart, f.selection, { 0, 1, {}, {} }, f.host);
    EXPECT_EQ(again.pairs, 5);
    EXPECT_EQ(chart.series[kScatterSeriesData].count(), 5);
    EXPECT_EQ(chart.series[kScatterSeriesSlope].count(), 2);
    EXPECT_EQ(chart.header[1], "PSU-100, Range <All>");
}

TEST(ScatterPlot, SeparateSourcesPairKthWithKthUpToTheShorterResult)
{
    PlotFixture f(TwoTesters());
    for (const bool xLonger : { true, false }) {
        ChartModel chart = BuildScatterChartTemplate();
        const ScatterInputs in
            = xLonger ? ScatterInputs { 0, 0, "ATE-01", "ATE-02" } : ScatterInputs { 0, 0, "ATE-02", "ATE-01" };
        const ScatterOutcome out = PlotScatter(f.state, chart, f.selection, in, f.host);
        ASSERT_TRUE(out.drawn) << out.failure.toStdString();
        const ChartSeries& data = chart.series[kScatterSeriesData];
        EXPECT_EQ(Labels(data), QStringList({ "1", "2", "3", "4", "5", "6", "7" }));
        for (int k = 0; k < 7; ++k) {
            const double ate01 = 1.0 + k, ate02 = 100.0 + k * 3;
            EXPECT_EQ(data.points[k].x, xLonger ? ate01 : ate02);
            EXPECT_EQ(data.points[k].y, xLonger ? ate02 : ate01);
        }
        EXPECT_EQ(chart.bottom.title, xLonger ? "Alpha ATE-01 (V)" : "Alpha ATE-02 (V)");
        EXPECT_EQ(chart.left.title, xLonger ? "Alpha ATE-02 (V)" : "Alpha ATE-01 (V)");
        EXPECT_EQ(out.result.figures.slope, xLonger ? 3.0 : 0.3333);
    }
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
}

TEST(ScatterPlot, CentredReadingsFromSeparateSourcesDraw)
{
    // Readings less their mean on both testers: ΣX = ΣY = 0, and the regression holds as for any others.
    QList<ResultRow> rows;
    const double xs[] = { -2, -1, 1, 2 }, ys[] = { -3, -1, 0.5, 3.5 };
    for (int i = 0; i < 4; ++i) {
        rows.append({ "ATE-01", xs[i], 0.0, 0.0 });
        rows.append({ "ATE-02", ys[i], 0.0, 0.0 });
    }
    PlotFixture f(rows);
    ChartModel chart = BuildScatterChartTemplate();
    const ScatterOutcome out = PlotScatter(f.state, chart, f.selection, { 0, 0, "ATE-01", "ATE-02" }, f.host);
    ASSERT_TRUE(out.drawn) << out.failure.toStdString();
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
    // Sxy = 6 + 1 + 0.5 + 7 = 14.5, Sxx = 10: slope 1.45 through the origin.
    EXPECT_EQ(out.result.figures.slope, 1.45);
    EXPECT_EQ(out.result.figures.intercept, 0);
    EXPECT_EQ(out.result.panelValues[1], "0.0"); // X mean
    EXPECT_EQ(chart.series[kScatterSeriesSlope].count(), 2);
    EXPECT_EQ(chart.left.title, "Alpha ATE-02 (V)");
    EXPECT_EQ(chart.header[1], "PSU-100, Range <All>");
}

TEST(ScatterPlot, SeparateSourcesSayWhyNothingIsDrawn)
{
    PlotFixture f(TwoTesters());
    ChartModel chart = BuildScatterChartTemplate();
    ScatterOutcome out = PlotScatter(f.state, chart, f.selection, { 0, 0, "ATE-01", "ATE-09" }, f.host);
    EXPECT_EQ(out.failure, kNoDataCollection);
    EXPECT_EQ(chart.series[kScatterSeriesData].count(), 0);

    // Y (C on ATE-02) is 0 throughout: no spread for the correlation.
    out = PlotScatter(f.state, chart, f.selection, { 0, 2, "ATE-01", "ATE-02" }, f.host);
    EXPECT_FALSE(out.drawn);
    EXPECT_EQ(out.pairs, 7);
    EXPECT_EQ(out.failure, "All 7 Y readings are 0: a regression needs readings that differ!");
    EXPECT_EQ(chart.series[kScatterSeriesSlope].count(), 0);
    EXPECT_EQ(f.host.scripted.messages.size(), 2);
}

TEST(ScatterPlot, NoRowsOneRowAndAFailingStatementAreReported)
{
    PlotFixture f({ { "ATE-01", 1.0, 2.0, 3.0 } });
    ChartModel chart = BuildScatterChartTemplate();
    ScatterOutcome out = PlotScatter(f.state, chart, f.selection, { 0, 1, {}, {} }, f.host);
    EXPECT_EQ(out.failure, "Only one pair of readings: a regression needs readings that differ!");
    EXPECT_EQ(chart.series[kScatterSeriesData].count(), 1);

    f.selection.serialFilter = "nope";
    out = PlotScatter(f.state, chart, f.selection, { 0, 1, {}, {} }, f.host);
    EXPECT_EQ(out.failure, kNoDataCollection);

    f.state.gParamColumn[1] = "Missing";
    out = PlotScatter(f.state, chart, f.selection, { 0, 1, {}, {} }, f.host);
    EXPECT_TRUE(out.failure.contains("Missing")) << out.failure.toStdString();
    EXPECT_TRUE(out.failure.endsWith("!"));

    out = PlotScatter(f.state, chart, f.selection, { 0, 7, {}, {} }, f.host);
    EXPECT_EQ(out.failure, "Subscript out of range!");

    ASSERT_EQ(f.host.scripted.messages.size(), 4);
    for (const PromptMessage& m : f.host.scripted.messages) {
        EXPECT_EQ(m.icon, PromptIcon::Exclamation);
        EXPECT_EQ(m.title, kAppTitle);
    }
    EXPECT_EQ(f.host.scripted.messages[1].text, "No data collection for this selected range of filter condition!");
}
