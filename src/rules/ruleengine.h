// The SPC rule engine: rules R1 to R7 on a chart's data series, recorded in the mark arrays of AppState.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "variables/chartmodel.h"

#include <QList>
#include <QString>

namespace moldrin
{

// Groups of the 66-character set-up string, in evaluation order.
enum class RuleGroup { R1Upper, R1Lower, R2Upper, R2Lower, R3Upper, R3Lower, R4Upper, R4Lower, R5, R6, R7 };
inline constexpr int kRuleGroupCount = 11;
// Columns within a group.
inline constexpr int kColumnIndividual = 1, kColumnXBar = 2, kColumnMedian = 3, kColumnRange = 4, kColumnS = 5,
                     kColumnAttribute = 6;

inline const QString kSideUpper = QStringLiteral("UPPER");
inline const QString kSideLower = QStringLiteral("LOWER");

// True when position 6·group + column of the set-up string holds "1".
bool RuleEnabled(const QString& rulesSetup, RuleGroup group, int column);
// The set-up columns that govern the centre chart and the variation chart of a chart type
// (case-sensitive containment of "Individual", "X-Bar", "Median"; "R", "-s").
QList<int> CentreChartColumns(const QString& chartType);
QList<int> VariationChartColumns(const QString& chartType);

// Adds code to entry i: the code itself, or ",code" after what is there unless it is already contained.
// False when i lies outside the array.
bool RecordRule(QStringList& marks, int i, const QString& code);

// The rules. Each examines the data series' points and records into gUpperRuleMarks / gLowerRuleMarks;
// axis is carried along and does not change the result. With constantLimits the boundary is the line
// series' first point, otherwise its point at the point (R1) or window start (R2, R3) index. A failure
// (a missing series or point, a mark array too short) shows its description and returns false;
// findings recorded before it stay.
bool CheckRule1(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, int lineSeries,
    const QString& side, bool constantLimits, Prompt& prompt);
bool CheckRule2(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, int lineSeries,
    const QString& side, bool constantLimits, Prompt& prompt);
bool CheckRule3(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, int lineSeries,
    const QString& side, bool constantLimits, Prompt& prompt);
bool CheckRule4(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, int centreSeries,
    const QString& side, Prompt& prompt);
bool CheckRule5(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, Prompt& prompt);
bool CheckRule6(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, Prompt& prompt);
bool CheckRule7(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, Prompt& prompt);

// Line series the rules of one chart compare with: UCL, LCL, upper and lower B, upper and lower C, CL.
struct RuleLines {
    int ucl, lcl, upperB, lowerB, upperC, lowerC, centre;
};
inline constexpr RuleLines kCentreChartLines { 11, 10, 13, 15, 12, 14, 9 };
inline constexpr RuleLines kVariationChartLines { 18, 16, 20, 22, 19, 21, 17 };
inline constexpr RuleLines kAttributeChartLines { 2, 3, 7, 8, 9, 10, 1 };

// Runs the enabled groups in order R1+ ... R7 on one data series.
void RunRules(AppState& state, const ChartModel& chart, int dataSeries, VerticalAxis axis, const RuleLines& lines,
    const QList<int>& columns, bool constantLimits, Prompt& prompt);

struct RuleEvaluation {
    bool completed = false;
    bool centreMarks = false; // marks placed on the centre chart (or the attribute chart)
    bool variationMarks = false; // marks placed on the variation chart
    bool timerEnabled = false; // the blink timer should run
};

// The main chart: centre chart on series 5 (marks on 7 and 8), then the variation chart on series 6
// (marks on two clones of 7 and 8 put last on custom axis 0). Leaves the mark arrays holding the
// variation chart's findings.
RuleEvaluation EvaluateVariablesRules(AppState& state, ChartModel& chart, const QString& chartType, Prompt& prompt);
// An attribute chart: series 0 against lines 1, 2, 3 and 7 to 10, marks on series 5 and 6 (x offset 1).
RuleEvaluation EvaluateAttributeRules(AppState& state, ChartModel& chart, bool constantLimits, Prompt& prompt);

} // namespace moldrin
