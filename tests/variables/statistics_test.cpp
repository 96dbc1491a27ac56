// Tests of the SPC constants, subgroup statistics, capability figures and the subgroup accumulators.
#include "variables/controllimits.h"
#include "variables/spcconstants.h"
#include "variables/statistics.h"

#include "common/rounding.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

// n, then c2 c4 d2 d3 A1 A2 A3 B1 B2 B3 B4 D1 D2 D3 D4 as published in the program's table.
constexpr std::array<std::array<double, 16>, 24> kReference { {
    { 2, 0.5642, 0.7979, 1.128, 0.853, 3.7599, 1.8806, 2.6586, 0, 1.8429, 0, 3.2664, 0, 3.687, 0, 3.2686 },
    { 3, 0.7236, 0.8862, 1.693, 0.888, 2.3937, 1.0231, 1.9545, 0, 1.8583, 0, 2.5682, 0, 4.357, 0, 2.5735 },
    { 4, 0.7979, 0.9213, 2.059, 0.88, 1.8799, 0.7285, 1.6281, 0, 1.8079, 0, 2.2659, 0, 4.699, 0, 2.2822 },
    { 5, 0.8407, 0.94, 2.326, 0.864, 1.5959, 0.5768, 1.4273, 0, 1.7567, 0, 2.0895, 0, 4.918, 0, 2.1144 },
    { 6, 0.8686, 0.9515, 2.534, 0.848, 1.41, 0.4833, 1.2872, 0.0261, 1.7111, 0.03, 1.97, 0, 5.078, 0, 2.0039 },
    { 7, 0.8882, 0.9594, 2.704, 0.833, 1.2766, 0.4193, 1.1819, 0.1045, 1.6719, 0.1176, 1.8824, 0.205, 5.203, 0.0758,
        1.9242 },
    { 8, 0.9027, 0.965, 2.847, 0.82, 1.175, 0.3726, 1.0991, 0.167, 1.6384, 0.185, 1.815, 0.387, 5.307, 0.1359, 1.8641 },
    { 9, 0.9139, 0.9693, 2.97, 0.808, 1.0942, 0.3367, 1.0317, 0.2189, 1.6089, 0.2395, 1.7605, 0.546, 5.394, 0.1838,
        1.8162 },
    { 10, 0.9227, 0.9727, 3.078, 0.797, 1.0282, 0.3082, 0.9753, 0.2612, 1.5842, 0.283, 1.717, 0.687, 5.469, 0.2232,
        1.7768 },
    { 11, 0.93, 0.9754, 3.173, 0.787, 0.9726, 0.2851, 0.9273, 0.2994, 1.5606, 0.3219, 1.6781, 0.812, 5.534, 0.2559,
        1.7441 },
    { 12, 0.9359, 0.9776, 3.258, 0.778, 0.9253, 0.2658, 0.8859, 0.3302, 1.5416, 0.3529, 1.6471, 0.924, 5.592, 0.2836,
        1.7164 },
    { 13, 0.941, 0.9794, 3.336, 0.77, 0.8842, 0.2494, 0.8496, 0.3593, 1.5227, 0.3818, 1.6182, 1.026, 5.646, 0.3076,
        1.6924 },
    { 14, 0.9453, 0.981, 3.407, 0.762, 0.8482, 0.2353, 0.8173, 0.3842, 1.5064, 0.4064, 1.5936, 1.121, 5.693, 0.329,
        1.671 },
    { 15, 0.949, 0.9823, 3.472, 0.755, 0.8162, 0.2231, 0.7886, 0.4062, 1.4918, 0.4281, 1.5719, 1.207, 5.737, 0.3476,
        1.6524 },
    { 16, 0.9523, 0.9835, 3.532, 0.749, 0.7876, 0.2123, 0.7626, 0.4273, 1.4773, 0.4487, 1.5513, 1.285, 5.779, 0.3638,
        1.6362 },
    { 17, 0.9551, 0.9845, 3.588, 0.743, 0.7618, 0.2028, 0.7391, 0.4446, 1.4656, 0.4655, 1.5345, 1.359, 5.817, 0.3788,
        1.6212 },
    { 18, 0.9576, 0.9854, 3.64, 0.738, 0.7384, 0.1943, 0.7176, 0.4606, 1.4546, 0.481, 1.519, 1.426, 5.854, 0.3918,
        1.6082 },
    { 19, 0.9599, 0.9862, 3.689, 0.733, 0.717, 0.1866, 0.6979, 0.4765, 1.4433, 0.4964, 1.5036, 1.49, 5.888, 0.4039,
        1.5961 },
    { 20, 0.9619, 0.9869, 3.735, 0.729, 0.6974, 0.1796, 0.6797, 0.49, 1.4338, 0.5094, 1.4906, 1.548, 5.922, 0.4145,
        1.5855 },
    { 21, 0.9638, 0.9876, 3.778, 0.724, 0.6792, 0.1733, 0.6629, 0.5042, 1.4234, 0.5231, 1.4769, 1.606, 5.95, 0.4251,
        1.5749 },
    { 22, 0.9655, 0.9882, 3.819, 0.72, 0.6625, 0.1675, 0.6472, 0.517, 1.414, 0.5354, 1.4646, 1.659, 5.979, 0.4344,
        1.5656 },
    { 23, 0.967, 0.9887, 3.858, 0.716, 0.6469, 0.1621, 0.6327, 0.5278, 1.4062, 0.5458, 1.4542, 1.71, 6.006, 0.4432,
        1.5568 },
    { 24, 0.9684, 0.9892, 3.895, 0.712, 0.6324, 0.1572, 0.6191, 0.5385, 1.3983, 0.5561, 1.4439, 1.759, 6.031, 0.4516,
        1.5484 },
    { 25, 0.9696, 0.9896, 3.931, 0.709, 0.6188, 0.1526, 0.6063, 0.5467, 1.3925, 0.5638, 1.4362, 1.804, 6.058, 0.4589,
        1.5411 },
} };

} // namespace

TEST(SpcConstants, EveryCellMatchesTheReferenceTable)
{
    const SpcConstants table = BuildSPCConstantsTable();
    for (const auto& ref : kReference) {
        const int n = int(ref[0]);
        const SpcConstantsRow& r = table[n - 2];
        const std::array<double, 15> got { r.c2, r.c4, r.d2, r.d3, r.A1, r.A2, r.A3, r.B1, r.B2, r.B3, r.B4, r.D1, r.D2,
            r.D3, r.D4 };
        for (int c = 0; c < 15; ++c)
            EXPECT_DOUBLE_EQ(got[c], ref[c + 1]) << "n=" << n << " column " << c;
    }
}

TEST(SpcConstants, LookupsOutsideTheTableGiveNothing)
{
    EXPECT_EQ(SpcRow(1), nullptr);
    EXPECT_EQ(SpcRow(26), nullptr);
    ASSERT_NE(SpcRow(25), nullptr);
    EXPECT_DOUBLE_EQ(SpcRow(25)->d3, 0.709);
    EXPECT_EQ(MedianRow(10), nullptr);
    ASSERT_NE(MedianRow(3), nullptr);
}

TEST(SpcConstants, MedianFactors)
{
    // A2Median as stored; A3Median = A2Median·d2/c4 rounded to 4 places. At n = 2 the median is the
    // mean, so the factor is A3 (2.6586) but for the rounding of the stored base values.
    const std::array<double, 8> a2 { 1.88, 1.187, 0.796, 0.691, 0.549, 0.509, 0.434, 0.412 };
    const std::array<double, 8> a3 { 2.6578, 2.2676, 1.779, 1.7099, 1.4621, 1.4346, 1.2804, 1.2624 };
    for (int n = 2; n <= 9; ++n) {
        ASSERT_NE(MedianRow(n), nullptr);
        EXPECT_DOUBLE_EQ(MedianRow(n)->A2Median, a2[n - 2]) << n;
        EXPECT_DOUBLE_EQ(MedianRow(n)->A3Median, a3[n - 2]) << n;
        // A median varies more than a mean: the Median-s factor exceeds the X-Bar-s factor.
        EXPECT_GT(MedianRow(n)->A3Median, SpcRow(n)->A3 - 0.001) << n;
    }
}

TEST(SubgroupStatistics, FiveReadings)
{
    std::vector<double> v { 2, 4, 4, 4, 5 };
    EXPECT_DOUBLE_EQ(GetAverage(v, 4), 3.8);
    EXPECT_DOUBLE_EQ(GetRange(v, 4), 3);
    EXPECT_DOUBLE_EQ(GetStdDev(v), 1.0954);
    EXPECT_DOUBLE_EQ(GetMedian(v), 4);
}

TEST(SubgroupStatistics, EvenMedianAndDescendingSort)
{
    std::vector<double> v { 1, 10, 3, 2 };
    EXPECT_DOUBLE_EQ(GetMedian(v), 2.5);
    EXPECT_EQ(v, (std::vector<double> { 10, 3, 2, 1 }));
}

TEST(SubgroupStatistics, DegenerateInputs)
{
    EXPECT_DOUBLE_EQ(GetStdDev(std::vector<double> { 7 }), 0);
    EXPECT_DOUBLE_EQ(GetStdDev(std::vector<double>(5, 0.7)), 0); // sums cancel to slightly below 0
    EXPECT_DOUBLE_EQ(GetAverage(std::vector<double> { 1, 2, 3 }, 1), 1.5);
    std::vector<double> none;
    EXPECT_DOUBLE_EQ(GetMedian(none), 0);
}

namespace
{

RunningStdDev Readings(std::initializer_list<double> values)
{
    RunningStdDev r;
    for (double x : values)
        r.add(x);
    return r;
}

ProcessStatistic WithSigma(double centre, double sigma)
{
    // EstSigma = AverageVariation / d2(2) for Individual-MR.
    ProcessStatistic s;
    s.IsSubgroupChart = false;
    s.XDoubleBar = centre;
    s.AverageVariation = sigma * 1.128;
    return s;
}

} // namespace

TEST(Capability, MissingUpperLimit)
{
    ProcessStatistic s = WithSigma(4, 0.5);
    ASSERT_TRUE(CalculateProcessStatistic(s, 999.0, 1.0, Readings({ 2, 6 }), kChartIndividualMR, 2));
    EXPECT_TRUE(s.CpU.isNA());
    EXPECT_CLOSE(s.CpL.value(), 2);
    EXPECT_CLOSE(s.CpK.value(), 2);
    EXPECT_TRUE(s.Cp.isNA());
    EXPECT_EQ(CRText(s.Cp), "N/A");
}

TEST(Capability, BothLimits)
{
    ProcessStatistic s = WithSigma(8, 1);
    ASSERT_TRUE(CalculateProcessStatistic(s, 10.0, 4.0, Readings({ 7, 9 }), kChartIndividualMR, 2));
    EXPECT_CLOSE(s.CpU.value(), 2.0 / 3);
    EXPECT_CLOSE(s.CpL.value(), 4.0 / 3);
    EXPECT_EQ(s.CpK, s.CpU);
    EXPECT_CLOSE(s.Cp.value(), 1);
    EXPECT_EQ(CRText(s.Cp), "100.00%");
    EXPECT_EQ(CRText(Figure(1.5)), "66.67%");
    EXPECT_EQ(CRText(Figure(0.0)), "N/A"); // coinciding limits: no ratio rather than a division by 0
    EXPECT_EQ(CRText(Figure(0.00004)), "2500000.00%"); // a small Cp keeps its digits
    EXPECT_EQ(CRText(Figure(0.3)), "333.33%");
}

TEST(Capability, LargeCountsDoNotOverflow)
{
    // 100,000 readings alternating 4 and 6: (N - 1)·N exceeds 32 bits.
    ProcessStatistic s = WithSigma(5, 1);
    RunningStdDev readings;
    for (int i = 0; i < 100000; ++i)
        readings.add(i % 2 ? 6 : 4);
    ASSERT_TRUE(CalculateProcessStatistic(s, 999.0, -999.0, readings, kChartIndividualMR, 2));
    EXPECT_DOUBLE_EQ(s.StdDev, 1);
}

TEST(Capability, EqualReadingsGiveZeroSpreadWithoutAMessage)
{
    SubgroupAccumulator acc(kChartXBarR, 5);
    for (int i = 0; i < 5; ++i)
        acc.add(0.7);
    const ProcessStatistic s = acc.finish(1.0, 0.5);
    EXPECT_DOUBLE_EQ(s.StdDev, 0);
    EXPECT_TRUE(s.Cp.isNA() && s.CpK.isNA());
    EXPECT_TRUE(s.failure.isEmpty());
}

TEST(Capability, ZeroSigmaAndSentinelsGiveNA)
{
    ProcessStatistic s = WithSigma(5, 0);
    ASSERT_TRUE(CalculateProcessStatistic(s, 10.0, 4.0, Readings({ 5, 5 }), kChartIndividualMR, 2));
    EXPECT_TRUE(s.Cp.isNA() && s.CpU.isNA() && s.CpL.isNA() && s.CpK.isNA());
    EXPECT_DOUBLE_EQ(s.StdDev, 0);

    ProcessStatistic t = WithSigma(5, 1);
    ASSERT_TRUE(CalculateProcessStatistic(t, -999.0, Figure::na(), Readings({ 5, 5 }), kChartIndividualMR, 2));
    EXPECT_TRUE(t.CpU.isNA() && t.CpL.isNA() && t.CpK.isNA() && t.Cp.isNA());
}

TEST(Capability, EmptyAverageDoesNothingAndFailuresAreReported)
{
    ProcessStatistic s;
    s.StdDev = 42;
    EXPECT_TRUE(CalculateProcessStatistic(s, 10.0, 4.0, Readings({ 1, 1 }), kChartXBarR, 5));
    EXPECT_DOUBLE_EQ(s.StdDev, 42);
    EXPECT_TRUE(s.EstSigma.isEmpty());

    ProcessStatistic one = WithSigma(5, 1);
    EXPECT_FALSE(CalculateProcessStatistic(one, 10.0, 4.0, Readings({ 5 }), kChartIndividualMR, 2));
    EXPECT_TRUE(one.EstSigma.isEmpty());

    ProcessStatistic text;
    text.AverageVariation = Figure::na();
    EXPECT_FALSE(CalculateProcessStatistic(text, 10.0, 4.0, Readings({ 1, 1, 1, 1, 1 }), kChartXBarR, 5));
    EXPECT_EQ(one.failure, "Division by zero!");
    EXPECT_EQ(text.failure, "Type mismatch!");
    EXPECT_TRUE(s.failure.isEmpty());
}

TEST(Capability, DivisorFollowsTheChartType)
{
    for (const QString& type : { kChartXBarR, kChartMedianR, kChartXBarRMedianS }) {
        ProcessStatistic s;
        s.XDoubleBar = 10.0;
        s.AverageVariation = 2.326;
        ASSERT_TRUE(CalculateProcessStatistic(s, 999.0, -999.0, Readings({ 8, 9, 10, 11, 12 }), type, 5));
        EXPECT_CLOSE(s.EstSigma.value(), 1) << type.toStdString();
    }
    for (const QString& type : { kChartXBarS, kChartMedianS }) {
        ProcessStatistic s;
        s.XDoubleBar = 10.0;
        s.AverageVariation = 0.94;
        ASSERT_TRUE(CalculateProcessStatistic(s, 999.0, -999.0, Readings({ 8, 9, 10, 11, 12 }), type, 5));
        EXPECT_CLOSE(s.EstSigma.value(), 1) << type.toStdString();
    }
}

TEST(Accumulator, WholeSubgroupsOnlyAndSentinelsAsZero)
{
    SubgroupAccumulator acc(kChartXBarR, 5);
    const std::vector<std::optional<double>> readings { 2, 4, 4, 4, 5, 999, 3, std::nullopt, -999, 2, 9, 9, 9 };
    std::vector<SubgroupPoint> points;
    for (const auto& r : readings)
        if (auto p = acc.add(r))
            points.push_back(*p);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[1].number, 2);
    EXPECT_DOUBLE_EQ(points[1].mean, 1); // 0, 3, 0, 0, 2
    EXPECT_DOUBLE_EQ(points[1].range, 3);
    EXPECT_EQ(acc.readingCount(), 10);
    // The unfinished subgroup is not counted: 2, 4, 4, 4, 5, 0, 3, 0, 0, 2 (mean 2.4).
    EXPECT_EQ(acc.readings().count(), 10);
    EXPECT_CLOSE(acc.readings().sampleStdDev(), std::sqrt((90 - 10 * 2.4 * 2.4) / 9));

    const ProcessStatistic s = acc.finish(999.0, -999.0);
    EXPECT_DOUBLE_EQ(s.PointCount, 2);
    EXPECT_CLOSE(s.XDoubleBar.value(), 2.4);
    EXPECT_CLOSE(s.AverageVariation.value(), 3);
    EXPECT_CLOSE(s.EstSigma.value(), 3 / 2.326);
    EXPECT_TRUE(s.failure.isEmpty());
}

TEST(Accumulator, SeriesValuesByChartType)
{
    const std::vector<double> group { 1, 2, 9 };
    auto run = [&](const QString& type) {
        SubgroupAccumulator acc(type, 3);
        std::optional<SubgroupPoint> p;
        for (double x : group)
            p = acc.add(x);
        return *p;
    };
    const SubgroupPoint mr = run(kChartMedianR);
    EXPECT_DOUBLE_EQ(mr.medianValue, 2);
    EXPECT_DOUBLE_EQ(mr.centreValue, 2);
    EXPECT_DOUBLE_EQ(mr.variationValue, 8);
    const SubgroupPoint all = run(kChartXBarRMedianS);
    EXPECT_DOUBLE_EQ(all.medianValue, 2);
    EXPECT_DOUBLE_EQ(all.centreValue, 4);
    EXPECT_DOUBLE_EQ(all.sValue, all.stdDev);
    EXPECT_DOUBLE_EQ(all.variationValue, 8);
    SubgroupAccumulator both(kChartXBarRMedianS, 3);
    for (double x : { 1.0, 2.0, 9.0, 1.0, 1.0, 4.0 })
        both.add(x);
    EXPECT_CLOSE(both.finish(999.0, -999.0).AverageVariation.value(), 5.5); // R-bar, not s-bar
    const SubgroupPoint xs = run(kChartXBarS);
    EXPECT_DOUBLE_EQ(xs.medianValue, 4);
    EXPECT_DOUBLE_EQ(xs.variationValue, xs.stdDev);
    EXPECT_DOUBLE_EQ(xs.stdDev, 4.3589);
}

TEST(Accumulator, MedianChartCentreIsTheMeanOfMeans)
{
    SubgroupAccumulator acc(kChartMedianR, 3);
    for (double x : { 1.0, 2.0, 9.0, 1.0, 1.0, 1.0 })
        acc.add(x);
    const ProcessStatistic s = acc.finish(999.0, -999.0);
    EXPECT_CLOSE(s.XDoubleBar.value(), 2.5);
}

TEST(Accumulator, IndividualMovingRanges)
{
    IndividualAccumulator acc;
    std::vector<double> mr;
    for (double x : { 5.0, 7.0, 4.0 })
        mr.push_back(acc.add(x).movingRange);
    EXPECT_EQ(mr, (std::vector<double> { 0, 2, 3 }));
    const ProcessStatistic s = acc.finish(999.0, -999.0);
    EXPECT_CLOSE(s.XDoubleBar.value(), 16.0 / 3);
    EXPECT_CLOSE(s.AverageVariation.value(), 2.5);
    EXPECT_CLOSE(s.EstSigma.value(), 2.5 / 1.128);
    EXPECT_DOUBLE_EQ(s.StdDev, 1.5275);
    EXPECT_FALSE(s.IsSubgroupChart);
}

// Readings near the largest double overflow no sum: the means and the centre stay true.
TEST(Accumulator, ReadingsNearTheLargestDoubleGiveTheirMean)
{
    const double a = 1.7e308, b = 1.75e308;
    EXPECT_DOUBLE_EQ(GetAverage(std::vector<double> { a, b, a, b, a }, 4), 1.72e308);
    SubgroupAccumulator subgroups(kChartXBarR, 5);
    IndividualAccumulator individual;
    for (int i = 0; i < 10; ++i) {
        subgroups.add(i % 2 ? b : a);
        individual.add(i % 2 ? b : a);
    }
    for (const ProcessStatistic& s : { subgroups.finish(999.0, -999.0), individual.finish(999.0, -999.0) })
        EXPECT_DOUBLE_EQ(s.XDoubleBar.value(), 1.725e308);
}

TEST(Accumulator, ReadingsNearTheLargestDoubleGiveTheirStandardDeviation)
{
    // ±1e308: the deviations are 1e308, their squares far beyond the largest double. s = √(4/3)·1e308.
    const double s = std::sqrt(4.0 / 3) * 1e308;
    EXPECT_CLOSE(Readings({ 1e308, -1e308, 1e308, -1e308 }).sampleStdDev(), s, 1e-15);
    EXPECT_CLOSE(GetStdDev(std::vector<double> { 1e308, -1e308, 1e308, -1e308 }), s, 1e-15);
    SubgroupAccumulator subgroups(kChartXBarS, 4);
    IndividualAccumulator individual;
    for (int i = 0; i < 8; ++i) {
        subgroups.add(i % 2 ? -1e308 : 1e308);
        individual.add(i % 2 ? -1e308 : 1e308);
    }
    EXPECT_CLOSE(subgroups.finish(999.0, -999.0).StdDev, std::sqrt(8.0 / 7) * 1e308, 1e-15);
    EXPECT_CLOSE(individual.finish(999.0, -999.0).StdDev, std::sqrt(8.0 / 7) * 1e308, 1e-15);
    EXPECT_EQ(individual.readings().mean(), 0);

    // Readings that grow from ordinary to near 1e308 as they come: checked against long double.
    const std::vector<double> growing { 3, -7, 2.5e200, 4e307, 1.6e308, -1.7e308, 9e307 };
    RunningStdDev r;
    long double sum = 0, squares = 0;
    for (double x : growing) {
        r.add(x);
        sum += x;
    }
    const long double mean = sum / growing.size();
    for (double x : growing)
        squares += (x - mean) * (x - mean);
    EXPECT_CLOSE(r.sampleStdDev(), double(std::sqrt(squares / (growing.size() - 1))), 1e-14);
    EXPECT_CLOSE(r.mean(), double(mean), 1e-14);
    // In a unit of 2^1023 the sum of squares (about 8e616) is a number.
    const long double unit = 0x1p1023;
    EXPECT_CLOSE(r.sumSquares(0x1p1023), double(squares / (unit * unit)), 1e-14);
}

// ±1e308: a range or moving range (2e308) lies beyond the largest double; R-bar, s-bar, MR-bar and sigma need not.
TEST(Accumulator, RangesOfReadingsNearTheLargestDoubleGiveFiniteFigures)
{
    const double d2 = SpcRow(2)->d2, c4 = SpcRow(2)->c4;
    // Pairs (1, 3), (1e308, -1e308), (0, 0), (0, 0): R-bar (2 + 2e308) / 4; the unit changes after the first.
    SubgroupAccumulator r(kChartXBarR, 2), s(kChartXBarS, 2);
    for (double x : { 1.0, 3.0, 1e308, -1e308, 0.0, 0.0, 0.0, 0.0 }) {
        const auto point = r.add(x);
        s.add(x);
        if (point && point->number == 2) {
            EXPECT_TRUE(std::isinf(point->range)) << "the point itself is no double";
        }
    }
    const ProcessStatistic rs = r.finish(1.0, -1.0);
    ASSERT_TRUE(rs.failure.isEmpty()) << rs.failure.toStdString();
    EXPECT_CLOSE(rs.AverageVariation.value(), 0.5e308, 1e-15);
    EXPECT_CLOSE(rs.EstSigma.value(), 0.5e308 / d2, 1e-15);
    EXPECT_CLOSE(rs.Cp.value(), 2 / (6 * 0.5e308 / d2), 1e-15);
    // s of the pair ±1e308 is √2·1e308; four such pairs sum to 5.7e308.
    SubgroupAccumulator s4(kChartXBarS, 2);
    for (int i = 0; i < 8; ++i)
        s4.add(i % 2 ? -1e308 : 1e308);
    const ProcessStatistic ss = s4.finish(999.0, -999.0);
    EXPECT_CLOSE(ss.AverageVariation.value(), std::sqrt(2.0) * 1e308, 1e-4); // s is rounded to 4 decimals
    EXPECT_CLOSE(ss.EstSigma.value(), std::sqrt(2.0) * 1e308 / c4, 1e-4);
    EXPECT_CLOSE(s.finish(999.0, -999.0).AverageVariation.value(), (std::sqrt(2.0) + std::sqrt(2.0) * 1e308) / 4, 1e-4);

    // Individual-MR on ±1e308: MR-bar 2e308 is no double, sigma (MR-bar / d2) is; the limits 3 sigma away
    // are not, and say so.
    IndividualAccumulator individual;
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(individual.add(i % 2 ? -1e308 : 1e308).movingRange, i ? HUGE_VAL : 0.0);
    const ProcessStatistic is = individual.finish(1.0, -1.0);
    ASSERT_TRUE(is.failure.isEmpty()) << is.failure.toStdString();
    EXPECT_TRUE(std::isinf(is.AverageVariation.value()));
    const double sigma = 1e308 / d2 * 2;
    EXPECT_CLOSE(is.EstSigma.value(), sigma, 1e-15);
    EXPECT_CLOSE(is.Cp.value(), 2 / (6 * sigma), 1e-15);
    LimitInputs in;
    in.stat = is;
    in.chartType = kChartIndividualMR;
    EXPECT_EQ(ComputeControlLimits(in).failure, "Overflow!");
    // Limits within the largest double are drawn.
    in.stat = rs;
    in.chartType = kChartXBarR;
    in.sampleSize = 2;
    const ControlLimits limits = ComputeControlLimits(in);
    ASSERT_TRUE(limits.failure.isEmpty()) << limits.failure.toStdString();
    EXPECT_CLOSE(limits.UCLVar.value(), SpcRow(2)->D4 * 0.5e308, 1e-4);
}

TEST(Accumulator, ReadingsScaledByAPowerOfTwoGiveTheSameFiguresScaled)
{
    // Taken in a unit near 1e308 the arithmetic is that of the ordinary readings, bit for bit; ordinary
    // readings are taken as they are.
    const std::vector<double> plain { 5.01, 4.98, 5.07, 4.93, 5.02, 5.00, 4.97, 5.05, -3.25, 12.5 };
    const double k = 0x1p1010;
    RunningStdDev small, large;
    for (double x : plain) {
        small.add(x);
        large.add(x * k);
    }
    EXPECT_EQ(small.unit(), 1);
    EXPECT_EQ(large.sampleStdDev(), small.sampleStdDev() * k);
    EXPECT_EQ(large.mean(), small.mean() * k);
    EXPECT_EQ(large.sumSquares(0x1p1010), small.sumSquares());
}

namespace
{

// 500 readings base + step·k, k a fixed pseudo-random whole number in -100 ... 100.
std::vector<double> LargeReadings(double base, double step)
{
    std::vector<double> v;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1103515245u + 12345u;
        v.push_back(base + step * double(int((seed >> 16) % 201) - 100));
    }
    return v;
}

// The sample standard deviation of the first `count` values by two passes in extended precision.
double ReferenceStdDev(const std::vector<double>& v, std::size_t count)
{
    long double mean = 0;
    for (std::size_t i = 0; i < count; ++i)
        mean += v[i];
    mean /= count;
    long double squares = 0;
    for (std::size_t i = 0; i < count; ++i)
        squares += (v[i] - mean) * (v[i] - mean);
    return double(std::sqrt(squares / (count - 1)));
}

} // namespace

// Readings far from zero: the running sums of x and x² lose every digit of the spread (2.4e9 ± 100 gave
// 103.7253, 92.7747 or 98.4025 by subgroup size and 113.6254 on Individual-MR; 1e6 ± 0.01 gave 0).
// Every chart type and size shows the true sample SD of the readings it used.
TEST(StdDev, LargeReadingsGiveTheTrueSampleSdAtEveryChartTypeAndSize)
{
    for (const auto& [base, step] : { std::pair { 2.4e9, 1.0 }, std::pair { 1e6, 0.0001 } }) {
        const std::vector<double> v = LargeReadings(base, step);
        const double all = ReferenceStdDev(v, v.size());
        ASSERT_GT(all, 50 * step); // a real spread: about 58 steps
        std::vector<double> shownForAll; // Std Dev of the charts that use all 500 readings

        IndividualAccumulator individual;
        for (double x : v)
            individual.add(x);
        EXPECT_CLOSE(individual.readings().sampleStdDev(), all) << base;
        const double individualShown = individual.finish(999.0, -999.0).StdDev;
        EXPECT_DOUBLE_EQ(individualShown, Round4(all)) << base;
        shownForAll.push_back(individualShown);

        for (const QString& type : { kChartXBarR, kChartXBarS, kChartMedianR, kChartMedianS, kChartXBarRMedianS }) {
            const bool median = type.contains("Median");
            for (int n = median ? 3 : 2; n <= (median ? 9 : 25); ++n) {
                SubgroupAccumulator acc(type, n);
                for (double x : v)
                    acc.add(x);
                const std::size_t used = v.size() - v.size() % std::size_t(n);
                const double expected = ReferenceStdDev(v, used);
                ASSERT_EQ(acc.readings().count(), std::int64_t(used));
                EXPECT_CLOSE(acc.readings().sampleStdDev(), expected)
                    << base << ' ' << type.toStdString() << " n=" << n << ": " << acc.readings().sampleStdDev()
                    << " != " << expected;
                const double shown = acc.finish(999.0, -999.0).StdDev;
                EXPECT_DOUBLE_EQ(shown, Round4(expected)) << base << ' ' << type.toStdString() << " n=" << n;
                if (used == v.size())
                    shownForAll.push_back(shown);
            }
        }
        // The same readings give the same panel figure whatever the chart: Individual-MR and every size
        // that divides 500.
        EXPECT_EQ(shownForAll.size(), 19u); // Individual-MR; n = 2, 4, 5, 10, 20, 25 twice; 4, 5 three times
        for (double shown : shownForAll)
            EXPECT_DOUBLE_EQ(shown, shownForAll.front()) << base;
    }
}

TEST(StdDev, SubgroupSdOfLargeReadings)
{
    // Per subgroup too: s of 2,400,000,000 + (-2, -1, 0, 1, 2) is √2.5, not noise.
    EXPECT_DOUBLE_EQ(GetStdDev(std::vector<double> { 2.4e9 - 2, 2.4e9 - 1, 2.4e9, 2.4e9 + 1, 2.4e9 + 2 }), 1.5811);
    EXPECT_DOUBLE_EQ(GetStdDev(std::vector<double> { 1e6 + 0.01, 1e6 - 0.01 }), 0.0141);
}

// Subgroups an engine summed (count, mean, squared deviations) give the points and the process figures their
// readings give, far from zero and at magnitudes whose squares need a unit of their own.
TEST(StdDev, SubgroupFiguresGiveThePointsAndFiguresOfTheirReadings)
{
    for (const auto& [base, step] :
        { std::pair { 2.4e9, 1.0 }, std::pair { 1e6, 0.0001 }, std::pair { 1e153, 1e150 } }) {
        const std::vector<double> v = LargeReadings(base, step);
        for (int n : { 2, 5, 25 }) {
            SubgroupAccumulator readings(kChartXBarRMedianS, n), figures(kChartXBarRMedianS, n);
            for (std::size_t first = 0; first + std::size_t(n) <= v.size(); first += std::size_t(n)) {
                std::optional<SubgroupPoint> expected;
                for (std::size_t i = first; i < first + std::size_t(n); ++i)
                    expected = readings.add(v[i]);
                ASSERT_TRUE(expected);
                // What the engine computes: the mean first, then the squared deviations from it.
                const std::span<const double> g(v.data() + first, std::size_t(n));
                SubgroupSummary s;
                s.count = n;
                for (double x : g)
                    s.mean += x / n;
                s.low = *std::min_element(g.begin(), g.end());
                s.high = *std::max_element(g.begin(), g.end());
                for (double x : g)
                    s.squares += (x - s.mean) * (x - s.mean);
                std::vector<double> sorted(g.begin(), g.end());
                s.median = GetMedian(sorted);
                const SubgroupPoint p = figures.add(s);
                EXPECT_CLOSE(p.mean, expected->mean);
                EXPECT_EQ(p.range, expected->range);
                EXPECT_CLOSE(p.stdDev, expected->stdDev) << base << " n=" << n;
                EXPECT_EQ(p.median, expected->median);
            }
            EXPECT_CLOSE(figures.readings().sampleStdDev(), readings.readings().sampleStdDev()) << base << " n=" << n;
            EXPECT_CLOSE(figures.readings().mean(), readings.readings().mean()) << base << " n=" << n;
            const ProcessStatistic a = readings.finish(999.0, -999.0), b = figures.finish(999.0, -999.0);
            EXPECT_CLOSE(a.StdDev, b.StdDev) << base << " n=" << n;
            EXPECT_EQ(a.ReadingScale, b.ReadingScale);
        }
    }
}
