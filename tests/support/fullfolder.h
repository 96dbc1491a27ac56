// A folder where writing fails for want of room, for the full-disk cases: a small tmpfs mounted for the test
// when it runs as root, else a folder that is made read-only.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace moldrin::test
{

class FullFolder
{
public:
    FullFolder()
    {
        if (::geteuid() != 0)
            return;
        if (::mount("tmpfs", QFile::encodeName(path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=256k") == 0)
            mMounted = true;
        else
            mProblem = QStringLiteral("cannot mount a tmpfs: ") + QString::fromLocal8Bit(std::strerror(errno));
    }
    ~FullFolder()
    {
        if (mMounted)
            ::umount2(QFile::encodeName(path()).constData(), MNT_DETACH);
        else
            QFile::setPermissions(path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    FullFolder(const FullFolder&) = delete;
    FullFolder& operator=(const FullFolder&) = delete;

    // "" when the folder can be filled; else why not (root without the right to mount), to skip the test.
    QString problem() const { return mProblem; }
    bool onTmpfs() const { return mMounted; }
    QString path() const { return mDir.path(); }
    QString filePath(const QString& name) const { return mDir.filePath(name); }

    // From now on writes fail: the tmpfs's room is taken by a filler file (new files can still be made, their
    // bytes cannot be written), or the folder becomes read-only.
    bool Fill()
    {
        if (!mMounted)
            return QFile::setPermissions(path(), QFile::ReadOwner | QFile::ExeOwner);
        const int fd = ::open(QFile::encodeName(filePath(QStringLiteral(".filler"))).constData(),
            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'x');
        while (::write(fd, block.constData(), std::size_t(block.size())) > 0) { }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QTemporaryDir mDir;
    bool mMounted = false;
    QString mProblem;
};

} // namespace moldrin::test
