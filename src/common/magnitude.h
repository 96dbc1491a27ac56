// The power of two by which sums of squared readings near the largest double are taken without overflow.
#pragma once

#include <cmath>

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

} // namespace moldrin
