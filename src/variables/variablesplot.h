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
#include "variables/subgroupquery.h"

#include <QDate>
#include <QList>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace moldrin
{

// Where the limits come from: the plotted points' own, a held baseline, or each stage's own points.
struct LimitChoice {
    std::optional<HeldLimits> held; // takes the place of stages
    QList<QDate> stages; // stage start dates, ascending; none: the chart is one stage
};

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
    std::vector<StageLimits> stages; // with stage dates: every stage's limits; `limits` is the last one's
    // With gServerSide: the engine's statements when it formed the subgroups (the raw data window reads a
    // subgroup's readings with them; no listing is written), else why the readings were read here.
    std::shared_ptr<const SubgroupQuery> engine;
    QString note;
};

// Plots the main window's chart for the selection: the subgroups of gSampleSize readings (or every reading
// for Individual-MR) as points, the limits and their lines, the widened centre axis, and with "Show Zones"
// the rules and their marks; the two listing files of the readings used. Messages go to host.prompt().
// With gServerSide the engine forms the subgroups and the chart, figures and messages are the same, without
// the listings; where it cannot form them as they are formed here, the readings are read (`note` says why).
// With held limits the lines, zones, rules and capability are theirs. With stage dates a point belongs to the
// stage its first reading's date falls in; each stage gets the limits, lines and rules of its own points.
VariablesPlotOutcome PlotVariablesChart(AppState& state, ChartModel& chart, const data::PlotSelection& selection,
    data::PlotHost& host, const LimitChoice& choice = {});

// The plot's specification limits from the panel texts (999 and -999 where none); a reversed pair is
// reported and exchanged.
void PlotLimits(const data::PlotSelection& s, Prompt& prompt, double& usl, double& lsl);
// What the limits are computed from: the selection's chart, the subgroup size, the process figures and the
// limits held, if any.
LimitInputs LimitInputsFor(const AppState& state, const data::PlotSelection& s, const ProcessStatistic& stat,
    double usl, double lsl, const std::optional<HeldLimits>& held = std::nullopt);

// The engine's statements for the selection's subgroups (readings for Individual-MR) on gConnection.
SubgroupQuery EngineQuery(const AppState& state, const data::PlotSelection& selection);

// The listing lines of the readings behind the point at index `point` of a chart the engine formed (its
// subgroup's readings; the one reading for Individual-MR), read from the engine now, as the listing of every
// reading shows them.
data::Status EngineReadingLines(
    const AppState& state, const SubgroupQuery& query, bool individual, int point, QStringList& lines);

// The plot's status line: what was skipped, and why the engine did not form the subgroups where asked to.
QString PlotOutcomeText(const VariablesPlotOutcome& outcome);

inline const QString& kNoIndividualData = kNoDataCollection;

} // namespace moldrin
