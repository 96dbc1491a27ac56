#include "prompt.h"

#include <QFileInfo>

#include <cstdio>

namespace moldrin
{

PromptAnswer ScriptedPrompt::defaultAnswer(PromptButtons buttons)
{
    switch (buttons) {
    case PromptButtons::Ok:
        return PromptAnswer::Ok;
    case PromptButtons::OkCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::YesNo:
        return PromptAnswer::No;
    case PromptButtons::RetryCancel:
        return PromptAnswer::Cancel;
    }
    return PromptAnswer::Cancel;
}

PromptAnswer ScriptedPrompt::ask(const PromptMessage& message)
{
    messages.append(message);
    return answers.isEmpty() ? defaultAnswer(message.buttons) : answers.dequeue();
}

QString ScriptedPrompt::chooseFile(const FileDialogRequest& request)
{
    fileRequests.append(request);
    return files.isEmpty() ? QString() : files.dequeue();
}

QStringList ScriptedPrompt::texts() const
{
    QStringList out;
    for (const auto& m : messages)
        out << m.text;
    return out;
}

QString ChooseFileToWrite(Prompt& prompt, const FileDialogRequest& request)
{
    const QString file = prompt.chooseFile(request);
    if (file.isEmpty() || file.contains(QLatin1Char('*')))
        return {};
    if (QFileInfo::exists(file)
        && prompt.ask({ kOverwriteQuestion, kAppTitle, PromptIcon::Exclamation, PromptButtons::YesNo })
            != PromptAnswer::Yes)
        return {};
    return file;
}

PromptAnswer StderrPrompt::ask(const PromptMessage& message)
{
    ++count;
    std::fprintf(stderr, "%s\n", message.text.toLocal8Bit().constData());
    return ScriptedPrompt::defaultAnswer(message.buttons);
}

QString StderrPrompt::chooseFile(const FileDialogRequest&)
{
    return {};
}

} // namespace moldrin
