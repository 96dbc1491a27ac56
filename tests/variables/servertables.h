// Results tables on the tests' PostgreSQL and MariaDB servers, and the program's connection to one of them.
#pragma once

#include "bothpaths.h"
#include "data/access/connectdatasource.h"
#include "testservers.h"

#include <QTemporaryDir>

#include <utility>

namespace moldrin::test
{

// Creates each table of `tables` anew on both servers (through the owners' connections `pg` and `maria`) with
// the columns SerialNumber, ATEID, TestStartTime, PassFail, TestID and the double columns `columns`, and
// writes its rows.
inline void LoadServerTables(const QString& pg, const QString& maria, const QStringList& columns,
    const QList<std::pair<const char*, QList<ResultRow>>>& tables)
{
    OpenAdminConnections(pg, maria);
    QString pgColumns, mariaColumns;
    for (const QString& c : columns) {
        pgColumns += QStringLiteral(", \"%1\" double precision").arg(c);
        mariaColumns += QStringLiteral(", %1 double").arg(c);
    }
    for (const auto& [table, rows] : tables)
        for (const auto& [admin, quote, create] :
            { std::tuple { pg, "\"",
                  "CREATE TABLE \"%1\" (\"SerialNumber\" text, \"ATEID\" text, \"TestStartTime\" timestamp, "
                  "\"PassFail\" text, \"TestID\" text"
                      + pgColumns + u')' },
                std::tuple { maria, "",
                    "CREATE TABLE %1 (SerialNumber varchar(20), ATEID varchar(20), TestStartTime datetime, "
                    "PassFail varchar(8), TestID varchar(8)"
                        + mariaColumns + u')' } }) {
            const QString quoted = QLatin1String(quote) + QLatin1String(table) + QLatin1String(quote);
            Exec(admin, QStringLiteral("DROP TABLE IF EXISTS ") + quoted);
            Exec(admin, create.arg(QLatin1String(table)));
            for (const QString& insert : InsertStatements(quoted, rows))
                ASSERT_TRUE(Exec(admin, insert));
        }
    CloseConnections({ pg, maria });
}

// Connects `state` to `table` of the data source `dsn` ("pg" or "maria") as the user spc.
inline bool ConnectServer(AppState& state, const char* dsn, const char* password, const char* table)
{
    data::IniDatabase v;
    v.TableName = QLatin1String(table);
    v.DataSourceName = QLatin1String(dsn);
    v.UserName = QStringLiteral("spc");
    v.Password = QLatin1String(password);
    state.gConnection = std::make_shared<data::Connection>();
    state.gDataSourceKind = data::KindName(data::SourceKind::Odbc);
    state.gTableName = QLatin1String(table);
    const data::Status s = state.gConnection->Open(data::BuildConnectionString(data::SourceKind::Odbc, v));
    EXPECT_FALSE(s) << qPrintable(s->description);
    return !s;
}

// The tests on both servers: the data sources in a folder for the whole suite (StartServers, in each
// suite's SetUpTestSuite), a state of its own for each test.
class ServerTest : public ::testing::Test
{
protected:
    static void StartServers()
    {
        dir = new QTemporaryDir;
        UseServerDsns(dir->path());
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    bool Connect(const char* dsn, const char* password = "", const char* table = "Results")
    {
        return ConnectServer(state, dsn, password, table);
    }

    static inline QTemporaryDir* dir = nullptr;
    QTemporaryDir settings;
    AppState state { settings.filePath("settings") };
    data::PlotSelection sel;
};

} // namespace moldrin::test
