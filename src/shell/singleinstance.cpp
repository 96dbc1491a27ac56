// The previous-instance test: one lock file per user in the runtime folder.
#include "shell/singleinstance.h"

#include <QDir>
#include <QStandardPaths>

namespace moldrin
{

SingleInstanceLock::SingleInstanceLock(const QString& lockPath)
    : mPath(lockPath.isEmpty() ? defaultPath() : lockPath)
    , mLock(std::make_unique<QLockFile>(mPath))
{
    // A running copy never refreshes the lock, so it must not be judged stale by its age.
    mLock->setStaleLockTime(0);
}

QString SingleInstanceLock::defaultPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return QDir(folder).filePath(QStringLiteral("moldrin.lock"));
}

bool SingleInstanceLock::acquire()
{
    if (!mHeld)
        mHeld = mLock->tryLock(0);
    return mHeld;
}

} // namespace moldrin
