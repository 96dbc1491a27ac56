// Subgroup statistics, sorting, process figures and capability indices, and the streaming subgroup accumulators.
#pragma once

#include "common/figure.h"
#include "common/magnitude.h"

#include <QString>
#include <QStringList>

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace moldrin
{

inline const QString kChartXBarR = QStringLiteral("X-Bar-R");
inline const QString kChartXBarS = QStringLiteral("X-Bar-s");
inline const QString kChartMedianR = QStringLiteral("Median-R");
inline const QString kChartMedianS = QStringLiteral("Median-s");
inline const QString kChartXBarRMedianS = QStringLiteral("X-Bar-R-Median-s");
inline const QString kChartIndividualMR = QStringLiteral("Individual-MR");
// The chart types of the main window's list, in list order.
const QStringList& ChartTypes();

// Sum of values(0..lastIndex) divided by lastIndex + 1 (lastIndex is clamped to the array; 0 for none).
double GetAverage(std::span<const double> values, int lastIndex);
// Largest minus smallest of values(0..lastIndex).
double GetRange(std::span<const double> values, int lastIndex);
// Sample standard deviation (divisor count - 1) by Welford's update on the readings' offsets from the
// first reading. Readings far from zero (2,400,000,000 Hz ± 100) keep every digit of their spread,
// where the running sums of x and x² cancel; in exact arithmetic it equals the sum formula
// (m·S2 - S1²)/((m - 1)·m). Readings beyond kPlainMagnitude (near 1e308, whose squares overflow) are taken
// in units of a power of two (MagnitudeScale of the largest so far); below it the unit is 1.
class RunningStdDev
{
public:
    void add(double x)
    {
        widen(std::fabs(x));
        x *= mPerUnit;
        if (mCount == 0)
            mShift = x;
        ++mCount;
        const double offset = x - mShift; // exact for readings within a factor 2 of the first
        const double delta = offset - mMean;
        mMean += delta / double(mCount);
        mM2 += delta * (offset - mMean);
    }
    std::int64_t count() const { return mCount; }
    double mean() const { return (mShift + mMean) * mUnit; }
    // The unit the sums are kept in: 1, or a power of two above kPlainMagnitude.
    double unit() const { return mUnit; }
    // The unit a reading of this magnitude would bring (a subgroup's extremes, where only its mean is added).
    void widen(double magnitude)
    {
        if (magnitude > kPlainMagnitude * mUnit)
            ChangeUnit(MagnitudeScale(magnitude));
    }
    // The sum of the squared deviations from the mean in units of `unit` squared (a power of two no smaller
    // than unit(), so that readings near 1e308 give a finite sum).
    double sumSquares(double unit = 1) const
    {
        const double ratio = mUnit / unit;
        return mM2 * ratio * ratio;
    }
    // Takes in `count` readings given by their mean and the sum of their squared deviations from it (as an
    // engine computes them for a subgroup), as adding them one at a time would (to rounding).
    void merge(std::int64_t count, double mean, double squares);
    // 0 below two values.
    double sampleStdDev() const;

    // The sums as numbers (appended to `out`), and back from the first kSavedCount of `in`: an accumulator
    // kept between runs goes on exactly as it would have. False for numbers no accumulator holds.
    static constexpr std::size_t kSavedCount = 6;
    void save(std::vector<double>& out) const;
    bool restore(std::span<const double> in);

private:
    void ChangeUnit(double unit);

    std::int64_t mCount = 0;
    double mUnit = 1, mPerUnit = 1; // the readings are taken as multiples of mUnit
    double mShift = 0; // the first reading
    double mMean = 0, mM2 = 0; // running mean of the offsets and sum of their squared deviations
};

// A sum of ranges kept in units of the readings' unit (RunningStdDev::unit: 1 but near the largest double, where
// the range of readings of both signs lies beyond it while the ranges' mean need not): `sum`, in `unitBefore`,
// taken into `unit`, plus |a - b| in it. Divided by 1 or a power of two: exact.
inline void AddRangeInUnit(double& sum, double unitBefore, double unit, double a, double b)
{
    if (unit != unitBefore)
        sum *= unitBefore / unit;
    sum += std::fabs(a / unit - b / unit);
}

// Sample standard deviation rounded to 4 decimals; 0 for fewer than two values.
double GetStdDev(std::span<const double> values);
// Sorts the array in place (BubbleSortNumbers1) and returns its middle value (mean of the two middle ones
// for an even count); 0 for an empty array.
double GetMedian(std::span<double> values);
// Stable bubble sort into descending order.
void BubbleSortNumbers1(std::span<double> values);

// The result of one chart computation. A figure holds a number or "N/A" (or nothing yet).
struct ProcessStatistic {
    Figure XDoubleBar;
    Figure AverageVariation;
    Figure EstSigma;
    Figure Cp, CpU, CpL, CpK;
    double StdDev = 0;
    double PointCount = 0;
    bool IsSubgroupChart = true;
    double ReadingScale = 0; // the largest magnitude of the readings used: their precision for the rules
    // Where VariationUnit is not 1 (readings near the largest double), AverageVariation is ScaledVariation
    // times it and may lie beyond the largest double while sigma does not: sigma is taken from the scaled one.
    double ScaledVariation = 0, VariationUnit = 1;
    QString failure; // the description of a failed computation ("Division by zero!"), "" when none
};

// Process sigma, StdDev (of `readings`, every reading used) and the capability indices. Does nothing
// while AverageVariation is empty. chartType and sampleSize choose the divisor of the average variation
// (d2(n) for the R based types, c4(n) otherwise; d2(2) for Individual-MR). A failure (fewer than two
// readings, a non-numeric average, a size outside the constants table) sets stat.failure to its
// description + "!" and returns false; outputs assigned so far stay.
bool CalculateProcessStatistic(ProcessStatistic& stat, const Figure& USL, const Figure& LSL,
    const RunningStdDev& readings, const QString& chartType, int sampleSize);

struct Capability {
    Figure Cp, CpU, CpL, CpK;
};
// The capability indices of a process at `centre` with `sigma` against the limits (999, -999 or a
// non-number: absent): "N/A" where a limit they need is absent or sigma is 0. CpK is the smaller of
// CpU and CpL (CpU when equal), or the one that is a number.
Capability CapabilityIndices(double centre, double sigma, const Figure& USL, const Figure& LSL);

// The capability ratio text: Cp rounded to 4 decimals, 100 / Cp rounded to 2, "##0.00" + "%"; else "N/A".
QString CRText(const Figure& cp);

// What a subgroup contributes to the chart: its figures and the values of the four data series.
struct SubgroupPoint {
    std::int64_t number = 0; // counting from 1: the label of the variation chart's point
    double mean = 0, range = 0, stdDev = 0, median = 0;
    double medianValue = 0; // "Median": medians for the median types and X-Bar-R-Median-s, else means
    double centreValue = 0; // "X-Bar": means, medians for Median-R and Median-s
    double sValue = 0; // "s": s where computed, else R
    double variationValue = 0; // "Range": R where computed, else s
};

// A whole subgroup's figures, formed where the readings are (an engine).
struct SubgroupSummary {
    std::int64_t count = 0;
    double mean = 0, low = 0, high = 0;
    double squares = 0; // the readings' squared deviations from `mean`, summed
    double median = 0;
};

// Takes the readings of a subgroup chart one at a time, keeping only the current subgroup.
class SubgroupAccumulator
{
public:
    SubgroupAccumulator(const QString& chartType, int sampleSize);

    // A null reading, 999 or -999 enters as 0. Returns the subgroup's point when this reading completed it.
    std::optional<SubgroupPoint> add(std::optional<double> reading);
    // A whole subgroup by its figures, the same point as its readings give.
    SubgroupPoint add(const SubgroupSummary& subgroup);
    // XDoubleBar, AverageVariation and PointCount from the whole subgroups so far, then the process figures.
    ProcessStatistic finish(const Figure& USL, const Figure& LSL) const;

    std::int64_t readingCount() const { return mCount * mSize; }
    // The readings of the whole subgroups so far.
    const RunningStdDev& readings() const { return mReadings; }
    // The sums and the readings of the partial subgroup, and back (false for numbers it cannot hold).
    std::vector<double> save() const;
    bool restore(std::span<const double> in);

private:
    SubgroupPoint point(double mean, double range, double stdDev, double median);
    void AddVariation(double unitBefore, double low, double high, double stdDev);

    QString mChartType;
    int mSize;
    bool mRange, mStdDev, mMedian, mMedianOnCentre;
    std::vector<double> mBuffer;
    std::int64_t mCount = 0;
    double mSumMeans = 0;
    double mSumR = 0, mSumS = 0; // in units of mReadings.unit()
    double mScale = 0;
    RunningStdDev mReadings;
};

struct IndividualPoint {
    std::int64_t number = 0; // j, counting from 1: the moving range's label
    double value = 0;
    double movingRange = 0; // 0 for the first reading
};

// Takes the readings of an Individual-MR chart one at a time. Readings are used as read.
class IndividualAccumulator
{
public:
    IndividualPoint add(double reading);
    // XDoubleBar = SumX/N, MR-bar = SumMR/(N - 1) (empty below two readings), then the process figures.
    ProcessStatistic finish(const Figure& USL, const Figure& LSL) const;

    const RunningStdDev& readings() const { return mReadings; }
    // The sums, and back (false for numbers it cannot hold).
    std::vector<double> save() const;
    bool restore(std::span<const double> in);

private:
    std::int64_t mCount = 0;
    double mLast = 0, mSumX = 0;
    double mSumMR = 0; // in units of mReadings.unit()
    double mScale = 0;
    RunningStdDev mReadings;
};

} // namespace moldrin
