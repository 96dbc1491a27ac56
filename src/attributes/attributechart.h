// The p, np, c and u charts: their per-kind table, chart template, and the plot function.
#pragma once

#include "attributes/attributestats.h"
#include "common/appstate.h"
#include "common/reading.h"
#include "data/loader/plotfunction.h"
#include "rules/rulemarks.h"
#include "variables/chartmodel.h"

#include <QString>

#include <optional>

namespace moldrin
{

// What differs between the four charts and their windows.
struct AttributeKindTraits {
    AttributeKind kind;
    QString queryKind; // the chart kind of the statement: "P Chart"
    QString caption; // window caption and chart title: "p Chart"
    QString windowName; // frmP_Chart
    QString chartName; // ocxP_Chart
    QString axisTitle; // value-axis title
    QString settingsPrefix; // P: P_LabelFormat, ShowGridP_Chart, ...
    bool constantLimits; // the rules compare every point with the first point of a limit line
    OleColour dataColour;
    int uclMarkOffset; // the UCL line's labels lie this many pixels below it
    QString laneyCaption; // the chart title of Laney's p' or u'; "" where the kind has none (np, c)
};
const AttributeKindTraits& Traits(AttributeKind kind);
// The kind of a statement's chart kind text ("P Chart" ...), nullopt for any other text.
std::optional<AttributeKind> AttributeKindFromText(const QString& queryKind);

// The template's series; the zone lines are copies of kAttrZone added as 7 to 10.
inline constexpr int kAttrData = 0;
inline constexpr int kAttrMean = 1;
inline constexpr int kAttrUCL = 2;
inline constexpr int kAttrLCL = 3;
inline constexpr int kAttrZone = 4;
inline constexpr int kAttrUpArrow = 5;
inline constexpr int kAttrDownArrow = 6;
inline constexpr int kAttrTemplateSeriesCount = 7;

// A line on the bottom and left axes whose point labels show `markOffset` pixels above its points (below
// when negative), on a transparent ground.
ChartSeries LabelledLine(const QString& title, OleColour colour, PenStyle pen, int markOffset);
// The red arrows that carry the rule-mark labels: DownTriangle above a point, Triangle below.
ChartSeries RuleArrows(const QString& title, PointerStyle pointer, int markOffset);
// Adds the line's points with their labels.
void AppendLine(ChartSeries& series, const std::vector<LinePoint>& line);

// The chart as its window's template sets it up: seven series, the axes and the title.
ChartModel BuildAttributeChartTemplate(AttributeKind kind);
// Empties the chart for a redraw: the second title line, the zone lines (series 7 up) and every point go;
// the rule-mark labels are shown again.
void ClearAttributeChart(ChartModel& chart);
// Adds the computed lines: data 0, centre 1, UCL 2, LCL 3, zone copies 7 to 10; sets the value-axis
// increment to (highest UCL - lowest LCL) / k.
void FillAttributeChart(ChartModel& chart, const AttributeChartResult& result);

struct AttributePlotOutcome {
    long records = 0; // rows read (one a subgroup), the skipped ones too
    SkippedRows skipped; // fields of a count or size that are no number (their rows left out), unreadable times
    bool plotted = false; // the lines were drawn
    AttributeChartResult result;
    RuleEvaluation rules; // evaluated with zones only
};

// The plot function of the four charts: reads the kind's rows for the selection (each subgroup once, so
// the second pass of p and u sees the rows of the first), computes, fills the chart and, with
// `showZones`, evaluates the rules (marks on series 5 and 6). `laney` draws Laney's p' or u' (titled so) where
// the kind has one. Messages go to host.prompt().
AttributePlotOutcome PlotAttributeChart(AppState& state, ChartModel& chart, const data::PlotSelection& selection,
    AttributeKind kind, bool showZones, data::PlotHost& host, bool laney = false);

} // namespace moldrin
