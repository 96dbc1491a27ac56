// The rules of the stored look values.
#include "common/chartlook.h"

#include "common/rounding.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

std::optional<double> NumberFromText(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional(v) : std::nullopt;
}

QString LabelFormatFromText(const QString& stored, const QString& fallback)
{
    return stored.isEmpty() ? fallback : stored;
}

int LabelAreaFromText(const QString& stored, int fallback)
{
    const std::optional<double> v = NumberFromText(stored);
    return v && std::fabs(*v) <= kMaximumLabelArea ? int(IntPart(*v)) : fallback;
}

std::optional<bool> CheckFromText(const QString& stored)
{
    const std::optional<double> v = NumberFromText(stored);
    if (v && (*v == 0 || *v == 1))
        return *v == 1;
    return std::nullopt;
}

int BarWidthPercent(int width)
{
    return std::clamp(width, kMinimumBarWidth, kMaximumBarWidth);
}

int BarWidthFromText(const QString& stored)
{
    const std::optional<double> v = NumberFromText(stored);
    if (!v)
        return kDefaultBarWidth;
    const double whole = RoundWhole(*v);
    return whole < -32768 || whole > 32767 || whole == 0 ? kDefaultBarWidth : int(whole);
}

} // namespace moldrin
