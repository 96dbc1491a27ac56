#include "dates.h"

#include <QRegularExpression>

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

int MonthFromName(const QString& name, const QLocale& locale)
{
    static const QLocale english(QLocale::English, QLocale::UnitedStates);
    for (const QLocale* l : { &locale, &english }) {
        for (int m = 1; m <= 12; ++m) {
            if (name.compare(l->monthName(m, QLocale::ShortFormat), Qt::CaseInsensitive) == 0
                || name.compare(l->monthName(m, QLocale::LongFormat), Qt::CaseInsensitive) == 0)
                return m;
        }
    }
    return 0;
}

} // namespace

QDateTime ParseDateTimeText(const QString& text, const QString& dateOrder, const QLocale& locale)
{
    static const QRegularExpression iso(
        QStringLiteral(R"(^\s*(\d{4})-(\d{1,2})-(\d{1,2})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    static const QRegularExpression dmy(QStringLiteral(
        R"(^\s*([^\s/.\-]+)[/.\-]([^\s/.\-]+)[/.\-](\d{2,4})(?:\s+(\d{1,2}):(\d{2})(?::(\d{2}))?\s*([AaPp][Mm])?)?\s*$)"));
    QDate date;
    QTime time(0, 0);
    QRegularExpressionMatch m = iso.match(text);
    int hourIdx = 4;
    QString ampm;
    if (m.hasMatch()) {
        date = QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    } else {
        m = dmy.match(text);
        if (!m.hasMatch())
            return {};
        QString a = m.captured(1), b = m.captured(2);
        QString dayText = dateOrder == kDateOrderMonthFirst ? b : a;
        QString monthText = dateOrder == kDateOrderMonthFirst ? a : b;
        // a month written as a name fixes the order whatever dateOrder says
        bool aNum = false, bNum = false;
        a.toInt(&aNum);
        b.toInt(&bNum);
        if (!aNum && bNum) {
            monthText = a;
            dayText = b;
        } else if (aNum && !bNum) {
            monthText = b;
            dayText = a;
        }
        bool ok = false;
        int month = monthText.toInt(&ok);
        if (!ok)
            month = MonthFromName(monthText, locale);
        const int day = dayText.toInt(&ok);
        if (!ok || month == 0)
            return {};
        int year = m.captured(3).toInt();
        if (m.captured(3).size() == 2)
            year += year < 30 ? 2000 : 1900;
        date = QDate(year, month, day);
        ampm = m.captured(7);
    }
    if (!date.isValid())
        return {};
    if (!m.captured(hourIdx).isEmpty()) {
        int h = m.captured(hourIdx).toInt();
        if (!ampm.isEmpty()) {
            h %= 12;
            if (ampm.toLower() == QLatin1String("pm"))
                h += 12;
        }
        time = QTime(h, m.captured(hourIdx + 1).toInt(), m.captured(hourIdx + 2).toInt());
        if (!time.isValid())
            return {};
    }
    return QDateTime(date, time);
}

} // namespace moldrin
