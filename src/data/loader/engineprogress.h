// Keeps a window responsive while the engine prepares a statement's first row, and lets a stop interrupt it.
#pragma once

#include "common/appstate.h"

#include <QElapsedTimer>

#include <functional>
#include <memory>

namespace moldrin::data
{

class Connection;

// While alive, the connection calls `keepResponsive` about every 50 ms of engine work (a sort of many rows
// takes a while before the first row comes), and a set gStopPlot interrupts the statement.
class EngineProgress
{
public:
    EngineProgress(AppState& state, std::function<void()> keepResponsive);
    ~EngineProgress();
    EngineProgress(const EngineProgress&) = delete;
    EngineProgress& operator=(const EngineProgress&) = delete;

private:
    static constexpr qint64 kResponsiveEveryMs = 50;
    std::shared_ptr<Connection> mConnection;
    std::function<void()> mKeepResponsive;
    QElapsedTimer mClock;
};

} // namespace moldrin::data
