// Subgroup statistics, sorting, process figures and capability indices.
#include "variables/statistics.h"

#include "common/numberformat.h"
#include "common/rounding.h"
#include "variables/spcconstants.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

namespace
{

const QString kSubscriptError = QStringLiteral("Subscript out of range");
const QString kDivisionError = QStringLiteral("Division by zero");
const QString kTypeError = QStringLiteral("Type mismatch");

bool Fail(ProcessStatistic& stat, const QString& description)
{
    stat.failure = description + QLatin1Char('!');
    return false;
}

int LastUsable(std::span<const double> values, int lastIndex)
{
    return std::min<int>(lastIndex, int(values.size()) - 1);
}

ProcessStatistic EmptyStatistic(bool subgroupChart, std::int64_t points)
{
    ProcessStatistic stat;
    stat.IsSubgroupChart = subgroupChart;
    stat.PointCount = double(points);
    return stat;
}

bool LimitUsable(const Figure& limit)
{
    return limit.isNumber() && !IsLimitSentinel(limit.value());
}

bool IsRChart(const QString& chartType)
{
    return chartType == kChartXBarRMedianS || chartType == kChartXBarR || chartType == kChartMedianR;
}

// A count as a saved number holds it: whole, not negative, exact.
bool IsCount(double x)
{
    return x >= 0 && x < 0x1p53 && x == std::floor(x);
}

} // namespace

const QStringList& ChartTypes()
{
    static const QStringList types { kChartXBarRMedianS, kChartXBarR, kChartXBarS, kChartMedianR, kChartMedianS,
        kChartIndividualMR };
    return types;
}

double GetAverage(std::span<const double> values, int lastIndex)
{
    const int last = LastUsable(values, lastIndex);
    if (last < 0)
        return 0;
    double sum = 0;
    for (int i = 0; i <= last; ++i)
        sum += values[i];
    if (std::isfinite(sum))
        return sum / (last + 1);
    // Readings near the largest double overflow the sum: the mean of the parts cannot.
    sum = 0;
    for (int i = 0; i <= last; ++i)
        sum += values[i] / (last + 1);
    return sum;
}

namespace
{

// The smallest and largest of values(0..lastIndex); 0 and 0 for none.
std::pair<double, double> Extremes(std::span<const double> values, int lastIndex)
{
    const int last = LastUsable(values, lastIndex);
    if (last < 0)
        return { 0.0, 0.0 };
    double lo = values[0], hi = values[0];
    for (int i = 1; i <= last; ++i) {
        lo = std::min(lo, values[i]);
        hi = std::max(hi, values[i]);
    }
    return { lo, hi };
}

} // namespace

double GetRange(std::span<const double> values, int lastIndex)
{
    const auto [lo, hi] = Extremes(values, lastIndex);
    return hi - lo;
}

double RunningStdDev::sampleStdDev() const
{
    return mCount < 2 ? 0.0 : std::sqrt(mM2 / double(mCount - 1)) * mUnit;
}

void RunningStdDev::save(std::vector<double>& out) const
{
    out.insert(out.end(), { double(mCount), mUnit, mPerUnit, mShift, mMean, mM2 });
}

bool RunningStdDev::restore(std::span<const double> in)
{
    if (in.size() < kSavedCount || !IsCount(in[0]) || !(in[1] >= 1) || !(in[2] > 0 && in[2] <= 1))
        return false;
    mCount = std::int64_t(in[0]);
    mUnit = in[1];
    mPerUnit = in[2];
    mShift = in[3];
    mMean = in[4];
    mM2 = in[5];
    return true;
}

void RunningStdDev::merge(std::int64_t count, double mean, double squares)
{
    if (count <= 0)
        return;
    if (std::fabs(mean) > kPlainMagnitude * mUnit)
        ChangeUnit(MagnitudeScale(std::fabs(mean)));
    const double m = mean * mPerUnit;
    if (mCount == 0)
        mShift = m;
    // Chan's pairwise update: the two parts' means and squared deviations make the whole's.
    const double delta = (m - mShift) - mMean;
    const double total = double(mCount + count);
    mMean += delta * double(count) / total;
    mM2 += squares * mPerUnit * mPerUnit + delta * delta * (double(mCount) * double(count) / total);
    mCount += count;
}

void RunningStdDev::ChangeUnit(double unit)
{
    // A larger power of two: what was summed is scaled down exactly (tiny parts may vanish beside the new unit).
    const double ratio = mUnit / unit;
    mShift *= ratio;
    mMean *= ratio;
    mM2 = mM2 * ratio * ratio;
    mUnit = unit;
    mPerUnit = 1 / unit;
}

double GetStdDev(std::span<const double> values)
{
    RunningStdDev sd;
    for (double x : values)
        sd.add(x);
    return Round4(sd.sampleStdDev());
}

double GetMedian(std::span<double> values)
{
    if (values.empty())
        return 0;
    BubbleSortNumbers1(values);
    const std::size_t m = values.size();
    if (m % 2 == 0)
        return (values[m / 2 - 1] + values[m / 2]) / 2;
    return values[(m - 1) / 2];
}

void BubbleSortNumbers1(std::span<double> values)
{
    for (std::size_t i = values.size(); i-- > 0;)
        for (std::size_t j = 1; j <= i; ++j)
            if (values[j - 1] < values[j])
                std::swap(values[j - 1], values[j]);
}

bool CalculateProcessStatistic(ProcessStatistic& stat, const Figure& USL, const Figure& LSL,
    const RunningStdDev& readings, const QString& chartType, int sampleSize)
{
    if (stat.AverageVariation.isEmpty())
        return true;
    if (readings.count() < 2)
        return Fail(stat, kDivisionError);
    stat.StdDev = Round4(readings.sampleStdDev());

    double f = 0;
    if (stat.IsSubgroupChart) {
        const SpcConstantsRow* row = SpcRow(sampleSize);
        if (!row)
            return Fail(stat, kSubscriptError);
        f = IsRChart(chartType) ? row->d2 : row->c4;
    } else {
        f = SpcRow(2)->d2;
    }
    if (!stat.AverageVariation.isNumber())
        return Fail(stat, kTypeError);
    const double sigma
        = stat.VariationUnit == 1 ? stat.AverageVariation.value() / f : stat.ScaledVariation / f * stat.VariationUnit;
    stat.EstSigma = sigma;

    if ((LimitUsable(LSL) || LimitUsable(USL)) && sigma != 0 && !stat.XDoubleBar.isNumber())
        return Fail(stat, kTypeError);
    const Capability c = CapabilityIndices(stat.XDoubleBar.value(), sigma, USL, LSL);
    stat.CpL = c.CpL;
    stat.CpU = c.CpU;
    stat.CpK = c.CpK;
    stat.Cp = c.Cp;
    return true;
}

Capability CapabilityIndices(double centre, double sigma, const Figure& USL, const Figure& LSL)
{
    Capability c;
    c.CpL = (sigma == 0 || !LimitUsable(LSL)) ? Figure::na() : Figure((centre - LSL.value()) / (3 * sigma));
    c.CpU = (sigma == 0 || !LimitUsable(USL)) ? Figure::na() : Figure((USL.value() - centre) / (3 * sigma));

    if (c.CpU.isNumber() && c.CpL.isNumber())
        c.CpK = c.CpU.value() <= c.CpL.value() ? c.CpU : c.CpL;
    else if (c.CpU.isNumber())
        c.CpK = c.CpU;
    else if (c.CpL.isNumber())
        c.CpK = c.CpL;
    else
        c.CpK = Figure::na();

    if (c.CpU.isNA() || c.CpL.isNA())
        c.Cp = Figure::na();
    else
        c.Cp = (USL.value() - LSL.value()) / (6 * sigma);
    return c;
}

QString CRText(const Figure& cp)
{
    if (!cp.isNumber())
        return QStringLiteral("N/A");
    const double cp4 = Round4(cp.value());
    // Specification limits that coincide give Cp = 0: no ratio exists.
    if (cp4 == 0)
        return QStringLiteral("N/A");
    return FormatNumber(Round2(100.0 / cp4), QStringLiteral("##0.00")) + QStringLiteral("%");
}

SubgroupAccumulator::SubgroupAccumulator(const QString& chartType, int sampleSize)
    : mChartType(chartType)
    , mSize(std::max(1, sampleSize))
    , mRange(chartType != kChartXBarS && chartType != kChartMedianS)
    , mStdDev(chartType == kChartXBarS || chartType == kChartMedianS || chartType == kChartXBarRMedianS)
    , mMedian(chartType == kChartMedianR || chartType == kChartMedianS || chartType == kChartXBarRMedianS)
    , mMedianOnCentre(chartType == kChartMedianR || chartType == kChartMedianS)
{
    mBuffer.reserve(std::size_t(mSize));
}

std::optional<SubgroupPoint> SubgroupAccumulator::add(std::optional<double> reading)
{
    mBuffer.push_back((!reading || IsLimitSentinel(*reading)) ? 0.0 : *reading);
    if (int(mBuffer.size()) < mSize)
        return std::nullopt;
    // In reading order, before the median sorts the buffer: every chart type and size then sees the same
    // readings in the same order and shows the same Std Dev.
    const double unit = mReadings.unit();
    for (double x : mBuffer) {
        mReadings.add(x);
        mScale = std::max(mScale, std::fabs(x));
    }

    const int last = mSize - 1;
    const double mean = GetAverage(mBuffer, last);
    const auto [low, high] = mRange ? Extremes(mBuffer, last) : std::pair { 0.0, 0.0 };
    const double stdDev = mStdDev ? GetStdDev(mBuffer) : 0.0;
    const double median = mMedian ? GetMedian(mBuffer) : 0.0;
    mBuffer.clear();
    AddVariation(unit, low, high, stdDev);
    return point(mean, high - low, stdDev, median);
}

SubgroupPoint SubgroupAccumulator::add(const SubgroupSummary& g)
{
    const double unit = mReadings.unit();
    mReadings.merge(g.count, g.mean, g.squares);
    mScale = std::max({ mScale, std::fabs(g.low), std::fabs(g.high) });
    const double s = g.count < 2 ? 0.0 : Round4(std::sqrt(g.squares / double(g.count - 1)));
    AddVariation(unit, g.low, g.high, mStdDev ? s : 0.0);
    return point(g.mean, mRange ? g.high - g.low : 0.0, mStdDev ? s : 0.0, mMedian ? g.median : 0.0);
}

// R and s summed in the readings' unit (1 but near the largest double), where a range of readings of both
// signs, or a sum of many s, lies beyond the largest double while R-bar and s-bar need not. The unit was
// `unitBefore` before the subgroup's readings.
void SubgroupAccumulator::AddVariation(double unitBefore, double low, double high, double stdDev)
{
    mReadings.widen(std::max(std::fabs(low), std::fabs(high)));
    const double unit = mReadings.unit();
    if (mRange)
        AddRangeInUnit(mSumR, unitBefore, unit, high, low);
    if (mStdDev)
        mSumS = mSumS * (unitBefore / unit) + stdDev / unit;
}

SubgroupPoint SubgroupAccumulator::point(double mean, double range, double stdDev, double median)
{
    SubgroupPoint p;
    p.number = ++mCount;
    p.mean = mean;
    p.range = range;
    p.stdDev = stdDev;
    p.median = median;
    p.medianValue = mMedian ? p.median : p.mean;
    p.centreValue = mMedianOnCentre ? p.median : p.mean;
    p.sValue = mStdDev ? p.stdDev : p.range;
    p.variationValue = mRange ? p.range : p.stdDev;

    mSumMeans += p.mean;
    return p;
}

ProcessStatistic SubgroupAccumulator::finish(const Figure& USL, const Figure& LSL) const
{
    if (mCount == 0)
        return EmptyStatistic(true, 0);
    const bool sBar = mChartType == kChartXBarS || mChartType == kChartMedianS;
    ProcessStatistic stat = EmptyStatistic(true, mCount);
    // The subgroups are of one size: the running mean of the readings stands in where the sum overflows.
    stat.XDoubleBar = std::isfinite(mSumMeans) ? mSumMeans / double(mCount) : mReadings.mean();
    stat.ScaledVariation = (sBar ? mSumS : mSumR) / double(mCount);
    stat.VariationUnit = mReadings.unit();
    stat.AverageVariation = stat.ScaledVariation * stat.VariationUnit;
    stat.ReadingScale = mScale;
    CalculateProcessStatistic(stat, USL, LSL, mReadings, mChartType, mSize);
    return stat;
}

std::vector<double> SubgroupAccumulator::save() const
{
    std::vector<double> out { double(mCount), mSumMeans, mSumR, mSumS, mScale };
    mReadings.save(out);
    out.insert(out.end(), mBuffer.begin(), mBuffer.end());
    return out;
}

bool SubgroupAccumulator::restore(std::span<const double> in)
{
    constexpr std::size_t sums = 5 + RunningStdDev::kSavedCount;
    if (in.size() < sums || in.size() - sums >= std::size_t(mSize) || !IsCount(in[0])
        || !mReadings.restore(in.subspan(5)))
        return false;
    mCount = std::int64_t(in[0]);
    mSumMeans = in[1];
    mSumR = in[2];
    mSumS = in[3];
    mScale = in[4];
    mBuffer.assign(in.begin() + sums, in.end());
    return true;
}

std::vector<double> IndividualAccumulator::save() const
{
    std::vector<double> out { double(mCount), mLast, mSumX, mSumMR, mScale };
    mReadings.save(out);
    return out;
}

bool IndividualAccumulator::restore(std::span<const double> in)
{
    if (in.size() != 5 + RunningStdDev::kSavedCount || !IsCount(in[0]) || !mReadings.restore(in.subspan(5)))
        return false;
    mCount = std::int64_t(in[0]);
    mLast = in[1];
    mSumX = in[2];
    mSumMR = in[3];
    mScale = in[4];
    return true;
}

IndividualPoint IndividualAccumulator::add(double reading)
{
    IndividualPoint p;
    p.number = ++mCount;
    p.value = reading;
    p.movingRange = mCount == 1 ? 0.0 : std::fabs(reading - mLast);
    const double unit = mReadings.unit();
    mReadings.add(reading);
    if (mCount > 1) // MR-bar's sum in the readings' unit, as R-bar's
        AddRangeInUnit(mSumMR, unit, mReadings.unit(), reading, mLast);
    mLast = reading;
    mSumX += reading;
    mScale = std::max(mScale, std::fabs(reading));
    return p;
}

ProcessStatistic IndividualAccumulator::finish(const Figure& USL, const Figure& LSL) const
{
    ProcessStatistic stat = EmptyStatistic(false, mCount);
    if (mCount == 0)
        return stat;
    stat.XDoubleBar = std::isfinite(mSumX) ? mSumX / double(mCount) : mReadings.mean();
    stat.ReadingScale = mScale;
    if (mCount >= 2) {
        stat.ScaledVariation = mSumMR / double(mCount - 1);
        stat.VariationUnit = mReadings.unit();
        stat.AverageVariation = stat.ScaledVariation * stat.VariationUnit;
    }
    CalculateProcessStatistic(stat, USL, LSL, mReadings, kChartIndividualMR, 2);
    return stat;
}

} // namespace moldrin
