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

// Results: readings about 5 with what the filters act on; Far: the same near 1e9, spread by about 0.05.
QList<test::ResultRow> FarRows()
{
    QList<test::ResultRow> rows = test::MixedRows(1200);
    for (test::ResultRow& r : rows)
        if (!std::isnan(r.values[0]) && std::fabs(r.values[0]) < 100 && r.values[0] != 0)
            r.values[0] += 1e9;
    return rows;
}

class DistributionServers : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        test::UseServerDsns(dir->path());
        test::LoadServerTables("dspg", "dsmaria", { "V", "W", "X" },
            { { "Results", test::ThreeColumns(test::MixedRows(1200)) }, { "Far", test::ThreeColumns(FarRows()) } });
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }

    void SetUp() override
    {
        sel = test::PrepareDistribution(state, settings.path());
        sel.uslText = sel.lslText = "N/A";
    }
    bool Connect(const char* dsn, const char* password = "", const char* table = "Results")
    {
        return test::ConnectServer(state, dsn, password, table);
    }

    static QTemporaryDir* dir;
    QTemporaryDir settings;
    AppState state { settings.filePath("settings") };
    PlotSelection sel;
};

QTemporaryDir* DistributionServers::dir = nullptr;

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
