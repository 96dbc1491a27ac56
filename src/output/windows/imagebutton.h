// A small picture button of the chart windows: the label-format and axis-position buttons.
#pragma once

#include <QLabel>

namespace moldrin
{

// Shows sunken (a border) from a press that acts until the left button is released over it; Pressed on
// a left press.
class ImageButton : public QLabel
{
    Q_OBJECT
public:
    explicit ImageButton(QWidget* parent = nullptr); // the glyph and tool tip set afterwards (a .ui file)
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
