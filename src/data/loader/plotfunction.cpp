// The selection texts every plot function uses: tester filter, title line.
#include "data/loader/plotfunction.h"

#include "data/config/querybuilder.h"

namespace moldrin::data
{

QString TesterFilter(const PlotSelection& s)
{
    return s.tester.isEmpty() || s.tester == QLatin1String("<All>") ? QString() : s.tester;
}

QString ChartTitleLine(const AppState& state, const PlotSelection& s)
{
    return RangeTitleLine(state, s.product.trimmed(), s.range.trimmed(), s.query.today);
}

} // namespace moldrin::data
