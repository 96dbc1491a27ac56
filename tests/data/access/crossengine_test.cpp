// One dataset in every engine (SQLite file, SQLite over ODBC, PostgreSQL over ODBC, .xlsx, .xls):
// each statement form, written in any locale, returns the same rows in the same order; writes fail and
// files stay unchanged.
#include "common/appstate.h"
#include "common/dates.h"
#include "common/prompt.h"
#include "common/reading.h"
#include "data/access/connectdatasource.h"
#include "data/access/connection.h"
#include "data/config/querybuilder.h"
#include "odbcenv.h"
#include "qtprinters.h"
#include "sampledata.h"
#include "sanitizer.h"
#include "screening/screening.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

QString PgDir()
{
    return QString::fromLocal8Bit(qgetenv("MOLDRIN_PG_DIR"));
}
QString PgPort()
{
    return QString::fromLocal8Bit(qgetenv("MOLDRIN_PG_PORT"));
}

struct Engine {
    QString name;
    IniDatabase values;
    QString file; // checked for changes; empty for the server
};

// One statement form as the query builder writes it, with the aliases it selects.
struct Form {
    QString sql;
    QStringList aliases;
    bool ordered = true; // the statement orders its rows
};

const QStringList kReading
    = { QStringLiteral("SNX"), QStringLiteral("ATEX"), QStringLiteral("DateX"), QStringLiteral("ValueX") };

// The forms the program sends, written by the query builder for the engine's kind in the current
// locale, on 6 December 2026. Filters are given as a user types them; the data hold other letter cases.
QList<Form> Forms(const AppState& s)
{
    QueryWindowInputs window;
    window.today = QDate(2026, 12, 6);
    window.acceptZero = true;
    QueryWindowInputs noZero = window;
    noZero.acceptZero = false;
    QueryWindowInputs ft1 = window;
    ft1.testIdText = QStringLiteral("ft1");
    const QString sort = s.gColTestStartTime + QStringLiteral(", ") + s.gColATEID;
    const QString pass = PassCondition(s, true), all = PassCondition(s, false);
    const QString p = QStringLiteral("VOUT_5V");
    data::PlotSelection screenToday;
    screenToday.range = QStringLiteral("Today");
    screenToday.query = noZero;
    data::PlotSelection screenLast;
    screenLast.range = QStringLiteral("All");
    screenLast.query = window;
    screenLast.passOnly = true;
    screenLast.lastDataOnly = true;
    const QStringList kScreen = { QStringLiteral("ATEX"), QStringLiteral("Value1"), QStringLiteral("Value2") };
    return {
        // main chart, passing units of today
        { GetSQL(s, window, p, QStringLiteral("Today"), QString(), sort, QString(), pass, false), kReading },
        // the serial filter as the loader sends it, in capitals
        { GetSQL(s, window, p, QStringLiteral("Last 3 Days"), QString(), sort, QStringLiteral("SN005"), pass, false),
            kReading },
        // last data only, all verdicts, one tester, zeros excluded, all dates
        { GetSQL(s, noZero, p, QStringLiteral("All"), QStringLiteral("ate-01"), sort, QString(), all, true), kReading },
        // histogram of a tester written three ways in the data
        { GetSQL(s, window, p, QStringLiteral("Last 7 Days"), QStringLiteral("ATE 3"), QString(), QString(), all, false,
              QStringLiteral("Histogram")),
            kReading, false },
        // scatter by serial, one source tester, grouped
        { GetSQL(s, window, p, QStringLiteral("All"), QString(), QString(), QString(), pass, true,
              QStringLiteral("Scatter"), QStringLiteral("ATE-02")),
            kReading },
        // p chart of one Test ID
        { GetSQL(s, ft1, QString(), QStringLiteral("All"), QString(), sort, QString(), QString(), false,
              QStringLiteral("P Chart")),
            { QStringLiteral("NonConformitiesX"), QStringLiteral("SubGroupX") } },
        // tester list
        { QStringLiteral("SELECT %1 AS ATEx FROM %2 GROUP BY %1 ORDER BY %1;").arg(s.gColATEID, s.gTableName),
            { QStringLiteral("ATEx") } },
        // the screen of two parameter columns, today, all verdicts, zeros excluded (one day: rows sharing a
        // start time and tester come back in the engine's own order)
        { screening::ScreenStatement(s, screenToday, 2), kScreen },
        // the screen, last data only, passing units, all dates
        { screening::ScreenStatement(s, screenLast, 2), kScreen },
    };
}

// The locales the forms are written in: month names such as "déc.", "Dez.", "дек.", "12月", and
// month before day in en_US.
const QStringList kLocales = { QStringLiteral("C"), QStringLiteral("en_US"), QStringLiteral("de_DE"),
    QStringLiteral("fr_FR"), QStringLiteral("ru_RU"), QStringLiteral("ja_JP") };

QList<test::SampleRow> AllRows()
{
    return test::SampleRows() + test::MixedRows();
}

std::string Joined(const QList<QStringList>& rows)
{
    QStringList lines;
    for (const QStringList& r : rows)
        lines << r.join(u'|');
    return lines.join(u'\n').toStdString();
}

class CrossEngine : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir = new QTemporaryDir;
        ASSERT_TRUE(dir->isValid());
        for (const char* name : { "results.db", "odbc.db" }) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("writer"));
            db.setDatabaseName(dir->filePath(QLatin1String(name)));
            ASSERT_TRUE(db.open());
            ASSERT_TRUE(test::WriteSampleRows(db, QString::fromLatin1(test::kSampleCreate), AllRows()));
            db.close();
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("writer"));
        }
        for (bool xlsx : { true, false }) {
            const QString err = test::RunDebianPython(test::SamplePython(
                xlsx, dir->filePath(xlsx ? QStringLiteral("book.xlsx") : QStringLiteral("book.xls")), AllRows()));
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
            ASSERT_TRUE(test::WriteSampleRows(pg,
                QStringLiteral("CREATE TABLE \"Results\" (\"SerialNumber\" TEXT, \"ATEID\" TEXT, \"TestStartTime\" "
                               "TIMESTAMP, \"PassFail\" TEXT, \"TestID\" TEXT, \"VOUT_5V\" DOUBLE PRECISION, "
                               "\"Inspected\" INTEGER, \"Defectives\" INTEGER)"),
                AllRows()))
                << qPrintable(q.lastError().text());
            for (const char* sql :
                { "DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname='spc_reader') THEN "
                  "CREATE ROLE spc_reader LOGIN PASSWORD 'reader'; END IF; END$$",
                    "GRANT CONNECT ON DATABASE spcdata TO spc_reader", "GRANT USAGE ON SCHEMA public TO spc_reader",
                    "GRANT SELECT ON ALL TABLES IN SCHEMA public TO spc_reader",
                    "ALTER ROLE spc_reader SET default_transaction_read_only = on" })
                ASSERT_TRUE(q.exec(QLatin1String(sql))) << sql << qPrintable(q.lastError().text());
            pg.close();
            pg = QSqlDatabase();
            QSqlDatabase::removeDatabase(QStringLiteral("pgwriter"));
        }
        ASSERT_TRUE(test::UsePrivateOdbc(dir->path(),
            QStringLiteral("[spc_sqlite]\nDriver=SQLite3\nDatabase=%1\n[spc_pg]\nDriver=PostgreSQL Unicode\n"
                           "Servername=%2\nPort=%3\nDatabase=spcdata\n[spc_big]\nDriver=SQLite3\nDatabase=%4\n")
                .arg(dir->filePath(QStringLiteral("odbc.db")), PgDir(), PgPort(),
                    dir->filePath(QStringLiteral("big.db")))));
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
        e.append({ QStringLiteral("sqlite"), v, v.DatabaseName });
        v.DatabaseName = dir->filePath(QStringLiteral("book.xlsx"));
        e.append({ QStringLiteral("xlsx"), v, v.DatabaseName });
        v.DatabaseName = dir->filePath(QStringLiteral("book.xls"));
        e.append({ QStringLiteral("xls"), v, v.DatabaseName });
        IniDatabase o;
        o.TableName = QStringLiteral("Results");
        o.DataSourceName = QStringLiteral("spc_sqlite");
        e.append({ QStringLiteral("sqlite-odbc"), o, dir->filePath(QStringLiteral("odbc.db")) });
        o.DataSourceName = QStringLiteral("spc_pg");
        o.UserName = QStringLiteral("spc_reader");
        o.Password = QStringLiteral("reader");
        e.append({ QStringLiteral("postgresql-odbc"), o, QString() });
        return e;
    }
    static QTemporaryDir* dir;
};
QTemporaryDir* CrossEngine::dir = nullptr;

} // namespace

TEST_F(CrossEngine, EveryFormGivesTheSameRowsInTheSameOrderInEveryLocale)
{
    QList<QList<QStringList>> reference;
    const QLocale before;
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        const SourceKind kind = KindOf(e.values);
        Connection c;
        const Status s = c.Open(BuildConnectionString(kind, e.values));
        ASSERT_FALSE(s) << qPrintable(s->description);
        AppState state(dir->filePath(QStringLiteral("settings")));
        state.gDataSourceKind = KindName(kind);
        state.gTableName = kind == SourceKind::Excel ? QStringLiteral("[Results$]") : QStringLiteral("Results");
        state.gPChartNonConfColumn = QStringLiteral("Defectives");
        state.gPChartSubGroupColumn = QStringLiteral("Inspected");
        state.gParamColumn = { QStringLiteral("VOUT_5V"), QStringLiteral("Defectives") };
        for (const QString& locale : kLocales) {
            SCOPED_TRACE(qPrintable(locale));
            // What LC_ALL sets for the program: the month names and the date order.
            QLocale::setDefault(QLocale(locale));
            state.gDateOrder = DetectDateOrder(QLocale());
            const QList<Form> forms = Forms(state);
            if (locale == QLatin1String("fr_FR")) {
                ASSERT_TRUE(forms[0].sql.contains(QStringLiteral("06/déc./2026"))) << qPrintable(forms[0].sql);
            }
            for (int f = 0; f < forms.size(); ++f) {
                SCOPED_TRACE(qPrintable(forms[f].sql));
                Recordset rs;
                ASSERT_FALSE(rs.Open(forms[f].sql, c, Recordset::Count::Skip));
                EXPECT_EQ(rs.FieldNames(), forms[f].aliases); // as the statement writes them
                rs.Close();
                QList<QStringList> rows = test::ReadAll(c, forms[f].sql, forms[f].aliases);
                ASSERT_FALSE(rows.isEmpty());
                ASSERT_FALSE(rows[0][0].startsWith(QLatin1String("error"))) << qPrintable(rows[0][0]);
                // The count given right after opening is the number of rows read.
                EXPECT_EQ(rows[0][0].toInt(), rows.size() - 1);
                if (!forms[f].ordered)
                    std::sort(rows.begin() + 1, rows.end());
                if (f == 6) {
                    // A worksheet cannot tell an empty tester from a missing one: compare the named groups.
                    rows.removeIf([](const QStringList& r) { return r.size() == 1 && r[0].isEmpty(); });
                    rows[0][0].clear();
                }
                if (reference.size() <= f)
                    reference << rows;
                else
                    EXPECT_EQ(Joined(rows), Joined(reference[f]));
            }
        }
        QLocale::setDefault(before);
    }
    ASSERT_EQ(reference.size(), 9);
    auto serials = [&](int form) {
        QStringList out;
        for (qsizetype i = 1; i < reference[form].size(); ++i)
            out << reference[form][i][0];
        return out;
    };
    // Today's passing units: stamps with 'T' (up to 23:59:59) and with fractions of a second count, any
    // spelling of PASS counts, text serials of digits come back as written, in the order of their times.
    const QStringList today = serials(0);
    for (const char* sn : { "sn005", "Sn105", "12345678901234567890", "1E5" })
        EXPECT_TRUE(today.contains(QLatin1String(sn))) << sn << " in " << qPrintable(today.join(u' '));
    for (const char* sn : { "4711.50", "0815", "SN106" })
        EXPECT_FALSE(today.contains(QLatin1String(sn))) << sn;
    EXPECT_EQ(today.last(), QStringLiteral("1E5"));
    EXPECT_EQ(serials(1), QStringList({ QStringLiteral("SN005"), QStringLiteral("sn005") }));
    const QStringList ate01 = serials(2);
    EXPECT_TRUE(ate01.contains(QStringLiteral("0815")) && ate01.contains(QStringLiteral("12345678901234567890")));
    EXPECT_EQ(serials(3), QStringList({ QStringLiteral("SN106"), QStringLiteral("Sn105"), QStringLiteral("sn005") }));
    int ft1 = 0;
    for (const test::SampleRow& r : AllRows())
        ft1 += r.testId.compare(QLatin1String("FT1"), Qt::CaseInsensitive) == 0;
    EXPECT_EQ(reference[5].size() - 1, ft1);
}

TEST_F(CrossEngine, TesterListIsTheSameEverywhere)
{
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        AppState state(dir->filePath(QStringLiteral("settings")));
        ScriptedPrompt prompt;
        const ConnectResult r = ConnectDataSource(QStringLiteral("PSU-100"), e.values, state, prompt);
        ASSERT_TRUE(r.ok) << qPrintable(prompt.texts().join(u'\n'));
        // "ATE 3", "Ate 3" and "ate 3" are one tester, as "ATE-01" and "ate-01" are.
        EXPECT_EQ(r.testers,
            QStringList({ QStringLiteral("ATE 3"), QStringLiteral("ATE-01"), QStringLiteral("ATE-02"),
                QStringLiteral("ATE-03"), QStringLiteral("<All>") }));
    }
}

TEST_F(CrossEngine, ATableNameWithAStatementIsRefusedEverywhere)
{
    for (const Engine& e : Engines()) {
        SCOPED_TRACE(qPrintable(e.name));
        AppState state(dir->filePath(QStringLiteral("settings")));
        ScriptedPrompt prompt;
        IniDatabase values = e.values;
        values.TableName += QStringLiteral("; DELETE FROM Results");
        EXPECT_FALSE(ConnectDataSource(QStringLiteral("PSU-100"), values, state, prompt).ok);
        ASSERT_EQ(prompt.messages.size(), 1);
        EXPECT_TRUE(prompt.messages[0].text.startsWith(QStringLiteral("Not a table or column name in section PSU-100 "
                                                                      "and key TableName")))
            << qPrintable(prompt.messages[0].text);
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
    EXPECT_EQ(r.testers, QStringList { QStringLiteral("<All>") });
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
            const QString table = KindOf(e.values) == SourceKind::Excel ? QStringLiteral("\"Results$\"")
                                                                        : QStringLiteral("\"Results\"");
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
    EXPECT_EQ(rs.Fields(QStringLiteral("N")).value.toInt(), AllRows().size());
}

namespace
{
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
    if (!test::kAddressSanitizer) {
        EXPECT_LT(peak - start, 20 * 1024) << "RSS grew by " << (peak - start) << " KiB";
    }
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
        ASSERT_TRUE(
            q.exec(QStringLiteral("CREATE TABLE Big AS WITH RECURSIVE g(n) AS (SELECT 1 UNION ALL SELECT n + 1 "
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

// Readings that are no number as the engines give them: PostgreSQL's NaN and infinities in a double
// precision column, Excel cells with the texts "n/a" and "5,05" in a column of numbers. None is a reading.
TEST_F(CrossEngine, FieldsThatAreNoNumberAreNoReadings)
{
    {
        QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("pgodd"));
        pg.setHostName(PgDir());
        pg.setPort(PgPort().toInt());
        pg.setUserName(QStringLiteral("spc"));
        pg.setDatabaseName(QStringLiteral("spcdata"));
        ASSERT_TRUE(pg.open()) << qPrintable(pg.lastError().text());
        QSqlQuery q(pg);
        for (const char* sql : { "DROP TABLE IF EXISTS odd", "CREATE TABLE odd (\"N\" INTEGER, \"V\" DOUBLE PRECISION)",
                 "INSERT INTO odd VALUES (1, 1.5), (2, 'NaN'), (3, 'Infinity'), (4, '-Infinity'), (5, NULL)",
                 "GRANT SELECT ON odd TO spc_reader" })
            ASSERT_TRUE(q.exec(QLatin1String(sql))) << sql << qPrintable(q.lastError().text());
        pg.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("pgodd"));
    using Kind = FieldReading::Kind;
    const auto kinds = [](Connection& c, const QString& sql) {
        QList<Kind> out;
        Recordset rs;
        const Status opened = rs.Open(sql, c);
        EXPECT_FALSE(opened) << qPrintable(opened ? opened->description : QString());
        while (!opened && !rs.Eof()) {
            out << ReadingOf(rs.Fields(QStringLiteral("V")).value).kind;
            if (rs.MoveNext())
                break;
        }
        return out;
    };
    Connection pg;
    ASSERT_FALSE(pg.Open(BuildConnectionString(SourceKind::Odbc, Engines().last().values)));
    EXPECT_EQ(kinds(pg, QStringLiteral("SELECT [V] AS V FROM odd ORDER BY [N];")),
        (QList<Kind> { Kind::Number, Kind::NotANumber, Kind::NotANumber, Kind::NotANumber, Kind::Null }));

    const QString book = dir->filePath(QStringLiteral("odd.xlsx"));
    ASSERT_EQ(test::RunDebianPython(QStringLiteral("import openpyxl\nwb=openpyxl.Workbook()\nws=wb.active\n"
                                                   "ws.title='Odd'\nws.append(['N','V'])\n"
                                                   "for r in [[1,1.5],[2,'n/a'],[3,'5,05'],[4,' 2.5 ']]: ws.append(r)\n"
                                                   "wb.save(r'%1')\n")
                                        .arg(book)),
        QString());
    IniDatabase x;
    x.DatabaseName = book;
    x.TableName = QStringLiteral("Odd");
    Connection excel;
    ASSERT_FALSE(excel.Open(BuildConnectionString(KindOf(x), x)));
    EXPECT_EQ(kinds(excel, QStringLiteral("SELECT [V] AS V FROM [Odd$] ORDER BY [N];")),
        (QList<Kind> { Kind::Number, Kind::NotANumber, Kind::NotANumber, Kind::Number }));
}
