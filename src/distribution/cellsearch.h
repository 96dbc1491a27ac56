// The histogram cell of a reading, decided on the decimals the readings are written as.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace moldrin
{

// Cell j of `cells` equal cells from min to max holds the readings x with
// min + j·(max − min)/cells ≤ x < min + (j + 1)·(max − min)/cells; the last one holds max as well. Each
// reading, min and max is taken as the shortest decimal that reads back as it (0.3, not
// 0.299999999999999988898), as the data source shows it, and the comparison is exact: a reading on an edge
// counts in the upper cell however the edge falls in binary. Floating point decides where a reading lies
// clearly inside a cell; only readings within rounding distance of an edge are decided in exact integers.
class CellSearch
{
public:
    // min < max, both finite; cells ≥ 1.
    CellSearch(double min, double max, std::int64_t cells);

    std::size_t cellOf(double x);
    // How far from a whole number the floating position of a reading must lie for it to be decided in
    // floating point.
    double tolerance() const { return mTolerance; }

private:
    std::size_t exactCellOf(double x) const;

    double mMin, mMax;
    std::int64_t mCells;
    double mTolerance; // how far a floating cell position may lie from the exact one
    std::unordered_map<double, std::size_t> mExact; // readings decided exactly, as they tend to repeat
};

} // namespace moldrin
