// Driving windows in QtTest: the windows a test causes to be shown, and a list choice made with the mouse.
#pragma once

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QPointer>
#include <QTest>
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

// Chooses the item `text` in the list's open popup with the mouse, as a user does.
// A left click in the middle of a button, as a user's mouse gives it.
inline void Click(QWidget* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

inline void ChooseWithMouse(QComboBox* combo, const QString& text)
{
    combo->showPopup();
    QAbstractItemView* view = combo->view();
    QVERIFY(view->isVisible());
    const QModelIndex index = view->model()->index(combo->findText(text), combo->modelColumn());
    QVERIFY(index.isValid());
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
    QVERIFY(!view->isVisible());
}

} // namespace moldrin::test
