// Date order of the system, and dates in the classic format-text notation ("DD/MMM/yyyy", ...).
#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

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

// Reads a date (and optional "hh:mm[:ss]" with optional AM/PM) written day/month/year or
// month/day/year (by `dateOrder`), the month as a number or a name of `locale` or English;
// also ISO "yyyy-mm-dd[ hh:mm:ss]". Invalid result when the text is no such date.
QDateTime ParseDateTimeText(const QString& text, const QString& dateOrder, const QLocale& locale = QLocale());

} // namespace moldrin
