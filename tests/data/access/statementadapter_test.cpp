// Statement adaptation on every statement form the query builder writes, in every locale.
#include "data/access/statementadapter.h"

#include "common/dates.h"
#include "qtprinters.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

const QString kMain = QStringLiteral(
    "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX FROM Results "
    "WHERE [PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN #06/Dec/2026# AND "
    "#06/Dec/2026 23:59:59# AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 ORDER BY "
    "[TestStartTime], [ATEID];");

const QString kGroupedQuoted = QStringLiteral(
    "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, MAX ([TestStartTime]) AS DateX, MAX([VOUT_5V]) AS ValueX FROM "
    "Results WHERE [PassFail] LIKE '%' AND [ATEID] = 'ATE 3' AND [SerialNumber] = 'SN01' AND [TestStartTime] "
    "BETWEEN '01/Jan/1900' AND '06/Dec/2026 23:59:59' AND [TestID] = 'FT1' AND [VOUT_5V] IS NOT NULL AND "
    "[VOUT_5V] <> 999 AND [VOUT_5V] <> -999 AND [VOUT_5V] <> 0 GROUP BY [SerialNumber], [ATEID], "
    "[TestStartTime] ORDER BY [TestStartTime], [ATEID];");

const QString kScatterGrouped = QStringLiteral(
    "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, MAX([TestStartTime]) AS DateX, MAX([A]) AS ValueX, MAX([B]) AS "
    "ValueY FROM Results WHERE [PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN "
    "#Dec/01/2026# AND #Dec/06/2026 23:59:59# AND [A] IS NOT NULL AND [A] <> 999 AND [A] <> -999 AND [B] IS NOT "
    "NULL AND [B] <> 999 AND [B] <> -999 GROUP BY [SerialNumber], [ATEID], [TestStartTime] ORDER BY "
    "MAX([TestStartTime]), MAX([ATEID]);");

const QString kPChart = QStringLiteral(
    "SELECT [Defectives] AS NonConformitiesX,  [Inspected] AS SubGroupX FROM Results WHERE [TestStartTime] BETWEEN "
    "#06/Dec/2026# AND #06/Dec/2026 23:59:59# AND [Defectives] IS NOT NULL AND [Defectives] <> 999 AND "
    "[Defectives] <> -999 AND [Defectives] >= 0 AND [Inspected] IS NOT NULL AND [Inspected] <> 999 AND "
    "[Inspected] <> -999 AND [Inspected] > 0 ORDER BY [TestStartTime], [ATEID];");

const QString kTesters = QStringLiteral("SELECT [ATEID] AS ATEx FROM Results GROUP BY [ATEID] ORDER BY [ATEID];");

Schema PgSchema()
{
    Schema schema;
    schema.names = { { QStringLiteral("results"), QStringLiteral("Results") },
        { QStringLiteral("serialnumber"), QStringLiteral("SerialNumber") },
        { QStringLiteral("ateid"), QStringLiteral("ATEID") },
        { QStringLiteral("passfail"), QStringLiteral("PassFail") },
        { QStringLiteral("testid"), QStringLiteral("TestID") },
        { QStringLiteral("teststarttime"), QStringLiteral("TestStartTime") },
        { QStringLiteral("vout_5v"), QStringLiteral("VOUT_5V") } };
    schema.textColumns = { QStringLiteral("results.serialnumber"), QStringLiteral("results.ateid"),
        QStringLiteral("results.passfail") }; // TestID is an integer column here
    return schema;
}

// The adapted statement with each bound value written after its '?' in braces: "= ?{PASS}".
QString Adapted(const QString& statement, Dialect dialect, const Schema& schema = {})
{
    const AdaptedStatement a = AdaptStatement(statement, dialect, schema);
    if (a.error)
        return QStringLiteral("error: ") + a.error->description;
    QString shown;
    qsizetype next = 0;
    for (const QChar c : a.sql) {
        shown += c;
        if (c == u'?')
            shown += u'{' + (next < a.parameters.size() ? a.parameters[next++] : QStringLiteral("MISSING")) + u'}';
    }
    return next == a.parameters.size() ? shown : QStringLiteral("error: more values than marks");
}

class DefaultLocale
{
public:
    explicit DefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(mOld); }

private:
    QLocale mOld;
};

} // namespace

TEST(StatementAdapter, NativeBindsTextBreaksTiesAndWritesMonthsInEnglish)
{
    EXPECT_EQ(Adapted(kMain, Dialect::Native),
        QStringLiteral("SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX "
                       "FROM Results WHERE [PassFail] = ?{PASS} AND [SerialNumber] LIKE ?{%%} AND [TestStartTime] "
                       "BETWEEN '06/Dec/2026' AND '06/Dec/2026 23:59:59' AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> "
                       "999 AND [VOUT_5V] <> -999 ORDER BY [TestStartTime], [ATEID], [SerialNumber], [VOUT_5V];"));
    // Grouped: the selected aggregates break the ties.
    EXPECT_TRUE(Adapted(kGroupedQuoted, Dialect::Native)
                    .endsWith(QStringLiteral(
                        "GROUP BY [SerialNumber], [ATEID], [TestStartTime] ORDER BY "
                        "[TestStartTime], [ATEID], [SerialNumber], MAX ([TestStartTime]), MAX([VOUT_5V]);")));
    EXPECT_TRUE(Adapted(kGroupedQuoted, Dialect::Native)
                    .contains(QStringLiteral("[PassFail] LIKE ?{%} AND [ATEID] = ?{ATE 3} AND [SerialNumber] = "
                                             "?{SN01} AND [TestStartTime] BETWEEN '01/Jan/1900' AND '06/Dec/2026 "
                                             "23:59:59' AND [TestID] = ?{FT1} AND")));
    EXPECT_TRUE(Adapted(kScatterGrouped, Dialect::Native)
                    .endsWith(QStringLiteral("ORDER BY MAX([TestStartTime]), MAX([ATEID]), [SerialNumber], [ATEID], "
                                             "MAX([A]), MAX([B]);")));
    EXPECT_TRUE(Adapted(kPChart, Dialect::Native)
                    .endsWith(QStringLiteral("ORDER BY [TestStartTime], [ATEID], [Defectives], [Inspected];")));
    // The tester list orders by its one column already.
    EXPECT_EQ(Adapted(kTesters, Dialect::Native), kTesters);
    const DefaultLocale french(QLocale(QStringLiteral("fr_FR")));
    EXPECT_EQ(Adapted(QStringLiteral("WHERE [d] BETWEEN '05/déc./2026' AND 'déc./07/2026 23:59:59'"), Dialect::Native),
        QStringLiteral("WHERE [d] BETWEEN '05/Dec/2026' AND 'Dec/07/2026 23:59:59'"));
}

TEST(StatementAdapter, SQLiteDatesTimeStampsAndLetterCase)
{
    EXPECT_EQ(Adapted(kMain, Dialect::SQLite),
        QStringLiteral("SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS "
                       "ValueX FROM Results WHERE [PassFail] = ?{PASS} COLLATE MOLDRIN_NOCASE AND [SerialNumber] LIKE "
                       "?{%%} AND ([TestStartTime] BETWEEN '2026-12-06' AND '2026-12-06 23:59:59' OR [TestStartTime] "
                       "BETWEEN '2026-12-06T' AND '2026-12-06T23:59:59') AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] "
                       "<> 999 AND [VOUT_5V] <> -999 ORDER BY julianday([TestStartTime]), [ATEID], [SerialNumber], "
                       "[TestStartTime], [VOUT_5V];"));
    EXPECT_EQ(Adapted(kGroupedQuoted, Dialect::SQLite),
        QStringLiteral("SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, MAX ([TestStartTime]) AS DateX, "
                       "MAX([VOUT_5V]) AS ValueX FROM Results WHERE [PassFail] LIKE ?{%} AND [ATEID] = ?{ATE 3} "
                       "COLLATE MOLDRIN_NOCASE AND [SerialNumber] = ?{SN01} COLLATE MOLDRIN_NOCASE AND "
                       "([TestStartTime] BETWEEN '1900-01-01' AND '2026-12-06 23:59:59' OR [TestStartTime] BETWEEN "
                       "'2026-12-06T' AND '2026-12-06T23:59:59') AND [TestID] = ?{FT1} COLLATE MOLDRIN_NOCASE AND "
                       "[VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 AND [VOUT_5V] <> 0 GROUP "
                       "BY [SerialNumber], [ATEID], julianday([TestStartTime]) ORDER BY julianday([TestStartTime]), "
                       "[ATEID], [SerialNumber], MAX ([TestStartTime]), MAX([VOUT_5V]);"));
    const QString scatter = Adapted(kScatterGrouped, Dialect::SQLite);
    EXPECT_TRUE(
        scatter.contains(QStringLiteral("([TestStartTime] BETWEEN '2026-12-01' AND '2026-12-06 23:59:59' OR "
                                        "[TestStartTime] BETWEEN '2026-12-06T' AND '2026-12-06T23:59:59') AND [A]")))
        << qPrintable(scatter);
    EXPECT_TRUE(scatter.endsWith(QStringLiteral("ORDER BY MAX(julianday([TestStartTime])), MAX([ATEID]), "
                                                "[SerialNumber], [ATEID], MAX([TestStartTime]), MAX([A]), MAX([B]);")))
        << qPrintable(scatter);
    EXPECT_TRUE(scatter.contains(QStringLiteral("AS SNX, [ATEID] AS ATEX, MAX([TestStartTime]) AS DateX")));
    EXPECT_TRUE(
        Adapted(kPChart, Dialect::SQLite)
            .endsWith(QStringLiteral("ORDER BY julianday([TestStartTime]), [ATEID], [Defectives], [Inspected];")));
    // A range that starts inside a day compares every stamp as a time.
    EXPECT_EQ(Adapted(QStringLiteral("WHERE [T].[d] BETWEEN '06/Dec/2026 08:00:00' AND '07/Dec/2026 08:00:00'"),
                  Dialect::SQLite),
        QStringLiteral("WHERE ([T].[d] >= '2026-12-06 08:00' AND julianday([T].[d]) BETWEEN "
                       "julianday('2026-12-06 08:00:00') AND julianday('2026-12-07 08:00:00'))"));
}

TEST(StatementAdapter, TextThatLooksLikeADateOutsideBetweenStaysText)
{
    const QString s = QStringLiteral("SELECT [a] AS x FROM t WHERE [SerialNumber] = '06/Dec/2026' AND [b] BETWEEN "
                                     "'x' AND 'y';");
    EXPECT_EQ(Adapted(s, Dialect::SQLite),
        QStringLiteral("SELECT [a] AS x FROM t WHERE [SerialNumber] = ?{06/Dec/2026} COLLATE MOLDRIN_NOCASE AND [b] "
                       "BETWEEN ?{x} AND ?{y};"));
    // A quote inside a literal does not end it early.
    const QString q = QStringLiteral("SELECT [a] FROM t WHERE [n] = 'O''Brien [x]' AND d BETWEEN '06/Dec/2026' AND "
                                     "'07/Dec/2026 01:02:03';");
    EXPECT_EQ(Adapted(q, Dialect::SQLite),
        QStringLiteral(
            "SELECT [a] FROM t WHERE [n] = ?{O'Brien [x]} COLLATE MOLDRIN_NOCASE AND (d BETWEEN "
            "'2026-12-06' AND '2026-12-07 01:02:03' OR d BETWEEN '2026-12-07T' AND '2026-12-07T01:02:03');"));
}

TEST(StatementAdapter, PostgreSQLNamesAliasesDatesAndLetterCase)
{
    EXPECT_EQ(Adapted(kMain, Dialect::PostgreSQL, PgSchema()),
        QStringLiteral("SELECT \"SerialNumber\" AS \"SNX\", \"ATEID\" AS \"ATEX\", \"TestStartTime\" AS \"DateX\", "
                       "\"VOUT_5V\" AS \"ValueX\" FROM \"Results\" WHERE replace(lower(upper(\"PassFail\")), 'ß', "
                       "'ss') = replace(lower(upper(?{PASS})), 'ß', 'ss') AND \"SerialNumber\" IS NOT NULL AND "
                       "\"TestStartTime\" BETWEEN '2026-12-06' AND '2026-12-06 23:59:59' AND \"VOUT_5V\" IS NOT NULL "
                       "AND \"VOUT_5V\" <> 999 AND \"VOUT_5V\" <> -999 ORDER BY \"TestStartTime\", \"ATEID\", "
                       "\"SerialNumber\" COLLATE \"C\", \"ATEID\" COLLATE \"C\", \"VOUT_5V\";"));
    // Names resolve without regard to case; unknown names are quoted as written.
    EXPECT_EQ(Adapted(QStringLiteral("SELECT [ateid] AS ATEx FROM results GROUP BY [AteId];"), Dialect::PostgreSQL,
                  PgSchema()),
        QStringLiteral("SELECT \"ATEID\" AS \"ATEx\" FROM \"Results\" GROUP BY \"ATEID\";"));
    const QString grouped = Adapted(kGroupedQuoted, Dialect::PostgreSQL, PgSchema());
    EXPECT_TRUE(
        grouped.contains(QStringLiteral("MAX (\"TestStartTime\") AS \"DateX\", MAX(\"VOUT_5V\") AS \"ValueX\"")));
    EXPECT_TRUE(grouped.contains(QStringLiteral("\"PassFail\" IS NOT NULL AND replace(lower(upper(\"ATEID\")), 'ß', "
                                                "'ss') = replace(lower(upper(?{ATE 3})), 'ß', 'ss') AND")))
        << qPrintable(grouped);
    // A column that holds no text keeps the engine's own comparison.
    EXPECT_TRUE(grouped.contains(QStringLiteral("AND \"TestID\" = ?{FT1} AND")));
    EXPECT_TRUE(grouped.contains(QStringLiteral("BETWEEN '1900-01-01' AND '2026-12-06 23:59:59'")));
    EXPECT_TRUE(grouped.endsWith(QStringLiteral("GROUP BY \"SerialNumber\", \"ATEID\", \"TestStartTime\" ORDER BY "
                                                "\"TestStartTime\", \"ATEID\", \"SerialNumber\" COLLATE \"C\", "
                                                "\"ATEID\" COLLATE \"C\", MAX (\"TestStartTime\"), MAX(\"VOUT_5V\");")))
        << qPrintable(grouped);
    EXPECT_TRUE(Adapted(kPChart, Dialect::PostgreSQL, PgSchema())
                    .contains(QStringLiteral("\"Defectives\" >= 0 AND \"Inspected\" IS NOT NULL")));
    // LIKE inside a literal is text, not a keyword.
    EXPECT_EQ(Adapted(QStringLiteral("SELECT [y] AS z FROM t WHERE [x] LIKE 'LIKE a';"), Dialect::PostgreSQL),
        QStringLiteral("SELECT \"y\" AS \"z\" FROM t WHERE \"x\" ILIKE ?{LIKE a};"));
}

TEST(StatementAdapter, MySQLNamesInBackticksTextFoldedAndTiesByBytes)
{
    Schema schema = PgSchema();
    const QString main = Adapted(kMain, Dialect::MySQL, schema);
    EXPECT_EQ(main,
        QStringLiteral(
            "SELECT `SerialNumber` AS SNX, `ATEID` AS ATEX, `TestStartTime` AS DateX, `VOUT_5V` AS ValueX "
            "FROM `Results` WHERE CAST(REPLACE(REPLACE(LOWER(UPPER(CONVERT(`PassFail` USING utf8mb4))), "
            "'ß', 'ss'), 'ẞ', 'ss') AS BINARY) = CAST(REPLACE(REPLACE(LOWER(UPPER(CONVERT(?{PASS} USING "
            "utf8mb4))), 'ß', 'ss'), 'ẞ', 'ss') AS BINARY) AND `SerialNumber` IS NOT NULL AND `TestStartTime` "
            "BETWEEN '2026-12-06' AND '2026-12-06 23:59:59' AND `VOUT_5V` IS NOT NULL AND `VOUT_5V` <> 999 "
            "AND `VOUT_5V` <> -999 ORDER BY `TestStartTime`, `ATEID`, CAST(`SerialNumber` AS BINARY), "
            "CAST(`ATEID` AS BINARY), `VOUT_5V`;"));
    // A call is written without a blank before its parenthesis ("MAX (x)" calls a stored function there), in
    // the select list and in the ORDER BY's tie-breakers.
    const QString grouped = Adapted(kGroupedQuoted, Dialect::MySQL, schema);
    EXPECT_TRUE(grouped.contains(QStringLiteral("MAX(`TestStartTime`) AS DateX, MAX(`VOUT_5V`) AS ValueX")))
        << qPrintable(grouped);
    EXPECT_TRUE(grouped.endsWith(QStringLiteral("MAX(`TestStartTime`), MAX(`VOUT_5V`);"))) << qPrintable(grouped);
    EXPECT_FALSE(grouped.contains(QStringLiteral(" ("))) << qPrintable(grouped);
    // A backtick in a name is doubled.
    EXPECT_EQ(Adapted(QStringLiteral("SELECT [a`b] AS x FROM t;"), Dialect::MySQL),
        QStringLiteral("SELECT `a``b` AS x FROM t;"));
}

TEST(StatementAdapter, EveryTextLiteralIsBoundWhateverTheEngineReadsAsAnEscape)
{
    // The builder doubles a quote; a backslash stays as typed. Each value reaches the engine whole.
    const QString value = QStringLiteral("\\'); DELETE FROM victim; --");
    QString literal = value;
    literal.replace(u'\'', QStringLiteral("''"));
    const QString statement = QStringLiteral("SELECT [a] AS x FROM t WHERE [SerialNumber] = '") + literal
        + QStringLiteral("' AND [ATEID] = 'x\\' AND [TestID] LIKE '%%a';");
    for (Dialect d : { Dialect::Native, Dialect::SQLite, Dialect::PostgreSQL, Dialect::MySQL }) {
        const AdaptedStatement a = AdaptStatement(statement, d, PgSchema());
        ASSERT_FALSE(a.error);
        EXPECT_EQ(a.parameters, QStringList({ value, QStringLiteral("x\\"), QStringLiteral("%%a") }));
        EXPECT_FALSE(a.sql.contains(QStringLiteral("DELETE"))) << qPrintable(a.sql);
        EXPECT_FALSE(a.sql.contains(u'\\')) << qPrintable(a.sql);
    }
}

// The filters' "any" (`LIKE '%'`) is a test of the null flag on the servers, where it keeps the same rows: in
// WHERE, joined by AND or OR and not negated. Elsewhere, on SQLite and on Access, the pattern stays.
TEST(StatementAdapter, AnyValueIsNotNullOnTheServersWhereItKeepsTheSameRows)
{
    const auto where = [](const QString& condition, Dialect d) {
        const QString a = Adapted(QStringLiteral("SELECT [a] AS x FROM t WHERE ") + condition, d);
        return a.mid(a.indexOf(QStringLiteral("WHERE ")) + 6);
    };
    EXPECT_EQ(where("[b] LIKE '%' AND [c] LIKE '%%' OR t.[d] LIKE '%' ORDER BY [a];", Dialect::PostgreSQL),
        QStringLiteral("\"b\" IS NOT NULL AND \"c\" IS NOT NULL OR t.\"d\" IS NOT NULL ORDER BY \"a\";"));
    EXPECT_EQ(where("[b] LIKE '%' GROUP BY [a]", Dialect::MySQL), QStringLiteral("`b` IS NOT NULL GROUP BY `a`"));
    for (const QString& kept : { QStringLiteral("NOT [b] LIKE '%';"), QStringLiteral("[b] NOT LIKE '%';"),
             QStringLiteral("([b] LIKE '%');"), QStringLiteral("[b] LIKE '%a';"), QStringLiteral("[b] LIKE '';"),
             QStringLiteral("[b] LIKE '%' ESCAPE '!';"), QStringLiteral("lower([b]) LIKE '%';"),
             QStringLiteral("[b] LIKE '%' || [c];") })
        EXPECT_TRUE(where(kept, Dialect::PostgreSQL).contains(QStringLiteral("ILIKE"))) << qPrintable(kept);
    EXPECT_EQ(where("[b] LIKE '%';", Dialect::SQLite), QStringLiteral("[b] LIKE ?{%};"));
    EXPECT_EQ(where("[b] LIKE '%';", Dialect::Native), QStringLiteral("[b] LIKE ?{%};"));
    // In the select list it is a value, not a condition.
    EXPECT_EQ(Adapted(QStringLiteral("SELECT [b] LIKE '%' AS x FROM t;"), Dialect::PostgreSQL),
        QStringLiteral("SELECT \"b\" ILIKE ?{%} AS \"x\" FROM t;"));
}

TEST(StatementAdapter, WhereTheDriverCannotBindValuesAreQuotedByTheEngineRules)
{
    const QString statement = QStringLiteral("SELECT [a] AS x FROM t WHERE [b] LIKE '\\''); DELETE FROM v; --';");
    Schema schema;
    schema.literals = Literals::QuotedBackslashEscapes;
    EXPECT_EQ(Adapted(statement, Dialect::MySQL, schema),
        QStringLiteral("SELECT `a` AS x FROM t WHERE `b` LIKE '\\\\''); DELETE FROM v; --';"));
    schema.literals = Literals::Quoted;
    EXPECT_EQ(Adapted(statement, Dialect::MySQL, schema),
        QStringLiteral("SELECT `a` AS x FROM t WHERE `b` LIKE '\\''); DELETE FROM v; --';"));
}

TEST(StatementAdapter, SQLiteCountsRowsWhoseTimeIsNoTime)
{
    const AdaptedStatement a = AdaptStatement(kGroupedQuoted, Dialect::SQLite);
    EXPECT_EQ(a.unreadableTimes,
        QStringLiteral(
            "SELECT COUNT(*) FROM Results WHERE [PassFail] LIKE ? AND [ATEID] = ? COLLATE MOLDRIN_NOCASE "
            "AND [SerialNumber] = ? COLLATE MOLDRIN_NOCASE AND ([TestStartTime] IS NOT NULL AND "
            "(typeof([TestStartTime]) <> 'text' OR [TestStartTime] NOT GLOB "
            "'[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]*' OR julianday([TestStartTime]) IS NULL)) AND NOT "
            "(([TestStartTime] BETWEEN '1900-01-01' AND '2026-12-06 23:59:59' OR [TestStartTime] BETWEEN "
            "'2026-12-06T' AND '2026-12-06T23:59:59')) AND [TestID] = ? COLLATE MOLDRIN_NOCASE AND [VOUT_5V] IS "
            "NOT NULL AND [VOUT_5V] <> 999 AND [VOUT_5V] <> -999 AND [VOUT_5V] <> 0"));
    EXPECT_EQ(a.unreadableParameters, a.parameters);
    // Servers store times as times: nothing to count.
    EXPECT_TRUE(AdaptStatement(kGroupedQuoted, Dialect::PostgreSQL).unreadableTimes.isEmpty());
    EXPECT_TRUE(AdaptStatement(kTesters, Dialect::SQLite).unreadableTimes.isEmpty());
}

TEST(StatementAdapter, RowsAndUnreadableTimesInOneScanOnlyWhereARowMoreChangesNothing)
{
    const AdaptedStatement a = AdaptStatement(kMain, Dialect::SQLite);
    const QString range
        = QStringLiteral("(([TestStartTime] BETWEEN '2026-12-06' AND '2026-12-06 23:59:59' OR [TestStartTime] BETWEEN "
                         "'2026-12-06T' AND '2026-12-06T23:59:59'))");
    // The statement's own select list, then whether the row is in the range; the range widened to the rows
    // whose time is no time; the values as the statement's.
    EXPECT_TRUE(a.countingTimes.startsWith(
        a.sql.left(a.sql.indexOf(QStringLiteral(" FROM "))) + QStringLiteral(", ") + range + QStringLiteral(" FROM ")));
    EXPECT_TRUE(
        a.countingTimes.contains(QStringLiteral("AND (") + range + QStringLiteral(" OR ([TestStartTime] IS NOT NULL")));
    EXPECT_TRUE(a.countingTimes.endsWith(a.sql.mid(a.sql.indexOf(QStringLiteral(" AND [VOUT_5V]")))));
    EXPECT_EQ(a.countingTimes.count(u'?'), a.sql.count(u'?'));
    // Grouped, distinct or aggregated rows, a range that is one choice of an OR, and servers: none.
    EXPECT_TRUE(AdaptStatement(kGroupedQuoted, Dialect::SQLite).countingTimes.isEmpty());
    EXPECT_TRUE(AdaptStatement(kMain, Dialect::PostgreSQL).countingTimes.isEmpty());
    EXPECT_TRUE(AdaptStatement(
        QString(kMain).replace(QStringLiteral("SELECT "), QStringLiteral("SELECT DISTINCT ")), Dialect::SQLite)
                    .countingTimes.isEmpty());
    EXPECT_TRUE(AdaptStatement(
        QString(kMain).replace(QStringLiteral("[VOUT_5V] AS"), QStringLiteral("MAX([VOUT_5V]) AS")), Dialect::SQLite)
                    .countingTimes.isEmpty());
    EXPECT_TRUE(AdaptStatement(
        QString(kMain).replace(QStringLiteral("WHERE "), QStringLiteral("WHERE [TestID] = 'X' OR ")), Dialect::SQLite)
                    .countingTimes.isEmpty());
    EXPECT_FALSE(AdaptStatement(QString(kMain).replace(QStringLiteral("WHERE "),
                                    QStringLiteral("WHERE ([TestID] = 'X' OR [TestID] = 'Y') AND ")),
        Dialect::SQLite)
                     .countingTimes.isEmpty());
}

TEST(StatementAdapter, OneStatementAtATime)
{
    const QString chained = QStringLiteral("SELECT [ATEID] AS ATEx FROM Results; DELETE FROM Results GROUP BY "
                                           "[ATEID] ORDER BY [ATEID];");
    for (Dialect d : { Dialect::Native, Dialect::SQLite, Dialect::PostgreSQL })
        EXPECT_EQ(Adapted(chained, d), QStringLiteral("error: Characters found after end of SQL statement."));
    // A trailing semicolon, or several, and blanks after it are one statement; so is a ';' in a literal or name.
    EXPECT_EQ(Adapted(QStringLiteral("SELECT 1 AS x;; \n"), Dialect::SQLite), QStringLiteral("SELECT 1 AS x;; \n"));
    const QString inside = QStringLiteral("SELECT [a;b] AS x FROM t WHERE [c] LIKE '; DROP TABLE t' -- ; x\n;");
    EXPECT_EQ(Adapted(inside, Dialect::Native),
        QStringLiteral("SELECT [a;b] AS x FROM t WHERE [c] LIKE ?{; DROP TABLE t} -- ; x\n;"));
    EXPECT_EQ(Adapted(QStringLiteral("SELECT 1; /* two */ SELECT 2"), Dialect::Native),
        QStringLiteral("error: Characters found after end of SQL statement."));
}

TEST(StatementAdapter, UnreadableDatesAreErrors)
{
    for (Dialect d : { Dialect::Native, Dialect::SQLite, Dialect::PostgreSQL }) {
        EXPECT_EQ(Adapted(QStringLiteral("WHERE d BETWEEN #05/xyz./2026# AND #06/Dec/2026#"), d),
            QStringLiteral("error: Syntax error in date in query expression #05/xyz./2026#."));
        // The empty start of a range name the builder does not know.
        EXPECT_EQ(Adapted(QStringLiteral("WHERE d BETWEEN '' AND '06/Dec/2026 23:59:59'"), d),
            QStringLiteral("error: Syntax error in date in query expression ''."));
        EXPECT_EQ(Adapted(QStringLiteral("WHERE d BETWEEN '06/Dec/2026' AND '31/Feb/2026'"), d),
            QStringLiteral("error: Syntax error in date in query expression '31/Feb/2026'."));
        EXPECT_TRUE(Adapted(QStringLiteral("SELECT x FROM t WHERE d BETWEEN #06/Dec/2026"), d).startsWith(u"error: "));
    }
    EXPECT_EQ(Adapted(QStringLiteral("SELECT [a FROM t"), Dialect::PostgreSQL), QStringLiteral("SELECT [a FROM t"));
    EXPECT_EQ(Adapted(QString(), Dialect::SQLite), QString());
}

TEST(StatementAdapter, EveryLocalesMonthNamesReadBack)
{
    // Every month as the builder writes it with the locale's abbreviation, in both orders: the month
    // names of fr_FR (déc.), de_DE (Dez.), ru_RU (дек.), ja_JP (12月), ca_ES (de des.) and all others.
    const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    ASSERT_GT(locales.size(), 100);
    int read = 0;
    for (const QLocale& locale : locales) {
        const DefaultLocale use(locale);
        for (int month = 1; month <= 12; ++month) {
            const QDate day(2026, month, month + 10);
            // Where the month's name is a number, only the locale's own order tells day from month.
            bool numeric = false;
            locale.monthName(month, QLocale::ShortFormat).toInt(&numeric);
            const QStringList orders = numeric ? QStringList { DetectDateOrder(locale) }
                                               : QStringList { kDateOrderDayFirst, kDateOrderMonthFirst };
            for (const QString& order : orders) {
                const QString body = FormatDate(day, ShortDateFormat(order)) + QStringLiteral(" 23:59:59");
                const auto date = ReadDateLiteral(body);
                ASSERT_TRUE(date) << qPrintable(locale.name() + u' ' + body);
                EXPECT_EQ(date->day, day) << qPrintable(locale.name() + u' ' + body);
                EXPECT_EQ(date->time, QTime(23, 59, 59));
                EXPECT_EQ(date->monthFirst, order == kDateOrderMonthFirst);
                ++read;
            }
        }
    }
    EXPECT_GT(read, locales.size() * 20);
    // Read in any locale: the French abbreviation while the program runs in English, ISO with 'T'.
    EXPECT_EQ(ReadDateLiteral(QStringLiteral("05/déc./2026"))->day, QDate(2026, 12, 5));
    EXPECT_EQ(ReadDateLiteral(QStringLiteral("2026-12-06T10:00"))->time, QTime(10, 0));
    EXPECT_FALSE(ReadDateLiteral(QStringLiteral("ATE 3")));
    EXPECT_FALSE(ReadDateLiteral(QStringLiteral("06/Dec/26")));
}

TEST(StatementAdapter, CountWrapperDropsTrailingOrderAndSemicolon)
{
    EXPECT_EQ(CountStatement(kTesters),
        QStringLiteral("SELECT COUNT(*) FROM (SELECT [ATEID] AS ATEx FROM Results GROUP BY [ATEID]) AS sub"));
    const QString c = CountStatement(kScatterGrouped);
    EXPECT_TRUE(c.endsWith(QStringLiteral("GROUP BY [SerialNumber], [ATEID], [TestStartTime]) AS sub")));
    // "ORDER BY" inside a literal is no clause.
    EXPECT_EQ(CountStatement(QStringLiteral("SELECT a FROM t WHERE b = 'x ORDER BY y'")),
        QStringLiteral("SELECT COUNT(*) FROM (SELECT a FROM t WHERE b = 'x ORDER BY y') AS sub"));
}
