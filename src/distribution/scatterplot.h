// The scatter chart's plot function: reads the pairs of the selection, runs the computation, fills the chart.
#pragma once

#include "common/appstate.h"
#include "data/loader/plotfunction.h"
#include "distribution/scatter.h"
#include "variables/chartmodel.h"

#include <QString>

namespace moldrin
{

// Series of the scatter chart.
inline constexpr int kScatterSeriesData = 0; // "Data": the pairs, labelled with their numbers
inline constexpr int kScatterSeriesSlope = 1; // "Slope": the regression line

// The chart as loaded from its template: white rectangle points with marks, a grey line, axis titles "X"
// and "Y", label format "#,##0.00", label areas 38 (left) and 20 (bottom), title "Regression Chart".
ChartModel BuildScatterChartTemplate();

// What the scatter window holds besides the main window's selection.
struct ScatterInputs {
    int xParameter = 0; // mlngXParameter: index into the per-parameter tables
    int yParameter = 1; // mlngYParameter
    QString sourceX; // mstrSourceX: tester of the X readings, "" when not separate
    QString sourceY; // mstrSourceY
    // Both sources given: X and Y come from two statements, paired k-th with k-th.
    bool separate() const { return !sourceX.isEmpty() && !sourceY.isEmpty(); }
};

struct ScatterOutcome {
    long pairs = 0; // points of series 0
    bool drawn = false; // statistics, titles, line and panel were set
    QString failure; // the message shown ("" when none)
    ScatterResult result; // the figures and panel lines when drawn
};

// DrawScatter: clears both series, reads the pairs (same source: one statement with ValueX and ValueY;
// separate sources: the X result, then the Y result, paired up to the shorter), computes the figures and
// sets the second title line, the axis titles (name, source, unit), the regression line at the ends of the
// bottom axis and returns the panel lines. Every drawing that ends before that says why (no pairs, one pair,
// equal readings, a failing statement) through host.prompt(); readings whose sums are 0 draw like any other.
// Marks visibility is left as it is.
ScatterOutcome PlotScatter(AppState& state, ChartModel& chart, const data::PlotSelection& selection,
    const ScatterInputs& inputs, data::PlotHost& host);

} // namespace moldrin
