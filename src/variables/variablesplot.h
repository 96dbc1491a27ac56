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

#include <QDate>
#include <QString>

#include <optional>

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
    QDate first, last; // the dates of the first and last reading plotted (invalid when none has one)
};

// Plots the main window's chart for the selection: the subgroups of gSampleSize readings (or every reading
// for Individual-MR) as points, the limits and their lines, the widened centre axis, and with "Show Zones"
// the rules and their marks; the two listing files of the readings used. Messages go to host.prompt().
// With `held` the lines, zones, rules and capability are those of the held limits.
VariablesPlotOutcome PlotVariablesChart(AppState& state, ChartModel& chart, const data::PlotSelection& selection,
    data::PlotHost& host, const std::optional<HeldLimits>& held = std::nullopt);

inline const QString& kNoIndividualData = kNoDataCollection;

} // namespace moldrin
