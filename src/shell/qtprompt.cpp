// The prompt interface on screen: message boxes and the file dialog.
#include "shell/qtprompt.h"

#include "common/overridecursor.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStringList>

namespace moldrin
{

namespace
{

QMessageBox::Icon BoxIcon(PromptIcon icon)
{
    switch (icon) {
    case PromptIcon::Information:
        return QMessageBox::Information;
    case PromptIcon::Exclamation:
        return QMessageBox::Warning;
    case PromptIcon::Question:
        return QMessageBox::Question;
    case PromptIcon::Critical:
        return QMessageBox::Critical;
    case PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

PromptAnswer QtPrompt::ask(const PromptMessage& message)
{
    const NormalCursorWhileAsking normal;
    QMessageBox box(BoxIcon(message.icon), message.title, message.text, QMessageBox::NoButton, mParent);
    switch (message.buttons) {
    case PromptButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case PromptButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case PromptButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case PromptButtons::RetryCancel:
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return PromptAnswer::Ok;
    case QMessageBox::Yes:
        return PromptAnswer::Yes;
    case QMessageBox::No:
        return PromptAnswer::No;
    case QMessageBox::Retry:
        return PromptAnswer::Retry;
    default:
        break;
    }
    // Closing the box is its negative answer.
    return ScriptedPrompt::defaultAnswer(message.buttons);
}

QString QtPrompt::QtFilter(const QString& classicFilter)
{
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // A bare extension (".png") names the files ending in it; Qt would look for a file named ".png".
        for (QString& pattern : patterns)
            if (pattern.startsWith(QLatin1Char('.')))
                pattern.prepend(QLatin1Char('*'));
        const QString bracketed = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        filters << (parts[i].endsWith(bracketed) ? parts[i] : parts[i] + QLatin1Char(' ') + bracketed);
    }
    return filters.join(QStringLiteral(";;"));
}

QString QtPrompt::chooseFile(const FileDialogRequest& request)
{
    const QFileInfo initial(request.fileName);
    const QString start = initial.fileName().contains(QLatin1Char('*')) ? initial.path() : request.fileName;
    const QString filter = QtFilter(request.filter);
    const NormalCursorWhileAsking normal;
    if (!request.save)
        return QFileDialog::getOpenFileName(mParent, request.title, start, filter);
    // The program asks its own overwrite question where one is due.
    return QFileDialog::getSaveFileName(
        mParent, request.title, start, filter, nullptr, QFileDialog::DontConfirmOverwrite);
}

} // namespace moldrin
