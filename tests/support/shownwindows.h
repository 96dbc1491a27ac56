// Drives the modal windows a test opens: each one shown is handed to a function on its own event loop.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

#include <functional>

namespace moldrin::test
{

// Counts every window of class Window shown while it lives and hands each to `drive` on the window's own
// event loop (a window can be modal before exec() runs its loop); a window left open is then rejected.
// An unexpected second window is counted and closed too.
template <class Window> class ShownWindows : public QObject
{
public:
    explicit ShownWindows(std::function<void(Window&)> driver = {})
        : drive(std::move(driver))
    {
        qApp->installEventFilter(this);
    }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    int count = 0;
    std::function<void(Window&)> drive;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<Window*>(watched);
        if (window && event->type() == QEvent::Show) {
            ++count;
            QPointer<Window> shown(window);
            QTimer::singleShot(0, window, [this, shown] {
                if (shown && drive)
                    drive(*shown);
                if (shown && shown->isVisible())
                    shown->reject();
            });
        }
        return false;
    }
};

} // namespace moldrin::test
