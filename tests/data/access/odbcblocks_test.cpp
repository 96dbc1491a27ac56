// Result sets read through ODBC in blocks of bound columns, on PostgreSQL (psqlODBC) and MariaDB: every value
// as Qt's ODBC driver reads it, long texts whole across blocks, a failure mid-result never taken for its end,
// and a statement stopped while the server works.
#include "data/access/connection.h"
#include "data/access/connectionstring.h"
#include "data/access/statementadapter.h"
#include "data/access/values.h"
#include "testservers.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

using namespace moldrin;
using namespace moldrin::data;
using test::Exec;

namespace
{

struct Server {
    QString name;
    QString admin; // a Qt SQL connection that may write
    QString dsn;
    QString user;
    QString sleep; // a statement that keeps the server busy for 20 s
};

// A value with its type, every digit and every millisecond: two readings that print alike are alike.
QString Exact(const QVariant& v)
{
    if (v.isNull())
        return QStringLiteral("null");
    switch (v.typeId()) {
    case QMetaType::Double:
        return QStringLiteral("double ") + QString::number(v.toDouble(), 'g', 17);
    case QMetaType::QDateTime:
        return QStringLiteral("time ") + v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz t"));
    default:
        return QLatin1String(v.typeName()) + u' ' + v.toString();
    }
}

// The long text of row n of table Texts (NULL for every 11th row, empty for every 13th).
QString LongText(int n)
{
    if (n % 11 == 0)
        return {};
    if (n % 13 == 0)
        return QStringLiteral("");
    const int size = n % 7 == 0 ? 100 + (n * 37) % 9000 : n % 40;
    QString s;
    s.reserve(size);
    for (int i = 0; i < size; ++i)
        s += QChar(u"abcdéfgh€ij"[(n + i) % 11]);
    return QString::number(n) + u':' + s;
}

class OdbcBlocks : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        test::UseServerDsns(dir->path());
        test::OpenAdminConnections(QStringLiteral("pgblocks"), QStringLiteral("mariablocks"));
        for (const Server& s : Servers())
            FillTables(s);
    }
    static void FillTables(const Server& s)
    {
        const bool pg = s.name == QLatin1String("postgresql");
        const QString kinds = pg
            ? QStringLiteral("CREATE TABLE \"Kinds\" (\"Id\" INTEGER, \"Txt\" TEXT, \"Var\" VARCHAR(12), \"Fix\" "
                             "CHAR(5), \"Int\" INTEGER, \"Small\" SMALLINT, \"Yes\" BOOLEAN, \"Big\" BIGINT, \"Dec\" "
                             "NUMERIC(12,3), \"Dbl\" DOUBLE "
                             "PRECISION, \"Flt\" REAL, \"Stamp\" TIMESTAMP(3), \"Day\" DATE, \"Clock\" TIME(0), "
                             "\"Bin\" BYTEA)")
            : QStringLiteral("CREATE TABLE Kinds (Id INTEGER, Txt TEXT, Var VARCHAR(12), Fix CHAR(5), `Int` INTEGER, "
                             "Small SMALLINT, Yes BOOLEAN, Big BIGINT, `Dec` DECIMAL(12,3), Dbl DOUBLE, Flt FLOAT, "
                             "Stamp DATETIME(3), Day DATE, "
                             "Clock TIME, Bin BLOB) CHARACTER SET utf8mb4");
        const QString table = pg ? QStringLiteral("\"Kinds\"") : QStringLiteral("Kinds");
        ASSERT_TRUE(Exec(s.admin, QStringLiteral("DROP TABLE IF EXISTS ") + table));
        ASSERT_TRUE(Exec(s.admin, kinds));
        const QString bytes = pg ? QStringLiteral("'\\x00ff10'") : QStringLiteral("x'00ff10'");
        ASSERT_TRUE(Exec(s.admin,
            QStringLiteral(
                "INSERT INTO %1 VALUES (1, 'éclair 😀 straße', 'ATE-01', 'ab', -7, 300, TRUE, 12345678901234, "
                "1.250, 5.0123456789012345, 0.1, '2026-12-05 08:00:00.123', '2026-12-05', '08:01:02', %2), "
                "(2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
                "(3, '1E5', '0815', '', 0, -2, FALSE, -9007199254740993, -0.001, -1e300, 3.5, '1900-01-01 00:00:00', "
                "'9999-12-31', '23:59:59', NULL)")
                .arg(table, bytes)));
        const QString texts = pg ? QStringLiteral("\"Texts\"") : QStringLiteral("Texts");
        ASSERT_TRUE(Exec(s.admin, QStringLiteral("DROP TABLE IF EXISTS ") + texts));
        ASSERT_TRUE(Exec(s.admin,
            pg ? QStringLiteral("CREATE TABLE \"Texts\" (\"N\" INTEGER, \"T\" TEXT, \"V\" DOUBLE PRECISION)")
               : QStringLiteral("CREATE TABLE Texts (N INTEGER, T VARCHAR(9200), V DOUBLE) CHARACTER SET utf8mb4")));
        if (pg) {
            ASSERT_TRUE(Exec(s.admin, QStringLiteral("DROP TABLE IF EXISTS \"Many\"")));
            ASSERT_TRUE(Exec(s.admin,
                QStringLiteral("CREATE TABLE \"Many\" AS SELECT g AS \"N\" FROM generate_series(1, 20000) g")));
        }
        QSqlQuery insert(QSqlDatabase::database(s.admin));
        ASSERT_TRUE(insert.prepare(QStringLiteral("INSERT INTO %1 VALUES (?, ?, ?)").arg(texts)));
        QVariantList n, t, v;
        for (int i = 1; i <= 3000; ++i) {
            n << i;
            t << (i % 11 == 0 ? QVariant(QMetaType(QMetaType::QString)) : QVariant(LongText(i)));
            v << i * 0.5;
        }
        insert.addBindValue(n);
        insert.addBindValue(t);
        insert.addBindValue(v);
        ASSERT_TRUE(insert.execBatch()) << qPrintable(insert.lastError().text());
    }
    static void TearDownTestSuite()
    {
        test::CloseConnections({ QStringLiteral("pgblocks"), QStringLiteral("mariablocks") });
        delete dir;
        dir = nullptr;
    }
    static QList<Server> Servers()
    {
        return { { QStringLiteral("postgresql"), QStringLiteral("pgblocks"), QStringLiteral("pg"),
                     QStringLiteral("spc"), QStringLiteral("SELECT pg_sleep(20) AS X;") },
            { QStringLiteral("mariadb"), QStringLiteral("mariablocks"), QStringLiteral("maria"), QStringLiteral("spc"),
                QStringLiteral("SELECT SLEEP(20) AS X;") } };
    }
    static Status Open(Connection& c, const Server& s)
    {
        IniDatabase v;
        v.DataSourceName = s.dsn;
        v.UserName = s.user;
        v.Password = s.name == QLatin1String("mariadb") ? QStringLiteral("spc") : QString();
        return c.Open(BuildConnectionString(SourceKind::Odbc, v));
    }
    static QTemporaryDir* dir;
};
QTemporaryDir* OdbcBlocks::dir = nullptr;

} // namespace

TEST_F(OdbcBlocks, EveryColumnReadsAsQtSqlReadsIt)
{
    const QStringList columns = { QStringLiteral("Txt"), QStringLiteral("Var"), QStringLiteral("Fix"),
        QStringLiteral("Int"), QStringLiteral("Small"), QStringLiteral("Yes"), QStringLiteral("Big"),
        QStringLiteral("Dec"), QStringLiteral("Dbl"), QStringLiteral("Flt"), QStringLiteral("Stamp"),
        QStringLiteral("Day"), QStringLiteral("Clock") };
    QStringList items;
    for (const QString& c : columns)
        items << QStringLiteral("[%1] AS %1x").arg(c);
    const QString sql = QStringLiteral("SELECT %1 FROM Kinds ORDER BY [Id];").arg(items.join(QStringLiteral(", ")));
    for (const Server& s : Servers()) {
        SCOPED_TRACE(qPrintable(s.name));
        Connection c;
        ASSERT_FALSE(Open(c, s));
        // Qt's own reading of the same statement on the same session is the reference.
        const AdaptedStatement adapted = AdaptStatement(sql, c.StatementDialect(), c.schema());
        ASSERT_FALSE(adapted.error);
        QSqlQuery qt(QSqlDatabase::database(c.connectionName()));
        qt.setForwardOnly(true);
        qt.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
        ASSERT_TRUE(qt.exec(adapted.sql)) << qPrintable(qt.lastError().text());
        Recordset rs;
        ASSERT_FALSE(rs.Open(sql, c, Recordset::Count::Skip));
        EXPECT_EQ(rs.FieldNames().size(), columns.size());
        int rows = 0;
        for (; !rs.Eof(); ++rows) {
            ASSERT_TRUE(qt.next());
            for (int i = 0; i < columns.size(); ++i) {
                SCOPED_TRACE(qPrintable(QStringLiteral("row %1, %2").arg(rows + 1).arg(columns[i])));
                const QVariant mine = rs.Field(i).value;
                EXPECT_EQ(Exact(mine), Exact(NormalizeValue(qt.value(i))));
                // What the loaders read without making a value says the same.
                const Recordset::RawField raw = rs.Raw(i);
                using Kind = Recordset::RawField::Kind;
                switch (raw.kind) {
                case Kind::Null:
                    EXPECT_TRUE(mine.isNull());
                    break;
                case Kind::Number:
                    EXPECT_EQ(raw.number, mine.toDouble());
                    break;
                case Kind::Text:
                    EXPECT_EQ(QString::fromUtf8(raw.text.data(), qsizetype(raw.text.size())), mine.toString());
                    break;
                case Kind::Time:
                    EXPECT_EQ(raw.time.toDateTime(), mine.toDateTime());
                    break;
                case Kind::Other:
                    // Read in blocks, only a date or a time of day is left to the value.
                    EXPECT_TRUE(columns[i] == QLatin1String("Day") || columns[i] == QLatin1String("Clock"));
                    break;
                }
            }
            ASSERT_FALSE(rs.MoveNext());
        }
        EXPECT_EQ(rows, 3);
        EXPECT_FALSE(qt.next());
        // A result with a column the blocks do not bind (binary) is read all the same.
        Recordset bin;
        ASSERT_FALSE(bin.Open(QStringLiteral("SELECT [Id] AS N, [Bin] AS B FROM Kinds ORDER BY [Id];"), c));
        EXPECT_EQ(bin.RecordCount(), 3);
        EXPECT_EQ(bin.Field(0).value.toInt(), 1);
    }
}

TEST_F(OdbcBlocks, LongTextsComeWholeAndInOrderAcrossBlocks)
{
    for (const Server& s : Servers()) {
        SCOPED_TRACE(qPrintable(s.name));
        Connection c;
        ASSERT_FALSE(Open(c, s));
        Recordset rs;
        ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [N] AS N, [T] AS T, [V] AS V FROM Texts ORDER BY [N];"), c));
        int n = 0;
        while (!rs.Eof()) {
            ++n;
            const QString expected = LongText(n);
            ASSERT_EQ(rs.Field(0).value.toInt(), n);
            const QVariant text = rs.Field(1).value;
            ASSERT_EQ(text.isNull(), expected.isNull()) << "row " << n;
            ASSERT_EQ(text.toString(), expected) << "row " << n << ", " << expected.size() << " characters";
            const Recordset::RawField raw = rs.Raw(1);
            if (!expected.isNull()) {
                ASSERT_EQ(QString::fromUtf8(raw.text.data(), qsizetype(raw.text.size())), expected) << "row " << n;
            }
            ASSERT_EQ(rs.Field(2).value.toDouble(), n * 0.5);
            ASSERT_FALSE(rs.MoveNext());
        }
        EXPECT_EQ(n, 3000);
    }
}

// The filters' "any" (`LIKE '%'`), sent as IS NOT NULL, keeps the rows the engine's own pattern keeps: NULL
// left out, an empty text, a number, a time kept.
TEST_F(OdbcBlocks, AnyValueKeepsTheRowsTheEnginesPatternKeeps)
{
    for (const Server& s : Servers()) {
        SCOPED_TRACE(qPrintable(s.name));
        const bool pg = s.name == QLatin1String("postgresql");
        Connection c;
        ASSERT_FALSE(Open(c, s));
        for (const QString column : { "Txt", "Fix", "Int", "Dbl", "Stamp", "Day" }) {
            SCOPED_TRACE(qPrintable(column));
            Recordset rs;
            ASSERT_FALSE(
                rs.Open(QStringLiteral("SELECT [Id] AS I FROM Kinds WHERE [%1] LIKE '%' ORDER BY [Id];").arg(column), c,
                    Recordset::Count::Skip));
            QList<int> kept;
            for (Status st; !st && !rs.Eof(); st = rs.MoveNext())
                kept << rs.Field(0).value.toInt();
            QSqlQuery engine(QSqlDatabase::database(s.admin));
            ASSERT_TRUE(
                engine.exec(pg ? QStringLiteral("SELECT \"Id\" FROM \"Kinds\" WHERE CAST(\"%1\" AS text) LIKE "
                                                "'%' ORDER BY \"Id\"")
                                     .arg(column)
                               : QStringLiteral("SELECT Id FROM Kinds WHERE `%1` LIKE '%' ORDER BY Id").arg(column)))
                << qPrintable(engine.lastError().text());
            QList<int> expected;
            while (engine.next())
                expected << engine.value(0).toInt();
            EXPECT_EQ(kept, expected);
            EXPECT_EQ(kept, QList<int>({ 1, 3 }));
        }
    }
}

TEST_F(OdbcBlocks, AFailureAfterTheFirstBlocksIsAnErrorNotTheEnd)
{
    // Row 9000 divides by zero: PostgreSQL fails while it hands out the rows (unsorted, as the table holds
    // them), after the first blocks.
    const Server s = Servers().first();
    Connection c;
    ASSERT_FALSE(Open(c, s));
    Recordset rs;
    Status status
        = rs.Open(QStringLiteral("SELECT [N] AS N, 1 / ([N] - 9000) AS V FROM Many;"), c, Recordset::Count::Skip);
    int rows = 0;
    while (!status && !rs.Eof()) {
        ++rows;
        status = rs.MoveNext();
    }
    EXPECT_GT(rows, 0);
    ASSERT_TRUE(status) << "the rows ended without the error after " << rows << " rows";
    EXPECT_EQ(status->number, kErrUnspecified) << qPrintable(status->description);
    EXPECT_TRUE(status->description.contains(QStringLiteral("division by zero"))) << qPrintable(status->description);
}

TEST_F(OdbcBlocks, AStatementStoppedWhileTheServerWorksEndsAndTheSessionGoesOn)
{
    for (const Server& s : Servers()) {
        SCOPED_TRACE(qPrintable(s.name));
        Connection c;
        ASSERT_FALSE(Open(c, s));
        int calls = 0;
        c.SetProgressCallback([&calls] { return ++calls < 10; });
        Recordset rs;
        const Status stopped = rs.Open(s.sleep, c, Recordset::Count::Skip);
        ASSERT_TRUE(stopped) << "the statement ran to its end";
        EXPECT_EQ(stopped->number, kErrInterrupted) << qPrintable(stopped->description);
        EXPECT_GE(calls, 10);
        c.SetProgressCallback({});
        // A result given up after a few rows leaves the session usable too.
        ASSERT_FALSE(rs.Open(QStringLiteral("SELECT [N] AS N FROM Texts ORDER BY [N];"), c, Recordset::Count::Skip));
        for (int i = 0; i < 5; ++i)
            ASSERT_FALSE(rs.MoveNext());
        rs.Close();
        Recordset after;
        ASSERT_FALSE(after.Open(QStringLiteral("SELECT COUNT(*) AS K FROM Texts;"), c));
        EXPECT_EQ(after.Field(0).value.toInt(), 3000);
    }
}

// PostgreSQL sorts the selection before its first row, and psqlODBC's cursor runs the sort in its first FETCH:
// a stop then must reach the server, not wait for the sort (here about 40 s), and the session goes on.
TEST_F(OdbcBlocks, AStopDuringTheSortBeforeTheFirstRowCancelsTheServersWork)
{
    const Server s = Servers().first();
    Connection c;
    ASSERT_FALSE(Open(c, s));
    // The stop comes when the server has been sorting for a second.
    QElapsedTimer sinceOpen, sinceStop;
    sinceOpen.start();
    c.SetProgressCallback([&] {
        if (sinceOpen.elapsed() < 1000)
            return true;
        if (!sinceStop.isValid())
            sinceStop.start();
        return false;
    });
    Recordset rs;
    const Status stopped
        = rs.Open(QStringLiteral("SELECT [N] AS N FROM Many WHERE pg_sleep(0.002) IS NOT NULL ORDER BY [N] DESC;"), c,
            Recordset::Count::Skip);
    rs.Close();
    const qint64 took = sinceStop.elapsed();
    ASSERT_TRUE(stopped) << "the statement ran to its end";
    EXPECT_EQ(stopped->number, kErrInterrupted) << qPrintable(stopped->description);
    EXPECT_LT(took, 10000) << "the stop waited for the sort";
    c.SetProgressCallback({});
    // The server's backend stopped too.
    QSqlQuery busy(QSqlDatabase::database(s.admin));
    int running = -1;
    for (int i = 0; i < 50 && running != 0; ++i) {
        ASSERT_TRUE(busy.exec(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND "
                                             "query LIKE '%pg_sleep(0.002)%' AND pid <> pg_backend_pid()")));
        ASSERT_TRUE(busy.next());
        running = busy.value(0).toInt();
        if (running != 0)
            QThread::msleep(100);
    }
    EXPECT_EQ(running, 0) << "the server still sorts";
    Recordset after;
    ASSERT_FALSE(after.Open(QStringLiteral("SELECT COUNT(*) AS K FROM Many;"), c));
    EXPECT_EQ(after.Field(0).value.toInt(), 20000);
}

namespace
{

const char* const kBusyChild = "MOLDRIN_BUSY_CHILD";
const QString kBusyStatement
    = QStringLiteral("SELECT [N] AS N FROM Many WHERE pg_sleep(0.01) IS NOT NULL ORDER BY [N] DESC;"); // 200 s

// The server's backends running kBusyStatement.
int BusyBackends(const QString& admin)
{
    QSqlQuery q(QSqlDatabase::database(admin));
    if (!q.exec(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE state = 'active' AND query LIKE "
                               "'%pg_sleep(0.01)%' AND pid <> pg_backend_pid()"))
        || !q.next()) {
        ADD_FAILURE() << qPrintable(q.lastError().text());
        return -1;
    }
    return q.value(0).toInt();
}

} // namespace

// Run by the test below in a process of its own: a session of the program that keeps the server busy.
TEST(OdbcSession, BusyChild)
{
    if (qEnvironmentVariableIsEmpty(kBusyChild))
        GTEST_SKIP() << "the child of OdbcBlocks.AClientThatEndsWithoutAWordLeavesNoStatementRunning";
    QTemporaryDir dir;
    test::UseServerDsns(dir.path());
    IniDatabase v;
    v.DataSourceName = QStringLiteral("pg");
    v.UserName = QStringLiteral("spc");
    Connection c;
    ASSERT_FALSE(c.Open(BuildConnectionString(SourceKind::Odbc, v)));
    Recordset rs;
    rs.Open(kBusyStatement, c, Recordset::Count::Skip);
}

// A client killed while the server sorts for it (a report ended by SIGINT) leaves no statement running.
TEST_F(OdbcBlocks, AClientThatEndsWithoutAWordLeavesNoStatementRunning)
{
    const Server s = Servers().first();
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        environment.emplace_back(*e);
    environment.push_back(std::string(kBusyChild) + "=1");
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        execle("/proc/self/exe", "odbcblocks-child", "--gtest_filter=OdbcSession.BusyChild", nullptr, envp.data());
        _exit(127);
    }
    QElapsedTimer clock;
    clock.start();
    while (BusyBackends(s.admin) == 0 && clock.elapsed() < 30000)
        QThread::msleep(50);
    const bool busy = BusyBackends(s.admin) == 1;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(busy) << "the child's statement never ran";
    clock.restart();
    while (BusyBackends(s.admin) != 0 && clock.elapsed() < 10000)
        QThread::msleep(100);
    EXPECT_EQ(BusyBackends(s.admin), 0) << "the server still works for a client that is gone";
}
