// A running sum with Neumaier's compensation: the rounding error of every addition is carried along.
#pragma once

#include <cmath>

namespace moldrin
{

// The result is the exact sum rounded once in all but pathological cases, so it hardly depends on the
// order of the terms: a sum of many readings far from zero keeps its last digits, and the same rows
// summed in another order (engines without ORDER BY) give the same figure.
class CompensatedSum
{
public:
    void add(double x)
    {
        const double t = mSum + x;
        mCompensation += std::fabs(mSum) >= std::fabs(x) ? (mSum - t) + x : (x - t) + mSum;
        mSum = t;
    }
    double value() const { return mSum + mCompensation; }
    // Multiplies the sum by a power of two: exact, short of the smallest doubles.
    void scale(double powerOfTwo)
    {
        mSum *= powerOfTwo;
        mCompensation *= powerOfTwo;
    }

private:
    double mSum = 0;
    double mCompensation = 0;
};

} // namespace moldrin
