// The variables chart's plot function: reads the selection's readings, forms the subgroups, computes the
// limits and the rules, fills the chart and writes the listings.
#pragma once

#include "common/appstate.h"
#include "common/nodata.h"
#include "data/loader/plotfunction.h"
#include "rules/rulemarks.h"
#include "variables/chartmodel.h"
#include "variables/controllimits.h"
#include "variables/statistics.h"

#include <QString>

namespace moldrin
{

struct VariablesPlotOutcome {
    long records = 0; // rows read: all of the statement's rows unless the plot was stopped
    long pointCount = 0; // subgroups (or readings) plotted
    bool plotted = false; // the readings were complete and the limits computed (or their failure reported)
    bool stopped = false; // ended by gStopPlot
    SkippedRows skipped; // of the rows read, those that are no reading; rows outside any date range
    ControlLimits limits;
    ProcessStatistic stat;
    RuleEvaluation rules; // evaluated with "Show Zones" only
};

// Plots the main window's chart for the selection: the subgroups of gSampleSize readings (or every reading
// for Individual-MR) as points, the limits and their lines, the widened centre axis, and with "Show Zones"
// the rules and their marks; the two listing files of the readings used. Messages go to host.prompt().
VariablesPlotOutcome PlotVariablesChart(
    AppState& state, ChartModel& chart, const data::PlotSelection& selection, data::PlotHost& host);

// The plot's specification limits from the panel texts (999 and -999 where none); a reversed pair is
// reported and exchanged.
void PlotLimits(const data::PlotSelection& s, Prompt& prompt, double& usl, double& lsl);
// What the limits are computed from: the selection's chart, the subgroup size and the process figures.
LimitInputs LimitInputsFor(
    const AppState& state, const data::PlotSelection& s, const ProcessStatistic& stat, double usl, double lsl);

inline const QString& kNoIndividualData = kNoDataCollection;

} // namespace moldrin
