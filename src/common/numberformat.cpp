#include "numberformat.h"

#include "decimal.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace moldrin {

NumberFormat::NumberFormat(const QString& f)
{
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
        mPrefix = f;
        return;
    }
    mPrefix = f.left(first);
    mSuffix = f.mid(last + 1);
    bool inFrac = false;
    for (int i = first; i <= last; ++i) {
        const QChar c = f[i];
        if (c == '.') {
            if (!inFrac) {
                inFrac = true;
                mHasPoint = true;
            }
            continue;
        }
        if (!inFrac) {
            if (c == '0')
                ++mIntZeros;
            else if (c == ',')
                mGrouping = true;
        } else if (c == '0' || c == '#') {
            ++mFracDigits;
            if (c == '0')
                mFracZeros = mFracDigits;
        }
    }
}

void NumberFormat::appendTo(QString& out, double value) const
{
    if (!std::isfinite(value)) {
        out += mPrefix + QString::number(value) + mSuffix;
        return;
    }
    const detail::Decimal d = detail::RoundDecimal(detail::ToDecimal(value), mFracDigits, false);
    const int n = static_cast<int>(d.digits.size());
    // Digits of the integer part (at least the required zeros), then of the fraction.
    const int intCount = std::max(n == 0 ? 0 : std::max(d.exponent, 0), mIntZeros);
    std::string text;
    text.reserve(std::size_t(intCount + intCount / 3 + mFracDigits + 4));
    if (d.negative && n > 0)
        text += '-';
    const std::size_t prefixAt = text.size();
    for (int i = 0; i < intCount; ++i) {
        const int pos = (n == 0 ? 0 : d.exponent) - intCount + i; // digit index within d.digits
        if (mGrouping && i > 0 && (intCount - i) % 3 == 0)
            text += ',';
        text += (pos >= 0 && pos < n) ? d.digits[std::size_t(pos)] : '0';
    }
    if (mHasPoint) {
        text += '.';
        int written = 0;
        for (int i = n == 0 ? 0 : d.exponent; i < n; ++i, ++written)
            text += i < 0 ? '0' : d.digits[std::size_t(i)];
        for (; written < mFracZeros; ++written)
            text += '0';
    }
    out += QLatin1String(text.data(), qsizetype(prefixAt));
    out += mPrefix;
    out += QLatin1String(text.data() + prefixAt, qsizetype(text.size() - prefixAt));
    out += mSuffix;
}

QString NumberFormat::format(double value) const
{
    QString out;
    appendTo(out, value);
    return out;
}

QString FormatNumber(double value, const QString& format) { return NumberFormat(format).format(value); }

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
