// The scatter computation on hand-worked sets: figures, panel lines, rounding, failures, far-from-zero readings.
#include "common/nodata.h"
#include "distribution/scatter.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

// Both reads over the pairs.
ScatterResult Compute(const std::vector<double>& xs, const std::vector<double>& ys)
{
    ScatterSums sums;
    for (std::size_t i = 0; i < xs.size(); ++i)
        sums.add(xs[i], ys[i]);
    ScatterDeviations deviations(sums);
    for (std::size_t i = 0; i < xs.size(); ++i)
        deviations.add(xs[i], ys[i]);
    return ComputeScatter(sums, deviations);
}

} // namespace

// x 1..5, y 2 4 5 4 5: X̄ 3, Ȳ 4, Sxx 10, Syy 6, Sxy 6; slope 0.6, intercept 2.2, SDx √2.5, SDy √1.5,
// covariance 1.5, r 1.5 / (√2.5 · √1.5) = 0.774597.
TEST(Scatter, FiguresAndPanelOfAHandWorkedSet)
{
    const ScatterResult r = Compute({ 1, 2, 3, 4, 5 }, { 2, 4, 5, 4, 5 });
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_EQ(r.stat.n, 5);
    EXPECT_CLOSE(r.stat.covariance, 1.5);
    EXPECT_CLOSE(r.stat.slope, 0.6);
    EXPECT_CLOSE(r.stat.intercept, 2.2);
    EXPECT_CLOSE(r.stat.sdX, std::sqrt(2.5));
    EXPECT_CLOSE(r.stat.sdY, std::sqrt(1.5));
    EXPECT_CLOSE(r.stat.correlation, 1.5 / std::sqrt(2.5 * 1.5));
    EXPECT_EQ(ScatterPanelCaptions(),
        QStringList({ "Total:", "X Mean:", "X Std Dev:", "Y Mean:", "Y Std Dev:", "",
            "Intercept:", "Slope:", "Correlation:", "X Min:", "X Max:", "X Range:", "Y Min:", "Y Max:", "Y Range:" }));
    EXPECT_EQ(r.panelValues,
        QStringList({ "5", "3.0", "1.5811", "4.0", "1.2247", "", "2.2", "0.6", "0.7746", "1.0", "5.0", "4.0", "2.0",
            "5.0", "3.0" }));
    EXPECT_EQ(r.figures.xStdDev, 1.5811);
    EXPECT_EQ(r.figures.correlation, 0.7746);
    EXPECT_EQ(r.figures.yRange, 3.0);
}

// A line through every point, rising and falling; its ends are where the bottom axis ends.
TEST(Scatter, ALinearSetGivesCorrelationOneAndALineThroughEveryPoint)
{
    for (const double slope : { 2.5, -0.75 }) {
        std::vector<double> xs, ys;
        for (int i = 0; i < 12; ++i) {
            xs.push_back(1.5 + i * 0.25);
            ys.push_back(slope * xs.back() + 3.0);
        }
        const ScatterResult r = Compute(xs, ys);
        ASSERT_TRUE(r.failure.isEmpty());
        EXPECT_EQ(r.figures.correlation, slope > 0 ? 1.0 : -1.0);
        EXPECT_EQ(r.figures.slope, slope);
        EXPECT_EQ(r.figures.intercept, 3.0);
        for (std::size_t i = 0; i < xs.size(); ++i) {
            const auto line = RegressionLine(r.stat.slope, r.stat.intercept, xs[i], xs.back());
            EXPECT_CLOSE(line[0].y, ys[i]) << i;
        }
        const auto ends = RegressionLine(r.stat.slope, r.stat.intercept, 1.5, 4.25);
        EXPECT_EQ(ends[0].x, 1.5);
        EXPECT_EQ(ends[1].x, 4.25);
        EXPECT_CLOSE(ends[1].y, slope * 4.25 + 3.0);
    }
}

// Readings of 2,400,000,000 plus small offsets: the sums of squares would lose every digit of the spread;
// the figures must be those of the offsets alone (and the means shifted exactly).
TEST(Scatter, ReadingsFarFromZeroKeepTheirDigits)
{
    const double base = 2'400'000'000.0;
    std::vector<double> xs, ys;
    for (double x : { 1.0, 2.0, 3.0, 4.0, 5.0 })
        xs.push_back(base + x);
    for (double y : { 2.0, 4.0, 5.0, 4.0, 5.0 })
        ys.push_back(base + y);
    const ScatterResult r = Compute(xs, ys);
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_EQ(r.figures.xStdDev, 1.5811);
    EXPECT_EQ(r.figures.yStdDev, 1.2247);
    EXPECT_EQ(r.figures.slope, 0.6);
    EXPECT_EQ(r.figures.correlation, 0.7746);
    EXPECT_EQ(r.figures.xMean, base + 3);
    EXPECT_EQ(r.figures.intercept, 960'000'002.2); // Ȳ − X̄ · 0.6
    EXPECT_EQ(r.figures.xRange, 4.0);
    EXPECT_EQ(r.panelValues[1], "2,400,000,003.0");
    EXPECT_EQ(r.panelValues[2], "1.5811");

    // A million readings 2.4e9 ± 100 (a frequency in Hz): the mean to the last shown decimal.
    std::vector<double> hz, mirrored;
    for (int i = 0; i < 1'000'000; ++i) {
        const double offset = (i % 201) - 100; // -100..100, mean over whole cycles 0
        hz.push_back(base + offset + 0.1);
        mirrored.push_back(base - offset);
    }
    const ScatterResult m = Compute(hz, mirrored);
    ASSERT_TRUE(m.failure.isEmpty());
    // 1,000,000 = 4975 whole cycles of 201 plus 25 readings -100..-76 (mean -88): X̄ = base + 0.1 - 0.0022.
    EXPECT_EQ(m.figures.xMean, base + 0.0978);
    EXPECT_EQ(m.figures.correlation, -1.0);
    EXPECT_EQ(m.figures.slope, -1.0);
}

TEST(Scatter, RangesAreTakenBeforeTheirEndsAreRounded)
{
    // X 1.00004 .. 1.00015: range 0.00011 (kept, below 0.001), while the rounded ends are 1.0 and 1.0002.
    const ScatterResult r = Compute({ 1.00004, 1.0001, 1.00015 }, { 1.00025, 2, 3 });
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_EQ(r.figures.xMin, 1.0);
    EXPECT_EQ(r.figures.xMax, 1.0002);
    EXPECT_EQ(r.figures.xRange, 0.00011);
    EXPECT_EQ(r.figures.yMin, 1.0002); // 1.00025: the half goes to the even digit
    EXPECT_EQ(r.panelValues.mid(9, 3), QStringList({ "1.0", "1.0002", "0.00011" }));
}

// The means are shown unrounded through the format; the figure is the number the panel shows, a small one
// with its digits. Counts are grouped by thousands.
TEST(Scatter, MeansAsTheFormatShowsThemAndTheCountGrouped)
{
    std::vector<double> xs, ys;
    for (int i = 0; i < 1234; ++i) {
        xs.push_back(i % 2 ? 0.0001 : 0.0);
        ys.push_back(i);
    }
    const ScatterResult r = Compute(xs, ys);
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_EQ(r.panelValues[0], "1,234");
    EXPECT_EQ(r.panelValues[1], "0.00005");
    EXPECT_EQ(r.figures.xMean, 0.00005);
    EXPECT_EQ(r.panelValues[3], "616.5");
    EXPECT_EQ(r.figures.total, 1234);
}

TEST(Scatter, NothingOrNoSpreadToDivideByEndsWithTheMessage)
{
    EXPECT_EQ(Compute({}, {}).failure, kNoDataCollection);
    EXPECT_EQ(Compute({ 1 }, { 2 }).failure, "Only one pair of readings: a regression needs readings that differ!");
    EXPECT_EQ(
        Compute({ 3, 3, 3 }, { 1, 2, 3 }).failure, "All 3 X readings are 3: a regression needs readings that differ!");
    // The mean is not exactly 0.1, yet there is no spread.
    EXPECT_EQ(Compute({ 1, 2, 3 }, { 0.1, 0.1, 0.1 }).failure,
        "All 3 Y readings are 0.1: a regression needs readings that differ!");
    EXPECT_TRUE(Compute({ 1, 2 }, { 7, 7.5 }).panelValues.size() == 15);
}

TEST(Scatter, ReadingsNearTheLargestDoubleGiveTheirSpreadAndRegression)
{
    // X ±1e308: its squared deviations lie beyond the largest double. In units near 1e308 every figure is
    // that of the same readings scaled down, bit for bit (the slope scaled up).
    const std::vector<double> x { 1e308, -1e308, 1e308, -0.5e308, 0.25e308 }, y { 3, 1, 4, 1, 5 };
    std::vector<double> small;
    for (double v : x)
        small.push_back(v * 0x1p-900);
    const ScatterResult big = Compute(x, y);
    const ScatterResult reference = Compute(small, y);
    ASSERT_TRUE(big.failure.isEmpty()) << big.failure.toStdString();
    EXPECT_EQ(big.stat.sdX, reference.stat.sdX * 0x1p900);
    EXPECT_EQ(big.stat.sdY, reference.stat.sdY);
    EXPECT_EQ(big.stat.slope, reference.stat.slope * 0x1p-900);
    EXPECT_EQ(big.stat.correlation, reference.stat.correlation);
    EXPECT_EQ(big.stat.intercept, reference.stat.intercept);
    EXPECT_CLOSE(big.stat.sdX, std::sqrt(0.8) * 1e308, 1e-14); // mean 0.15e308, squared deviations 3.2e616

    // X near 1.6e308: the sum (4.8e308) lies beyond the largest double, the mean and the spread do not.
    const ScatterResult near = Compute({ 1.5e308, 1.6e308, 1.7e308 }, { 1, 2, 4 });
    ASSERT_TRUE(near.failure.isEmpty()) << near.failure.toStdString();
    EXPECT_CLOSE(near.stat.meanX, 1.6e308, 1e-15);
    EXPECT_CLOSE(near.stat.sdX, 0.1e308, 1e-14);
    EXPECT_CLOSE(near.stat.slope, 1.5 / 0.1e308, 1e-14);
}
