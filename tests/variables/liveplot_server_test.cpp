// The live variables chart on PostgreSQL through ODBC: the server stopped and started between two reads.
#include "variables/liveplot.h"

#include "data/access/connection.h"
#include "plothost.h"
#include "testservers.h"
#include "variables/variableschart.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

bool InsertUnits(int from, int to)
{
    QSqlDatabase admin = QSqlDatabase::database(QStringLiteral("livepgadmin"));
    QSqlQuery q(admin);
    if (!q.prepare(QStringLiteral("INSERT INTO \"LiveUnits\" VALUES (?, 'ATE-01', ?, 'PASS', 'FT1', ?)")))
        return false;
    for (int i = from; i < to; ++i) {
        q.addBindValue(QStringLiteral("SN%1").arg(i, 4, 10, QChar('0')));
        q.addBindValue(QDateTime(QDate(2026, 12, 1), QTime(8, 0)).addSecs(60 * i));
        q.addBindValue(10.0 + 0.01 * ((i * 37) % 29 - 14));
        if (!q.exec())
            return false;
    }
    return true;
}

bool OpenAdmin()
{
    QSqlDatabase pg = QSqlDatabase::contains(QStringLiteral("livepgadmin"))
        ? QSqlDatabase::database(QStringLiteral("livepgadmin"), false)
        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("livepgadmin"));
    pg.close();
    pg.setHostName(test::Env("MOLDRIN_PG_DIR"));
    pg.setPort(test::Env("MOLDRIN_PG_PORT").toInt());
    pg.setUserName(QStringLiteral("spc"));
    pg.setDatabaseName(QStringLiteral("spcdata"));
    const bool open = pg.open();
    if (!open)
        ADD_FAILURE() << qPrintable(pg.lastError().text());
    return open;
}

} // namespace

// The read after the restart finds the session gone and says so, or connects again by itself; the read
// after that goes on from where the chart was, and the chart equals a plot from the start.
TEST(LivePlotServer, ServerRestartedBetweenTwoReads)
{
    QTemporaryDir dir;
    ASSERT_TRUE(test::UsePrivateOdbc(dir.path(),
        QStringLiteral("[pg]\nDriver=PostgreSQL Unicode\nServername=%1\nPort=%2\nDatabase=spcdata\n")
            .arg(test::Env("MOLDRIN_PG_DIR"), test::Env("MOLDRIN_PG_PORT"))));
    ASSERT_TRUE(OpenAdmin());
    // The names as a site writes them: quoted, so PostgreSQL keeps their letter case.
    ASSERT_TRUE(test::Exec("livepgadmin", "DROP TABLE IF EXISTS \"LiveUnits\""));
    ASSERT_TRUE(test::Exec("livepgadmin",
        "CREATE TABLE \"LiveUnits\" (\"SerialNumber\" text, \"ATEID\" text, \"TestStartTime\" timestamp, "
        "\"PassFail\" text, \"TestID\" text, \"V\" double precision)"));
    ASSERT_TRUE(InsertUnits(0, 30));

    AppState state(dir.filePath("settings"));
    IniDatabase v;
    v.TableName = QStringLiteral("LiveUnits");
    v.DataSourceName = QStringLiteral("pg");
    v.UserName = QStringLiteral("spc");
    const auto connect = [&] {
        state.gConnection = std::make_shared<Connection>();
        state.gDataSourceKind = KindName(SourceKind::Odbc);
        state.gTableName = QStringLiteral("LiveUnits");
        return !state.gConnection->Open(BuildConnectionString(SourceKind::Odbc, v));
    };
    ASSERT_TRUE(connect());
    state.gParamColumn = { "V" };
    state.gSpecField4 = { "V" };
    state.gSampleSize = 5;
    PlotSelection sel;
    sel.product = "PSU-100";
    sel.parameterItem = "Output";
    sel.range = "All";
    sel.chartType = "X-Bar-R";
    sel.uslText = "N/A";
    sel.lslText = "N/A";
    sel.showZones = true;
    ChartModel chart = BuildVariablesChartTemplate();
    test::RecordingHost host;
    LivePlot live(300);
    LiveOutcome out = live.Refresh(state, chart, sel, host);
    ASSERT_FALSE(out.failure) << qPrintable(out.failure->description);
    EXPECT_EQ(out.plot.records, 30);

    ASSERT_EQ(QProcess::execute(test::Env("MOLDRIN_SOURCE_DIR") + QStringLiteral("/scripts/pg-test-server.sh"),
                  { QStringLiteral("restart"), test::Env("MOLDRIN_PG_DIR"), test::Env("MOLDRIN_PG_PORT") }),
        0);
    ASSERT_TRUE(OpenAdmin());
    ASSERT_TRUE(InsertUnits(30, 40));
    // The connection went with the server: the first read after it connects again and goes on, with no
    // failed read between.
    out = live.Refresh(state, chart, sel, host);
    ASSERT_FALSE(out.failure) << qPrintable(out.failure->description);
    EXPECT_FALSE(out.fromStart);
    EXPECT_EQ(out.plot.records, 40);
    EXPECT_EQ(out.plot.pointCount, 8);
    EXPECT_TRUE(host.scripted.messages.isEmpty());

    ChartModel full = BuildVariablesChartTemplate();
    test::RecordingHost fullHost;
    ASSERT_TRUE(connect());
    const VariablesPlotOutcome whole = PlotVariablesChart(state, full, sel, fullHost);
    EXPECT_EQ(whole.records, out.plot.records);
    EXPECT_EQ(whole.limits.panelValues, out.plot.limits.panelValues);
    for (int s : { kSeriesXBar, kSeriesRange }) {
        ASSERT_EQ(full.series[s].count(), chart.series[s].count());
        for (int i = 0; i < chart.series[s].count(); ++i)
            EXPECT_EQ(full.series[s].points.y(i), chart.series[s].points.y(i));
    }
    test::CloseConnections({ QStringLiteral("livepgadmin") });
}
