// Rule marks on the chart: widening the value axis, evaluating a chart's rules and placing their marks,
// and the blinking.
#pragma once

#include "rules/ruleengine.h"
#include "variables/chartmodel.h"
#include "variables/controllimits.h"

#include <QString>

#include <initializer_list>
#include <span>
#include <vector>

namespace moldrin
{

inline constexpr int kRuleFlashIntervalMs = 500;

// Widens the axis by 15 % of its range on either side and sets it to manual scaling. The current range
// of an automatic axis is that of the points of the series on it. series is not used.
void ExpandAxisRange(ChartModel& chart, int series, AxisId axis);

// Adds the marks: above the point by 5 % of the axis range on the up series, below it on the down series,
// at x = point index + xOffset, labelled with the codes of that side. True when a mark was added. Both
// series are flagged as carrying rule marks (SeriesMarks::ruleMarks); nothing is added where a series is
// missing.
bool PlaceRuleMarks(ChartModel& chart, int dataSeries, AxisId axis, int upSeries, int downSeries, double xOffset,
    const RuleMarks& marks);

// The y values of a series' points in order, as the rules take them: the series' own values where it keeps
// them alone, else copied into `copy`.
std::span<const double> RulePoints(const ChartSeries& series, std::vector<double>& copy);

// The lines of one chart of the variables chart as constant boundaries.
RuleLines ZoneRuleLines(const ZoneLines& lines);

struct RuleEvaluation {
    bool completed = false; // the rules were evaluated
    bool centreMarks = false; // marks placed on the centre chart (or the attribute chart)
    bool variationMarks = false; // marks placed on the variation chart
    bool timerEnabled = false; // the blink timer should run
    RuleMarks centre; // the centre chart's (or the attribute chart's) marks per point
    RuleMarks variation; // the variation chart's
};

// The variables chart with its limits drawn: the centre chart's rules on series 5 (marks on 7 and 8), then
// the variation chart's on series 6 (marks on two clones of 7 and 8 put last on custom axis 0), each with
// the groups rulesSetup enables for the chart type, at the precision of the readings (limits.scale); the
// timer runs when marks were placed and `blink`.
RuleEvaluation EvaluateVariablesRules(
    ChartModel& chart, const ControlLimits& limits, const QString& chartType, const QString& rulesSetup, bool blink);

// The same for a chart split into stages: each stage's points against its own lines, no window spanning
// two stages; a stage whose limits were not computed gets no marks.
RuleEvaluation EvaluateStagedVariablesRules(ChartModel& chart, std::span<const StageLimits> stages,
    const QString& chartType, const QString& rulesSetup, bool blink);

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
