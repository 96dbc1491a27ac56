// The one interface through which every message box and file dialog of the program passes.
#pragma once

#include <QList>
#include <QQueue>
#include <QString>

namespace moldrin
{

inline const QString kAppTitle = QStringLiteral("Tolvane SPC Pro");

enum class PromptIcon { None, Information, Exclamation, Question, Critical };
enum class PromptButtons { Ok, OkCancel, YesNo, RetryCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No, Retry };

struct PromptMessage {
    QString text;
    QString title = kAppTitle;
    PromptIcon icon = PromptIcon::Exclamation;
    PromptButtons buttons = PromptButtons::Ok;
};

struct FileDialogRequest {
    QString title;
    QString filter; // classic form "Description|pattern|..."
    QString fileName; // initial name, may hold a folder and a wildcard
    bool save = false;
};

class Prompt
{
public:
    virtual ~Prompt() = default;
    virtual PromptAnswer ask(const PromptMessage& message) = 0;
    // Returns the chosen path, or "" when cancelled.
    virtual QString chooseFile(const FileDialogRequest& request) = 0;

    // Shorthands for the common forms.
    void warn(const QString& text, const QString& title = kAppTitle)
    {
        ask({ text, title, PromptIcon::Exclamation, PromptButtons::Ok });
    }
    void inform(const QString& text, const QString& title = kAppTitle)
    {
        ask({ text, title, PromptIcon::Information, PromptButtons::Ok });
    }
};

inline const QString kOverwriteQuestion = QStringLiteral("Overwrite the existing file?");

// The save dialog of `request`, then, for a file that exists, the overwrite question. The name as given, or ""
// when the user gave none (cancelled, or a name still holding "*") or declined to overwrite.
QString ChooseFileToWrite(Prompt& prompt, const FileDialogRequest& request);

// Records every message and answers from queues: for tests and scripted runs.
class ScriptedPrompt : public Prompt
{
public:
    QList<PromptMessage> messages;
    QList<FileDialogRequest> fileRequests;
    QQueue<PromptAnswer> answers; // used in order; when empty, defaultAnswer()
    QQueue<QString> files; // when empty, "" (cancelled)

    PromptAnswer ask(const PromptMessage& message) override;
    QString chooseFile(const FileDialogRequest& request) override;
    QStringList texts() const;
    void clear()
    {
        messages.clear();
        fileRequests.clear();
    }
    // Ok for Ok boxes, else the negative answer (Cancel or No).
    static PromptAnswer defaultAnswer(PromptButtons buttons);
};

// Writes messages to standard error and answers questions negatively (command-line use).
class StderrPrompt : public Prompt
{
public:
    PromptAnswer ask(const PromptMessage& message) override;
    QString chooseFile(const FileDialogRequest& request) override;
    int count = 0; // messages written
};

} // namespace moldrin
