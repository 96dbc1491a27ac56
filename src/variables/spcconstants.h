// SPC constants table (c2, c4, d2, d3 and the factors derived from them) and the median factors.
#pragma once

#include <array>

namespace moldrin
{

struct SpcConstantsRow {
    double c2 = 0, c4 = 0, d2 = 0, d3 = 0;
    double A1 = 0, A2 = 0, A3 = 0;
    double B1 = 0, B2 = 0, B3 = 0, B4 = 0;
    double D1 = 0, D2 = 0, D3 = 0, D4 = 0;
};

inline constexpr int kMinSubgroupSize = 2;
inline constexpr int kMaxSubgroupSize = 25;
inline constexpr int kMaxMedianSubgroupSize = 9;

// One row per subgroup size n = 2 to 25, looked up by row n - 2.
using SpcConstants = std::array<SpcConstantsRow, kMaxSubgroupSize - kMinSubgroupSize + 1>;

struct MedianFactorsRow {
    double A2Median = 0, A3Median = 0;
};
// One row per subgroup size n = 2 to 9, looked up by row n - 2.
using MedianFactorsTable = std::array<MedianFactorsRow, kMaxMedianSubgroupSize - kMinSubgroupSize + 1>;

// Loads the base columns and derives A1 ... D4 from them, each rounded to 4 decimals.
SpcConstants BuildSPCConstantsTable();
// The table built once for the program's lifetime (read-only).
const SpcConstants& StandardSpcConstants();
// A2Median as stored; A3Median = A2Median·d2/c4 from the base columns, rounded to 4 decimals.
const MedianFactorsTable& MedianFactors();

// The row for subgroup size n, or nullptr when n lies outside the table.
const SpcConstantsRow* SpcRow(int n);
const MedianFactorsRow* MedianRow(int n);

} // namespace moldrin
