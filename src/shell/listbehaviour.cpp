// The main window's list behaviour: one handler run per choice, whole item texts.
#include "shell/listbehaviour.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

namespace moldrin
{

ChoiceHandler::ChoiceHandler(QComboBox* combo, std::function<void()> handler, std::function<bool()> again)
    : QObject(combo)
    , mCombo(combo)
    , mHandler(std::move(handler))
    , mAgain(std::move(again))
{
    connect(combo, &QComboBox::currentIndexChanged, this, [this] {
        mHandler();
        // Marked after the handler, which may run a modal dialog: the activation that follows a
        // user's change is then known as handled.
        mHandled = true;
    });
    connect(combo, &QComboBox::activated, this, [this](int index) {
        const bool rechosen = !mHandled && index == mCombo->currentIndex();
        mHandled = false;
        if (rechosen && (!mAgain || mAgain()))
            mHandler();
    });
    // A change the window made is followed by no activation: its mark ends where the user's next
    // choice begins (a key or the wheel on the list, or its popup opening).
    combo->installEventFilter(this);
    combo->view()->installEventFilter(this);
}

bool ChoiceHandler::eventFilter(QObject*, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::Wheel || event->type() == QEvent::Show)
        mHandled = false;
    return false;
}

WholeItems::WholeItems(QComboBox* combo)
    : QObject(combo)
    , mCombo(combo)
{
    const QAbstractItemModel* model = combo->model();
    connect(model, &QAbstractItemModel::rowsInserted, this, &WholeItems::Fit);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &WholeItems::Fit);
    connect(model, &QAbstractItemModel::modelReset, this, &WholeItems::Fit);
    combo->installEventFilter(this);
}

bool WholeItems::eventFilter(QObject*, QEvent* event)
{
    // The current item, however it was set (the window fills the lists without running their handlers).
    if (event->type() == QEvent::ToolTip)
        mCombo->setToolTip(mCombo->currentText());
    return false;
}

void WholeItems::Fit()
{
    const QFontMetrics metrics(mCombo->view()->font());
    int widest = 0;
    for (int i = 0; i < mCombo->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(mCombo->itemText(i)));
    const QStyle* style = mCombo->style();
    const int margins = 2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, mCombo) + 6);
    mCombo->view()->setMinimumWidth(widest + margins + style->pixelMetric(QStyle::PM_ScrollBarExtent));
}

} // namespace moldrin
