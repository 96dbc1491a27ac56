// The histogram's and the Pareto's figures summed by SQLite against the same charts from every reading.
#include "enginepaths.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

struct SqliteFixture : test::SqliteResults {
    explicit SqliteFixture(const QList<test::ResultRow>& rows)
        : SqliteResults(test::ThreeColumns(rows), { "V", "W", "X" })
    {
        sel = test::PrepareDistribution(state, dir.path());
        sel.uslText = sel.lslText = "N/A";
    }
    void Histogram(std::int64_t cells, bool engineSums = true)
    {
        const test::HistogramRun client = test::HistogramOnce(state, sel, cells, false);
        test::ExpectSameHistogram(client, test::HistogramOnce(state, sel, cells, true), engineSums);
    }
};

// Readings `base` + k·step (k = 0 .. count − 1) in V, each once.
QList<test::ResultRow> Steps(int count, double base, double step)
{
    QList<test::ResultRow> rows = test::MixedRows(count);
    for (int k = 0; k < count; ++k) {
        rows[k].values = { base + k * step };
        rows[k].verdict = QStringLiteral("PASS");
    }
    return rows;
}

} // namespace

// Zeros, 999 and -999, nulls, failed units, the last data's grouping; a start time that is no time counted.
TEST(ServerSideDistribution, SqliteGivesTheChartsOfEveryReading)
{
    SqliteFixture f(test::MixedRows(1200));
    f.Change("UPDATE Results SET TestStartTime = 'n/a' WHERE rowid = 100");
    ASSERT_TRUE(f.Connect());
    test::ExpectDistributionPathsAgree(f.state, f.sel);
}

// Readings on the cells' edges: whole numbers on whole edges, and tenths, whose edges fall between doubles. The
// engine leaves the readings near an edge to the client, which places them as it places every reading.
TEST(ServerSideDistribution, ReadingsOnCellEdgesLandInTheClientsCells)
{
    for (const auto& [base, step, cells] :
        { std::tuple { 0.0, 1.0, std::int64_t(10) }, std::tuple { 0.0, 0.1, std::int64_t(10) },
            std::tuple { -3.3, 0.1, std::int64_t(7) }, std::tuple { 1e6, 0.001, std::int64_t(13) } }) {
        SCOPED_TRACE(std::to_string(step) + " from " + std::to_string(base));
        SqliteFixture f(Steps(301, base, step));
        ASSERT_TRUE(f.Connect());
        f.sel.query.acceptZero = true;
        f.Histogram(cells);
        f.Histogram(cells * 3 + 1);
    }
}

// Readings near 1e9 spread by about 0.05: the engine's deviations from its first mean keep the moments' digits.
TEST(ServerSideDistribution, ReadingsFarFromZeroKeepTheirDigits)
{
    SqliteFixture f(test::NearOneBillionRows());
    ASSERT_TRUE(f.Connect());
    for (std::int64_t cells : { 7, 20 })
        f.Histogram(cells);
    const test::HistogramRun engine = test::HistogramOnce(f.state, f.sel, 20, true);
    EXPECT_NEAR(engine.out.histogram.stats.stdDev, 0.05, 0.005); // the spread, not rounding noise
}

// A value that is no number (or "5.012" as text, which the client reads as a number) hands both charts back to
// the client, which skips and counts it; the note says why.
TEST(ServerSideDistribution, AValueThatIsNoNumberIsReadByTheClient)
{
    SqliteFixture f(test::MixedRows(300));
    f.Change("UPDATE Results SET V = CASE rowid WHEN 20 THEN 'n/a' ELSE '5.012' END WHERE rowid IN (20, 21)");
    ASSERT_TRUE(f.Connect());
    f.Histogram(20, false);
    const test::HistogramRun engine = test::HistogramOnce(f.state, f.sel, 20, true);
    EXPECT_EQ(engine.out.skipped.notNumbers, 1);
    EXPECT_EQ(engine.out.note.toStdString(),
        "The readings were read, not summed by the engine: some values of the column are no number.");
    for (ParetoReading reading : { ParetoReading::Auto, ParetoReading::PerParameter })
        test::ExpectSamePareto(
            test::ParetoOnce(f.state, f.sel, reading, false), test::ParetoOnce(f.state, f.sel, reading, true), false);
}

// What ends a histogram early ends it alike: no rows, one value, too few readings for the kurtosis, a cell
// count the computation refuses; readings near the largest double are handed back.
TEST(ServerSideDistribution, FailuresAreTheSame)
{
    SqliteFixture f(Steps(3, 1, 1));
    ASSERT_TRUE(f.Connect());
    f.Histogram(20); // three readings: "Division by zero"
    f.Histogram(0);
    f.Change("UPDATE Results SET V = 4");
    f.Histogram(20);
    f.sel.serialFilter = "NOSUCH";
    f.Histogram(20);
    f.sel.serialFilter.clear();
    f.Change("UPDATE Results SET V = 1.7e308 - rowid * 1e292");
    f.Histogram(20);
}
