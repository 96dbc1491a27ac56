// SELECT statements for every chart kind, built from the current selection.
#include "querybuilder.h"

#include "common/dates.h"
#include "datasourcekind.h"

#include <array>

namespace moldrin::data
{

namespace
{

struct RangeStart {
    const char* name;
    int daysBack;
};

constexpr std::array<RangeStart, 10> kRanges { { { "Today", 0 }, { "Last 3 Days", 2 }, { "Last 7 Days", 6 },
    { "Last 15 Days", 14 }, { "Last 30 Days", 29 }, { "Last 45 Days", 44 }, { "Last 60 Days", 59 },
    { "Last 90 Days", 89 }, { "Last 120 Days", 119 }, { "Last 180 Days", 179 } } };

bool AllOrEmpty(const QString& v)
{
    return v.isEmpty() || v == QLatin1String("<All>");
}

QString TestIdCondition(const AppState& state, const QString& strTestID)
{
    return AllOrEmpty(strTestID) ? QString()
                                 : QStringLiteral("AND %1 = '%2' ").arg(state.gColTestID, QuoteLiteralValue(strTestID));
}

// The verdict, tester, serial number, range and Test ID conditions after FROM, with `ATEC` given.
QString Where(const AppState& state, const QString& strPassFail, const QString& ATEC, const QString& strSerialNumber,
    const QString& strRange, const QString& strTestID)
{
    const QString SNC = strSerialNumber.isEmpty()
        ? QStringLiteral("AND %1 LIKE '%%' ").arg(state.gColSerialNumber)
        : QStringLiteral("AND %1 = '%2' ").arg(state.gColSerialNumber, QuoteLiteralValue(strSerialNumber));
    return QStringLiteral(" FROM ") + state.gTableName + QStringLiteral(" WHERE ") + state.gColPassFail
        + QLatin1Char(' ') + strPassFail + QLatin1Char(' ') + ATEC + SNC + QStringLiteral("AND ")
        + state.gColTestStartTime + QStringLiteral(" BETWEEN ") + strRange + QLatin1Char(' ')
        + TestIdCondition(state, strTestID);
}

QString TesterCondition(const AppState& state, const QString& tester)
{
    return QStringLiteral("AND %1 = '%2' ").arg(state.gColATEID, QuoteLiteralValue(tester));
}

} // namespace

const QStringList& RangeNames()
{
    static const QStringList names = [] {
        QStringList n { QStringLiteral("All") };
        for (const RangeStart& r : kRanges)
            n << QLatin1String(r.name);
        n << QStringLiteral("Custom");
        return n;
    }();
    return names;
}

QString ValidCondition(const QString& col)
{
    return QStringLiteral("AND [%1] IS NOT NULL AND [%1] <> 999 AND [%1] <> -999 ").arg(col);
}

QString ZeroCondition(const QueryWindowInputs& window, const QString& col)
{
    return window.acceptZero ? QString() : QStringLiteral("AND [%1] <> 0 ").arg(col);
}

QString SelectionWhere(const AppState& state, const QString& strRange, const QString& strATE,
    const QString& strSerialNumber, const QString& strTestID, const QString& strPassFail)
{
    const QString ATEC = AllOrEmpty(strATE) ? QString() : TesterCondition(state, strATE);
    return Where(state, strPassFail, ATEC, strSerialNumber, strRange, strTestID);
}

QString LastDataGroupBy(const AppState& state)
{
    return QStringLiteral("GROUP BY ") + state.gColSerialNumber + QStringLiteral(", ") + state.gColATEID
        + QStringLiteral(", ") + state.gColTestStartTime;
}

QString QuoteLiteralValue(const QString& value)
{
    QString out = value;
    return out.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString GetTestedRange(const AppState& state, const QString& strRange, QString& RangeTitle, const QDate& today)
{
    const QDate now = today.isValid() ? today : QDate::currentDate();
    const QString format = ShortDateFormat(state.gDateOrder);
    const QString todayText = FormatDate(now, format);
    QString end = todayText + QStringLiteral(" 23:59:59");
    QString start;
    if (strRange == QLatin1String("All")) {
        start = FormatDate(QDate(1900, 1, 1), format);
    } else if (strRange == QLatin1String("Custom")) {
        start = FormatDate(DateOrZero(state.gCustomStart), format);
        end = FormatDate(DateOrZero(state.gCustomEnd), format) + QStringLiteral(" 23:59:59");
    } else {
        for (const RangeStart& r : kRanges) {
            if (strRange == QLatin1String(r.name))
                start = FormatDate(now.addDays(-r.daysBack), format);
        }
    }

    if (strRange == QLatin1String("All"))
        RangeTitle = QStringLiteral(", Range <All>");
    else if (strRange != QLatin1String("Custom"))
        RangeTitle = QStringLiteral(" as ") + start + QStringLiteral(" to ") + todayText;

    if (state.gDataSourceKind == kKindAccess)
        return QLatin1Char('#') + start + QStringLiteral("# AND #") + end + QLatin1Char('#');
    return QLatin1Char('\'') + start + QStringLiteral("' AND '") + end + QLatin1Char('\'');
}

QString RangeTitleLine(const AppState& state, const QString& product, const QString& strRange, const QDate& today)
{
    if (strRange == QLatin1String("Custom")) {
        const QLocale locale;
        return product + QStringLiteral(" as ") + locale.toString(DateOrZero(state.gCustomStart), QLocale::ShortFormat)
            + QStringLiteral(" to ") + locale.toString(DateOrZero(state.gCustomEnd), QLocale::ShortFormat);
    }
    QString title;
    GetTestedRange(state, strRange, title, today);
    return product + title;
}

namespace
{

// What every statement form of MakeSQL shares: the selection's columns, conditions and grouping.
struct Statement {
    const AppState& state;
    const QueryWindowInputs& window;
    const QString& P;
    const QString& R;
    const QString& strSerialNumber;
    const QString& strTestID;
    QString ATEC;
    QString heads; // "SN AS SNX, ATE AS ATEX, "
    QString groupBy;

    // The common head: verdict, tester, serial number, range and Test ID conditions.
    QString where(const QString& pfc) const { return Where(state, pfc, ATEC, strSerialNumber, R, strTestID); }
    QString zero(const QString& col) const { return ZeroCondition(window, col); }
};

QString MainStatement(const Statement& q, const QString& PFC, const QString& SORT, bool blnOnlyLastData)
{
    const QString& TST = q.state.gColTestStartTime;
    if (!blnOnlyLastData)
        return QStringLiteral("SELECT ") + q.heads + TST + QStringLiteral(" AS DateX, [") + q.P
            + QStringLiteral("] AS ValueX") + q.where(PFC) + ValidCondition(q.P) + q.zero(q.P)
            + QStringLiteral("ORDER BY ") + SORT + QLatin1Char(';');
    return QStringLiteral("SELECT ") + q.heads + QStringLiteral("MAX (") + TST + QStringLiteral(") AS DateX, MAX([")
        + q.P + QStringLiteral("]) AS ValueX") + q.where(PFC) + ValidCondition(q.P) + q.zero(q.P) + q.groupBy
        + QStringLiteral(" ORDER BY ") + SORT + QLatin1Char(';');
}

QString DistributionStatement(const Statement& q, const QString& PFC, bool pareto, bool blnOnlyLastData)
{
    const QString& TST = q.state.gColTestStartTime;
    const QString pfc = pareto ? QStringLiteral("LIKE '%'") : PFC;
    const QString zeroc = pareto ? QString() : q.zero(q.P);
    if (!blnOnlyLastData)
        return QStringLiteral("SELECT ") + q.heads + TST + QStringLiteral(" AS DateX, [") + q.P
            + QStringLiteral("] AS ValueX") + q.where(pfc) + zeroc
            + QStringLiteral("AND [%1] IS NOT NULL AND [%1] <> 999 AND [%1] <> -999;").arg(q.P);
    return QStringLiteral("SELECT ") + q.heads + QStringLiteral("MAX(") + TST + QStringLiteral(") AS TimeX, MAX([")
        + q.P + QStringLiteral("]) AS ValueX") + q.where(pfc) + ValidCondition(q.P) + zeroc + q.groupBy
        + QLatin1Char(';');
}

// Two parameters X:::Y of all testers.
QString ScatterPairStatement(const Statement& q, const QString& PFC, bool blnOnlyLastData)
{
    const QString& TST = q.state.gColTestStartTime;
    const QString& ATE = q.state.gColATEID;
    const qsizetype cut = q.P.indexOf(QLatin1String(":::"));
    const QString X = cut < 0 ? q.P : q.P.left(cut);
    const QString Y = cut < 0 ? QString() : q.P.mid(cut + 3);
    const QString conditions = q.where(PFC) + ValidCondition(X) + ValidCondition(Y) + q.zero(X) + q.zero(Y);
    if (!blnOnlyLastData)
        return QStringLiteral("SELECT ") + q.heads + TST + QStringLiteral(" AS DateX, [") + X
            + QStringLiteral("] AS ValueX, [") + Y + QStringLiteral("] AS ValueY") + conditions
            + QStringLiteral("ORDER BY ") + TST + QLatin1Char(',') + ATE + QLatin1Char(';');
    return QStringLiteral("SELECT ") + q.heads + QStringLiteral("MAX(") + TST + QStringLiteral(") AS DateX, MAX([") + X
        + QStringLiteral("]) AS ValueX, MAX([") + Y + QStringLiteral("]) AS ValueY") + conditions + q.groupBy
        + QStringLiteral(" ORDER BY MAX(") + TST + QStringLiteral("), MAX(") + ATE + QStringLiteral(");");
}

// One parameter of one source tester.
QString ScatterSourceStatement(const Statement& q, const QString& PFC, bool blnOnlyLastData)
{
    const QString& TST = q.state.gColTestStartTime;
    const QString& SN = q.state.gColSerialNumber;
    const QString conditions = q.where(PFC) + ValidCondition(q.P) + q.zero(q.P);
    if (!blnOnlyLastData)
        return QStringLiteral("SELECT ") + q.heads + TST + QStringLiteral(" AS DateX, [") + q.P
            + QStringLiteral("] AS ValueX") + conditions + QStringLiteral("ORDER BY ") + SN + QStringLiteral(", ") + TST
            + QLatin1Char(';');
    return QStringLiteral("SELECT ") + q.heads + QStringLiteral("MAX(") + TST + QStringLiteral(") AS DateX, MAX([")
        + q.P + QStringLiteral("]) AS ValueX") + conditions + q.groupBy + QStringLiteral(" ORDER BY ") + SN
        + QStringLiteral(", MAX(") + TST + QStringLiteral(");");
}

// The p, np, u and c charts: their own columns, no verdict, serial or zero conditions. Empty for another kind.
QString AttributeStatement(const Statement& q, const QString& strChartType, const QString& SORT)
{
    const AppState& state = q.state;
    const QString attributeWhere = QStringLiteral(" FROM ") + state.gTableName + QStringLiteral(" WHERE ")
        + state.gColTestStartTime + QStringLiteral(" BETWEEN ") + q.R + QLatin1Char(' ') + q.ATEC
        + TestIdCondition(state, q.strTestID);
    const QString* nc = nullptr;
    const QString* sg = nullptr;
    if (strChartType == QLatin1String("P Chart")) {
        nc = &state.gPChartNonConfColumn;
        sg = &state.gPChartSubGroupColumn;
    } else if (strChartType == QLatin1String("NP Chart")) {
        nc = &state.gNPChartNonConfColumn;
        sg = &state.gNPChartSubGroupColumn;
    } else if (strChartType == QLatin1String("U Chart")) {
        nc = &state.gUChartNonConfColumn;
        sg = &state.gUChartSubGroupColumn;
    } else if (strChartType == QLatin1String("C Chart")) {
        nc = &state.gCChartNonConfColumn;
    } else {
        return {};
    }
    const QString& NC = *nc;
    if (!sg)
        return QStringLiteral("SELECT [") + NC + QStringLiteral("] AS NonConformitiesX") + attributeWhere
            + ValidCondition(NC) + QStringLiteral("AND [") + NC + QStringLiteral("] >= 0 ORDER BY ") + SORT
            + QLatin1Char(';');
    const QString& SG = *sg;
    return QStringLiteral("SELECT [") + NC + QStringLiteral("] AS NonConformitiesX,  [") + SG
        + QStringLiteral("] AS SubGroupX") + attributeWhere + ValidCondition(NC) + QStringLiteral("AND [") + NC
        + QStringLiteral("] >= 0 ") + ValidCondition(SG) + QStringLiteral("AND [") + SG
        + QStringLiteral("] > 0 ORDER BY ") + SORT + QLatin1Char(';');
}

} // namespace

QString MakeSQL(const AppState& state, const QueryWindowInputs& window, const QString& strParameter,
    const QString& strRange, const QString& strATE, const QString& strSortBy, const QString& strSerialNumber,
    const QString& strTestID, const QString& strPassFail, bool blnOnlyLastData, const QString& strChartType,
    const QString& strXSource, const QString& strYsource)
{
    Statement q { state, window, strParameter, strRange, strSerialNumber, strTestID,
        AllOrEmpty(strATE) ? QString() : TesterCondition(state, strATE),
        state.gColSerialNumber + QStringLiteral(" AS SNX, ") + state.gColATEID + QStringLiteral(" AS ATEX, "),
        LastDataGroupBy(state) };
    if (strChartType.isEmpty())
        return MainStatement(q, strPassFail, strSortBy, blnOnlyLastData);
    if (strChartType == QLatin1String("Histogram") || strChartType == QLatin1String("Pareto"))
        return DistributionStatement(q, strPassFail, strChartType == QLatin1String("Pareto"), blnOnlyLastData);
    if (strChartType == QLatin1String("Scatter")) {
        if (strXSource.isEmpty() && strYsource.isEmpty())
            return ScatterPairStatement(q, strPassFail, blnOnlyLastData);
        q.ATEC = TesterCondition(state, strXSource.isEmpty() ? strYsource : strXSource);
        return ScatterSourceStatement(q, strPassFail, blnOnlyLastData);
    }
    return AttributeStatement(q, strChartType, strSortBy);
}

QString GetParetoColumnsSQL(const AppState& state, const QueryWindowInputs& window, const QStringList& columns,
    const QString& strRange, const QString& strATE, const QString& strSerialNumberFilter)
{
    QString title;
    const QString interval = GetTestedRange(state, strRange, title, window.today);
    QString select = QStringLiteral("SELECT ");
    for (qsizetype i = 0; i < columns.size(); ++i)
        select += (i ? QStringLiteral(", [") : QStringLiteral("[")) + columns[i] + QStringLiteral("] AS Value")
            + QString::number(i);
    QString statement = select
        + SelectionWhere(state, interval, strATE, strSerialNumberFilter, window.testIdText, QStringLiteral("LIKE '%'"));
    statement.chop(1); // the blank after the last condition
    return statement + QLatin1Char(';');
}

QString GetSQL(const AppState& state, const QueryWindowInputs& window, const QString& strParameter,
    const QString& strRange, const QString& strATE, const QString& strSortBy, const QString& strSerialNumberFilter,
    const QString& strPassFail, bool blnOnlyLastData, const QString& strChartType, const QString& strXSource,
    const QString& strYsource)
{
    QString title;
    const QString interval = GetTestedRange(state, strRange, title, window.today);
    return MakeSQL(state, window, strParameter, interval, strATE, strSortBy, strSerialNumberFilter, window.testIdText,
        strPassFail, blnOnlyLastData, strChartType, strXSource, strYsource);
}

} // namespace moldrin::data
