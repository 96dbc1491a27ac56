// Writing a file whole or not at all, through QSaveFile with its flush checked before the rename.
#include "common/savefile.h"

#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>

namespace moldrin
{

namespace
{

bool IsSpecialFile(const QString& path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

QString FailureText(const QFileDevice& file)
{
    return file.errorString().isEmpty() ? QStringLiteral("write error") : file.errorString();
}

QString WriteDirectly(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FailureText(file);
    if (!write(file) || !file.flush())
        return FailureText(file);
    file.close();
    return file.error() == QFileDevice::NoError ? QString() : FailureText(file);
}

} // namespace

QString SaveFileAtomically(const QString& path, const std::function<bool(QIODevice&)>& write)
{
    if (IsSpecialFile(path))
        return WriteDirectly(path, write);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return FailureText(file);
    // QSaveFile renames even when only the buffered bytes failed at the close: the flush is checked first.
    if (!write(file) || !file.flush() || file.error() != QFileDevice::NoError) {
        const QString error = FailureText(file);
        file.cancelWriting();
        return error;
    }
    return file.commit() ? QString() : FailureText(file);
}

} // namespace moldrin
