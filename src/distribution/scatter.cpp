// The scatter chart's computation: X-Y pairs in; means, spreads, regression, ranges and the panel out.
#include "distribution/scatter.h"

#include "common/nodata.h"
#include "common/numberformat.h"
#include "common/rounding.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

namespace
{

const QString kDivisionByZero = QStringLiteral("Division by zero!");
const QString kOnePair = QStringLiteral("Only one pair of readings: a regression needs readings that differ!");
const QString kEqualReadings = QStringLiteral("All %1 %2 readings are %3: a regression needs readings that differ!");

} // namespace

void ScatterSums::add(double x, double y)
{
    ++mCount;
    mSumX.add(x);
    mSumY.add(y);
    mMinX = std::min(mMinX, x);
    mMaxX = std::max(mMaxX, x);
    mMinY = std::min(mMinY, y);
    mMaxY = std::max(mMaxY, y);
}

ScatterResult ComputeScatter(const ScatterSums& sums, const ScatterDeviations& deviations)
{
    ScatterResult r;
    if (sums.count() == 0) {
        r.failure = kNoDataCollection;
        return r;
    }
    // One pair divides by n - 1 = 0; equal values give a zero spread under the slope or the correlation
    // (told by the extremes: a mean that is not exactly the common value leaves tiny deviations). Each is
    // said as what it is.
    const QString count = FormatNumber(double(sums.count()), QStringLiteral("#,##0"));
    if (sums.count() < 2)
        r.failure = kOnePair;
    else if (sums.minX() == sums.maxX())
        r.failure = kEqualReadings.arg(count, QStringLiteral("X"), NumberText(sums.minX()));
    else if (sums.minY() == sums.maxY())
        r.failure = kEqualReadings.arg(count, QStringLiteral("Y"), NumberText(sums.minY()));
    else if (deviations.sxx() == 0 || deviations.syy() == 0)
        r.failure = kDivisionByZero;
    if (!r.failure.isEmpty())
        return r;
    ScatterStatistics& s = r.stat;
    const double n = double(sums.count());
    s.n = sums.count();
    s.meanX = sums.meanX();
    s.meanY = sums.meanY();
    // In the deviations' units, then scaled back (a product of units near 1e308 may not be finite: the covariance).
    const double covariance = deviations.sxy() / (n - 1);
    const double sdX = std::sqrt(deviations.sxx() / (n - 1));
    const double sdY = std::sqrt(deviations.syy() / (n - 1));
    s.correlation = covariance / (sdY * sdX);
    s.covariance = covariance * deviations.unitX() * deviations.unitY();
    s.sdX = sdX * deviations.unitX();
    s.sdY = sdY * deviations.unitY();
    s.slope = deviations.sxy() / deviations.sxx() * (deviations.unitY() / deviations.unitX());
    s.intercept = s.meanY - s.meanX * s.slope;
    s.minX = sums.minX();
    s.maxX = sums.maxX();
    s.minY = sums.minY();
    s.maxY = sums.maxY();

    ScatterFigures& f = r.figures;
    f.total = s.n;
    f.xMean = Round4Away(s.meanX);
    f.yMean = Round4Away(s.meanY);
    f.xStdDev = Round4(s.sdX);
    f.yStdDev = Round4(s.sdY);
    f.intercept = Round4(s.intercept);
    f.slope = Round4(s.slope);
    f.correlation = Round4(s.correlation);
    f.xRange = Round4(s.maxX - s.minX);
    f.xMin = Round4(s.minX);
    f.xMax = Round4(s.maxX);
    f.yRange = Round4(s.maxY - s.minY);
    f.yMin = Round4(s.minY);
    f.yMax = Round4(s.maxY);

    const NumberFormat value(QStringLiteral("#,##0.0###"));
    r.panelValues << FormatNumber(double(f.total), QStringLiteral("#,###0"));
    for (double v : { s.meanX, f.xStdDev, s.meanY, f.yStdDev })
        r.panelValues << value.format(v);
    r.panelValues << QString();
    for (double v : { f.intercept, f.slope, f.correlation, f.xMin, f.xMax, f.xRange, f.yMin, f.yMax, f.yRange })
        r.panelValues << value.format(v);
    return r;
}

const QStringList& ScatterPanelCaptions()
{
    static const QStringList captions { "Total:", "X Mean:", "X Std Dev:", "Y Mean:", "Y Std Dev:", "",
        "Intercept:", "Slope:", "Correlation:", "X Min:", "X Max:", "X Range:", "Y Min:", "Y Max:", "Y Range:" };
    return captions;
}

std::array<RegressionPoint, 2> RegressionLine(double slope, double intercept, double axisMinimum, double axisMaximum)
{
    return { { { axisMinimum, axisMinimum * slope + intercept }, { axisMaximum, axisMaximum * slope + intercept } } };
}

} // namespace moldrin
