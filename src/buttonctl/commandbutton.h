// CommandButton: the program's command button, one look for every window.
#pragma once

#include "buttonctl/lumbutton.h"

namespace moldrin
{

// A LumButton with the properties every window of the program stores for its buttons: "Font" Arial bold
// 8.25 point, "BorderWidth" 1, "ForeColor" the system window-text colour; the caption as given (a .ui file
// sets it after construction).
class CommandButton : public LumButton
{
    Q_OBJECT
public:
    explicit CommandButton(QWidget* parent = nullptr);
    CommandButton(const QString& objectName, const QString& caption, QWidget* parent);
};

} // namespace moldrin
