// The two loaders of the variables chart: read the selection's rows, fill the chart and the listings.
#pragma once

#include "common/appstate.h"
#include "common/nodata.h"
#include "common/prompt.h"
#include "data/access/dataerror.h"
#include "data/config/querybuilder.h"
#include "rules/ruleengine.h"
#include "variables/chartmodel.h"
#include "variables/controllimits.h"

#include <QString>

namespace moldrin::data
{

// What the loaders read of the main window's selection panel.
struct PlotSelection {
    QString product; // selected product entry
    int parameterIndex = 0; // index into the per-parameter tables
    QString parameterItem; // parameter list item
    QString tester; // tester list text ("" or <All>: all)
    QString range; // range list item
    QString serialFilter; // serial number box
    bool passOnly = false;
    bool lastDataOnly = false;
    QString chartType;
    QString uslText, lslText; // mUSLText, mLSLText: a number or "N/A"
    bool showSpec = false;
    bool showZones = false;
    QueryWindowInputs query; // Accept Zero box and Test ID text
};

// The narrow interface through which a loader reaches the window it plots for.
class PlotHost
{
public:
    virtual ~PlotHost() = default;
    virtual Prompt& prompt() = 0;
    virtual void SetPanelEnabled(bool enable) = 0;
    // Called before any point is added; the chart model is reset by the loader itself.
    virtual void ChartReset() { }
    // Called while the engine prepares the statement (recordsRead 0) and every few thousand readings, so a
    // window can repaint, show the readings read so far and see a Stop Plot click.
    virtual void KeepResponsive(long /*recordsRead*/) { }
};

struct PlotOutcome {
    long records = 0; // rows read: all of the statement's rows unless the plot was stopped
    long pointCount = 0; // subgroups (or readings) plotted
    bool plotted = false; // limits were drawn
    bool stopped = false; // ended by gStopPlot
    ControlLimits limits;
    ProcessStatistic stat;
    RuleEvaluation rules;
};

// The statement GetSQL gives for the selection with the caller's sort list and chart kind ("" for the main
// chart): the selected parameter's column, the trimmed range, the tester ("" for <All>), the serial filter in
// capitals, the pass condition and the last-data switch.
QString SelectionSQL(
    const AppState& state, const PlotSelection& selection, const QString& strSortBy, const QString& strChartType = {});
// The subgroup loader's message for a statement that failed: the configuration names a column or
// table the source lacks, or another failure.
void WarnReadError(Prompt& prompt, const DataError& error);

PlotOutcome PlotSubgroupChart(AppState& state, ChartModel& chart, const PlotSelection& selection, PlotHost& host);
PlotOutcome PlotIndividualChart(AppState& state, ChartModel& chart, const PlotSelection& selection, PlotHost& host);
// Runs the loader the chart type needs.
PlotOutcome PlotChart(AppState& state, ChartModel& chart, const PlotSelection& selection, PlotHost& host);

inline const QString kNoSubgroupData
    = QStringLiteral("There is no data collection for this selected range of filter condition! or -\n"
                     "if you have tried using sample data, plesase check its inside what valid data range. ");
inline const QString& kNoIndividualData = kNoDataCollection;

} // namespace moldrin::data
