// Widening the value axis for the rule marks, the variables chart's evaluation, placing the marks, the blink.
#include "rules/rulemarks.h"

#include "variables/variableschart.h"

#include <algorithm>

namespace moldrin
{

namespace
{

int CloneOnCustomAxis(ChartModel& chart, int templateIndex)
{
    const int index = chart.copySeries(templateIndex);
    chart.series[index].verticalAxis = VerticalAxis::Custom0;
    return index;
}

// The marks of a series whose points fall into stages, each judged against the lines `zones` picks from its
// limits.
RuleMarks ChartRules(
    const ChartSeries& data, std::span<const StageLimits> stages, ZoneLines ControlLimits::*zones, RuleGroups groups)
{
    std::vector<double> copy;
    const std::span<const double> points = RulePoints(data, copy);
    std::vector<RuleInput> inputs;
    for (std::size_t k = 0; k < stages.size(); ++k) {
        const std::size_t first = std::min(stages[k].first, points.size());
        const std::size_t end = k + 1 < stages.size() ? std::min(stages[k + 1].first, points.size()) : points.size();
        const ControlLimits& l = stages[k].limits;
        inputs.push_back({ points.subspan(first, end - first), ZoneRuleLines(l.*zones),
            l.completed ? groups : RuleGroups(0), l.scale });
    }
    return EvaluateStagedRules(inputs);
}

} // namespace

void ExpandAxisRange(ChartModel& chart, int /*series*/, AxisId axis)
{
    const double m = chart.axisMinimum(axis);
    const double M = chart.axisMaximum(axis);
    const double margin = (M - m) * 0.15;
    chart.axis(axis).setRange(m - margin, M + margin);
}

bool PlaceRuleMarks(ChartModel& chart, int dataSeries, AxisId axis, int upSeries, int downSeries, double xOffset,
    const RuleMarks& marks)
{
    const ChartSeries* data = chart.seriesAt(dataSeries);
    ChartSeries* up = chart.seriesAt(upSeries);
    ChartSeries* down = chart.seriesAt(downSeries);
    if (!data || !up || !down)
        return false;
    const double offset = (chart.axisMaximum(axis) - chart.axisMinimum(axis)) * 0.05;
    // Their labels are codes a view keeps readable at any point count.
    up->marks.ruleMarks = down->marks.ruleMarks = true;
    bool placed = false;
    for (int i = 0; i < data->count(); ++i) {
        const RuleMark mark = marks[std::size_t(i)];
        if (mark == 0)
            continue;
        const double y = data->points.y(i);
        if (const QString& upper = RuleMarkText(mark, MarkSide::Upper); !upper.isEmpty())
            up->addXY(i + xOffset, y + offset, upper);
        if (const QString& lower = RuleMarkText(mark, MarkSide::Lower); !lower.isEmpty())
            down->addXY(i + xOffset, y - offset, lower);
        placed = true;
    }
    return placed;
}

std::span<const double> RulePoints(const ChartSeries& series, std::vector<double>& copy)
{
    const std::span<const double> values = series.points.values();
    if (int(values.size()) == series.count())
        return values;
    copy.resize(std::size_t(series.count()));
    for (int i = 0; i < series.count(); ++i)
        copy[std::size_t(i)] = series.points.y(i);
    return copy;
}

RuleLines ZoneRuleLines(const ZoneLines& z)
{
    return { z.ucl, z.lcl, z.upperB, z.lowerB, z.upperC, z.lowerC, z.centre };
}

RuleEvaluation EvaluateVariablesRules(
    ChartModel& chart, const ControlLimits& limits, const QString& chartType, const QString& rulesSetup, bool blink)
{
    if (!limits.completed)
        return {};
    const StageLimits whole { 0, {}, limits };
    return EvaluateStagedVariablesRules(chart, { &whole, 1 }, chartType, rulesSetup, blink);
}

RuleEvaluation EvaluateStagedVariablesRules(ChartModel& chart, std::span<const StageLimits> stages,
    const QString& chartType, const QString& rulesSetup, bool blink)
{
    RuleEvaluation result;
    if (chart.seriesCount() < kTemplateSeriesCount || stages.empty())
        return result;
    // The clones are made before any mark is placed, so they start empty.
    const int upClone = CloneOnCustomAxis(chart, kSeriesUpArrow);
    const int downClone = CloneOnCustomAxis(chart, kSeriesDownArrow);

    result.centre = ChartRules(chart.series[kSeriesXBar], stages, &ControlLimits::centre,
        EnabledRuleGroups(rulesSetup, CentreChartColumns(chartType)));
    result.centreMarks
        = PlaceRuleMarks(chart, kSeriesXBar, AxisId::Left, kSeriesUpArrow, kSeriesDownArrow, 0, result.centre);
    result.variation = ChartRules(chart.series[kSeriesRange], stages, &ControlLimits::variation,
        EnabledRuleGroups(rulesSetup, VariationChartColumns(chartType)));
    result.variationMarks
        = PlaceRuleMarks(chart, kSeriesRange, AxisId::Custom0, upClone, downClone, 0, result.variation);
    result.completed = true;
    result.timerEnabled = RuleBlinkTimerEnabled(blink, result.centreMarks || result.variationMarks);
    return result;
}

void ToggleMarkLabels(ChartModel& chart, std::initializer_list<int> seriesIndices)
{
    for (int index : seriesIndices)
        if (ChartSeries* s = chart.seriesAt(index))
            s->marks.visible = !s->marks.visible;
}

void ToggleRuleMarkLabels(ChartModel& chart)
{
    const int n = chart.seriesCount();
    ToggleMarkLabels(chart, { 7, 8, n - 1, n - 2 });
}

} // namespace moldrin
