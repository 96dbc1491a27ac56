// One dataset in every engine (SQLite file, SQLite over ODBC, PostgreSQL over ODBC, .xlsx, .xls):
// each statement form returns the same rows in the same order; writes fail and files stay unchanged.
#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/connectdatasource.h"
#include "data/access/connection.h"
#include "odbcenv.h"
#include "sampledata.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace {

QString PgDir() { return QString::fromLocal8Bit(qgetenv("MOLDRIN_PG_DIR")); }
QString PgPort() { return QString::fromLocal8Bit(qgetenv("MOLDRIN_PG_PORT")); }

struct Engine {
    QString name;
    IniDatabase values;
    QString file; // checked for changes; empty for the server
};

// The statement forms, filled in by hand as the query builder writes them for the kind.
QStringList Forms(const QString& kind, const QString& table)
{
    const bool hash = kind == QLatin1String("ACCESS");
    auto range = [&](const QString& from) {
        const QString q = hash ? QStringLiteral("#") : QStringLiteral("'");
        return q + from + q + QStringLiteral(" AND ") + q + QStringLiteral("06/Dec/2026 23:59:59") + q;
    };
    return {
        // main chart, passing units, 6 December
        QStringLiteral("SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX "
                       "FROM %1 WHERE [PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN %2 "
                       "AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 ORDER BY "
                       "[TestStartTime], [ATEID];")
            .arg(table, range(QStringLiteral("06/Dec/2026"))),
        // grouped (last data only), all verdicts, one tester, zeros excluded, all dates
        QStringLiteral("SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, MAX ([TestStartTime]) AS DateX, MAX([VOUT_5V]) "
                       "AS ValueX FROM %1 WHERE [PassFail] LIKE '%' AND [ATEID] = 'ATE-01' AND [SerialNumber] LIKE "
                       "'%%' AND [TestStartTime] BETWEEN %2 AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND "
                       "[VOUT_5V] <> -999 AND [VOUT_5V] <> 0 GROUP BY [SerialNumber], [ATEID], [TestStartTime] ORDER "
                       "BY [TestStartTime], [ATEID];")
            .arg(table, range(QStringLiteral("01/Jan/1900"))),
        // tester list
        QStringLiteral("SELECT [ATEID] AS ATEx FROM %1 GROUP BY [ATEID] ORDER BY [ATEID];").arg(table),
        // p chart with a Test ID
        QStringLiteral("SELECT [Defectives] AS NonConformitiesX,  [Inspected] AS SubGroupX FROM %1 WHERE "
                       "[TestStartTime] BETWEEN %2 AND [TestID] = 'FT1' AND [Defectives] IS NOT NULL AND [Defectives] "
                       "<> 999 AND [Defectives] <> -999 AND [Defectives] >= 0 AND [Inspected] IS NOT NULL AND "
                       "[Inspected] <> 999 AND [Inspected] <> -999 AND [Inspected] > 0 ORDER BY [TestStartTime], "
                       "[ATEID];")
            .arg(table, range(QStringLiteral("01/Jan/1900"))),
        // scatter by serial, one source tester, grouped
        QStringLiteral("SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, MAX([TestStartTime]) AS DateX, MAX([VOUT_5V]) "
                       "AS ValueX FROM %1 WHERE [PassFail] = 'PASS' AND [ATEID] = 'ATE-02' AND [SerialNumber] LIKE "
                       "'%%' AND [TestStartTime] BETWEEN %2 AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND "
                       "[VOUT_5V] <> -999 GROUP BY [SerialNumber], [ATEID], [TestStartTime] ORDER BY [SerialNumber], "
                       "MAX([TestStartTime]);")
            .arg(table, range(QStringLiteral("01/Jan/1900"))),
        // screening, 6 December: two parameter columns, each read where its chart statement would select it
        QStringLiteral("SELECT [ATEID] AS ATEX, CASE WHEN [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> "
                       "-999 AND [VOUT_5V] <> 0 THEN [VOUT_5V] END AS Value1, CASE WHEN [Defectives] IS NOT NULL AND "
                       "[Defectives] <> 999 AND [Defectives] <> -999 AND [Defectives] <> 0 THEN [Defectives] END AS "
                       "Value2 FROM %1 WHERE [PassFail] LIKE '%' AND [SerialNumber] LIKE '%%' AND [TestStartTime] "
                       "BETWEEN %2 ORDER BY [TestStartTime], [ATEID];")
            .arg(table, range(QStringLiteral("06/Dec/2026"))),
        // screening, last data only
        QStringLiteral("SELECT [ATEID] AS ATEX, MAX(CASE WHEN [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND "
                       "[VOUT_5V] <> -999 THEN [VOUT_5V] END) AS Value1, MAX(CASE WHEN [Defectives] IS NOT NULL AND "
                       "[Defectives] <> 999 AND [Defectives] <> -999 THEN [Defectives] END) AS Value2 FROM %1 WHERE "
                       "[PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN %2 GROUP BY "
                       "[SerialNumber], [ATEID], [TestStartTime] ORDER BY [TestStartTime], [ATEID];")
            .arg(table, range(QStringLiteral("01/Jan/1900"))),
    };
}

const QList<QStringList> kAliases = {
    { QStringLiteral("SNX"), QStringLiteral("ATEX"), QStringLiteral("DateX"), QStringLiteral("ValueX") },
    { QStringLiteral("SNX"), QStringLiteral("ATEX"), QStringLiteral("DateX"), QStringLiteral("ValueX") },
    { QStringLiteral("ATEx") },
    { QStringLiteral("NonConformitiesX"), QStringLiteral("SubGroupX") },
    { QStringLiteral("SNX"), QStringLiteral("ATEX"), QStringLiteral("DateX"), QStringLiteral("ValueX") },
    { QStringLiteral("ATEX"), QStringLiteral("Value1"), QStringLiteral("Value2") },
    { QStringLiteral("ATEX"), QStringLiteral("Value1"), QStringLiteral("Value2") },
};

std::string Joined(const QList<QStringList>& rows)
{
    QStringList lines;
    for (const QStringList& r : rows)
        lines << r.join(u'|');
    return lines.join(u'\n').toStdString();
}

class CrossEngine : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        for (const char* name : {"results.db", "odbc.db"}) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
            db.setDatabaseName(dir->filePath(QLatin1String(name)));
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(test::WriteSampleRows(db));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("writer"));
        }
        for (bool xlsx : {true, false}) {
            const QString err = test::RunDebianPython(
                test::SamplePython(xlsx, dir->filePath(xlsx ? QStringLiteral("book.xlsx") : QStringLiteral("book.xls"))));
            ASSERT_TRUE(err.isEmpty()) << qPrintable(err);
        }
        ASSERT_FALSE(PgDir().isEmpty()) << "MOLDRIN_PG_DIR is not set (the postgres fixture starts the server)";
        {
            QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgwriter"));
            pg.setHostName(PgDir());
            pg.setPort(PgPort().toInt());
            pg.setUserName(QStringLiteral("spc"));
            pg.setDatabaseName(QStringLiteral("spcdata"));
            ASSERT_TRUE(pg.open()) << qPrintable(pg.lastError().text());
            QSqlQuery q(pg);
            q.exec(QStringLiteral("DROP TABLE IF EXISTS \"Results\""));
            ASSERT_TRUE(test::WriteSampleRows(
                pg, QStringLiteral("CREATE TABLE \"Results\" (\"SerialNumber\" TEXT, \"ATEID\" TEXT, \"TestStartTime\" "
                                   "TIMESTAMP, \"PassFail\" TEXT, \"TestID\" TEXT, \"VOUT_5V\" DOUBLE PRECISION, "
                                   "\"Inspected\" INTEGER, \"Defectives\" INTEGER)")))
                << qPrintable(q.lastError().text());
            for (const char* sql :
                 {"DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname='spc_reader') THEN "
                  "CREATE ROLE spc_reader LOGIN PASSWORD 'reader'; END IF; END$$",
                  "GRANT CONNECT ON DATABASE spcdata TO spc_reader", "GRANT USAGE ON SCHEMA public TO spc_reader",
                  "GRANT SELECT ON ALL TABLES IN SCHEMA public TO spc_reader",
                  "ALTER ROLE spc_reader SET default_transaction_read_only = on"})
                ASSERT_TRUE(q.exec(QLatin1String(sql))) << sql << qPrintable(q.lastError().text());
            pg.close();
            pg = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("pgwriter"));
        }
        ASSERT_TRUE(test::UsePrivateOdbc(
            dir->path(),
            QStringLiteral("[spc_sqlite]\nDriver=SQLite3\nDatabase=%1\n[spc_pg]\nDriver=PostgreSQL Unicode\n"
                           "Servername=%2\nPort=%3\nDatabase=spcdata\n[spc_big]\nDriver=SQLite3\nDatabase=%4\n")
                .arg(dir->filePath(QStringLiteral("odbc.db")), PgDir(), PgPort(), dir->filePath(QStringLiteral("big.db")))));
    }
    static void TearDownTestSuite()
    {
        delete dir;
        dir = nullptr;
    }
    static QList<Engine> Engines()
    {
        QList<Engine> e;
        IniDatabase v;
        v.TableName = QStringLiteral("Results");
        v.DatabaseName = dir->filePath(QStringLiteral("results.db"));
        e.append({QStringLiteral("sqlite"), v, v.DatabaseName});
        v.DatabaseName = dir->filePath(QStringLiteral("book.xlsx"));
        e.append({QStringLiteral("xlsx"), v, v.DatabaseName});
        v.DatabaseName = dir->filePath(QStringLiteral("book.xls"));
        e.append({QStringLiteral("xls"), v, v.DatabaseName});
        IniDatabase o;
        o.TableName = QStringLiteral("Results");
        o.DataSourceName = QStringLiteral("spc_sqlite");
        e.append({QStringLiteral("sqlite-odbc"), o, dir->filePath(QStringLiteral("odbc.db"))});
        o.DataSourceName = QStringLiteral("spc_pg");
        o.UserName = QStringLiteral("spc_reader");
        o.Password = QStringLiteral("reader");
        e.append({QStringLiteral("postgresql-odbc"), o, QString()});
        return e;
    }
    static QTemporaryDir* dir;
};
QTemporaryDir* CrossEngine::dir = nullptr;

} // namespace

TEST_F(CrossEngine, EveryFormGivesTheSameRowsInTheSameOrder)
{
    QList<QList<QStringList>> reference;
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        const SourceKind kind = KindOf(e.values);
        Connection c;
        const Status s = c.Open(BuildConnectionString(kind, e.values));
        ASSERT_FALSE(s) << qPrintable(s->description);
        const QString table = kind == SourceKind::Excel ? QStringLiteral("[Results$]") : QStringLiteral("Results");
        const QStringList forms = Forms(KindName(kind), table);
        for (int f = 0; f < forms.size(); ++f) {
            SCOPED_TRACE(f);
            QList<QStringList> rows = test::ReadAll(c, forms[f], kAliases[f]);
            ASSERT_FALSE(rows.isEmpty());
            ASSERT_FALSE(rows[0][0].startsWith(QLatin1String("error"))) << qPrintable(rows[0][0]);
            // The count given right after opening is the number of rows read.
            EXPECT_EQ(rows[0][0].toInt(), rows.size() - 1);
            if (f == 2) {
                // A worksheet cannot tell an empty tester from a missing one: compare the named groups.
                rows.removeIf([](const QStringList& r) { return r.size() == 1 && r[0].isEmpty(); });
                rows[0][0].clear();
            }
            if (reference.size() <= f) {
                EXPECT_GT(rows.size(), 2) << "form " << f << " selects too little to compare";
                reference << rows;
            } else {
                EXPECT_EQ(Joined(rows), Joined(reference[f]));
            }
        }
    }
}

TEST_F(CrossEngine, TesterListIsTheSameEverywhere)
{
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        AppState state(dir->filePath(QStringLiteral("settings")));
        ScriptedPrompt prompt;
        const ConnectResult r = ConnectDataSource(QStringLiteral("PSU-100"), e.values, state, prompt);
        ASSERT_TRUE(r.ok) << qPrintable(prompt.texts().join(u'\n'));
        EXPECT_EQ(r.testers, QStringList({QStringLiteral("ATE-01"), QStringLiteral("ATE-02"), QStringLiteral("ATE-03"),
                                          QStringLiteral("<All>")}));
    }
}

TEST_F(CrossEngine, EngineErrorsKeepTheirMeaning)
{
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        const SourceKind kind = KindOf(e.values);
        Connection c;
        ASSERT_FALSE(c.Open(BuildConnectionString(kind, e.values)));
        const QString table = kind == SourceKind::Excel ? QStringLiteral("[Results$]") : QStringLiteral("Results");
        Recordset rs;
        const Status column = rs.Open(QStringLiteral("SELECT [NoSuchColumn] AS ValueX FROM %1;").arg(table), c);
        ASSERT_TRUE(column);
        EXPECT_EQ(column->number, kErrInvalidData1) << qPrintable(column->description);
        const Status missing = rs.Open(QStringLiteral("SELECT [ATEID] AS ATEx FROM NoSuchTable;"), c);
        ASSERT_TRUE(missing);
        EXPECT_EQ(missing->number, kErrInvalidData1) << qPrintable(missing->description);
        EXPECT_FALSE(missing->description.contains(QStringLiteral("reader'")));
        const Status syntax = rs.Open(QStringLiteral("SELECT [ATEID] AS ATEx FROM %1 WHERE;").arg(table), c);
        ASSERT_TRUE(syntax);
        EXPECT_EQ(syntax->number, kErrCommand) << qPrintable(syntax->description);
    }
    // A text column compared with a number: SQLite compares anyway, PostgreSQL refuses with a type error.
    Connection pg;
    ASSERT_FALSE(pg.Open(BuildConnectionString(SourceKind::Odbc, Engines().last().values)));
    Recordset rs;
    const Status type = rs.Open(QStringLiteral("SELECT [ATEID] AS ValueX FROM Results WHERE [ATEID] <> 999;"), pg);
    ASSERT_TRUE(type);
    EXPECT_EQ(type->number, kErrInvalidData2) << qPrintable(type->description);
}

TEST_F(CrossEngine, WrongPasswordIsAnErrorWithoutThePassword)
{
    IniDatabase v = Engines().last().values;
    v.Password = QStringLiteral("Wr0ngPass");
    AppState state(dir->filePath(QStringLiteral("settings")));
    ScriptedPrompt prompt;
    const ConnectResult r = ConnectDataSource(QStringLiteral("PSU-100"), v, state, prompt);
    EXPECT_FALSE(r.ok);
    ASSERT_EQ(prompt.messages.size(), 1);
    EXPECT_TRUE(prompt.messages[0].text.contains(QStringLiteral("password authentication failed")))
        << qPrintable(prompt.messages[0].text);
    EXPECT_FALSE(prompt.messages[0].text.contains(QStringLiteral("Wr0ngPass")));
    EXPECT_EQ(r.testers, QStringList{QStringLiteral("<All>")});
    // The right password on the same state works at once.
    EXPECT_TRUE(ConnectDataSource(QStringLiteral("PSU-100"), Engines().last().values, state, prompt).ok);
}

TEST_F(CrossEngine, WritesFailAndSourcesStayUnchanged)
{
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        const QByteArray before = e.file.isEmpty() ? QByteArray() : test::FileHash(e.file);
        Connection c;
        ASSERT_FALSE(c.Open(BuildConnectionString(KindOf(e.values), e.values)));
        Recordset rs;
        EXPECT_TRUE(rs.Open(QStringLiteral("DELETE FROM Results;"), c));
        {
            // Past the component's own guard, the engine session refuses as well.
            QSqlQuery raw(QSqlDatabase::database(c.connectionName()));
            const QString table =
                KindOf(e.values) == SourceKind::Excel ? QStringLiteral("\"Results$\"") : QStringLiteral("\"Results\"");
            EXPECT_FALSE(raw.exec(QStringLiteral("DELETE FROM ") + table)) << "engine accepted a DELETE";
            EXPECT_FALSE(raw.exec(QStringLiteral("CREATE TABLE scratch (a INTEGER)")));
        }
        c.Close();
        if (!e.file.isEmpty()) {
            EXPECT_EQ(test::FileHash(e.file), before);
        }
    }
    // The server still holds every row.
    Connection c;
    IniDatabase o = Engines().last().values;
    ASSERT_FALSE(c.Open(BuildConnectionString(SourceKind::Odbc, o)));
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT COUNT(*) AS N FROM Results;"), c));
    EXPECT_EQ(rs.Fields(QStringLiteral("N")).value.toInt(), 60);
}

namespace {
long RssKiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}
// Reads table Big (300,000 rows of about 200 bytes) and checks that memory stays flat meanwhile.
void ExpectStreamed(Connection& c)
{
    const long start = RssKiB();
    Recordset rs;
    ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [N] AS ValueX, [Pad] AS SNX FROM Big ORDER BY [N];"), c));
    EXPECT_EQ(rs.RecordCount(), 300000);
    long peak = start;
    double sum = 0;
    for (int i = 0; !rs.Eof(); ++i) {
        sum += rs.Fields(QStringLiteral("ValueX")).value.toDouble();
        if (i % 10000 == 0)
            peak = std::max(peak, RssKiB());
        ASSERT_FALSE(rs.MoveNext());
    }
    EXPECT_EQ(sum, 300000.0 * 300001.0 / 2);
    // The whole result is about 60 MB; a streamed read stays far below that. (The address sanitizer
    // holds freed memory back, so there the figure says nothing.)
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(peak - start, 20 * 1024) << "RSS grew by " << (peak - start) << " KiB";
#endif
}
} // namespace

TEST_F(CrossEngine, LargeServerResultIsStreamed)
{
    {
        QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgbig"));
        pg.setHostName(PgDir());
        pg.setPort(PgPort().toInt());
        pg.setUserName(QStringLiteral("spc"));
        pg.setDatabaseName(QStringLiteral("spcdata"));
        ASSERT_TRUE(pg.open());
        QSqlQuery q(pg);
        ASSERT_TRUE(q.exec(QStringLiteral("DROP TABLE IF EXISTS \"Big\"")));
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE \"Big\" AS SELECT g AS \"N\", repeat('x', 200) AS \"Pad\" "
                                          "FROM generate_series(1, 300000) g")));
        ASSERT_TRUE(q.exec(QStringLiteral("GRANT SELECT ON \"Big\" TO spc_reader")));
        pg.close();
        pg = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("pgbig"));
    }
    Connection c;
    ASSERT_FALSE(c.Open(BuildConnectionString(SourceKind::Odbc, Engines().last().values)));
    ExpectStreamed(c);
}

TEST_F(CrossEngine, LargeSQLiteResultOverOdbcIsStreamed)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bigwriter"));
        db.setDatabaseName(dir->filePath(QStringLiteral("big.db")));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("CREATE TABLE Big AS WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 "
                                          "FROM g WHERE n < 300000) SELECT n AS N, printf('%.200c', 'x') AS Pad FROM g")))
            << qPrintable(q.lastError().text());
        q = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("bigwriter"));
    }
    IniDatabase v;
    v.DataSourceName = QStringLiteral("spc_big");
    v.TableName = QStringLiteral("Big");
    Connection c;
    ASSERT_FALSE(c.Open(BuildConnectionString(SourceKind::Odbc, v)));
    ExpectStreamed(c);
}
