// The PlotHost of the plot tests: messages recorded by a scripted prompt, the resets and the progress reports
// counted; a reset or a progress report can stop the plot.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/loader/plotfunction.h"

#include <QList>

namespace moldrin::test
{

class RecordingHost : public data::PlotHost
{
public:
    ScriptedPrompt scripted;
    int resets = 0;
    QList<long> progress; // the counts of the readings read, as the loader reported them
    AppState* state = nullptr; // the state whose gStopPlot a stop sets
    bool stopOnReset = false;
    bool stopOnResponsive = false;

    Prompt& prompt() override { return scripted; }
    void ChartReset() override
    {
        ++resets;
        if (stopOnReset && state)
            state->gStopPlot = true;
    }
    void KeepResponsive(long recordsRead) override
    {
        progress << recordsRead;
        if (stopOnResponsive && state)
            state->gStopPlot = true;
    }
};

} // namespace moldrin::test
