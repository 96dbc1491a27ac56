// The scatter chart's computation: X-Y pairs in; means, spreads, regression, ranges and the panel out.
#pragma once

#include "common/magnitude.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace moldrin
{

// The first read of a drawing, a pair at a time in constant memory: the count, the sums (compensated, so
// the means keep their digits on readings far from zero) and the extremes.
class ScatterSums
{
public:
    void add(double x, double y);
    std::int64_t count() const { return mCount; }
    double meanX() const { return mSumX.mean(mCount); }
    double meanY() const { return mSumY.mean(mCount); }
    double minX() const { return mMinX; }
    double maxX() const { return mMaxX; }
    double minY() const { return mMinY; }
    double maxY() const { return mMaxY; }

private:
    std::int64_t mCount = 0;
    ScaledSum mSumX, mSumY; // readings near the largest double in their unit: the means stay true
    double mMinX = std::numeric_limits<double>::infinity(), mMaxX = -std::numeric_limits<double>::infinity();
    double mMinY = std::numeric_limits<double>::infinity(), mMaxY = -std::numeric_limits<double>::infinity();
};

// The second read, over the same pairs once the means are known: the sums of squared and crossed
// deviations Σ(X − X̄)², Σ(Y − Ȳ)², Σ(X − X̄)(Y − Ȳ). Taken from the means rather than from running sums
// of squares, they stay right on readings such as 2,400,000,000 ± 100, where n·ΣX² − (ΣX)² loses every digit.
// X and Y are taken in units of MagnitudeScale of their extremes (1 but near 1e308), so that the squares
// cannot overflow: the sums are in those units (sxx in unitX², sxy in unitX·unitY).
class ScatterDeviations
{
public:
    explicit ScatterDeviations(const ScatterSums& sums)
        : mUnitX(MagnitudeScale(std::max(std::fabs(sums.minX()), std::fabs(sums.maxX()))))
        , mUnitY(MagnitudeScale(std::max(std::fabs(sums.minY()), std::fabs(sums.maxY()))))
        , mPerUnitX(1 / mUnitX)
        , mPerUnitY(1 / mUnitY)
        , mMeanX(sums.meanX() * mPerUnitX)
        , mMeanY(sums.meanY() * mPerUnitY)
    {
    }
    void add(double x, double y)
    {
        const double dx = x * mPerUnitX - mMeanX;
        const double dy = y * mPerUnitY - mMeanY;
        mSxx += dx * dx;
        mSyy += dy * dy;
        mSxy += dx * dy;
    }
    double unitX() const { return mUnitX; }
    double unitY() const { return mUnitY; }
    double sxx() const { return mSxx; }
    double syy() const { return mSyy; }
    double sxy() const { return mSxy; }

private:
    double mUnitX, mUnitY, mPerUnitX, mPerUnitY;
    double mMeanX, mMeanY;
    double mSxx = 0, mSyy = 0, mSxy = 0;
};

// The statistics of a drawing, unrounded.
struct ScatterStatistics {
    std::int64_t n = 0;
    double meanX = 0, meanY = 0;
    double sdX = 0, sdY = 0;
    double covariance = 0, correlation = 0;
    double slope = 0, intercept = 0;
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
};

// The figures as the panel shows them: rounded to 4 decimals, halves to even (the means, shown
// unrounded through the format, as the format rounds them).
struct ScatterFigures {
    std::int64_t total = 0;
    double xMean = 0, xStdDev = 0, yMean = 0, yStdDev = 0;
    double intercept = 0, slope = 0, correlation = 0;
    double xMin = 0, xMax = 0, xRange = 0, yMin = 0, yMax = 0, yRange = 0;
};

struct ScatterResult {
    QString failure; // the message the drawing ends with; "" when the figures were computed
    ScatterStatistics stat;
    ScatterFigures figures;
    QStringList panelValues; // the fifteen lines of lblSPCParameter1
};

// The statistics of the pairs of both reads, whatever their sums (centred readings too). No pair: the no-data
// message; one pair, or all X (or all Y) equal: a message that says so (the slope or the correlation would
// divide by a zero spread).
ScatterResult ComputeScatter(const ScatterSums& sums, const ScatterDeviations& deviations);

// The fifteen lines of lblSPCParameter, "Total:" to "Y Range:" with an empty sixth line.
const QStringList& ScatterPanelCaptions();

struct RegressionPoint {
    double x = 0, y = 0;
};
// The regression line at the ends of the bottom axis: y = x · slope + intercept.
std::array<RegressionPoint, 2> RegressionLine(double slope, double intercept, double axisMinimum, double axisMaximum);

} // namespace moldrin
