// CommandButton: a LumButton loaded from the program's stored button properties.
#include "buttonctl/commandbutton.h"

namespace moldrin
{

namespace
{

PropertyBag StoredLook(const QString& caption)
{
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    PropertyBag stored;
    stored.Write(QStringLiteral("Font"), font);
    stored.Write(QStringLiteral("Caption"), caption);
    stored.Write(QStringLiteral("BorderWidth"), 1);
    stored.Write(QStringLiteral("ForeColor"), LumButton::kWindowTextColor);
    return stored;
}

} // namespace

CommandButton::CommandButton(QWidget* parent)
    : CommandButton(QString(), kDefaultCaption, parent)
{
}

CommandButton::CommandButton(const QString& objectName, const QString& caption, QWidget* parent)
    : LumButton(parent)
{
    setObjectName(objectName);
    ReadProperties(StoredLook(caption));
}

} // namespace moldrin
