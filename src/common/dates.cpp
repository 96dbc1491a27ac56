// Dates: the system's date order, the classic format notation, and the one reader and writer of date texts.
#include "common/dates.h"

#include <QHash>
#include <QRegularExpression>

#include <algorithm>

namespace moldrin
{

QString DetectDateOrder(const QLocale& locale)
{
    const QString s = locale.toString(QDate(2000, 12, 31), QLocale::ShortFormat);
    return s.startsWith(QLatin1String("12")) ? kDateOrderMonthFirst : kDateOrderDayFirst;
}

QString ShortDateFormat(const QString& dateOrder)
{
    return dateOrder == kDateOrderDayFirst ? QStringLiteral("DD/MMM/yyyy") : QStringLiteral("MMM/DD/yyyy");
}

namespace
{

int RunLength(const QString& f, int i, QChar c)
{
    int n = 0;
    while (i + n < f.size() && f[i + n].toLower() == c)
        ++n;
    return n;
}

bool StartsWithCi(const QString& f, int i, const char* token)
{
    return f.mid(i, static_cast<int>(qstrlen(token))).compare(QLatin1String(token), Qt::CaseInsensitive) == 0;
}

} // namespace

QString FormatDateTime(const QDateTime& when, const QString& f, const QLocale& locale)
{
    const QDate d = when.date();
    const QTime t = when.time();
    const bool twelveHour = f.contains(QLatin1String("AM/PM"), Qt::CaseInsensitive)
        || f.contains(QLatin1String("A/P"), Qt::CaseInsensitive);
    QString out;
    bool afterHour = false;
    for (int i = 0; i < f.size();) {
        const QChar c = f[i].toLower();
        if (StartsWithCi(f, i, "am/pm")) {
            const bool upper = f[i].isUpper();
            QString s = t.hour() < 12 ? QStringLiteral("am") : QStringLiteral("pm");
            out += upper ? s.toUpper() : s;
            i += 5;
            continue;
        }
        if (StartsWithCi(f, i, "a/p")) {
            const bool upper = f[i].isUpper();
            QString s = t.hour() < 12 ? QStringLiteral("a") : QStringLiteral("p");
            out += upper ? s.toUpper() : s;
            i += 3;
            continue;
        }
        const int n = (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's') ? RunLength(f, i, c) : 0;
        if (c == 'd' && n > 0) {
            if (n >= 4)
                out += locale.dayName(d.dayOfWeek(), QLocale::LongFormat);
            else if (n == 3)
                out += locale.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += n == 2 ? QStringLiteral("%1").arg(d.day(), 2, 10, QChar('0')) : QString::number(d.day());
        } else if (c == 'm' && n > 0) {
            // minutes when it follows an hour or precedes seconds
            int j = i + n;
            while (j < f.size() && !f[j].isLetter())
                ++j;
            const bool minute = n <= 2 && (afterHour || (j < f.size() && f[j].toLower() == 's'));
            if (minute)
                out += n == 2 ? QStringLiteral("%1").arg(t.minute(), 2, 10, QChar('0')) : QString::number(t.minute());
            else if (n >= 4)
                out += locale.monthName(d.month(), QLocale::LongFormat);
            else if (n == 3)
                out += locale.monthName(d.month(), QLocale::ShortFormat);
            else
                out += n == 2 ? QStringLiteral("%1").arg(d.month(), 2, 10, QChar('0')) : QString::number(d.month());
        } else if (c == 'y' && n > 0) {
            out += n >= 3 ? QStringLiteral("%1").arg(d.year(), 4, 10, QChar('0'))
                          : QStringLiteral("%1").arg(d.year() % 100, 2, 10, QChar('0'));
        } else if (c == 'h' && n > 0) {
            int h = t.hour();
            if (twelveHour) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            out += n >= 2 ? QStringLiteral("%1").arg(h, 2, 10, QChar('0')) : QString::number(h);
        } else if (c == 'n' && n > 0) {
            out += n >= 2 ? QStringLiteral("%1").arg(t.minute(), 2, 10, QChar('0')) : QString::number(t.minute());
        } else if (c == 's' && n > 0) {
            out += n >= 2 ? QStringLiteral("%1").arg(t.second(), 2, 10, QChar('0')) : QString::number(t.second());
        } else {
            out += f[i];
            i += 1;
            continue;
        }
        afterHour = (c == 'h');
        i += n;
    }
    return out;
}

namespace
{

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// "yyyy-MM-dd", then optionally a blank or 'T', "HH:mm", ":ss" and a fraction of a second (kept to the
// millisecond). Years 1 to 9999 of the Gregorian calendar, as QDate takes them from such text.
template <class Text> std::optional<WallTime> ParseIso(const Text& text, qsizetype size)
{
    if (size != 10 && size != 16 && (size < 19 || size == 20 || size > 29))
        return std::nullopt;
    bool ok = true;
    auto digits = [&](qsizetype from, qsizetype count) {
        int v = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const auto c = text[i];
            ok = ok && c >= '0' && c <= '9';
            v = v * 10 + int(c - '0');
        }
        return v;
    };
    WallTime w;
    w.year = digits(0, 4);
    w.month = digits(5, 2);
    w.day = digits(8, 2);
    ok = ok && text[4] == '-' && text[7] == '-';
    if (size > 10) {
        w.hour = digits(11, 2);
        w.minute = digits(14, 2);
        ok = ok && (text[10] == ' ' || text[10] == 'T') && text[13] == ':';
    }
    if (size > 16) {
        w.second = digits(17, 2);
        ok = ok && text[16] == ':';
    }
    if (size > 19) {
        ok = ok && text[19] == '.';
        const qsizetype kept = std::min<qsizetype>(size - 20, 3);
        w.millisecond = digits(20, kept) * (kept == 1 ? 100 : kept == 2 ? 10 : 1);
        digits(20 + kept, size - 20 - kept);
    }
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (!ok || w.year < 1 || w.month < 1 || w.month > 12 || w.day < 1
        || w.day > kDays[w.month - 1] + (w.month == 2 && IsLeapYear(w.year)) || w.hour > 23 || w.minute > 59
        || w.second > 59)
        return std::nullopt;
    return w;
}

const QLocale& English()
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    return english;
}

// Day, month and year as written in `form`; captures 1 and 2 the day and month (either order), 3 the year,
// 4 to 6 the time, 7 AM/PM.
const QRegularExpression& DayMonthYear(DateForm form)
{
    static const QRegularExpression literal(
        QStringLiteral(R"(^([^/]*)/([^/]*)/\s*(\d{4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?)?$)"));
    static const QRegularExpression entered(QStringLiteral(
        R"(^([^\s/.\-]+)[/.\-]([^\s/.\-]+)[/.\-](\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?\s*([AaPp][Mm])?)?$)"));
    return form == DateForm::Literal ? literal : entered;
}

} // namespace

int MonthOfName(const QString& name, const QLocale& locale)
{
    const QString key = name.trimmed().toCaseFolded();
    if (key.isEmpty())
        return 0;
    for (const QLocale& l : { locale, English() }) {
        for (int m = 1; m <= 12; ++m) {
            if (l.monthName(m, QLocale::ShortFormat).toCaseFolded() == key
                || l.monthName(m, QLocale::LongFormat).toCaseFolded() == key)
                return m;
        }
    }
    static const QHash<QString, int> anyLocale = [] {
        QHash<QString, int> table;
        const auto locales = QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
        for (const QLocale& l : locales) {
            for (int m = 1; m <= 12; ++m) {
                for (const auto format : { QLocale::ShortFormat, QLocale::LongFormat }) {
                    const QString k = l.monthName(m, format).toCaseFolded();
                    const auto found = table.constFind(k);
                    table.insert(k, found == table.constEnd() || *found == m ? m : 0); // 0: months differ
                }
            }
        }
        return table;
    }();
    return anyLocale.value(key, 0);
}

std::optional<WrittenDate> ReadDateText(
    const QString& text, const QString& dateOrder, DateForm form, const QLocale& locale)
{
    static const QRegularExpression iso(
        QStringLiteral(R"(^(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?$)"));
    const QString body = text.trimmed();
    WrittenDate d;
    QRegularExpressionMatch m = iso.match(body);
    int hourAt = 4;
    if (m.hasMatch()) {
        d.day = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    } else {
        m = DayMonthYear(form).match(body);
        if (!m.hasMatch())
            return std::nullopt;
        const QString a = m.captured(1).trimmed(), b = m.captured(2).trimmed();
        bool aIsNumber = false, bIsNumber = false;
        const int first = a.toInt(&aIsNumber);
        const int second = b.toInt(&bIsNumber);
        int day = 0, month = 0;
        if (aIsNumber && bIsNumber) {
            d.monthFirst = dateOrder == kDateOrderMonthFirst;
            month = d.monthFirst ? first : second;
            day = d.monthFirst ? second : first;
        } else if (aIsNumber) {
            day = first;
            month = MonthOfName(b, locale);
        } else if (bIsNumber) {
            d.monthFirst = true;
            day = second;
            month = MonthOfName(a, locale);
        }
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 30 ? 2000 : 1900;
        d.day = QDate(year, month, day);
    }
    d.hasTime = !m.captured(hourAt).isEmpty();
    d.time = QTime(0, 0);
    if (d.hasTime) {
        int hour = m.captured(hourAt).toInt();
        const QString ampm = m.lastCapturedIndex() >= 7 ? m.captured(7).toLower() : QString();
        if (!ampm.isEmpty())
            hour = hour % 12 + (ampm == QLatin1String("pm") ? 12 : 0);
        d.time = QTime(hour, m.captured(hourAt + 1).toInt(), m.captured(hourAt + 2).toInt());
    }
    if (!d.day.isValid() || !d.time.isValid())
        return std::nullopt;
    return d;
}

QDateTime ParseDateTimeText(const QString& text, const QString& dateOrder, const QLocale& locale)
{
    const auto d = ReadDateText(text, dateOrder, DateForm::Entered, locale);
    return d ? QDateTime(d->day, d->time) : QDateTime();
}

QDateTime WallClock(QDate day, QTime time)
{
    return QDateTime(day, time, Qt::UTC);
}

std::optional<QDateTime> ParseIsoDateTime(QStringView text)
{
    const auto w = ParseIso(text.utf16(), text.size());
    return w ? std::optional(w->toDateTime()) : std::nullopt;
}

std::optional<WallTime> ParseIsoWallTime(std::string_view text)
{
    return ParseIso(text.data(), qsizetype(text.size()));
}

QString IsoDateText(const QDate& day)
{
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

QString IsoDateTimeText(const QDate& day, const QTime& time)
{
    return IsoDateText(day) + u' ' + time.toString(QStringLiteral("HH:mm:ss"));
}

} // namespace moldrin
