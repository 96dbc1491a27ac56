// How the main window's lists behave beyond QComboBox: a handler for every choice, a choice repeated
// included, and whole item texts in a narrow panel.
#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace moldrin
{

// Runs a list's handler on every change of its index, the window's own included, and when the user
// chooses the item already selected (no index changes then) where `again` allows it. A user's change
// emits both currentIndexChanged and activated: the handler runs once.
class ChoiceHandler : public QObject
{
public:
    ChoiceHandler(QComboBox* combo, std::function<void()> handler, std::function<bool()> again = {});

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    QComboBox* mCombo;
    std::function<void()> mHandler;
    std::function<bool()> mAgain;
    bool mHandled = false;
};

// The panel is narrow: an open list is as wide as its widest item, a closed one names its whole item
// in its tool tip.
class WholeItems : public QObject
{
public:
    explicit WholeItems(QComboBox* combo);

protected:
    bool eventFilter(QObject*, QEvent* event) override;

private:
    void Fit();

    QComboBox* mCombo;
};

} // namespace moldrin
