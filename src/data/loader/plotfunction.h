// What the plot functions of the chart kinds share: the main window's selection, the host a plot reaches
// its window through, the selection's statement, tester filter and title line, with the convention every
// plot function follows.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/dataerror.h"
#include "data/config/querybuilder.h"

#include <QString>

namespace moldrin::data
{

// A chart kind is drawn by one plot function, the same call for its window, for moldrin-report and for
// the tests:
//
//     <Kind>Outcome Plot<Kind>(AppState& state, ChartModel& chart, const PlotSelection& selection,
//                              <the kind's own inputs>, PlotHost& host);
//
// It builds the kind's statement from the selection (the main window's choices) with GetSQL, reads the
// rows on state.gConnection, runs the kind's kernel (plain numbers in, lines, labels, panel texts or a
// failure out), fills the chart model (title lines included) and returns what the window and the report
// need (rows read, panel texts, figures, the rule marks). The kernel's failures reach the window's or the
// report's prompt through host.prompt(); the function never shows a widget. The window adds only the
// wiring: its own inputs, the panel labels, the timer.

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

// The narrow interface through which a plot function reaches the window or report it plots for.
class PlotHost
{
public:
    virtual ~PlotHost() = default;
    virtual Prompt& prompt() = 0;
    // Called before any point is added; the chart model is reset by the plot function itself.
    virtual void ChartReset() { }
    // Called while the engine prepares the statement (recordsRead 0) and every few thousand readings, so a
    // window can repaint, show the readings read so far and see a Stop Plot click.
    virtual void KeepResponsive(long /*recordsRead*/) { }
};

// The host of a plot without anything else to update (chart windows, moldrin-report): messages to the prompt.
class PromptHost : public PlotHost
{
public:
    explicit PromptHost(Prompt& prompt)
        : mPrompt(prompt)
    {
    }
    Prompt& prompt() override { return mPrompt; }

private:
    Prompt& mPrompt;
};

// The statement GetSQL gives for the selection with the caller's sort list and chart kind ("" for the main
// chart): the selected parameter's column, the trimmed range, the tester ("" for <All>), the serial filter in
// capitals, the pass condition and the last-data switch.
QString SelectionSQL(
    const AppState& state, const PlotSelection& selection, const QString& strSortBy, const QString& strChartType = {});
// The subgroup loader's message for a statement that failed: the configuration names a column or
// table the source lacks, or another failure.
void WarnReadError(Prompt& prompt, const DataError& error);

// The subgroup loader's message when no whole subgroup was read (also the screen's).
inline const QString kNoSubgroupData
    = QStringLiteral("There is no data collection for this selected range of filter condition! or -\n"
                     "if you have tried using sample data, plesase check its inside what valid data range. ");

// The tester the statements filter on: the selection's tester, "" for "" and "<All>".
QString TesterFilter(const PlotSelection& selection);

// The second title line of a chart window: the product followed by the range text (RangeTitleLine).
QString ChartTitleLine(const AppState& state, const PlotSelection& selection);

} // namespace moldrin::data
