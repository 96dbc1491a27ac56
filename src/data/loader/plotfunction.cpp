// The selection texts every plot function uses: tester filter, range text, title line.
#include "data/loader/plotfunction.h"

#include "common/dates.h"
#include "data/config/querybuilder.h"

#include <QLocale>

namespace moldrin::data
{

QString TesterFilter(const PlotSelection& s)
{
    return s.tester.isEmpty() || s.tester == QLatin1String("<All>") ? QString() : s.tester;
}

QString RangeTitleText(const AppState& state, const PlotSelection& s)
{
    const QString range = s.range.trimmed();
    if (range == QLatin1String("Custom")) {
        const QLocale system = QLocale::system();
        return QStringLiteral(" as ") + system.toString(DateOrZero(state.gCustomStart), QLocale::ShortFormat)
            + QStringLiteral(" to ") + system.toString(DateOrZero(state.gCustomEnd), QLocale::ShortFormat);
    }
    QString title;
    GetTestedRange(state, range, title, s.query.today);
    return title;
}

QString ChartTitleLine(const AppState& state, const PlotSelection& s)
{
    return s.product.trimmed() + RangeTitleText(state, s);
}

} // namespace moldrin::data
