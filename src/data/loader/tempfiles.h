// The three temporary files of a plot: their folder, names, stale-file clean-up and the listing lines.
#pragma once

#include "common/appstate.h"
#include "common/numberformat.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

namespace moldrin::data {

// The folder named by TEMP when it exists, else the system's temporary folder (TMPDIR or /tmp); never
// the current directory, where start-up would delete files of the user's.
QString TempFolder();

// Deletes `~*.spc` files of `folder` not modified today (compared as dateOrder + "/yy"), then
// chooses three distinct names `~` + seven digits + `.spc` into gTempFile1..3.
void PrepareTempFiles(AppState& state, const QDate& today = QDate::currentDate());

// First line of the reading listing.
QString ListingHeading(const QString& parameterItem);
// One reading's line: serial padded to 15 (a longer one cut to 12 + "..."), two tabs, the value in
// `valueFormat`, tab, tester, tab, start time as dateOrder + "/yyyy hh:mm AM/PM".
QString ListingLine(const QString& serial, double value, const NumberFormat& valueFormat, const QString& tester,
                    const QDateTime& start, const QString& dateOrder);

} // namespace moldrin::data
