// Statement adaptation on every statement form the query builder writes.
#include "data/access/statementadapter.h"

#include <gtest/gtest.h>

using namespace moldrin::data;

namespace {

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

const QString kTesters =
    QStringLiteral("SELECT [ATEID] AS ATEx FROM Results GROUP BY [ATEID] ORDER BY [ATEID];");

NameMap PgNames()
{
    return {{QStringLiteral("results"), QStringLiteral("Results")},
            {QStringLiteral("serialnumber"), QStringLiteral("SerialNumber")},
            {QStringLiteral("ateid"), QStringLiteral("ATEID")},
            {QStringLiteral("teststarttime"), QStringLiteral("TestStartTime")},
            {QStringLiteral("vout_5v"), QStringLiteral("VOUT_5V")}};
}

} // namespace

TEST(StatementAdapter, NativeIsUnchanged)
{
    for (const QString& s : {kMain, kGroupedQuoted, kScatterGrouped, kPChart, kTesters})
        EXPECT_EQ(AdaptStatement(s, Dialect::Native), s);
}

TEST(StatementAdapter, SQLiteRewritesOnlyBetweenDates)
{
    const QString main = AdaptStatement(kMain, Dialect::SQLite);
    EXPECT_EQ(main, QString(kMain).replace(QStringLiteral("#06/Dec/2026# AND #06/Dec/2026 23:59:59#"),
                                           QStringLiteral("'2026-12-06' AND '2026-12-06 23:59:59'")));
    const QString grouped = AdaptStatement(kGroupedQuoted, Dialect::SQLite);
    EXPECT_EQ(grouped, QString(kGroupedQuoted)
                           .replace(QStringLiteral("'01/Jan/1900' AND '06/Dec/2026 23:59:59'"),
                                    QStringLiteral("'1900-01-01' AND '2026-12-06 23:59:59'")));
    // 'ATE 3', 'SN01', 'FT1' and '%' stay as written; brackets stay (SQLite reads them).
    EXPECT_TRUE(grouped.contains(QStringLiteral("[ATEID] = 'ATE 3' AND [SerialNumber] = 'SN01'")));
    EXPECT_TRUE(grouped.contains(QStringLiteral("MAX ([TestStartTime])")));
    EXPECT_TRUE(AdaptStatement(kScatterGrouped, Dialect::SQLite)
                    .contains(QStringLiteral("BETWEEN '2026-12-01' AND '2026-12-06 23:59:59' AND [A]")));
    EXPECT_TRUE(AdaptStatement(kPChart, Dialect::SQLite)
                    .contains(QStringLiteral("BETWEEN '2026-12-06' AND '2026-12-06 23:59:59' AND [Defectives]")));
    EXPECT_EQ(AdaptStatement(kTesters, Dialect::SQLite), kTesters);
}

TEST(StatementAdapter, SQLiteLeavesTextThatLooksLikeADateOutsideBetween)
{
    const QString s = QStringLiteral("SELECT [a] AS x FROM t WHERE [SerialNumber] = '06/Dec/2026' AND [b] BETWEEN "
                                     "'x' AND 'y';");
    EXPECT_EQ(AdaptStatement(s, Dialect::SQLite), s);
    // A quote inside a literal does not end it early.
    const QString q = QStringLiteral("SELECT [a] FROM t WHERE [n] = 'O''Brien [x]' AND [d] BETWEEN '06/Dec/2026' AND "
                                     "'07/Dec/2026 01:02:03';");
    EXPECT_EQ(AdaptStatement(q, Dialect::SQLite),
              QStringLiteral("SELECT [a] FROM t WHERE [n] = 'O''Brien [x]' AND [d] BETWEEN '2026-12-06' AND "
                             "'2026-12-07 01:02:03';"));
}

TEST(StatementAdapter, PostgreSQLQuotesNamesDatesAndLike)
{
    const QString main = AdaptStatement(kMain, Dialect::PostgreSQL, PgNames());
    EXPECT_EQ(main, QStringLiteral(
                        "SELECT \"SerialNumber\" AS SNX, \"ATEID\" AS ATEX, \"TestStartTime\" AS DateX, \"VOUT_5V\" AS "
                        "ValueX FROM \"Results\" WHERE \"PassFail\" = 'PASS' AND \"SerialNumber\" ILIKE '%%' AND "
                        "\"TestStartTime\" BETWEEN '06/Dec/2026' AND '06/Dec/2026 23:59:59' AND \"VOUT_5V\" IS NOT "
                        "NULL AND \"VOUT_5V\" <> 999 AND \"VOUT_5V\" <> -999 ORDER BY \"TestStartTime\", \"ATEID\";"));
    // Names resolve without regard to case; unknown names are quoted as written.
    EXPECT_EQ(AdaptStatement(QStringLiteral("SELECT [ateid] AS ATEx FROM results GROUP BY [AteId];"),
                             Dialect::PostgreSQL, PgNames()),
              QStringLiteral("SELECT \"ATEID\" AS ATEx FROM \"Results\" GROUP BY \"ATEID\";"));
    const QString grouped = AdaptStatement(kGroupedQuoted, Dialect::PostgreSQL, PgNames());
    EXPECT_TRUE(grouped.contains(QStringLiteral("MAX (\"TestStartTime\") AS DateX, MAX(\"VOUT_5V\")")));
    EXPECT_TRUE(grouped.contains(QStringLiteral("\"PassFail\" ILIKE '%' AND \"ATEID\" = 'ATE 3'")));
    EXPECT_TRUE(grouped.contains(QStringLiteral("BETWEEN '01/Jan/1900' AND '06/Dec/2026 23:59:59'")));
    EXPECT_TRUE(AdaptStatement(kPChart, Dialect::PostgreSQL, PgNames())
                    .contains(QStringLiteral("\"Defectives\" >= 0 AND \"Inspected\" IS NOT NULL")));
    // LIKE inside a literal is text, not a keyword.
    EXPECT_EQ(AdaptStatement(QStringLiteral("SELECT 'LIKE' FROM t WHERE [x] LIKE 'a';"), Dialect::PostgreSQL),
              QStringLiteral("SELECT 'LIKE' FROM t WHERE \"x\" ILIKE 'a';"));
}

TEST(StatementAdapter, MalformedInputIsPassedOnNotLost)
{
    EXPECT_EQ(AdaptStatement(QStringLiteral("SELECT [a FROM t"), Dialect::PostgreSQL), QStringLiteral("SELECT [a FROM t"));
    EXPECT_EQ(AdaptStatement(QStringLiteral("SELECT x FROM t WHERE d BETWEEN #06/Dec/2026"), Dialect::SQLite),
              QStringLiteral("SELECT x FROM t WHERE d BETWEEN #06/Dec/2026"));
    EXPECT_EQ(AdaptStatement(QString(), Dialect::SQLite), QString());
    // A range with an empty start still reaches the engine (which then rejects or matches nothing).
    EXPECT_EQ(AdaptStatement(QStringLiteral("WHERE d BETWEEN ## AND #06/Dec/2026 23:59:59#"), Dialect::SQLite),
              QStringLiteral("WHERE d BETWEEN '' AND '2026-12-06 23:59:59'"));
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

TEST(StatementAdapter, IsoDateText)
{
    EXPECT_EQ(IsoDateText(QStringLiteral("06/Dec/2026")), QStringLiteral("2026-12-06"));
    EXPECT_EQ(IsoDateText(QStringLiteral("Dec/06/2026 23:59:59")), QStringLiteral("2026-12-06 23:59:59"));
    EXPECT_EQ(IsoDateText(QStringLiteral("01/Jan/1900")), QStringLiteral("1900-01-01"));
    EXPECT_EQ(IsoDateText(QStringLiteral("31/Feb/2026")), QString());
    EXPECT_EQ(IsoDateText(QStringLiteral("ATE 3")), QString());
}
