// ImageButton: a label that acts as a small picture button with a sunken look while pressed.
#include "output/windows/imagebutton.h"

#include <QMouseEvent>

namespace moldrin
{

ImageButton::ImageButton(const QString& objectName, const QString& glyph, const QString& toolTip, QWidget* parent)
    : QLabel(glyph, parent)
{
    setObjectName(objectName);
    setToolTip(toolTip);
    setAlignment(Qt::AlignCenter);
    setFixedSize(26, 22);
    setCursor(Qt::PointingHandCursor);
    SetPressedLook(false);
}

void ImageButton::SetPressedLook(bool pressed)
{
    mPressed = pressed;
    setFrameShape(pressed ? QFrame::Box : QFrame::NoFrame);
}

void ImageButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT Pressed();
}

void ImageButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        SetPressedLook(false);
}

} // namespace moldrin
