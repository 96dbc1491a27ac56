// The splash window frmTitle, the About window frmAbout, the image buttons of the main window and the
// styled buttons of the windows built in code.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QWidget>

namespace moldrin
{

class LumButton;

// A LumButton with the look the program's windows store for every button: "Font" Arial bold 8.25 point,
// "BorderWidth" 1, "ForeColor" the system window-text colour, and its "Caption".
LumButton* NewProgramButton(const QString& objectName, const QString& caption, QWidget* parent);

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

// A small picture button: pressed look (a border) while the left button holds it, Pressed on a left press.
class ImageButton : public QLabel
{
    Q_OBJECT
public:
    ImageButton(const QString& objectName, const QString& glyph, const QString& toolTip, QWidget* parent);
    void SetPressedLook(bool pressed);
    bool PressedLook() const { return mPressed; }

Q_SIGNALS:
    void Pressed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool mPressed = false;
};

} // namespace moldrin
