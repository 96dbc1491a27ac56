// Keeps a window responsive while the engine prepares a statement's first row.
#pragma once

#include "common/appstate.h"
#include "data/access/connection.h"
#include "data/loader/sampleloader.h"

#include <QElapsedTimer>

#include <memory>

namespace moldrin::data
{

// While the engine prepares the first row (a sort of many rows takes a while) the window is kept
// responsive, and a stop request interrupts the statement. Installed for the lifetime of the object.
class EngineProgress
{
public:
    EngineProgress(AppState& state, PlotHost& host)
        : mConnection(state.gConnection)
    {
        if (!mConnection)
            return;
        mClock.start();
        mConnection->SetProgressCallback([this, &state, &host] {
            if (mClock.elapsed() >= kResponsiveEveryMs) {
                host.KeepResponsive(0);
                mClock.restart();
            }
            return !state.gStopPlot;
        });
    }
    ~EngineProgress()
    {
        if (mConnection)
            mConnection->SetProgressCallback({});
    }
    EngineProgress(const EngineProgress&) = delete;
    EngineProgress& operator=(const EngineProgress&) = delete;

private:
    static constexpr qint64 kResponsiveEveryMs = 50;
    std::shared_ptr<Connection> mConnection;
    QElapsedTimer mClock;
};

} // namespace moldrin::data
