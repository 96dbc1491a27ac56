// On real servers (PostgreSQL with standard_conforming_strings off and on, MariaDB with its default
// escapes, both through their ODBC drivers) and SQLite: values reach the engine as values, sessions are
// read-only, a dropped connection comes back, letter case outside ASCII and tied rows read alike.
#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/connectdatasource.h"
#include "data/access/connection.h"
#include "data/config/querybuilder.h"
#include "odbcenv.h"
#include "qtprinters.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

QString Env(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

// The values a person could type into the serial box, or a site could give a tester or Test ID: each tries
// to end its literal and run a statement of its own, by the rules of one engine or another.
const QStringList kHostile = { QStringLiteral("\\'); DELETE FROM victim; --"),
    QStringLiteral("'); DELETE FROM victim; --"), QStringLiteral("\\\\'; DELETE FROM victim; --"),
    QStringLiteral("x' OR '1'='1"), QStringLiteral("x\\' OR 1=1 -- ") };

// A serial with a quote and a backslash, as stored: found as written on every engine.
const QString kOddSerial = QStringLiteral("O'Brien\\1");

struct Server {
    QString name;
    QString adminConnection; // a Qt SQL connection name that may write (set-up and checks)
    IniDatabase values; // what the program connects with
};

// The rows every server holds in table Units: three of them tied on start time and tester.
struct Unit {
    const char* serial;
    const char* tester;
    const char* start;
    double value;
};
const Unit kUnits[] = {
    { "SN001", "ATE-01", "2026-12-05 08:00:00", 5.01 },
    { "O'Brien\\1", "ATE-01", "2026-12-05 08:10:00", 5.02 },
    { "éclair", "ATE-02", "2026-12-05 08:20:00", 5.03 },
    { "STRAßE", "ATE-02", "2026-12-05 08:30:00", 5.04 },
    { "b2", "ATE-03", "2026-12-05 09:00:00", 5.10 },
    { "a3", "ATE-03", "2026-12-05 09:00:00", 5.05 },
    { "A1", "ATE-03", "2026-12-05 09:00:00", 5.07 },
};

bool Exec(const QString& connection, const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    const bool ok = q.exec(sql);
    if (!ok)
        ADD_FAILURE() << qPrintable(sql) << ": " << qPrintable(q.lastError().text());
    return ok;
}

long Count(const QString& connection, const QString& table)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    if (!q.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) || !q.next())
        return -1;
    return q.value(0).toLongLong();
}

// Writes the units in the given order: an engine returns ties in an order of its own, often that of writing.
// MariaDB's rows are written as literals (quote and backslash doubled): Qt binds text to its driver with the
// terminating zero.
bool WriteUnits(const QString& connection, const QString& table, bool reversed, bool bind = true)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    const int n = int(std::size(kUnits));
    for (int k = 0; k < n; ++k) {
        const Unit& u = kUnits[reversed ? n - 1 - k : k];
        const QStringList texts
            = { QString::fromUtf8(u.serial), QString::fromUtf8(u.tester), QString::fromLatin1(u.start) };
        if (bind) {
            if (!q.prepare(QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?, 'PASS', 'FT1', ?)").arg(table)))
                return false;
            for (const QString& t : texts)
                q.addBindValue(t);
            q.addBindValue(u.value);
        }
        QStringList quoted;
        for (QString t : texts)
            quoted << u'\'' + t.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("''")) + u'\'';
        const bool ok = bind ? q.exec()
                             : q.exec(QStringLiteral("INSERT INTO %1 VALUES (%2, 'PASS', 'FT1', %3)")
                                          .arg(table, quoted.join(u','), QString::number(u.value)));
        if (!ok) {
            ADD_FAILURE() << qPrintable(q.lastError().text());
            return false;
        }
    }
    return true;
}

// The selection's state for table Units of a source of that kind.
struct UnitsState : AppState {
    UnitsState(const QString& kind, const QString& dir)
        : AppState(QDir(dir).filePath(QStringLiteral("settings")))
    {
        Fill(*this, kind);
    }
    static void Fill(AppState& state, const QString& kind)
    {
        state.gDataSourceKind = kind;
        state.gTableName = QStringLiteral("Units");
        state.gParamColumn = { QStringLiteral("VOUT_5V") };
        state.gDateOrder = QStringLiteral("DD/MM");
    }
};

// The serials of the main chart statement as the loader writes it: a serial filter in capitals, a tester,
// a Test ID; or the error.
QStringList Serials(Connection& c, const AppState& state, const QString& serial, const QString& tester = {},
    const QString& testId = QStringLiteral("<All>"))
{
    QueryWindowInputs window;
    window.acceptZero = true;
    window.testIdText = testId;
    window.today = QDate(2026, 12, 6);
    const QString sql = GetSQL(state, window, QStringLiteral("VOUT_5V"), QStringLiteral("All"), tester,
        state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID, serial.toUpper(), PassCondition(state, false),
        false);
    Recordset rs;
    if (Status s = rs.Open(sql, c))
        return { QStringLiteral("error: ") + s->description };
    QStringList out;
    while (!rs.Eof()) {
        out << rs.Fields(QStringLiteral("SNX")).value.toString();
        if (Status s = rs.MoveNext())
            return { QStringLiteral("error: ") + s->description };
    }
    if (rs.RecordCount() != out.size())
        out << QStringLiteral("count %1").arg(rs.RecordCount());
    return out;
}

class ServerSafety : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        ASSERT_FALSE(Env("MOLDRIN_PG_DIR").isEmpty()) << "the postgres fixture starts the server";
        ASSERT_FALSE(Env("MOLDRIN_MARIADB_DIR").isEmpty()) << "the mariadb fixture starts the server";
        const QString socket = QDir(Env("MOLDRIN_MARIADB_DIR")).filePath(QStringLiteral("mysqld.sock"));
        ASSERT_TRUE(test::UsePrivateOdbc(dir->path(),
            // A site's data source may set the driver's own read-only switch, which refuses the statement that
            // makes a session read-only.
            QStringLiteral("[pg]\nDriver=PostgreSQL Unicode\nServername=%1\nPort=%2\nDatabase=spcdata\nReadOnly=1\n"
                           "[maria]\nDriver=MariaDB Unicode\nSocket=%3\nDatabase=spcdata\n")
                .arg(Env("MOLDRIN_PG_DIR"), Env("MOLDRIN_PG_PORT"), socket)));
        SetUpPostgreSQL();
        SetUpMariaDB(socket);
    }
    static void SetUpPostgreSQL()
    {
        QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgadmin"));
        pg.setHostName(Env("MOLDRIN_PG_DIR"));
        pg.setPort(Env("MOLDRIN_PG_PORT").toInt());
        pg.setUserName(QStringLiteral("spc"));
        pg.setDatabaseName(QStringLiteral("spcdata"));
        ASSERT_TRUE(pg.open()) << qPrintable(pg.lastError().text());
        const QString a = QStringLiteral("pgadmin");
        for (const char* sql : { "DROP VIEW IF EXISTS \"Leaky\"", "DROP FUNCTION IF EXISTS leak()",
                 "DROP TABLE IF EXISTS \"Units\"", "DROP TABLE IF EXISTS victim",
                 "CREATE TABLE \"Units\" (\"SerialNumber\" TEXT, \"ATEID\" TEXT, \"TestStartTime\" TIMESTAMP, "
                 "\"PassFail\" TEXT, \"TestID\" TEXT, \"VOUT_5V\" DOUBLE PRECISION)",
                 "CREATE TABLE victim (n INTEGER)", "INSERT INTO victim SELECT generate_series(1, 5)",
                 "CREATE FUNCTION leak() RETURNS integer LANGUAGE sql AS 'INSERT INTO victim VALUES (99); SELECT 1'",
                 "CREATE VIEW \"Leaky\" AS SELECT u.*, leak() AS \"L\" FROM \"Units\" u" })
            ASSERT_TRUE(Exec(a, QLatin1String(sql)));
        ASSERT_TRUE(WriteUnits(a, QStringLiteral("\"Units\""), true));
        // Two roles that may write the victim: one whose server reads a backslash in a literal as an escape.
        for (const char* role : { "legacy", "modern" }) {
            ASSERT_TRUE(Exec(a,
                QStringLiteral("DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname='%1') THEN "
                               "CREATE ROLE %1 LOGIN PASSWORD '%1'; END IF; END$$")
                    .arg(QLatin1String(role))));
            ASSERT_TRUE(
                Exec(a, QStringLiteral("GRANT ALL ON ALL TABLES IN SCHEMA public TO %1").arg(QLatin1String(role))));
        }
        ASSERT_TRUE(Exec(a, QStringLiteral("ALTER ROLE legacy SET standard_conforming_strings = off")));
        ASSERT_TRUE(Exec(a, QStringLiteral("ALTER ROLE legacy SET escape_string_warning = off")));
    }
    static void SetUpMariaDB(const QString& socket)
    {
        QSqlDatabase m = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), QStringLiteral("mariaadmin"));
        m.setDatabaseName(
            QStringLiteral("DRIVER={MariaDB Unicode};SOCKET=%1;DATABASE=spcdata;UID=spc;PWD=spc").arg(socket));
        ASSERT_TRUE(m.open()) << qPrintable(m.lastError().text());
        const QString a = QStringLiteral("mariaadmin");
        for (const char* sql : { "DROP VIEW IF EXISTS Leaky", "DROP FUNCTION IF EXISTS leak",
                 "DROP TABLE IF EXISTS Units", "DROP TABLE IF EXISTS victim",
                 "CREATE TABLE Units (SerialNumber VARCHAR(40), ATEID VARCHAR(20), TestStartTime DATETIME, "
                 "PassFail VARCHAR(8), TestID VARCHAR(8), VOUT_5V DOUBLE) CHARACTER SET utf8mb4",
                 "CREATE TABLE victim (n INTEGER)", "INSERT INTO victim VALUES (1), (2), (3), (4), (5)",
                 "CREATE FUNCTION leak() RETURNS INT MODIFIES SQL DATA BEGIN INSERT INTO victim VALUES (99); "
                 "RETURN 1; END",
                 "CREATE VIEW Leaky AS SELECT u.*, leak() AS L FROM Units u" })
            ASSERT_TRUE(Exec(a, QLatin1String(sql)));
        ASSERT_TRUE(WriteUnits(a, QStringLiteral("Units"), false, false));
    }
    static void TearDownTestSuite()
    {
        for (const char* name : { "pgadmin", "mariaadmin" }) {
            QSqlDatabase::database(QLatin1String(name)).close();
            QSqlDatabase::removeDatabase(QLatin1String(name));
        }
        delete dir;
        dir = nullptr;
    }
    static QList<Server> Servers()
    {
        IniDatabase v;
        v.TableName = QStringLiteral("Units");
        v.DataSourceName = QStringLiteral("pg");
        v.UserName = v.Password = QStringLiteral("legacy");
        QList<Server> s { { QStringLiteral("postgresql, standard_conforming_strings off"), QStringLiteral("pgadmin"),
            v } };
        v.UserName = v.Password = QStringLiteral("modern");
        s.append({ QStringLiteral("postgresql, standard_conforming_strings on"), QStringLiteral("pgadmin"), v });
        v.DataSourceName = QStringLiteral("maria");
        v.UserName = v.Password = QStringLiteral("spc");
        s.append({ QStringLiteral("mariadb"), QStringLiteral("mariaadmin"), v });
        return s;
    }
    static QTemporaryDir* dir;
};
QTemporaryDir* ServerSafety::dir = nullptr;

} // namespace

TEST_F(ServerSafety, HostileValuesThroughSerialTesterAndTestIdAreData)
{
    for (const Server& server : Servers()) {
        SCOPED_TRACE(qPrintable(server.name));
        Connection c;
        const Status opened = c.Open(BuildConnectionString(SourceKind::Odbc, server.values));
        ASSERT_FALSE(opened) << qPrintable(opened->description);
        const UnitsState state(QStringLiteral("ODBC"), dir->path());
        if (server.name.contains(QLatin1String("off"))) {
            // The server really reads a backslash as an escape for this role.
            QSqlQuery q(QSqlDatabase::database(c.connectionName()));
            ASSERT_TRUE(q.exec(QStringLiteral("SELECT current_setting('standard_conforming_strings')")) && q.next());
            ASSERT_EQ(q.value(0).toString(), QStringLiteral("off"));
        }
        const long before = Count(server.adminConnection, QStringLiteral("victim"));
        ASSERT_EQ(before, 5);
        for (const QString& value : kHostile) {
            SCOPED_TRACE(qPrintable(value));
            EXPECT_EQ(Serials(c, state, value), QStringList());
            EXPECT_EQ(Serials(c, state, QString(), value), QStringList());
            EXPECT_EQ(Serials(c, state, QString(), QString(), value), QStringList());
            EXPECT_EQ(Count(server.adminConnection, QStringLiteral("victim")), before);
        }
        // A quote and a backslash in the data are found as written.
        EXPECT_EQ(Serials(c, state, kOddSerial), QStringList { kOddSerial });
        EXPECT_EQ(Serials(c, state, QString(), QStringLiteral("ate-01")).size(), 2);
    }
}

TEST_F(ServerSafety, AViewWhoseFunctionWritesWritesNothingThroughTheProgram)
{
    for (const Server& server : Servers()) {
        SCOPED_TRACE(qPrintable(server.name));
        const long before = Count(server.adminConnection, QStringLiteral("victim"));
        Connection c;
        const Status opened = c.Open(BuildConnectionString(SourceKind::Odbc, server.values));
        ASSERT_FALSE(opened) << qPrintable(opened->description);
        EXPECT_FALSE(c.SessionRefusal());
        Recordset rs;
        const Status s = rs.Open(QStringLiteral("SELECT [SerialNumber] AS SNX, [L] AS ValueX FROM Leaky;"), c);
        ASSERT_TRUE(s) << "the view's function ran in a session that can write";
        EXPECT_TRUE(s->description.contains(QStringLiteral("read-only"), Qt::CaseInsensitive)
            || s->description.contains(QStringLiteral("READ ONLY"), Qt::CaseInsensitive))
            << qPrintable(s->description);
        EXPECT_EQ(Count(server.adminConnection, QStringLiteral("victim")), before);
    }
    // The same view read in a session that can write does write: the case above is real.
    QSqlQuery writer(QSqlDatabase::database(QStringLiteral("pgadmin")));
    ASSERT_TRUE(writer.exec(QStringLiteral("SELECT COUNT(*) FROM \"Leaky\"")));
    EXPECT_GT(Count(QStringLiteral("pgadmin"), QStringLiteral("victim")), 5);
    ASSERT_TRUE(Exec(QStringLiteral("pgadmin"), QStringLiteral("DELETE FROM victim WHERE n = 99")));
}

TEST_F(ServerSafety, LettersOutsideAsciiAreFoundInAnyLetterCaseOnEveryEngine)
{
    const QString file = dir->filePath(QStringLiteral("units.db"));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("sqlitewriter"));
        db.setDatabaseName(file);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(Exec(QStringLiteral("sqlitewriter"),
            QStringLiteral("CREATE TABLE Units (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, PassFail TEXT, "
                           "TestID TEXT, VOUT_5V REAL)")));
        ASSERT_TRUE(WriteUnits(QStringLiteral("sqlitewriter"), QStringLiteral("Units"), false));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("sqlitewriter"));
    QList<Server> engines = Servers();
    engines.removeFirst();
    IniDatabase sqlite;
    sqlite.DatabaseName = file;
    sqlite.TableName = QStringLiteral("Units");
    engines.append({ QStringLiteral("sqlite"), QString(), sqlite });
    for (const Server& e : engines) {
        SCOPED_TRACE(qPrintable(e.name));
        const SourceKind kind = KindOf(e.values);
        Connection c;
        const Status opened = c.Open(BuildConnectionString(kind, e.values));
        ASSERT_FALSE(opened) << qPrintable(opened->description);
        const UnitsState state(KindName(kind), dir->path());
        // Typed in any letter case; the loader sends the filter in capitals ("straße" as "STRASSE").
        for (const char* typed : { "éclair", "ÉCLAIR", "Éclair" })
            EXPECT_EQ(Serials(c, state, QString::fromUtf8(typed)), QStringList { QStringLiteral("éclair") }) << typed;
        for (const char* typed : { "straße", "STRASSE", "Straße", "STRAẞE" })
            EXPECT_EQ(Serials(c, state, QString::fromUtf8(typed)), QStringList { QStringLiteral("STRAßE") }) << typed;
        EXPECT_EQ(Serials(c, state, QStringLiteral("eclair")), QStringList());
    }
}

TEST_F(ServerSafety, TiedRowsComeInOneOrderOnEveryEngine)
{
    // The same rows, written in opposite orders to PostgreSQL and MariaDB; SQLite has them as well.
    QStringList reference;
    for (const Server& server : Servers()) {
        SCOPED_TRACE(qPrintable(server.name));
        Connection c;
        const Status opened = c.Open(BuildConnectionString(SourceKind::Odbc, server.values));
        ASSERT_FALSE(opened) << qPrintable(opened->description);
        const QStringList serials = Serials(c, UnitsState(QStringLiteral("ODBC"), dir->path()), QString());
        ASSERT_EQ(serials.size(), int(std::size(kUnits)));
        // Three units share 09:00 and ATE-03: by serial number, as its characters are coded.
        EXPECT_EQ(serials.mid(4), QStringList({ QStringLiteral("A1"), QStringLiteral("a3"), QStringLiteral("b2") }));
        if (reference.isEmpty())
            reference = serials;
        EXPECT_EQ(serials, reference);
    }
}

TEST_F(ServerSafety, AStatementAfterTheServerRestartedRunsOnAReconnectedSession)
{
    Connection c;
    ASSERT_FALSE(c.Open(BuildConnectionString(SourceKind::Odbc, Servers()[1].values)));
    const UnitsState state(QStringLiteral("ODBC"), dir->path());
    ASSERT_EQ(Serials(c, state, QStringLiteral("SN001")), QStringList { QStringLiteral("SN001") });
    const int restarted = QProcess::execute(Env("MOLDRIN_SOURCE_DIR") + QStringLiteral("/scripts/pg-test-server.sh"),
        { QStringLiteral("restart"), Env("MOLDRIN_PG_DIR"), Env("MOLDRIN_PG_PORT") });
    ASSERT_EQ(restarted, 0);
    // The next plot finds the old session gone, connects again and reads; the new session is read-only too.
    EXPECT_EQ(Serials(c, state, QStringLiteral("SN001")), QStringList { QStringLiteral("SN001") });
    EXPECT_FALSE(c.SessionRefusal());
    Recordset rs;
    EXPECT_TRUE(rs.Open(QStringLiteral("SELECT [SerialNumber] AS SNX, [L] AS ValueX FROM Leaky;"), c));
    // The admin connection of the set-up went with the old server: connect it again for the tests after.
    QSqlDatabase::database(QStringLiteral("pgadmin"), false).close();
    EXPECT_TRUE(QSqlDatabase::database(QStringLiteral("pgadmin")).isOpen());
}
