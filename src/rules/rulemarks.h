// Rule marks on the chart: widening the value axis, placing the marks, and their blinking.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "variables/chartmodel.h"

#include <initializer_list>

namespace moldrin
{

inline constexpr int kRuleFlashIntervalMs = 500;

// Widens the axis by 15 % of its range on either side and sets it to manual scaling. The current range
// of an automatic axis is that of the points of the series on it. series is not used.
void ExpandAxisRange(ChartModel& chart, int series, AxisId axis);

// Adds the marks of the current mark arrays: above the point by 5 % of the axis range on the up series,
// below it on the down series, at x = point index + xOffset, labelled with the entry. True when a mark
// was added. Both series are flagged as carrying rule marks (SeriesMarks::ruleMarks). A failure
// (missing series, mark arrays shorter than the data) shows its description and returns what was reached.
bool PlaceRuleMarks(const AppState& state, ChartModel& chart, int dataSeries, AxisId axis, int upSeries, int downSeries,
    double xOffset, Prompt& prompt);

// Whether the blink timer runs after an evaluation.
inline bool RuleBlinkTimerEnabled(bool gRulesBlinkEnable, bool marksPlaced)
{
    return gRulesBlinkEnable && marksPlaced;
}

// One blink: flips the label visibility of the given series in order (missing ones are skipped).
void ToggleMarkLabels(ChartModel& chart, std::initializer_list<int> seriesIndices);
// The main chart's tick: series 7, 8, the last and the second-to-last series.
void ToggleRuleMarkLabels(ChartModel& chart);

} // namespace moldrin
