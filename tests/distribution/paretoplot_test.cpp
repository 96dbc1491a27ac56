// The Pareto plot function on a SQLite results table: ranking, titles, count, both ways of reading, no data.
#include "common/nodata.h"
#include "distribution/paretoplot.h"

#include "plotsupport.h"

#include <algorithm>

using namespace moldrin;
using moldrin::test::PlotFixture;
using moldrin::test::ResultRow;

namespace
{

// Readings that the statements leave out (null, 999, -999) in every column, rows where only some
// parameters are valid, negative values, two testers.
QList<ResultRow> Mixed()
{
    QList<ResultRow> rows;
    const QVariant null;
    for (int i = 0; i < 40; ++i) {
        const QVariant a = i % 7 == 0 ? null : i % 11 == 0 ? QVariant(999.0) : QVariant(0.1 * i - 1.3);
        const QVariant b = i % 5 == 0 ? QVariant(-999.0) : QVariant(2.5 + i % 3);
        const QVariant c = i % 3 == 0 ? null : QVariant(-0.7 * (i % 4) + 4);
        rows.append({ i % 2 ? "ATE-01" : "ATE-02", a, b, c });
    }
    return rows;
}

QStringList Labels(const ChartSeries& s)
{
    QStringList out;
    for (const ChartPoint& p : s.points)
        out << p.label;
    return out;
}

} // namespace

TEST(ParetoPlot, RanksTheParametersAndDrawsBarsLineAndTitles)
{
    // A sums to 5, B to 20, C to 5.
    PlotFixture f({ { "ATE-01", 2.0, 10.0, 1.0 }, { "ATE-02", 3.0, 10.0, 4.0 } });
    f.state.gParetoBarWidth = 60;
    ChartModel chart = BuildParetoChartTemplate();
    for (int run = 0; run < 2; ++run) { // loading, then Refresh: never doubled
        const ParetoOutcome out = PlotPareto(f.state, chart, f.selection, f.host);
        ASSERT_TRUE(out.drawn);
        EXPECT_EQ(out.records, 2);
        EXPECT_EQ(out.countText, "2");
        const ChartSeries& bars = chart.series[kParetoSeriesData];
        EXPECT_EQ(Labels(bars), QStringList({ "Beta\r(20)", "Alpha\r(5)", "Gamma\r(5)" }));
        ASSERT_EQ(bars.count(), 3);
        EXPECT_EQ(bars.points[0].x, 0);
        EXPECT_NEAR(bars.points[0].y, 200.0 / 3, 1e-12);
        EXPECT_NEAR(bars.points[2].y, 50.0 / 3, 1e-12);
        EXPECT_EQ(bars.barWidthPercent, 60);
        const ChartSeries& line = chart.series[kParetoSeriesPercent];
        ASSERT_EQ(line.count(), 3);
        EXPECT_NEAR(line.points[1].y, 250.0 / 3, 1e-12);
        EXPECT_EQ(line.points[2].y, 100.0);
        EXPECT_EQ(chart.header, QStringList({ "Pareto Chart", "PSU-100, Range <All>" }));
        EXPECT_EQ(chart.subFooter, QStringList({ "Parameters" }));
        EXPECT_EQ(out.xTitle, "Parameters");
    }
    // The names stay in list order for everyone else.
    EXPECT_EQ(f.state.gParamName, QStringList({ "Alpha", "Beta", "Gamma" }));
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
}

TEST(ParetoPlot, OnePassGivesTheFiguresOfOneStatementPerParameter)
{
    PlotFixture f(Mixed());
    for (const QString& tester : { QString(), QStringLiteral("ATE-01") }) {
        f.selection.tester = tester;
        ChartModel one = BuildParetoChartTemplate(), each = BuildParetoChartTemplate();
        const ParetoOutcome a = PlotPareto(f.state, one, f.selection, f.host, ParetoReading::Auto);
        const ParetoOutcome b = PlotPareto(f.state, each, f.selection, f.host, ParetoReading::PerParameter);
        ASSERT_TRUE(a.drawn && b.drawn);
        EXPECT_EQ(a.records, b.records);
        EXPECT_EQ(a.ranking.total, b.ranking.total);
        ASSERT_EQ(a.ranking.items.size(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(a.ranking.items[i].name, b.ranking.items[i].name);
            EXPECT_EQ(a.ranking.items[i].sum, b.ranking.items[i].sum);
            EXPECT_EQ(one.series[0].points[i].y, each.series[0].points[i].y);
            EXPECT_EQ(one.series[1].points[i].y, each.series[1].points[i].y);
        }
    }
    // Worked by hand over all 40 rows: A is valid where i is no multiple of 7 or 11 (31 rows).
    f.selection.tester.clear();
    ChartModel chart = BuildParetoChartTemplate();
    const ParetoOutcome out = PlotPareto(f.state, chart, f.selection, f.host);
    EXPECT_EQ(out.records, 31);
    double a = 0;
    for (int i = 0; i < 40; ++i)
        if (i % 7 && i % 11)
            a += 0.1 * i - 1.3;
    const auto alpha = std::find_if(out.ranking.items.begin(), out.ranking.items.end(),
        [](const ParetoItem& item) { return item.name == "Alpha"; });
    ASSERT_NE(alpha, out.ranking.items.end());
    EXPECT_NEAR(alpha->sum, a, 1e-12);
}

TEST(ParetoPlot, LastDataOnlySumsTheGroupsMaxima)
{
    // Two rows of one unit at one start time form one group: its A is the larger reading.
    PlotFixture f({ { "ATE-01", 1.0, 1.0, 1.0, "SN1", "2026-11-01 08:00:00" },
        { "ATE-01", 3.0, 2.0, 1.0, "SN1", "2026-11-01 08:00:00" },
        { "ATE-01", 4.0, 1.0, 1.0, "SN2", "2026-11-01 08:01:00" } });
    f.selection.lastDataOnly = true;
    ChartModel chart = BuildParetoChartTemplate();
    const ParetoOutcome out = PlotPareto(f.state, chart, f.selection, f.host);
    ASSERT_TRUE(out.drawn);
    EXPECT_EQ(out.records, 2);
    EXPECT_EQ(out.ranking.items[0].name, "Alpha");
    EXPECT_EQ(out.ranking.items[0].sum, 7.0);
    EXPECT_EQ(out.ranking.items[1].sum, 3.0); // B: 2 + 1
}

TEST(ParetoPlot, ATotalOfZeroIsNoDataButTheCountIsShown)
{
    PlotFixture f({ { "ATE-01", 5.0, 0.0, QVariant() }, { "ATE-01", -5.0, 0.0, QVariant() } });
    ChartModel chart = BuildParetoChartTemplate();
    const ParetoOutcome out = PlotPareto(f.state, chart, f.selection, f.host);
    EXPECT_FALSE(out.drawn);
    EXPECT_EQ(out.failure, kNoDataCollection);
    EXPECT_EQ(out.countText, "2");
    EXPECT_EQ(chart.series[kParetoSeriesData].count(), 0);
    ASSERT_EQ(f.host.scripted.messages.size(), 1);
    EXPECT_EQ(f.host.scripted.messages[0].icon, PromptIcon::Exclamation);

    f.state.gParamColumn[2] = "Missing";
    const ParetoOutcome failed = PlotPareto(f.state, chart, f.selection, f.host, ParetoReading::PerParameter);
    EXPECT_TRUE(failed.failure.contains("Missing"));
    EXPECT_TRUE(failed.failure.endsWith("!"));
    EXPECT_TRUE(failed.countText.isEmpty());
}

// A reading that is text ends the run as a conversion to a number does, whichever way the rows are read.
TEST(ParetoPlot, AReadingThatIsNoNumberEndsTheRun)
{
    PlotFixture f({ { "ATE-01", 1.0, 2.0, 3.0 }, { "ATE-01", 1.0, QStringLiteral("n/a"), 3.0 } });
    for (const ParetoReading reading : { ParetoReading::Auto, ParetoReading::PerParameter }) {
        ChartModel chart = BuildParetoChartTemplate();
        const ParetoOutcome out = PlotPareto(f.state, chart, f.selection, f.host, reading);
        EXPECT_EQ(out.failure, "Type mismatch!");
        EXPECT_EQ(chart.series[kParetoSeriesData].count(), 0);
    }
}

TEST(ParetoPlot, NegativeSumsStayInsideThePercentAxis)
{
    // A 30, B 5, C -15 of a total of 20: bars of 150 %, 25 % and -75 %, the line up to 175 % and back to 100 %.
    PlotFixture f({ { "ATE-01", 30.0, 5.0, -15.0 } });
    ChartModel chart = BuildParetoChartTemplate();
    ASSERT_TRUE(PlotPareto(f.state, chart, f.selection, f.host).drawn);
    EXPECT_EQ(chart.series[kParetoSeriesPercent].points.y(1), 175);
    EXPECT_EQ(chart.series[kParetoSeriesData].points.y(2), -75);
    EXPECT_FALSE(chart.left.automatic);
    EXPECT_NEAR(chart.left.maximum, 175 + 0.05 * 250, 1e-9);
    EXPECT_NEAR(chart.left.minimum, -75 - 0.05 * 250, 1e-9);

    // Positive sums draw on the template's 0 to 105 again.
    PlotFixture positive({ { "ATE-01", 3.0, 5.0, 1.0 } });
    ASSERT_TRUE(PlotPareto(positive.state, chart, positive.selection, positive.host).drawn);
    EXPECT_EQ(chart.left.minimum, 0);
    EXPECT_EQ(chart.left.maximum, 105);
}

TEST(ParetoPlot, OnlyTheListedParametersAreRead)
{
    // After a Spec section without its end marker the tables keep empty slots past the parameters read.
    PlotFixture f({ { "ATE-01", 2.0, 10.0, 1.0 } });
    f.state.gParamColumn.resize(501);
    f.state.gParamName.resize(501);
    for (ParetoReading reading : { ParetoReading::Auto, ParetoReading::PerParameter }) {
        ChartModel chart = BuildParetoChartTemplate();
        const ParetoOutcome out = PlotPareto(f.state, chart, f.selection, f.host, reading);
        ASSERT_TRUE(out.drawn) << out.failure.toStdString();
        EXPECT_EQ(chart.series[kParetoSeriesData].count(), 3);
    }
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
}
