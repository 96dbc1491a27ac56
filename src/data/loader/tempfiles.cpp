#include "data/loader/tempfiles.h"

#include "common/dates.h"
#include "common/numberformat.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>

namespace moldrin::data {

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

QString ListingLine(const QString& serial, double value, const NumberFormat& valueFormat, const QString& tester,
                    const QDateTime& start, const QString& dateOrder)
{
    QString line;
    line.reserve(serial.size() + tester.size() + 48);
    if (serial.size() > 15)
    {
        line += QStringView(serial).left(12);
        line += QLatin1String("...");
    }
    else
        line += serial.leftJustified(15, ' ');
    line += QLatin1String("\t\t");
    valueFormat.appendTo(line, value);
    line += u'\t';
    line += tester;
    line += u'\t';
    // dateOrder + "/yyyy hh:mm AM/PM", written digit by digit: this runs once per reading.
    const QDate d = start.date();
    const QTime t = start.time();
    const bool dayFirst = dateOrder == kDateOrderDayFirst;
    const int hour12 = t.hour() % 12 == 0 ? 12 : t.hour() % 12;
    char when[] = "00/00/0000 00:00 AM";
    auto put = [&when](int at, int number, int width) {
        for (int i = at + width - 1; i >= at; --i, number /= 10)
            when[i] = char('0' + number % 10);
    };
    put(0, dayFirst ? d.day() : d.month(), 2);
    put(3, dayFirst ? d.month() : d.day(), 2);
    put(6, std::clamp(d.year(), 0, 9999), 4);
    put(11, hour12, 2);
    put(14, t.minute(), 2);
    if (t.hour() >= 12)
        when[17] = 'P';
    line += QLatin1String(when, sizeof when - 1);
    return line;
}

} // namespace moldrin::data
