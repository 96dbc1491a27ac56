// The main window's rules that tie the chart type and the subgroup size together.
#include "shell/chartrules.h"

namespace moldrin
{

ChartSelection ApplyChartRules(ChartSelection s, bool chartTypeChanged, QStringList& notices)
{
    if (s.sampleSize == 2 && s.chartType.contains(QLatin1String("Median"))) {
        notices << (chartTypeChanged
                ? QStringLiteral("For X-Bar-R-Median-s chart the sample size equal 2, chart type will available "
                                 "only 'X-Bar-R' or 'X-Bar-s'. ")
                : QStringLiteral("For X-Bar-R-Median-s chart with sample size equal 2, chart type will "
                                 "available only 'X-Bar' or 'X-Bar-s'. "));
        s.chartType = QStringLiteral("X-Bar-R");
    }
    if (s.sampleSize > 9
        && (s.chartType == QLatin1String("Median-s") || s.chartType == QLatin1String("Median-R")
            || s.chartType == QLatin1String("X-Bar-R-Median-s"))) {
        notices << QStringLiteral("For X-Bar-R-Median-s, Median-R and Median-s chart the sample size is limited by "
                                  "not exceed than 9. ");
        s.sampleSize = 9;
    }
    return s;
}

} // namespace moldrin
