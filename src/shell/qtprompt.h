// The prompt interface on screen: message boxes and the file dialog.
#pragma once

#include "common/prompt.h"

#include <QString>

class QWidget;

namespace moldrin
{

class QtPrompt : public Prompt
{
public:
    explicit QtPrompt(QWidget* parent = nullptr)
        : mParent(parent)
    {
    }
    void setParent(QWidget* parent) { mParent = parent; }

    PromptAnswer ask(const PromptMessage& message) override;
    QString chooseFile(const FileDialogRequest& request) override;

    // The classic filter "Name|pattern|Name|pattern" in the Qt form "Name (pattern);;Name (pattern)"; a name
    // that already ends with its patterns in brackets is kept as it is.
    static QString QtFilter(const QString& classicFilter);

private:
    QWidget* mParent;
};

} // namespace moldrin
