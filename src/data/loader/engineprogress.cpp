// Keeps a window responsive while the engine prepares a statement's first row, and lets a stop interrupt it.
#include "data/loader/engineprogress.h"

#include "data/access/connection.h"

namespace moldrin::data
{

EngineProgress::EngineProgress(AppState& state, std::function<void()> keepResponsive)
    : mConnection(state.gConnection)
    , mKeepResponsive(std::move(keepResponsive))
{
    if (!mConnection)
        return;
    mClock.start();
    mConnection->SetProgressCallback([this, &state] {
        if (mClock.elapsed() >= kResponsiveEveryMs) {
            mKeepResponsive();
            mClock.restart();
        }
        return !state.gStopPlot;
    });
}

EngineProgress::~EngineProgress()
{
    if (mConnection)
        mConnection->SetProgressCallback({});
}

} // namespace moldrin::data
