// The Pareto chart's computation: per-parameter sums in; ranking, percentages and labels out.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <span>

namespace moldrin
{

struct ParetoItem {
    QString name; // display name of the parameter
    double sum = 0; // sum of its readings
    double percent = 0; // its bar: sum / total · 100
    double cumulative = 0; // the line: running sum / total · 100, 100 at the last item
    QString label; // name, carriage return, "(" sum ")"
};

struct ParetoRanking {
    double total = 0;
    QList<ParetoItem> items; // largest sum first; equal sums keep their list order
    QString failure; // the no-data message when the total is 0, else ""
};

// Ranks the parameters `names` (display names, list order) by `sums` (one per name). The total and the
// running sums are taken in ranked order, so the line ends at exactly 100.
ParetoRanking RankPareto(const QStringList& names, std::span<const double> sums);

// The bottom-axis label of a parameter: name, carriage return, the sum as "#,##0.###" in parentheses,
// without a trailing point (12 shows as "(12)", 12.5 as "(12.5)").
QString ParetoLabel(const QString& name, double sum);

} // namespace moldrin
