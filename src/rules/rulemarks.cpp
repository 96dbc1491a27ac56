// Widening the value axis for the rule marks, placing the marks, and the blink tick.
#include "rules/rulemarks.h"

namespace moldrin
{

void ExpandAxisRange(ChartModel& chart, int /*series*/, AxisId axis)
{
    const double m = chart.axisMinimum(axis);
    const double M = chart.axisMaximum(axis);
    const double margin = (M - m) * 0.15;
    chart.axis(axis).setRange(m - margin, M + margin);
}

bool PlaceRuleMarks(const AppState& state, ChartModel& chart, int dataSeries, AxisId axis, int upSeries, int downSeries,
    double xOffset, Prompt& prompt)
{
    const ChartSeries* data = chart.seriesAt(dataSeries);
    ChartSeries* up = chart.seriesAt(upSeries);
    ChartSeries* down = chart.seriesAt(downSeries);
    if (!data || !up || !down) {
        prompt.warn(QStringLiteral("Series index out of range"));
        return false;
    }
    const double offset = (chart.axisMaximum(axis) - chart.axisMinimum(axis)) * 0.05;
    // Their labels are codes a view keeps readable at any point count.
    up->marks.ruleMarks = down->marks.ruleMarks = true;
    bool placed = false;
    for (int i = 0; i < data->count(); ++i) {
        if (i >= state.gUpperRuleMarks.size() || i >= state.gLowerRuleMarks.size()) {
            prompt.warn(QStringLiteral("Subscript out of range"));
            return placed;
        }
        const double y = data->points.y(i);
        if (!state.gUpperRuleMarks[i].isEmpty()) {
            up->addXY(i + xOffset, y + offset, state.gUpperRuleMarks[i]);
            placed = true;
        }
        if (!state.gLowerRuleMarks[i].isEmpty()) {
            down->addXY(i + xOffset, y - offset, state.gLowerRuleMarks[i]);
            placed = true;
        }
    }
    return placed;
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
