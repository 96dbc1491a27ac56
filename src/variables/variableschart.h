// The main window's variables chart: its template, its reset before a plot, page captions and data points.
#pragma once

#include "variables/chartmodel.h"
#include "variables/controllimits.h"
#include "variables/statistics.h"

#include <QString>

namespace moldrin
{

// Fixed series layout of the main chart.
inline constexpr int kSeriesMedian = 0; // "Median": medians or means, readings for Individual-MR
inline constexpr int kSeriesLimitTemplate = 1; // "CL/LCL/UCL": template of every limit line
inline constexpr int kSeriesLSL = 2;
inline constexpr int kSeriesUSL = 3;
inline constexpr int kSeriesS = 4; // "s", custom axis 0
inline constexpr int kSeriesXBar = 5; // "X-Bar": the centre chart's rule series
inline constexpr int kSeriesRange = 6; // "Range", custom axis 0: the variation chart's rule series
inline constexpr int kSeriesUpArrow = 7;
inline constexpr int kSeriesDownArrow = 8;
inline constexpr int kTemplateSeriesCount = 9;

inline constexpr int kDefaultPointsPerPage = 80;

// The chart as loaded from its stored template: series 0 to 8, axes and their formats.
ChartModel BuildVariablesChartTemplate();

// Caption after a reset and after a zoom step.
QString ResetPageCaption(const QString& chartTitle, int page, int pages);
// Caption when the chart reports a page change (also forced at the end of every plot).
QString PageChangeCaption(const QString& chartTitle, int page, int pages);
// Caption of the further argument-less notification.
QString RefreshPageCaption(const QString& chartTitle, int page, int pages);
// The same with the chart's own paging state, written as the one header line.
void WriteResetPageCaption(ChartModel& chart, const QString& chartTitle);
void WritePageChangeCaption(ChartModel& chart, const QString& chartTitle);
void WriteRefreshPageCaption(ChartModel& chart, const QString& chartTitle);

// Clears the chart for a plot: removes the lines (series 9 up), clears the template series, 80 points per
// page on page 1, the header caption, automatic vertical axes and the axis titles of the chart type (the
// unit, when given, as " (" + unit + ")" after the left axis title). The rule-mark labels of series 7 and
// 8 are shown again, so a blink that was stopped half way never hides them in the next plot. The caller
// clears its panel labels and stops its rule-flash timer.
void ResetVariablesChart(ChartModel& chart, const QString& chartType, const QString& unit, const QString& chartTitle);

// Copies template series templateIndex as the new last series; "Range" puts it on custom axis 0, any
// other name leaves it on the template's axis. Returns the new index, -1 when the template is missing.
int AddLimitLineSeries(ChartModel& chart, const QString& chartName, int templateIndex = kSeriesLimitTemplate);
// Draws the computed lines across the points of series 0: USL and LSL on series 3 and 2, every other line
// a copy of series 1 (from series 9 up, in the limits' order), the centre lines in their own colour; then
// sets each axis' label step to the spread of its data series over its point count.
// The chart keeps the panel's captions and values for the pages that leave the window.
void FillControlLimits(ChartModel& chart, const ControlLimits& limits);
// The same for the points of one stage: each line from point `first` to point `last`, and where the stage
// follows another, a vertical line before its first point labelled with its start date.
void FillStageLimits(ChartModel& chart, const ControlLimits& limits, int first, int last, const QDate& start);

// Adds a subgroup's points to series 0, 5, 4 and 6 (the last labelled with the subgroup number).
void AddSubgroupPoints(ChartModel& chart, const SubgroupPoint& point);
// Adds a reading to series 0 and 5 and its moving range to series 4 and 6 (labelled with j).
void AddIndividualPoints(ChartModel& chart, const IndividualPoint& point);

} // namespace moldrin
