// moldrin-report's listing folder: made per run, removed at its end, by a signal's handler, or at a later start.
#include "cli/runfolder.h"

#include <QDir>
#include <QFile>

#include <atomic>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace moldrin::cli
{

namespace
{

const QString kFolderPrefix = QStringLiteral("moldrin-report");

// The live folder as the signal handler reads it: a handler may only use what is set before it runs.
char gFolderPath[4096];
volatile std::sig_atomic_t gFolderSet = 0;

// Removes the files of `path` and the folder with calls a signal handler may make.
void RemoveFolderNow(const char* path)
{
    const int dir = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;
    alignas(dirent64) char buffer[4096];
    for (int pass = 0; pass < 4; ++pass) {
        ::lseek(dir, 0, SEEK_SET);
        bool any = false;
        for (ssize_t n; (n = ::getdents64(dir, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* entry = reinterpret_cast<const dirent64*>(buffer + at);
                at += entry->d_reclen;
                if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
                    ::unlinkat(dir, entry->d_name, 0);
                    any = true;
                }
            }
        }
        if (!any)
            break;
    }
    ::close(dir);
    ::rmdir(path);
}

extern "C" void EndRunOnSignal(int signal)
{
    if (gFolderSet)
        RemoveFolderNow(gFolderPath);
    // The handler was reset to the default on entry: the signal ends the run once this returns.
    ::raise(signal);
}

} // namespace

void PrepareRun()
{
    data::RemoveDeadRunFolders(kFolderPrefix);
    std::signal(SIGPIPE, SIG_IGN);
    struct sigaction action = {};
    action.sa_handler = EndRunOnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        ::sigaction(signal, &action, nullptr);
}

ListingFolder::ListingFolder(AppState& state)
    : mFolder(kFolderPrefix)
{
    // Where no private folder could be made (the temporary folder read-only or full), the names lie in the
    // temporary folder itself, so that the listing's failure names it and the chart is still drawn.
    const QDir dir(mFolder.isValid() ? mFolder.path() : data::TempFolder());
    state.gTempFile1 = dir.filePath(QStringLiteral("readings.spc"));
    state.gTempFile2 = dir.filePath(QStringLiteral("values.spc"));
    state.gTempFile3 = dir.filePath(QStringLiteral("cells.spc"));
    if (!mFolder.isValid())
        return;
    const QByteArray path = QFile::encodeName(mFolder.path());
    if (std::size_t(path.size()) < sizeof gFolderPath) {
        std::memcpy(gFolderPath, path.constData(), std::size_t(path.size()) + 1);
        std::atomic_signal_fence(std::memory_order_seq_cst);
        gFolderSet = 1;
    }
}

ListingFolder::~ListingFolder()
{
    gFolderSet = 0;
}

} // namespace moldrin::cli
