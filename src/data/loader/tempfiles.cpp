#include "data/loader/tempfiles.h"

#include "common/dates.h"
#include "common/numberformat.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace moldrin::data
{

QString TempFolder()
{
    const QString temp = QString::fromLocal8Bit(qgetenv("TEMP"));
    if (!temp.isEmpty() && QFileInfo(temp).isDir())
        return QDir(temp).absolutePath();
    return QDir(QDir::tempPath()).absolutePath();
}

void PrepareTempFiles(AppState& state, const QDate& today)
{
    const QString folder = TempFolder();
    const QString dayFormat = state.gDateOrder + QStringLiteral("/yy");
    const QString todayText = FormatDate(today, dayFormat);
    const QDir dir(folder);
    const QFileInfoList stale = dir.entryInfoList({ QStringLiteral("~*.spc") }, QDir::Files | QDir::Hidden);
    for (const QFileInfo& f : stale) {
        if (FormatDate(f.lastModified().date(), dayFormat) != todayText)
            QFile::remove(f.absoluteFilePath()); // failures are ignored
    }
    // Three distinct names: equal names would write two listings into one file.
    QStringList names;
    while (names.size() < 3) {
        const double r = QRandomGenerator::global()->generateDouble();
        const QString name = dir.filePath(
            QStringLiteral("~") + FormatNumber(r * 1e7, QStringLiteral("0000000")) + QStringLiteral(".spc"));
        if (!names.contains(name))
            names << name;
    }
    state.gTempFile1 = names[0];
    state.gTempFile2 = names[1];
    state.gTempFile3 = names[2];
}

namespace
{

// Opens the folder's lock file (made when `create`); -1 when there is none.
int OpenLock(const QString& folder, bool create)
{
    const QByteArray path = QFile::encodeName(QDir(folder).filePath(kRunFolderLock));
    return create ? ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)
                  : ::open(path.constData(), O_RDWR | O_CLOEXEC);
}

} // namespace

RunFolder::RunFolder(const QString& prefix, const QString& parent)
    : mDir(QDir(parent).filePath(prefix + QStringLiteral("-XXXXXX")))
{
    if (!mDir.isValid())
        return;
    mLock = OpenLock(mDir.path(), true);
    if (mLock >= 0 && ::flock(mLock, LOCK_EX | LOCK_NB) != 0) {
        ::close(mLock);
        mLock = -1;
    }
}

RunFolder::~RunFolder()
{
    if (mLock >= 0)
        ::close(mLock);
}

int RemoveDeadRunFolders(const QString& prefix, const QString& parent, const QDateTime& now)
{
    int removed = 0;
    const QFileInfoList folders
        = QDir(parent).entryInfoList({ prefix + QStringLiteral("-*") }, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& f : folders) {
        if (f.isSymLink() || f.lastModified().secsTo(now) < 60)
            continue;
        const int lock = OpenLock(f.absoluteFilePath(), false);
        const bool dead = lock >= 0 ? ::flock(lock, LOCK_EX | LOCK_NB) == 0 : f.lastModified().secsTo(now) >= 24 * 3600;
        if (dead && QDir(f.absoluteFilePath()).removeRecursively())
            ++removed;
        if (lock >= 0)
            ::close(lock);
    }
    return removed;
}

QString ListingHeading(const QString& parameterItem)
{
    return QStringLiteral("S/N\t") + parameterItem + QStringLiteral("\tATE ID\tDate");
}

bool IsAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void AppendListingLine(std::string& out, std::string_view serial, double value, const NumberFormat& valueFormat,
    std::string_view tester, const std::optional<WallTime>& start, bool dayFirst)
{
    if (!IsAscii(serial)) {
        // Characters counted as the classic string functions count them (UTF-16 units).
        const QString s = QString::fromUtf8(serial.data(), qsizetype(serial.size()));
        out += (s.size() > 15 ? s.left(12) + QLatin1String("...") : s.leftJustified(15, u' ')).toStdString();
    } else if (serial.size() > 15) {
        out.append(serial.substr(0, 12));
        out += "...";
    } else {
        out.append(serial);
        out.append(15 - serial.size(), ' ');
    }
    out += "\t\t";
    valueFormat.appendTo(out, value);
    out += '\t';
    out.append(tester);
    out += '\t';
    if (!start)
        return;
    // dateOrder + "/yyyy hh:mm AM/PM", written digit by digit.
    const WallTime& t = *start;
    const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
    char when[] = "00/00/0000 00:00 AM";
    auto put = [&when](int at, int number, int width) {
        for (int i = at + width - 1; i >= at; --i, number /= 10)
            when[i] = char('0' + number % 10);
    };
    put(0, dayFirst ? t.day : t.month, 2);
    put(3, dayFirst ? t.month : t.day, 2);
    put(6, std::clamp(t.year, 0, 9999), 4);
    put(11, hour12, 2);
    put(14, t.minute, 2);
    if (t.hour >= 12)
        when[17] = 'P';
    out.append(when, sizeof when - 1);
}

} // namespace moldrin::data
