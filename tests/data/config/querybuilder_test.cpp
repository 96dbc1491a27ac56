// Tests of the statements for every chart kind and of the range literals.
#include "data/config/querybuilder.h"

#include <QLocale>

#include "qtprinters.h"

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

class Query : public ::testing::Test
{
protected:
    AppState state { QString() };
    QueryWindowInputs window;
    const QString range = QStringLiteral("#06/Dec/2026# AND #06/Dec/2026 23:59:59#");

    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        state.gTableName = "Results";
        state.gDataSourceKind = "ACCESS";
        state.gDateOrder = "DD/MM";
        window.today = QDate(2026, 12, 6);
        window.acceptZero = true;
        window.testIdText = "<All>";
        state.gPChartNonConfColumn = "Defectives";
        state.gPChartSubGroupColumn = "Inspected";
        state.gNPChartNonConfColumn = "Defectives";
        state.gNPChartSubGroupColumn = "Inspected";
        state.gUChartNonConfColumn = "Defects";
        state.gUChartSubGroupColumn = "Units";
        state.gCChartNonConfColumn = "Defects";
    }
    QString Make(const QString& p, const QString& ate, const QString& sn, const QString& tid, bool last,
        const QString& kind, const QString& xs = {}, const QString& ys = {}, const QString& sort = {})
    {
        return MakeSQL(state, window, p, range, ate, sort, sn, tid, "= 'PASS'", last, kind, xs, ys);
    }
};

const QString kHead = "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, ";
const QString kWhere
    = " FROM Results WHERE [PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN "
      "#06/Dec/2026# AND #06/Dec/2026 23:59:59# ";
const QString kValidV = "AND [V] IS NOT NULL AND [V] <> 999 AND [V] <> -999 ";
const QString kGroup = "GROUP BY [SerialNumber], [ATEID], [TestStartTime]";

} // namespace

TEST_F(Query, WorkedExampleOfTheMainChart)
{
    EXPECT_EQ(GetSQL(state, window, "VOUT_5V", "Today", "", "[TestStartTime], [ATEID]", "", "= 'PASS'", false),
        "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [VOUT_5V] AS ValueX FROM "
        "Results WHERE [PassFail] = 'PASS' AND [SerialNumber] LIKE '%%' AND [TestStartTime] BETWEEN "
        "#06/Dec/2026# AND #06/Dec/2026 23:59:59# AND [VOUT_5V] IS NOT NULL AND [VOUT_5V] <> 999 AND "
        "[VOUT_5V] <> -999 ORDER BY [TestStartTime], [ATEID];");
}

TEST_F(Query, MainChartForms)
{
    window.acceptZero = false;
    EXPECT_EQ(Make("V", "ATE 3", "SN1", "FT1", false, "", {}, {}, "S"),
        kHead
            + "[TestStartTime] AS DateX, [V] AS ValueX FROM Results WHERE [PassFail] = 'PASS' AND [ATEID] = "
              "'ATE 3' AND [SerialNumber] = 'SN1' AND [TestStartTime] BETWEEN #06/Dec/2026# AND #06/Dec/2026 "
              "23:59:59# AND [TestID] = 'FT1' "
            + kValidV + "AND [V] <> 0 ORDER BY S;");
    EXPECT_EQ(Make("V", "<All>", "", "<All>", true, "", {}, {}, "S"),
        kHead + "MAX ([TestStartTime]) AS DateX, MAX([V]) AS ValueX" + kWhere + kValidV + "AND [V] <> 0 " + kGroup
            + " ORDER BY S;");
}

TEST_F(Query, HistogramAndParetoForms)
{
    window.acceptZero = false;
    EXPECT_EQ(Make("V", "", "", "", false, "Histogram"),
        kHead + "[TestStartTime] AS DateX, [V] AS ValueX" + kWhere
            + "AND [V] <> 0 AND [V] IS NOT NULL AND [V] <> 999 AND [V] <> -999;");
    EXPECT_EQ(Make("V", "", "", "", true, "Histogram"),
        kHead + "MAX([TestStartTime]) AS TimeX, MAX([V]) AS ValueX" + kWhere + kValidV + "AND [V] <> 0 " + kGroup
            + ";");
    QString where = kWhere;
    where.replace("= 'PASS'", "LIKE '%'");
    EXPECT_EQ(Make("V", "", "", "", false, "Pareto"),
        kHead + "[TestStartTime] AS DateX, [V] AS ValueX" + where
            + "AND [V] IS NOT NULL AND [V] <> 999 AND [V] <> -999;");
    EXPECT_EQ(Make("V", "", "", "", true, "Pareto"),
        kHead + "MAX([TestStartTime]) AS TimeX, MAX([V]) AS ValueX" + where + kValidV + kGroup + ";");
}

TEST_F(Query, ScatterForms)
{
    window.acceptZero = false;
    const QString valid = "AND [X] IS NOT NULL AND [X] <> 999 AND [X] <> -999 AND [Y] IS NOT NULL AND [Y] <> 999 AND "
                          "[Y] <> -999 AND [X] <> 0 AND [Y] <> 0 ";
    EXPECT_EQ(Make("X:::Y", "", "", "", false, "Scatter"),
        kHead + "[TestStartTime] AS DateX, [X] AS ValueX, [Y] AS ValueY" + kWhere + valid
            + "ORDER BY [TestStartTime],[ATEID];");
    EXPECT_EQ(Make("X:::Y", "", "", "", true, "Scatter"),
        kHead + "MAX([TestStartTime]) AS DateX, MAX([X]) AS ValueX, MAX([Y]) AS ValueY" + kWhere + valid + kGroup
            + " ORDER BY MAX([TestStartTime]), MAX([ATEID]);");

    QString where = kWhere;
    where.replace("'PASS' AND", "'PASS' AND [ATEID] = 'T2' AND");
    EXPECT_EQ(Make("V", "T9", "", "", false, "Scatter", "", "T2"),
        kHead + "[TestStartTime] AS DateX, [V] AS ValueX" + where + kValidV
            + "AND [V] <> 0 ORDER BY [SerialNumber], "
              "[TestStartTime];");
    where.replace("'T2'", "'T1'");
    EXPECT_EQ(Make("V", "", "", "", true, "Scatter", "T1", "T2"),
        kHead + "MAX([TestStartTime]) AS DateX, MAX([V]) AS ValueX" + where + kValidV + "AND [V] <> 0 " + kGroup
            + " ORDER BY [SerialNumber], MAX([TestStartTime]);");
}

TEST_F(Query, AttributeForms)
{
    window.acceptZero = false; // no zero clause in attribute statements
    const QString where = " FROM Results WHERE [TestStartTime] BETWEEN #06/Dec/2026# AND #06/Dec/2026 23:59:59# "
                          "AND [ATEID] = 'A' AND [TestID] = 'F' ";
    const QString pTail
        = "AND [Defectives] IS NOT NULL AND [Defectives] <> 999 AND [Defectives] <> -999 AND [Defectives] "
          ">= 0 AND [Inspected] IS NOT NULL AND [Inspected] <> 999 AND [Inspected] <> -999 AND "
          "[Inspected] > 0 ORDER BY [TestStartTime];";
    const QString p = "SELECT [Defectives] AS NonConformitiesX,  [Inspected] AS SubGroupX" + where + pTail;
    EXPECT_EQ(Make("ignored", "A", "SN", "F", true, "P Chart", {}, {}, "[TestStartTime]"), p);
    EXPECT_EQ(Make("", "A", "", "F", false, "NP Chart", {}, {}, "[TestStartTime]"), p);
    EXPECT_EQ(Make("", "A", "", "F", false, "U Chart", {}, {}, "[TestStartTime]"),
        "SELECT [Defects] AS NonConformitiesX,  [Units] AS SubGroupX" + where
            + "AND [Defects] IS NOT NULL AND [Defects] <> 999 AND [Defects] <> -999 AND [Defects] >= 0 AND [Units] "
              "IS NOT NULL AND [Units] <> 999 AND [Units] <> -999 AND [Units] > 0 ORDER BY [TestStartTime];");
    EXPECT_EQ(Make("", "A", "", "F", false, "C Chart", {}, {}, "[TestStartTime]"),
        "SELECT [Defects] AS NonConformitiesX" + where
            + "AND [Defects] IS NOT NULL AND [Defects] <> 999 AND [Defects] <> -999 AND [Defects] >= 0 ORDER BY "
              "[TestStartTime];");
    EXPECT_EQ(Make("V", "", "", "", false, "Bar Chart"), "");
}

TEST_F(Query, QuotesInValuesAreDoubled)
{
    EXPECT_EQ(QuoteLiteralValue("O'Neil's"), "O''Neil''s");
    const QString sql = Make("V", "ATE'1", "SN' OR '1'='1", "F'T", false, "", {}, {}, "S");
    EXPECT_NE(sql.indexOf("AND [ATEID] = 'ATE''1' "), -1);
    EXPECT_NE(sql.indexOf("AND [SerialNumber] = 'SN'' OR ''1''=''1' "), -1);
    EXPECT_NE(sql.indexOf("AND [TestID] = 'F''T' "), -1);
    EXPECT_NE(Make("V", "", "", "", false, "Scatter", "X'S").indexOf("AND [ATEID] = 'X''S' "), -1);
    EXPECT_NE(Make("", "A'B", "", "", false, "C Chart").indexOf("AND [ATEID] = 'A''B' "), -1);
}

TEST_F(Query, RangeLiterals)
{
    QString title = "unchanged";
    state.gDataSourceKind = "MSSQL";
    EXPECT_EQ(GetTestedRange(state, "All", title, window.today), "'01/Jan/1900' AND '06/Dec/2026 23:59:59'");
    EXPECT_EQ(title, ", Range <All>");
    state.gDataSourceKind = "SQLITE";
    EXPECT_EQ(GetTestedRange(state, "Last 30 Days", title, window.today), "'07/Nov/2026' AND '06/Dec/2026 23:59:59'");
    EXPECT_EQ(title, " as 07/Nov/2026 to 06/Dec/2026");
    state.gDataSourceKind = "ACCESS";
    state.gDateOrder = "MM/DD";
    EXPECT_EQ(GetTestedRange(state, "Last 3 Days", title, window.today), "#Dec/04/2026# AND #Dec/06/2026 23:59:59#");
    EXPECT_EQ(GetTestedRange(state, "Last 180 Days", title, window.today), "#Jun/10/2026# AND #Dec/06/2026 23:59:59#");

    state.gCustomStart = QDate(2026, 1, 2);
    state.gCustomEnd = QDate(2026, 3, 4);
    title = "kept";
    EXPECT_EQ(GetTestedRange(state, "Custom", title, window.today), "#Jan/02/2026# AND #Mar/04/2026 23:59:59#");
    EXPECT_EQ(title, "kept");
    state.gCustomStart = QDate();
    state.gCustomEnd = QDate();
    EXPECT_EQ(GetTestedRange(state, "Custom", title, window.today), "#Dec/30/1899# AND #Dec/30/1899 23:59:59#");

    EXPECT_EQ(GetTestedRange(state, "Yesterday", title, window.today), "## AND #Dec/06/2026 23:59:59#");
    EXPECT_EQ(title, " as  to Dec/06/2026");
}

TEST_F(Query, OtherKindsDifferOnlyInDateQuotes)
{
    const QString access = GetSQL(state, window, "V", "Today", "", "S", "", "= 'PASS'", false);
    state.gDataSourceKind = "ODBC";
    QString odbc = GetSQL(state, window, "V", "Today", "", "S", "", "= 'PASS'", false);
    EXPECT_NE(access, odbc);
    EXPECT_EQ(
        odbc.replace("'06/Dec/2026' AND '06/Dec/2026 23:59:59'", "#06/Dec/2026# AND #06/Dec/2026 23:59:59#"), access);

    window.testIdText = "FT2";
    EXPECT_NE(GetSQL(state, window, "V", "Today", "", "S", "", "= 'PASS'", false).indexOf("AND [TestID] = 'FT2' "), -1);
}

// The one-pass statement of the Pareto chart reads every column under exactly the conditions the
// parameters' own ungrouped Pareto statements share.
TEST_F(Query, ParetoColumnsShareTheParetoStatementsConditions)
{
    window.testIdText = "FT'1";
    const QString all = GetParetoColumnsSQL(state, window, { "V", "W" }, "Today", "ATE 3", "SN7");
    EXPECT_EQ(all,
        "SELECT [V] AS Value0, [W] AS Value1 FROM Results WHERE [PassFail] LIKE '%' AND [ATEID] = 'ATE 3' AND "
        "[SerialNumber] = 'SN7' AND [TestStartTime] BETWEEN #06/Dec/2026# AND #06/Dec/2026 23:59:59# AND "
        "[TestID] = 'FT''1';");
    for (const QString& column : { QStringLiteral("V"), QStringLiteral("W") }) {
        const QString own = GetSQL(state, window, column, "Today", "ATE 3", "", "SN7", "= 'PASS'", false, "Pareto");
        const QString conditions = all.mid(all.indexOf(" FROM "));
        EXPECT_TRUE(own.contains(conditions.chopped(1) + " AND [" + column + "] IS NOT NULL")) << own.toStdString();
    }
    window.testIdText = "<All>";
    EXPECT_TRUE(GetParetoColumnsSQL(state, window, { "V" }, "Today", "", "").endsWith("23:59:59#;"));
}

TEST_F(Query, TitleLineOfTheFurtherCharts)
{
    EXPECT_EQ(RangeTitleLine(state, "PSU-100", "All", window.today), "PSU-100, Range <All>");
    EXPECT_EQ(RangeTitleLine(state, "PSU-100", "Last 7 Days", window.today), "PSU-100 as 30/Nov/2026 to 06/Dec/2026");
    state.gCustomStart = QDate(2026, 1, 2);
    state.gCustomEnd = QDate(2026, 3, 4);
    // The system's short date form (English, United Kingdom here).
    EXPECT_EQ(RangeTitleLine(state, "PSU-100", "Custom", window.today), "PSU-100 as 02/01/2026 to 04/03/2026");
}
