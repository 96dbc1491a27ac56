#include "numberformat.h"

#include "decimal.h"

#include <cmath>

namespace moldrin {

namespace {

struct Pattern {
    QString prefix, suffix;
    int intZeros = 0;     // '0' placeholders in the integer part
    bool grouping = false;
    bool hasPoint = false;
    int fracZeros = 0;    // required decimals
    int fracDigits = 0;   // all decimal placeholders
};

Pattern Parse(const QString& f)
{
    Pattern p;
    int first = -1, last = -1;
    for (int i = 0; i < f.size(); ++i) {
        const QChar c = f[i];
        if (c == '0' || c == '#' || c == '.' || c == ',') {
            if (first < 0)
                first = i;
            last = i;
        }
    }
    if (first < 0) {
        p.prefix = f;
        return p;
    }
    p.prefix = f.left(first);
    p.suffix = f.mid(last + 1);
    bool inFrac = false;
    for (int i = first; i <= last; ++i) {
        const QChar c = f[i];
        if (c == '.') {
            if (!inFrac) {
                inFrac = true;
                p.hasPoint = true;
            }
            continue;
        }
        if (!inFrac) {
            if (c == '0')
                ++p.intZeros;
            else if (c == ',')
                p.grouping = true;
        } else if (c == '0' || c == '#') {
            ++p.fracDigits;
            if (c == '0')
                p.fracZeros = p.fracDigits;
        }
    }
    return p;
}

} // namespace

QString FormatNumber(double value, const QString& format)
{
    const Pattern p = Parse(format);
    if (!std::isfinite(value))
        return p.prefix + QString::number(value) + p.suffix;
    detail::Decimal d = detail::RoundDecimal(detail::ToDecimal(value), p.fracDigits, false);
    // Integer and fraction digit strings.
    QString intDigits, fracDigits;
    if (!d.digits.empty()) {
        const int n = static_cast<int>(d.digits.size());
        for (int i = 0; i < d.exponent; ++i)
            intDigits += i < n ? QChar(d.digits[i]) : QChar('0');
        for (int i = d.exponent; i < n; ++i)
            fracDigits += i < 0 ? QChar('0') : QChar(d.digits[i]);
    }
    while (intDigits.size() < p.intZeros)
        intDigits.prepend('0');
    if (p.grouping) {
        for (int i = static_cast<int>(intDigits.size()) - 3; i > 0; i -= 3)
            intDigits.insert(i, ',');
    }
    while (fracDigits.size() < p.fracZeros)
        fracDigits.append('0');
    QString out = (d.negative && !d.digits.empty()) ? QStringLiteral("-") : QString();
    out += p.prefix + intDigits;
    if (p.hasPoint)
        out += '.' + fracDigits;
    return out + p.suffix;
}

QString FormatFigure(const Figure& value, const QString& format)
{
    if (value.isNumber())
        return FormatNumber(value.value(), format);
    return value.textValue();
}

QString NumberText(double value)
{
    if (value == 0.0)
        return QStringLiteral("0");
    detail::Decimal d = detail::ToDecimal(value);
    if (d.digits.size() > 15) // 15 significant digits, as a number's plain text form has
        d = detail::RoundDecimal(d, 15 - d.exponent, false);
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent > 15 || d.exponent < -14)
        return QString::number(value, 'g', 15);
    QString s = d.negative ? QStringLiteral("-") : QString();
    if (d.exponent <= 0) {
        s += "0." + QString(-d.exponent, '0') + QString::fromStdString(d.digits);
    } else {
        for (int i = 0; i < std::max(n, d.exponent); ++i) {
            if (i == d.exponent)
                s += '.';
            s += i < n ? QChar(d.digits[i]) : QChar('0');
        }
    }
    return s;
}

} // namespace moldrin
