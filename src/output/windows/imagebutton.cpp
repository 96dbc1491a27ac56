// ImageButton: a label that acts as a small picture button with a sunken look while pressed.
#include "output/windows/imagebutton.h"

#include <QMouseEvent>

namespace moldrin
{

ImageButton::ImageButton(QWidget* parent)
    : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    setFixedSize(26, 22);
    setCursor(Qt::PointingHandCursor);
    SetPressedLook(false);
}

ImageButton::ImageButton(const QString& objectName, const QString& glyph, const QString& toolTip, QWidget* parent)
    : ImageButton(parent)
{
    setObjectName(objectName);
    setText(glyph);
    setToolTip(toolTip);
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
