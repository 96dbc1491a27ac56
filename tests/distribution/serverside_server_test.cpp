// The histogram's and the Pareto's figures summed by PostgreSQL and MariaDB (through ODBC) against the same
// charts from every reading.
#include "enginepaths.h"
#include "servertables.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

// Results: readings about 5 with what the filters act on; Far: the same near 1e9.
class DistributionServers : public test::ServerTest
{
protected:
    static void SetUpTestSuite()
    {
        StartServers();
        test::LoadServerTables("dspg", "dsmaria", { "V", "W", "X" },
            { { "Results", test::ThreeColumns(test::MixedRows(1200)) },
                { "Far", test::ThreeColumns(test::NearOneBillionRows()) } });
    }
    void SetUp() override
    {
        sel = test::PrepareDistribution(state, settings.path());
        sel.uslText = sel.lslText = "N/A";
    }
};

} // namespace

TEST_F(DistributionServers, PostgreSqlGivesTheChartsOfEveryReading)
{
    ASSERT_TRUE(Connect("pg"));
    test::ExpectDistributionPathsAgree(state, sel);
}

TEST_F(DistributionServers, MariaDbGivesTheChartsOfEveryReading)
{
    ASSERT_TRUE(Connect("maria", "spc"));
    // The last data's grouped statement reads no rows on MariaDB on either path.
    test::ExpectDistributionPathsAgree(state, sel, false);
}

// Readings near 1e9 spread by about 0.05: each engine's deviations from its first mean keep the moments' digits.
TEST_F(DistributionServers, ReadingsFarFromZeroKeepTheirDigits)
{
    for (const auto& [dsn, password] : { std::pair { "pg", "" }, std::pair { "maria", "spc" } }) {
        SCOPED_TRACE(dsn);
        ASSERT_TRUE(Connect(dsn, password, "Far"));
        const test::HistogramRun client = test::HistogramOnce(state, sel, 20, false);
        const test::HistogramRun engine = test::HistogramOnce(state, sel, 20, true);
        test::ExpectSameHistogram(client, engine);
        EXPECT_NEAR(engine.out.histogram.stats.stdDev, 0.05, 0.005);
    }
}

// NaN and infinity pass the statements' conditions and are skipped and counted by the client: the engine hands
// both charts back, and the note says why.
TEST_F(DistributionServers, NaNOnPostgreSqlIsReadByTheClient)
{
    test::OpenAdminConnections("dspg", "dsmaria");
    test::Exec("dspg", "UPDATE \"Results\" SET \"V\" = 'NaN' WHERE \"SerialNumber\" = 'SN00031'");
    test::Exec("dspg", "UPDATE \"Results\" SET \"W\" = '-Infinity' WHERE \"SerialNumber\" = 'SN00032'");
    test::CloseConnections({ "dspg", "dsmaria" });
    ASSERT_TRUE(Connect("pg"));
    const test::HistogramRun client = test::HistogramOnce(state, sel, 20, false);
    const test::HistogramRun engine = test::HistogramOnce(state, sel, 20, true);
    test::ExpectSameHistogram(client, engine, false);
    EXPECT_EQ(engine.out.skipped.notNumbers, 2);
    test::ExpectSamePareto(test::ParetoOnce(state, sel, ParetoReading::Auto, false),
        test::ParetoOnce(state, sel, ParetoReading::Auto, true), false);
}
