// Builds the SPC constants table from its base columns.
#include "variables/spcconstants.h"

#include "common/rounding.h"

#include <cmath>

namespace moldrin
{

namespace
{

struct BaseRow {
    double c2, c4, d2, d3;
};

// n = 2 ... 25. The computed columns follow from these stored values, not from more precise ones.
constexpr std::array<BaseRow, 24> kBase { {
    { 0.5642, 0.7979, 1.128, 0.853 },
    { 0.7236, 0.8862, 1.693, 0.888 },
    { 0.7979, 0.9213, 2.059, 0.88 },
    { 0.8407, 0.94, 2.326, 0.864 },
    { 0.8686, 0.9515, 2.534, 0.848 },
    { 0.8882, 0.9594, 2.704, 0.833 },
    { 0.9027, 0.965, 2.847, 0.82 },
    { 0.9139, 0.9693, 2.97, 0.808 },
    { 0.9227, 0.9727, 3.078, 0.797 },
    { 0.93, 0.9754, 3.173, 0.787 },
    { 0.9359, 0.9776, 3.258, 0.778 },
    { 0.941, 0.9794, 3.336, 0.77 },
    { 0.9453, 0.981, 3.407, 0.762 },
    { 0.949, 0.9823, 3.472, 0.755 },
    { 0.9523, 0.9835, 3.532, 0.749 },
    { 0.9551, 0.9845, 3.588, 0.743 },
    { 0.9576, 0.9854, 3.64, 0.738 },
    { 0.9599, 0.9862, 3.689, 0.733 },
    { 0.9619, 0.9869, 3.735, 0.729 },
    { 0.9638, 0.9876, 3.778, 0.724 },
    { 0.9655, 0.9882, 3.819, 0.72 },
    { 0.967, 0.9887, 3.858, 0.716 },
    { 0.9684, 0.9892, 3.895, 0.712 },
    { 0.9696, 0.9896, 3.931, 0.709 },
} };

// A2Median for n = 2 ... 9 as stored.
constexpr std::array<double, 8> kA2Median { 1.88, 1.187, 0.796, 0.691, 0.549, 0.509, 0.434, 0.412 };

// Rounded to 4 decimals, then 0 when the rounded value is below 0.
double NonNegative4(double x)
{
    const double r = Round4(x);
    return r < 0 ? 0.0 : r;
}

MedianFactorsTable BuildMedianFactors()
{
    MedianFactorsTable table {};
    for (int n = kMinSubgroupSize; n <= kMaxMedianSubgroupSize; ++n) {
        const BaseRow& b = kBase[n - kMinSubgroupSize];
        MedianFactorsRow& r = table[n - kMinSubgroupSize];
        r.A2Median = kA2Median[n - kMinSubgroupSize];
        // The means' factor for s-bar (3 / (c4·√n)) scaled by how much more a median varies than a mean,
        // A2Median / A2 = A2Median·d2 / (3 / √n).
        r.A3Median = Round4(r.A2Median * b.d2 / b.c4);
    }
    return table;
}

} // namespace

SpcConstants BuildSPCConstantsTable()
{
    SpcConstants table {};
    for (int n = kMinSubgroupSize; n <= kMaxSubgroupSize; ++n) {
        const BaseRow& b = kBase[n - kMinSubgroupSize];
        SpcConstantsRow& r = table[n - kMinSubgroupSize];
        r.c2 = b.c2;
        r.c4 = b.c4;
        r.d2 = b.d2;
        r.d3 = b.d3;
        const double a = 3.0 / std::sqrt(double(n));
        const double t = 3.0 * std::sqrt(double(n - 1) / n - b.c2 * b.c2);
        r.A1 = Round4(a / b.c2);
        r.A2 = Round4(a / b.d2);
        r.A3 = Round4(a / b.c4);
        r.B1 = NonNegative4(b.c2 - t);
        r.B2 = Round4(b.c2 + t);
        r.B3 = NonNegative4(1.0 - t / b.c2);
        r.B4 = Round4(1.0 + Round4(t / b.c2));
        r.D1 = NonNegative4(b.d2 - 3.0 * b.d3);
        r.D2 = Round4(b.d2 + 3.0 * b.d3);
        r.D3 = NonNegative4(1.0 - 3.0 * b.d3 / b.d2);
        r.D4 = Round4(1.0 + 3.0 * b.d3 / b.d2);
    }
    return table;
}

const SpcConstants& StandardSpcConstants()
{
    static const SpcConstants table = BuildSPCConstantsTable();
    return table;
}

const MedianFactorsTable& MedianFactors()
{
    static const MedianFactorsTable table = BuildMedianFactors();
    return table;
}

const SpcConstantsRow* SpcRow(int n)
{
    if (n < kMinSubgroupSize || n > kMaxSubgroupSize)
        return nullptr;
    return &StandardSpcConstants()[n - kMinSubgroupSize];
}

const MedianFactorsRow* MedianRow(int n)
{
    if (n < kMinSubgroupSize || n > kMaxMedianSubgroupSize)
        return nullptr;
    return &MedianFactors()[n - kMinSubgroupSize];
}

} // namespace moldrin
