// What the plot functions of the chart kinds share: the selection's tester filter and range text, and the
// title line, with the convention every plot function follows.
#pragma once

#include "common/appstate.h"
#include "data/loader/sampleloader.h"

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
// need (rows read, panel texts, figures, the rule evaluation). Messages go to host.prompt(); the function
// never shows a widget. The window adds only the wiring: its own inputs, the panel labels, the timer.

// The host of a plot without a panel to switch (chart windows, moldrin-report): messages to the prompt.
class PromptHost : public PlotHost
{
public:
    explicit PromptHost(Prompt& prompt)
        : mPrompt(prompt)
    {
    }
    Prompt& prompt() override { return mPrompt; }
    void SetPanelEnabled(bool) override { }

private:
    Prompt& mPrompt;
};

// The tester the statements filter on: the selection's tester, "" for "" and "<All>".
QString TesterFilter(const PlotSelection& selection);

// The second title line of a chart window: the product followed by the range text (RangeTitleLine).
QString ChartTitleLine(const AppState& state, const PlotSelection& selection);

} // namespace moldrin::data
