// The three temporary files of a plot: their folder, names, stale-file clean-up and the listing lines.
#pragma once

#include "common/appstate.h"
#include "common/numberformat.h"
#include "data/access/connection.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <optional>
#include <string>
#include <string_view>

namespace moldrin::data
{

// The folder named by TEMP when it exists, else the system's temporary folder (TMPDIR or /tmp); never
// the current directory, where start-up would delete files of the user's.
QString TempFolder();

// Deletes `~*.spc` files of `folder` not modified today (compared as dateOrder + "/yy"), then
// chooses three distinct names `~` + seven digits + `.spc` into gTempFile1..3.
void PrepareTempFiles(AppState& state, const QDate& today = QDate::currentDate());

// A run's private folder for its temporary files in `parent` (TempFolder()), named prefix + "-" + random
// characters. The run holds a lock on a file in it (kRunFolderLock) while it lives, so a later start can tell a
// dead run's folder from a live one's. Removed with everything in it when the object ends.
inline const QString kRunFolderLock = QStringLiteral(".lock");
class RunFolder
{
public:
    explicit RunFolder(const QString& prefix, const QString& parent = TempFolder());
    ~RunFolder();
    RunFolder(const RunFolder&) = delete;
    RunFolder& operator=(const RunFolder&) = delete;

    bool isValid() const { return mLock >= 0; }
    QString path() const { return mDir.path(); }
    QString filePath(const QString& name) const { return mDir.filePath(name); }

private:
    QTemporaryDir mDir;
    int mLock = -1;
};

// Removes the folders prefix + "-*" of `parent` that dead runs left: nobody holds their lock, or, for a folder
// without one (as older versions made them), nothing in it changed for a day. A folder younger than a minute
// is left, as its run may be taking its lock just now. Returns how many were removed.
int RemoveDeadRunFolders(
    const QString& prefix, const QString& parent = TempFolder(), const QDateTime& now = QDateTime::currentDateTime());

// First line of the reading listing.
QString ListingHeading(const QString& parameterItem);
// Text of plain ASCII characters only: each byte is one character, in UTF-8 and in UTF-16 alike.
bool IsAscii(std::string_view text);
// One reading's line, appended in UTF-8 (the listing files' encoding): serial padded to 15 characters (a
// longer one cut to 12 + "..."), two tabs, the value in `valueFormat`, tab, tester, tab, start time as
// dateOrder + "/yyyy hh:mm AM/PM" (nothing for a reading without one). Runs once per reading: no
// allocation beyond the growth of `out`.
void AppendListingLine(std::string& out, std::string_view serial, double value, const NumberFormat& valueFormat,
    std::string_view tester, const std::optional<WallTime>& start, bool dayFirst);

} // namespace moldrin::data
