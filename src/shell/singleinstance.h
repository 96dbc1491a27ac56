// The previous-instance test: one lock file per user in the runtime folder.
#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

namespace moldrin
{

class SingleInstanceLock
{
public:
    // `lockPath` empty: moldrin.lock in the user's runtime folder (the temp folder when there is none).
    explicit SingleInstanceLock(const QString& lockPath = {});
    // True when this process now holds the lock; false when another live process holds it. A lock left
    // by a process that died is taken over.
    bool acquire();
    bool held() const { return mHeld; }
    QString path() const { return mPath; }
    static QString defaultPath();

private:
    QString mPath;
    std::unique_ptr<QLockFile> mLock;
    bool mHeld = false;
};

} // namespace moldrin
