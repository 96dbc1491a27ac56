// The Pareto chart's computation: per-parameter sums in; ranking, percentages and labels out.
#include "distribution/pareto.h"

#include "common/compensatedsum.h"
#include "common/nodata.h"
#include "common/numberformat.h"

#include <algorithm>

namespace moldrin
{

ParetoRanking RankPareto(const QStringList& names, std::span<const double> sums)
{
    ParetoRanking r;
    const qsizetype count = std::min<qsizetype>(names.size(), qsizetype(sums.size()));
    for (qsizetype i = 0; i < count; ++i)
        r.items.append(ParetoItem { names[i], sums[std::size_t(i)], 0, 0, {} });
    std::stable_sort(
        r.items.begin(), r.items.end(), [](const ParetoItem& a, const ParetoItem& b) { return a.sum > b.sum; });

    CompensatedSum total;
    for (const ParetoItem& item : r.items)
        total.add(item.sum);
    r.total = total.value();
    if (r.total == 0) {
        r.failure = kNoDataCollection;
        r.items.clear();
        return r;
    }
    CompensatedSum running;
    for (ParetoItem& item : r.items) {
        running.add(item.sum);
        item.percent = item.sum / r.total * 100;
        item.cumulative = running.value() / r.total * 100;
        item.label = ParetoLabel(item.name, item.sum);
    }
    return r;
}

QString ParetoLabel(const QString& name, double sum)
{
    QString text = FormatNumber(sum, QStringLiteral("#,##0.###"));
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return name + QLatin1Char('\r') + QLatin1Char('(') + text + QLatin1Char(')');
}

} // namespace moldrin
