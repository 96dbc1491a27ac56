// The histogram cell of a reading, decided on the decimals the readings are written as.
#include "distribution/cellsearch.h"

#include "common/decimal.h"

#include <gmp.h>

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <limits>

namespace moldrin
{

namespace
{

// An integer of any size, freed when it goes.
class BigInt
{
public:
    BigInt() { mpz_init(mValue); }
    ~BigInt() { mpz_clear(mValue); }
    BigInt(const BigInt&) = delete;
    BigInt& operator=(const BigInt&) = delete;
    mpz_ptr get() { return mValue; }

private:
    mpz_t mValue;
};

// A decimal as a whole number of units 10^scale: digits and the power of ten of their last digit.
struct Scaled {
    detail::Decimal decimal;
    int scale = 0;
};

Scaled ScaledOf(double x)
{
    Scaled s { detail::ToDecimal(x), 0 };
    s.scale = s.decimal.exponent - int(s.decimal.digits.size());
    return s;
}

// Sets `out` to the decimal in units of 10^scale (scale no greater than the decimal's own).
void SetInUnits(mpz_ptr out, const Scaled& s, int scale)
{
    if (s.decimal.digits.empty()) {
        mpz_set_ui(out, 0);
        return;
    }
    mpz_set_str(out, s.decimal.digits.c_str(), 10);
    BigInt power;
    mpz_ui_pow_ui(power.get(), 10, unsigned(s.scale - scale));
    mpz_mul(out, out, power.get());
    if (s.decimal.negative)
        mpz_neg(out, out);
}

} // namespace

CellSearch::CellSearch(double min, double max, std::int64_t cells)
    : mMin(min)
    , mMax(max)
    , mCells(cells)
{
    // The floating position cells·(x − min)/(max − min) is off the exact one by the rounding of the three
    // decimals to binary (half a unit in the last place of the largest of them, against the range) and of
    // the three operations; twice that bound is taken.
    const double largest = std::max(std::fabs(min), std::fabs(max));
    mTolerance = 4 * DBL_EPSILON * double(cells) * (largest / (max - min) + 1);
}

std::size_t CellSearch::cellOf(double x)
{
    if (x == mMax)
        return std::size_t(mCells - 1);
    const double position = (x - mMin) / (mMax - mMin) * double(mCells);
    const double below = std::floor(position);
    if (position - below > mTolerance && below + 1 - position > mTolerance && below >= 0)
        return std::size_t(std::min(below, double(mCells - 1)));
    const auto known = mExact.find(x);
    if (known != mExact.end())
        return known->second;
    const std::size_t cell = exactCellOf(x);
    mExact.emplace(x, cell);
    return cell;
}

std::size_t CellSearch::exactCellOf(double x) const
{
    const std::array<Scaled, 3> d { ScaledOf(x), ScaledOf(mMin), ScaledOf(mMax) };
    int scale = std::numeric_limits<int>::max();
    for (const Scaled& s : d)
        if (!s.decimal.digits.empty())
            scale = std::min(scale, s.scale);
    BigInt value, min, max, cells;
    SetInUnits(value.get(), d[0], scale);
    SetInUnits(min.get(), d[1], scale);
    SetInUnits(max.get(), d[2], scale);
    // floor(cells·(x − min) / (max − min)), all in units of 10^scale.
    mpz_sub(value.get(), value.get(), min.get());
    mpz_sub(max.get(), max.get(), min.get());
    mpz_set_si(cells.get(), long(mCells));
    mpz_mul(value.get(), value.get(), cells.get());
    mpz_fdiv_q(value.get(), value.get(), max.get());
    if (mpz_sgn(value.get()) < 0)
        return 0;
    if (mpz_cmp(value.get(), cells.get()) >= 0)
        return std::size_t(mCells - 1);
    return std::size_t(mpz_get_si(value.get()));
}

} // namespace moldrin
