// The power of two by which sums of readings near the largest double, and of their squares, are taken without
// overflow.
#pragma once

#include "common/compensatedsum.h"

#include <cmath>
#include <cstdint>

namespace moldrin
{

// Readings up to this magnitude are taken as they are: their squares, and sums of any count of them, stay finite.
inline constexpr double kPlainMagnitude = 0x1p400;

// 1 for a largest magnitude up to kPlainMagnitude (or one that is no finite number), so that every figure of ordinary
// readings stays as it was; above it the power of two at or below it. Multiplying by a power of two is exact (short of
// the smallest doubles), so a computation on the scaled readings rounds as it would on the readings themselves, and its
// result, scaled back, is the same; only the squares no longer overflow.
inline double MagnitudeScale(double largest)
{
    return largest > kPlainMagnitude && std::isfinite(largest) ? std::ldexp(1.0, std::ilogb(largest)) : 1.0;
}

// A compensated sum of readings kept in units of MagnitudeScale of the largest so far: below kPlainMagnitude
// the plain sum, bit for bit; readings near the largest double give a sum in their unit and a true mean
// where the sum itself lies beyond the largest double.
class ScaledSum
{
public:
    void add(double x)
    {
        if (std::fabs(x) > kPlainMagnitude * mUnit && std::isfinite(x)) {
            const double unit = MagnitudeScale(std::fabs(x));
            mSum.scale(mUnit / unit);
            mUnit = unit;
            mPerUnit = 1 / unit;
        }
        mSum.add(x * mPerUnit);
    }
    double value() const { return mSum.value() * mUnit; }
    double mean(std::int64_t count) const { return count ? mSum.value() / double(count) * mUnit : 0.0; }

private:
    CompensatedSum mSum;
    double mUnit = 1, mPerUnit = 1;
};

} // namespace moldrin
