// The splash window frmTitle, the About window frmAbout, the styled buttons of the windows built in code,
// and the image buttons the main window shares with the chart windows.
#pragma once

#include "output/windows/imagebutton.h"

#include <QDialog>
#include <QWidget>

namespace moldrin
{

// Splash shown at start-up and at exit.
class frmTitle : public QWidget
{
    Q_OBJECT
public:
    explicit frmTitle(QWidget* parent = nullptr);
    // Shows the window without waiting and keeps the event loop turning for `passes` passes.
    void ShowFor(int passes);
};

class frmAbout : public QDialog
{
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);
};

} // namespace moldrin
