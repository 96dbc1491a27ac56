// The selection texts every plot function uses: statement, read failure message, tester filter, title line.
#include "data/loader/plotfunction.h"

namespace moldrin::data
{

QString SelectionSQL(
    const AppState& state, const PlotSelection& s, const QString& strSortBy, const QString& strChartType)
{
    return GetSQL(state, s.query, state.gParamColumn.value(s.parameterIndex), s.range.trimmed(), TesterFilter(s),
        strSortBy, s.serialFilter.toUpper(), PassCondition(state, s.passOnly), s.lastDataOnly, strChartType);
}

void WarnReadError(Prompt& prompt, const DataError& e)
{
    if (e.number == kErrInvalidData1 || e.number == kErrInvalidData2)
        prompt.warn(QStringLiteral("Invalid data in 'ATE.ini' or 'Products.ini'.  "));
    else
        prompt.warn(
            e.description + QStringLiteral("!\nPlease make sure that 'ATE.ini' and 'Products.ini' are corrected.  "));
}

QString TesterFilter(const PlotSelection& s)
{
    return s.tester.isEmpty() || s.tester == QLatin1String("<All>") ? QString() : s.tester;
}

QString ChartTitleLine(const AppState& state, const PlotSelection& s)
{
    return RangeTitleLine(state, s.product.trimmed(), s.range.trimmed(), s.query.today);
}

} // namespace moldrin::data
