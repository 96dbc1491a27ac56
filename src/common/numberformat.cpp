#include "numberformat.h"

#include "decimal.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

namespace moldrin
{

NumberFormat::NumberFormat(const QString& f, int extraDecimals)
    : mExtraDecimals(extraDecimals)
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
        mPrefix = f.toStdString();
        return;
    }
    mPrefix = f.left(first).toStdString();
    mSuffix = f.mid(last + 1).toStdString();
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

void NumberFormat::appendTo(std::string& out, double value) const
{
    if (!std::isfinite(value)) {
        out += mPrefix;
        out += QString::number(value).toStdString();
        out += mSuffix;
        return;
    }
    detail::Decimal d = detail::ToDecimal(value);
    // A number too small for the format's decimals keeps its digits: the decimals it needs follow, of the
    // kind of the format's last decimal (shown always after "0.00", where significant after "0.0#").
    const int extra = !mHasPoint ? 0 : mExtraDecimals >= 0 ? mExtraDecimals : detail::ExtraDecimals(d);
    const int fracZeros = mFracZeros + (mFracZeros == mFracDigits && mFracDigits > 0 ? extra : 0);
    d = detail::RoundDecimal(std::move(d), mFracDigits + extra, false);
    const int n = static_cast<int>(d.digits.size());
    // Digits of the integer part (at least the required zeros), then of the fraction.
    const int intCount = std::max(n == 0 ? 0 : std::max(d.exponent, 0), mIntZeros);
    if (d.negative && n > 0)
        out += '-';
    out += mPrefix;
    for (int i = 0; i < intCount; ++i) {
        const int pos = (n == 0 ? 0 : d.exponent) - intCount + i; // digit index within d.digits
        if (mGrouping && i > 0 && (intCount - i) % 3 == 0)
            out += ',';
        out += (pos >= 0 && pos < n) ? d.digits[std::size_t(pos)] : '0';
    }
    if (mHasPoint) {
        out += '.';
        int written = 0;
        for (int i = n == 0 ? 0 : d.exponent; i < n; ++i, ++written)
            out += i < 0 ? '0' : d.digits[std::size_t(i)];
        for (; written < fracZeros; ++written)
            out += '0';
    }
    out += mSuffix;
}

void NumberFormat::appendTo(QString& out, double value) const
{
    std::string text;
    appendTo(text, value);
    out += QString::fromStdString(text);
}

QString NumberFormat::format(double value) const
{
    QString out;
    appendTo(out, value);
    return out;
}

int AxisExtraDecimals(double lower, double upper)
{
    const double larger = std::max(std::fabs(lower), std::fabs(upper));
    return std::isfinite(larger) ? detail::ExtraDecimals(detail::ToDecimal(larger)) : 0;
}

QString FormatNumber(double value, const QString& format)
{
    return NumberFormat(format).format(value);
}

QString FormatFigure(const Figure& value, const QString& format)
{
    if (value.isNumber())
        return FormatNumber(value.value(), format);
    return value.textValue();
}

void AppendNumberText(std::string& out, double value)
{
    if (value == 0.0) {
        out += '0';
        return;
    }
    detail::Decimal d = detail::ToDecimal(value);
    if (d.digits.size() > 15) // 15 significant digits, as a number's plain text form has
        d = detail::RoundDecimal(d, 15 - d.exponent, false);
    const int n = static_cast<int>(d.digits.size());
    if (d.exponent > 15 || d.exponent < -14) {
        out += QString::number(value, 'g', 15).toStdString();
        return;
    }
    if (d.negative)
        out += '-';
    if (d.exponent <= 0) {
        out += "0.";
        out.append(std::size_t(-d.exponent), '0');
        out += d.digits;
    } else {
        for (int i = 0; i < std::max(n, d.exponent); ++i) {
            if (i == d.exponent)
                out += '.';
            out += i < n ? d.digits[std::size_t(i)] : '0';
        }
    }
}

QString NumberText(double value)
{
    std::string text;
    AppendNumberText(text, value);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace moldrin
