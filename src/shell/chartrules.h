// The main window's rules that tie the chart type and the subgroup size together.
#pragma once

#include <QString>
#include <QStringList>

namespace moldrin
{

struct ChartSelection {
    QString chartType;
    int sampleSize = 5;
};

// Applies the rules after a change of the chart type (chartTypeChanged) or of the group size: size 2
// with a median type switches to "X-Bar-R"; a size above 9 with a median type becomes 9. The information
// message that announces each correction is appended to `notices`.
ChartSelection ApplyChartRules(ChartSelection selection, bool chartTypeChanged, QStringList& notices);

// Whether the group size list is usable for the chart type.
inline bool GroupSizeEnabled(const QString& chartType)
{
    return chartType != QLatin1String("Individual-MR");
}

} // namespace moldrin
