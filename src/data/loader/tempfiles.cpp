#include "data/loader/tempfiles.h"

#include "common/dates.h"
#include "common/numberformat.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

namespace moldrin::data {

QString TempFolder()
{
    const QString temp = QString::fromLocal8Bit(qgetenv("TEMP"));
    if (!temp.isEmpty() && QFileInfo(temp).isDir())
        return QDir(temp).absolutePath();
    return QDir::currentPath();
}

void PrepareTempFiles(AppState& state, const QDate& today)
{
    const QString folder = TempFolder();
    const QString dayFormat = state.gDateOrder + QStringLiteral("/yy");
    const QString todayText = FormatDate(today, dayFormat);
    const QDir dir(folder);
    const QFileInfoList stale = dir.entryInfoList({QStringLiteral("~*.spc")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& f : stale) {
        if (FormatDate(f.lastModified().date(), dayFormat) != todayText)
            QFile::remove(f.absoluteFilePath()); // failures are ignored
    }
    // Three distinct names: equal names would write two listings into one file.
    QStringList names;
    while (names.size() < 3) {
        const double r = QRandomGenerator::global()->generateDouble();
        const QString name = dir.filePath(QStringLiteral("~") + FormatNumber(r * 1e7, QStringLiteral("0000000"))
                                          + QStringLiteral(".spc"));
        if (!names.contains(name))
            names << name;
    }
    state.gTempFile1 = names[0];
    state.gTempFile2 = names[1];
    state.gTempFile3 = names[2];
}

QString ListingHeading(const QString& parameterItem)
{
    return QStringLiteral("S/N\t") + parameterItem + QStringLiteral("\tATE ID\tDate");
}

QString ListingLine(const QString& serial, double value, const QString& valueFormat, const QString& tester,
                    const QDateTime& start, const QString& dateOrder)
{
    const QString sn = serial.size() > 15 ? serial.left(12) + QStringLiteral("...") : serial.leftJustified(15, ' ');
    // dateOrder + "/yyyy hh:mm AM/PM", written directly: this runs once per reading.
    const QDate d = start.date();
    const QTime t = start.time();
    const bool dayFirst = dateOrder == kDateOrderDayFirst;
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    char when[40];
    std::snprintf(when, sizeof when, "%02d/%02d/%04d %02d:%02d %s", dayFirst ? d.day() : d.month(),
                  dayFirst ? d.month() : d.day(), d.year(), hour12, t.minute(), t.hour() < 12 ? "AM" : "PM");
    return sn + QStringLiteral("\t\t") + FormatNumber(value, valueFormat) + '\t' + tester + '\t'
        + QLatin1String(when);
}

} // namespace moldrin::data
