// The application-wide pointer held for a scope: the hourglass while a window connects or plots.
#pragma once

#include <QCursor>
#include <QGuiApplication>

#include <optional>

namespace moldrin
{

// Sets an override pointer and restores the previous one on every way out of the scope. For window
// code only (it needs Qt GUI); nested guards stack.
class ScopedOverrideCursor
{
public:
    explicit ScopedOverrideCursor(Qt::CursorShape shape) { QGuiApplication::setOverrideCursor(QCursor(shape)); }
    ~ScopedOverrideCursor() { QGuiApplication::restoreOverrideCursor(); }
    ScopedOverrideCursor(const ScopedOverrideCursor&) = delete;
    ScopedOverrideCursor& operator=(const ScopedOverrideCursor&) = delete;

    // Changes the pointer this guard set (while no later guard is active).
    void change(Qt::CursorShape shape) { QGuiApplication::changeOverrideCursor(QCursor(shape)); }
};

// The pointer of a long read for a scope: the hourglass while the statement runs, the busy arrow once rows
// arrive (the window answers then: its Stop button can be clicked).
class ReadingCursor
{
public:
    // Called with the rows read so far (0 while the statement runs).
    void Progress(long rowsRead)
    {
        if (rowsRead > 0 && !mReading) {
            mReading = true;
            mBusy.change(Qt::BusyCursor);
        }
    }

private:
    ScopedOverrideCursor mBusy { Qt::WaitCursor };
    bool mReading = false;
};

// The normal pointer for a scope in which the user is asked something, when a busy pointer is showing.
class NormalCursorWhileAsking
{
public:
    NormalCursorWhileAsking()
    {
        if (QGuiApplication::overrideCursor())
            mNormal.emplace(Qt::ArrowCursor);
    }

private:
    std::optional<ScopedOverrideCursor> mNormal;
};

} // namespace moldrin
