// Subgroups formed by PostgreSQL and MariaDB (through ODBC) against the same chart read reading by reading.
#include "bothpaths.h"
#include "servertables.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

class ServerSideServers : public test::ServerTest
{
protected:
    static void SetUpTestSuite()
    {
        StartServers();
        // Results: readings about 5; Far and Tiny: near 1e9 drifting, and near 1e-9.
        test::LoadServerTables("sspg", "ssmaria", { "V" },
            { { "Results", test::MixedRows(1200) }, { "Far", test::FarFromZeroRows(false) },
                { "Tiny", test::FarFromZeroRows(true) } });
    }
    void SetUp() override { sel = test::PrepareChart(state, settings.path()); }
};

} // namespace

TEST_F(ServerSideServers, PostgreSqlGivesTheChartOfEveryReading)
{
    ASSERT_TRUE(Connect("pg"));
    test::ExpectBothPathsAgree(state, sel);
    // NaN and infinity pass the statement's conditions and are skipped and counted by the client: the engine
    // hands such a plot back.
    test::OpenAdminConnections("sspg", "ssmaria");
    test::Exec("sspg", "UPDATE \"Results\" SET \"V\" = 'NaN' WHERE \"SerialNumber\" = 'SN00031'");
    test::Exec("sspg", "UPDATE \"Results\" SET \"V\" = '-Infinity' WHERE \"SerialNumber\" = 'SN00032'");
    test::CloseConnections({ "sspg", "ssmaria" });
    sel.chartType = kChartXBarR;
    state.gSampleSize = 5;
    sel.lastDataOnly = sel.passOnly = false;
    const test::OnePlot client = test::PlotOnce(state, sel, false);
    const test::OnePlot engine = test::PlotOnce(state, sel, true);
    EXPECT_EQ(client.out.skipped.notNumbers, 4);
    EXPECT_EQ(engine.out.skipped.notNumbers, 4);
    EXPECT_FALSE(engine.out.engine);
    EXPECT_FALSE(engine.out.note.isEmpty());
    EXPECT_EQ(client.out.limits.panelValues, engine.out.limits.panelValues);
}

TEST_F(ServerSideServers, MariaDbGivesTheChartOfEveryReading)
{
    ASSERT_TRUE(Connect("maria", "spc"));
    // The last data's grouped statement reads no rows on MariaDB on either path (the client says "Invalid data").
    test::ExpectBothPathsAgree(state, sel, false);
}

// Readings far from zero drifting far more than they spread, and readings near 1e-9: each engine's squared
// deviations keep the client's digits.
TEST_F(ServerSideServers, ReadingsFarFromZeroOrTinyKeepTheirDigits)
{
    for (const auto& [dsn, password] : { std::pair { "pg", "" }, std::pair { "maria", "spc" } })
        for (const char* table : { "Far", "Tiny" }) {
            SCOPED_TRACE(std::string(dsn) + " " + table);
            ASSERT_TRUE(Connect(dsn, password, table));
            sel.uslText = sel.lslText = "N/A";
            test::ExpectBothPathsAgree(state, sel, false);
        }
}

// The server gone while a plot runs: the plot tells why, as reading every row does.
TEST_F(ServerSideServers, ServerStoppedDuringAPlotGivesAMessage)
{
    ASSERT_TRUE(Connect("pg"));
    sel.chartType = kChartXBarR;
    state.gSampleSize = 5;
    state.gServerSide = true;
    ChartModel chart = BuildVariablesChartTemplate();
    test::RecordingHost host;
    host.state = &state;
    const QString script = test::Env("MOLDRIN_SOURCE_DIR") + QStringLiteral("/scripts/pg-test-server.sh");
    ASSERT_EQ(QProcess::execute(script, { "halt", test::Env("MOLDRIN_PG_DIR") }), 0);
    const VariablesPlotOutcome out = PlotVariablesChart(state, chart, sel, host);
    EXPECT_EQ(QProcess::execute(script, { "restart", test::Env("MOLDRIN_PG_DIR"), test::Env("MOLDRIN_PG_PORT") }), 0);
    EXPECT_FALSE(out.plotted);
    EXPECT_FALSE(out.stopped);
    ASSERT_EQ(host.scripted.messages.size(), 1);
    EXPECT_TRUE(host.scripted.messages[0].text.contains("Please make sure"))
        << qPrintable(host.scripted.messages[0].text);
}
