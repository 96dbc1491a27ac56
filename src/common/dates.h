// Date order of the system, and dates in the classic format-text notation ("DD/MMM/yyyy", ...).
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>
#include <string_view>

namespace moldrin
{

inline const QString kDateOrderMonthFirst = QStringLiteral("MM/DD");
inline const QString kDateOrderDayFirst = QStringLiteral("DD/MM");

// "MM/DD" when the locale's short date of 31 December 2000 begins with "12", else "DD/MM".
QString DetectDateOrder(const QLocale& locale = QLocale::system());

// Formats with the tokens d dd ddd dddd, m mm mmm mmmm (minutes after h or before s), yy yyyy,
// h hh, n nn, s ss, AM/PM am/pm A/P (tokens in either case); other characters are copied.
// Month and day names come from `locale`.
QString FormatDateTime(const QDateTime& when, const QString& format, const QLocale& locale = QLocale());
inline QString FormatDate(const QDate& day, const QString& format, const QLocale& locale = QLocale())
{
    return FormatDateTime(QDateTime(day, QTime(0, 0)), format, locale);
}

// The date value 0 of the classic date type: 30 December 1899. An invalid QDate stands for it.
inline QDate DateZero()
{
    return QDate(1899, 12, 30);
}
inline QDate DateOrZero(const QDate& d)
{
    return d.isValid() ? d : DateZero();
}

// "DD/MMM/yyyy" ("MMM/DD/yyyy" for "MM/DD") as used for today's date in the range texts.
QString ShortDateFormat(const QString& dateOrder);

// The month (1 to 12) a month name stands for, in any letter case: a name of `locale` first, then an
// English one, then a name that means one month only in any locale ("déc.", "Dez.", "12月"); 0 for none.
int MonthOfName(const QString& name, const QLocale& locale = QLocale());

// A date written as text, as read by ReadDateText.
struct WrittenDate {
    QDate day;
    QTime time;
    bool hasTime = false;
    bool monthFirst = false; // written month/day/year
};

// The forms a date may take: `Literal` as the query builder writes it into a statement (day, month and
// four-digit year parted by '/', "hh:mm[:ss]"), `Entered` as a person or a stored setting writes it ('/',
// '.' or '-' between the parts, a two-digit year, AM/PM after the time). Both read ISO "yyyy-mm-dd[ hh:mm[:ss]]"
// ('T' in place of the blank as well).
enum class DateForm { Literal, Entered };

// The one reader of written dates: day and month in `dateOrder` when both are numbers, else the month is
// the part that is a name (MonthOfName). Nothing when the text is no such date.
std::optional<WrittenDate> ReadDateText(
    const QString& text, const QString& dateOrder, DateForm form, const QLocale& locale = QLocale());

// ReadDateText of an entered date as a date and time; invalid when the text is no such date.
QDateTime ParseDateTimeText(const QString& text, const QString& dateOrder, const QLocale& locale = QLocale());

// Dates read from a data source are wall-clock times as the source stores them. They are carried with the
// UTC time spec so that no time-zone rule applies: no daylight-saving gap shifts a stored time, and no zone
// data is consulted.
QDateTime WallClock(QDate day, QTime time);
// A wall-clock time by its parts, as stored: no calendar or time-zone work for each value read.
struct WallTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
    QDateTime toDateTime() const
    {
        return WallClock(QDate(year, month, day), QTime(hour, minute, second, millisecond));
    }
};

// Stored stamps: "yyyy-MM-dd", "yyyy-MM-dd HH:mm", "yyyy-MM-dd HH:mm:ss" or that with a fraction of a
// second, 'T' in place of the blank as well, as a wall-clock date; nothing for any other text or an
// invalid date. Years 1 to 9999.
std::optional<QDateTime> ParseIsoDateTime(QStringView text);
std::optional<WallTime> ParseIsoWallTime(std::string_view text);

// The one writer of stamps as engines store them: "yyyy-MM-dd", and "yyyy-MM-dd HH:mm:ss".
QString IsoDateText(const QDate& day);
QString IsoDateTimeText(const QDate& day, const QTime& time);

} // namespace moldrin
