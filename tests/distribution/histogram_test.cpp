// The histogram's computation: cells and their edges, figures with every "N/A", curves, markers, panel, table.
#include "distribution/histogram.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

std::vector<std::int64_t> Counts(const Histogram& h)
{
    std::vector<std::int64_t> counts;
    for (const HistogramCell& c : h.cells)
        counts.push_back(c.count);
    return counts;
}

QString Figures(const Histogram& h)
{
    return h.panelValues.mid(7).join(QLatin1Char(' '));
}

// Worked by hand: mean 5, deviations -3 -1 -1 -1 0 0 2 4, so s² = 32/7, Σd³ = 42 and Σd⁴ = 356.
// Skewness = 8/(7·6) · 42 / (32/7)^1.5 = 8 / 9.77414 = 0.81849;
// kurtosis = 9·8/(7·6·5) · 356·49/1024 - 3·49/(6·5) = 5.840625 - 4.9 = 0.940625.
const HistogramValues kWorked { 2, 4, 4, 4, 5, 5, 7, 9 };

} // namespace

TEST(Histogram, SkewnessKurtosisAndThePanelOfAHandWorkedSet)
{
    const Histogram h = ComputeHistogram(kWorked, 11, 1, 7);
    ASSERT_EQ(h.end, HistogramEnd::Drawn);
    EXPECT_DOUBLE_EQ(h.stats.mean, 5);
    EXPECT_CLOSE(h.stats.stdDev, std::sqrt(32.0 / 7));
    EXPECT_EQ(h.stats.skewness, 0.8185);
    EXPECT_EQ(h.stats.kurtosis, 0.9406);
    EXPECT_EQ(h.panelValues,
        (QStringList { "8", "1.0", "2.1381", "7.0", "0.8185", "0.9406", "", "0.7795", "1.2829", "0.6236", "0.9354",
            "0.6236", "2.8062", "1.8708" }));
    EXPECT_EQ(h.panelValues.size(), HistogramPanelCaptions().size());
    EXPECT_EQ(HistogramPanelCaptions()[8], "PR"); // some captions have no colon
}

TEST(Histogram, CellEdgesTheMaximumAndTheCellTable)
{
    // Edges 1, 2, 3, 4: the value 2 on an inner edge counts in the upper cell, the maximum 5 in the last.
    Histogram h = ComputeHistogram(HistogramValues { 1, 2, 3, 4, 5 }, 999, -999, 4);
    ASSERT_EQ(h.end, HistogramEnd::Drawn);
    EXPECT_EQ(Counts(h), (std::vector<std::int64_t> { 1, 1, 1, 2 }));
    EXPECT_EQ(h.highestCount, 2);
    EXPECT_EQ(h.cells[3].upper, 5);
    EXPECT_EQ(h.cellTableLines,
        (QStringList { "1\t1.0000\tto  2.0000\t1", "2\t2.0000\tto  3.0000\t1", "3\t3.0000\tto  4.0000\t1",
            "4\t4.0000\tto  5.0000\t2", "Total\t\t\t\t5" }));

    h = ComputeHistogram(kWorked, 999, -999, 7);
    EXPECT_EQ(Counts(h), (std::vector<std::int64_t> { 1, 0, 3, 2, 0, 1, 1 }));
    EXPECT_EQ(h.cellTableLines.last(), "Total\t\t\t\t8");
    EXPECT_EQ(h.cellTableLines.first().count('\t'), 3);
    EXPECT_EQ(h.cellTableLines.last().count('\t'), 4);
}

TEST(Histogram, TheCellTableInTheHeadingsColumns)
{
    const int range = int(kCellTableHeading.indexOf("Cell Ranges")), freq = int(kCellTableHeading.indexOf("Freq."));
    EXPECT_EQ(range, 17);
    EXPECT_EQ(freq, 61);
    EXPECT_EQ(CellTableDisplayLine("12\t4.7252\tto  4.7597\t1,008"),
        "12" + QString(15, ' ') + "4.7252" + QString(9, ' ') + "to  4.7597" + QString(19, ' ') + "1,008");
    EXPECT_EQ(CellTableDisplayLine("Total\t\t\t\t20,000"), "Total" + QString(56, ' ') + "20,000");
    // Edges too wide for their column push the rest on; past the last column a tab is one blank.
    EXPECT_EQ(CellTableDisplayLine("1\t2,400,000,000.0000\tto  2,400,000,100.0000\t7"),
        "1" + QString(16, ' ') + "2,400,000,000.0000" + QString(26, ' ') + "to  2,400,000,100.0000 7");
    EXPECT_EQ(CellTableDisplayLine("no tabs"), "no tabs");
}

TEST(Histogram, ReadingsOnAnEdgeCountInTheUpperCell)
{
    // 0.0, 0.1, ... 1.0 twice each in 10 cells: in binary 0.3 lies below 0 + 3 · 0.1, yet it is on that edge.
    HistogramValues tenths;
    for (int round = 0; round < 2; ++round)
        for (int k = 0; k <= 10; ++k)
            tenths.append(k / 10.0);
    const Histogram h = ComputeHistogram(tenths, 999, -999, 10);
    ASSERT_EQ(h.end, HistogramEnd::Drawn);
    EXPECT_EQ(Counts(h), (std::vector<std::int64_t> { 2, 2, 2, 2, 2, 2, 2, 2, 2, 4 }));
    EXPECT_EQ(h.cellTableLines[3], "4\t0.3000\tto  0.4000\t2");
}

// Readings as a data source holds decimals (m / 10^p, read as text), the cell of each found in whole numbers:
// floor(cells · (m − min) / (max − min)), the maximum in the last cell. Many of them lie exactly on edges.
TEST(Histogram, CellsMatchExactDecimalArithmetic)
{
    std::mt19937 random(20261207);
    for (int round = 0; round < 300; ++round) {
        const std::int64_t cells = std::uniform_int_distribution<int>(1, 120)(random);
        const int places = std::uniform_int_distribution<int>(0, 9)(random);
        const std::int64_t base = std::uniform_int_distribution<std::int64_t>(-100000000, 100000000)(random);
        const std::int64_t step = std::uniform_int_distribution<std::int64_t>(1, 1000)(random);
        const std::int64_t low = base, high = base + cells * step * std::uniform_int_distribution<int>(1, 3)(random);
        std::vector<std::int64_t> ms { low, high };
        for (int i = 0; i < 200; ++i)
            ms.push_back(std::uniform_int_distribution<std::int64_t>(low, high)(random));
        for (std::int64_t j = 0; j <= cells; ++j)
            ms.push_back(low + j * (high - low) / cells); // on an edge where the division is exact
        HistogramValues values;
        std::vector<std::int64_t> expected(std::size_t(cells), 0);
        for (std::int64_t m : ms) {
            values.append(std::stod(std::to_string(m) + "e-" + std::to_string(places)));
            const std::int64_t j = std::min(cells - 1, cells * (m - low) / (high - low));
            ++expected[std::size_t(j)];
        }
        const Histogram h = ComputeHistogram(values, 999, -999, cells);
        ASSERT_EQ(h.end, HistogramEnd::Drawn);
        ASSERT_EQ(Counts(h), expected) << "round " << round << ", " << places << " places";
    }
}

TEST(Histogram, PerformanceIndicesWithEachLimitMissing)
{
    // Only the lower limit: PpK is PpL; Pp, PR, PpU and Zu cannot be computed.
    Histogram h = ComputeHistogram(kWorked, 999, 1, 7);
    EXPECT_EQ(Figures(h), "N/A N/A 0.6236 N/A 0.6236 N/A 1.8708");
    EXPECT_EQ(h.stats.PpK, h.stats.PpL);
    EXPECT_FALSE(h.markers[1].drawn); // no USL line
    EXPECT_TRUE(h.markers[0].drawn);
    EXPECT_TRUE(h.specCurve.empty());

    // Only the upper limit: PpK is PpU.
    h = ComputeHistogram(kWorked, 11, -999, 7);
    EXPECT_EQ(Figures(h), "N/A N/A 0.9354 0.9354 N/A 2.8062 N/A");

    // Neither; a sentinel in the other limit's place is absent too.
    h = ComputeHistogram(kWorked, -999, 999, 7);
    EXPECT_EQ(Figures(h), "N/A N/A N/A N/A N/A N/A N/A");
    EXPECT_FALSE(h.markers[0].drawn);
    EXPECT_FALSE(h.markers[1].drawn);

    // Both, centred: PpL equals PpU and PpK is that value; off centre PpK is the smaller one.
    h = ComputeHistogram(kWorked, 9, 1, 7);
    EXPECT_EQ(h.stats.PpU, h.stats.PpL);
    EXPECT_EQ(h.stats.PpK, h.stats.PpU);
    h = ComputeHistogram(kWorked, 8, 1, 7);
    EXPECT_EQ(h.stats.PpK, h.stats.PpU);
    EXPECT_LT(h.stats.PpU.value(), h.stats.PpL.value());
}

TEST(Histogram, AMeanOfZeroDrawsAndEqualReadingsAreTold)
{
    const Histogram centred = ComputeHistogram(HistogramValues { -1, 1, -1, 1 }, 999, -999, 20);
    ASSERT_EQ(centred.end, HistogramEnd::Drawn);
    EXPECT_EQ(centred.stats.mean, 0);
    EXPECT_EQ(Counts(centred).front(), 2);
    EXPECT_EQ(Counts(centred).back(), 2);
    EXPECT_EQ(centred.panelValues.mid(2, 4), (QStringList { "1.1547", "2.0", "0.0", "-6.0" }));
    EXPECT_EQ(centred.markers[2].label, "Mean=0.0");

    const std::pair<HistogramValues, const char*> equal[]
        = { { { 5, 5, 5, 5 }, "All 4 readings are 5: a histogram needs readings that differ" },
              { { 0.1, 0.1, 0.1 }, "All 3 readings are 0.1: a histogram needs readings that differ" },
              { { 7 }, "Only one reading (7): a histogram needs readings that differ" } };
    for (const auto& [values, message] : equal) {
        const Histogram h = ComputeHistogram(values, 999, -999, 20);
        EXPECT_EQ(h.end, HistogramEnd::Failed); // found before the chart is cleared
        EXPECT_EQ(h.failure, message);
        EXPECT_TRUE(h.cells.empty());
    }
}

TEST(Histogram, FailurePathsKeepOrEmptyTheChart)
{
    // Fewer than four values: skewness or kurtosis would divide by zero, found before the chart is cleared.
    for (const HistogramValues& values : { HistogramValues { 1, 2, 4 }, HistogramValues { 1, 2 } }) {
        const Histogram h = ComputeHistogram(values, 999, -999, 20);
        EXPECT_EQ(h.end, HistogramEnd::Failed);
        EXPECT_EQ(h.failure, "Division by zero");
        EXPECT_TRUE(h.panelValues.isEmpty());
    }
    EXPECT_EQ(ComputeHistogram(kWorked, 5, 5, 7).failure, "Division by zero"); // PR with USL = LSL
    EXPECT_EQ(ComputeHistogram(HistogramValues { 1, 2, INFINITY, 3 }, 999, -999, 7).failure, "Overflow");
    // Mean 1.3e308 and SD 0.34e308 are numbers, but the +3 SD line lies beyond the largest double.
    EXPECT_EQ(ComputeHistogram(HistogramValues { 1e308, 1.5e308, 1.7e308, 1e308 }, 999, -999, 7).failure, "Overflow");

    // A cell count below 1 (or one too large to hold) fails after the clearing: the chart is left empty.
    const std::pair<std::int64_t, const char*> counts[]
        = { { 0, "Division by zero" }, { -3, "Subscript out of range" }, { kMaxHistogramCells + 1, "Out of memory" } };
    for (const auto& [cells, failure] : counts) {
        const Histogram h = ComputeHistogram(kWorked, 999, -999, cells);
        EXPECT_EQ(h.end, HistogramEnd::FailedCleared);
        EXPECT_EQ(h.failure, failure);
        EXPECT_TRUE(h.cells.empty());
    }
}

TEST(Histogram, LargeMagnitudeReadingsKeepTheirDigits)
{
    // 2,400,000,000 Hz ± 100: the running-sum formula loses every digit here.
    HistogramValues readings, offsets;
    for (int i = 0; i < 100000; ++i) {
        const double d = double((i * 37) % 201 - 100) + (i % 7) * 0.125;
        readings.append(2.4e9 + d);
        offsets.append(d + 1000); // a small, exactly representable shift keeps the mean away from 0
    }
    const Histogram big = ComputeHistogram(readings, 999, -999, 20);
    const Histogram small = ComputeHistogram(offsets, 999, -999, 20);
    ASSERT_EQ(big.end, HistogramEnd::Drawn);
    ASSERT_EQ(small.end, HistogramEnd::Drawn);
    EXPECT_CLOSE(big.stats.stdDev, small.stats.stdDev, 1e-9);
    EXPECT_GT(big.stats.stdDev, 50);
    EXPECT_CLOSE(big.stats.mean - 2.4e9, small.stats.mean - 1000, 1e-6);
    EXPECT_EQ(big.stats.skewness, small.stats.skewness);
    EXPECT_EQ(big.stats.kurtosis, small.stats.kurtosis);
    EXPECT_EQ(Counts(big), Counts(small));
    EXPECT_EQ(big.panelValues[2], small.panelValues[2]); // Std Dev as shown
}

TEST(Histogram, ReadingsNearTheLargestDoubleGiveTheirMeanAndSpread)
{
    // 1e308 ± 2e306: the sum (5e308) and the squared deviations (4e612) lie beyond the largest double.
    const HistogramValues near { 1.00e308, 1.02e308, 0.98e308, 1.01e308, 0.99e308 };
    const Histogram h = ComputeHistogram(near, 999, -999, 4);
    ASSERT_EQ(h.end, HistogramEnd::Drawn) << h.failure.toStdString();
    EXPECT_CLOSE(h.stats.mean, 1e308, 1e-15);
    EXPECT_CLOSE(h.stats.stdDev, std::sqrt(2.5) * 1e306, 1e-14);
    // In a unit near 1e308 the figures are those of the same readings scaled down, bit for bit.
    HistogramValues scaled;
    for (double x : near)
        scaled.append(x * 0x1p-800);
    const Histogram s = ComputeHistogram(scaled, 999, -999, 4);
    EXPECT_EQ(h.stats.stdDev, s.stats.stdDev * 0x1p800);
    EXPECT_EQ(h.stats.mean, s.stats.mean * 0x1p800);
}

TEST(Histogram, MomentsOfReadingsFarFromZeroKeepTheirDigits)
{
    // 1e10 − 0.001 and 1e10 + 0.001 are symmetric about 1e10 in binary too, so one of the first and four of
    // the second have the shape of −1, 1, 1, 1, 1: skewness −√5 and kurtosis 5. Deviations from a mean rounded
    // to the readings' scale (a unit in the last place is 2e-6 here) gave −2.2318 and 4.9771.
    HistogramValues far { 1e10 - 0.001 }, near { -1 };
    for (int i = 0; i < 4; ++i) {
        far.append(1e10 + 0.001);
        near.append(1);
    }
    const Histogram f = ComputeHistogram(far, 999, -999, 10);
    const Histogram n = ComputeHistogram(near, 999, -999, 10);
    ASSERT_EQ(f.end, HistogramEnd::Drawn);
    EXPECT_EQ(n.stats.skewness, -2.2361);
    EXPECT_EQ(n.stats.kurtosis, 5);
    EXPECT_EQ(f.stats.skewness, n.stats.skewness);
    EXPECT_EQ(f.stats.kurtosis, n.stats.kurtosis);
    EXPECT_EQ(Counts(f), Counts(n));
}

TEST(Histogram, NormalCurvesFollowTheBarsInAnyUnit)
{
    const Histogram h = ComputeHistogram(kWorked, 11, 1, 7);
    ASSERT_GE(h.dataCurve.size(), std::size_t(kHistogramCurvePoints - 1));
    ASSERT_LE(h.dataCurve.size(), std::size_t(kHistogramCurvePoints));
    const double sd = h.stats.stdDev;
    EXPECT_DOUBLE_EQ(h.dataCurve.front().x, 5 - 3 * sd);
    EXPECT_CLOSE(h.dataCurve.back().x, 5 + 3 * sd, 1e-12);
    EXPECT_EQ(h.dataCurve.front().label, " ");
    // Scaled to counts: n · cell width · density (8 · 1 here), so the peak is 8 / (sd·√(2π)).
    EXPECT_CLOSE(h.dataCurve[325].y, 8 * NormalDensity(h.dataCurve[325].x, 5, sd));
    EXPECT_CLOSE(h.dataCurve[325].y, 8 / (sd * std::sqrt(2 * M_PI)), 1e-6);

    // Between the limits, centred at 6 with the data's deviation, every point labelled with its value.
    ASSERT_EQ(h.specCurve.size(), std::size_t(kHistogramCurvePoints));
    EXPECT_DOUBLE_EQ(h.specCurve.front().x, 1);
    EXPECT_CLOSE(h.specCurve.back().x, 11, 1e-12);
    EXPECT_CLOSE(h.specCurve[325].x, 6, 1e-12);
    EXPECT_EQ(h.specCurve[325].label, "1.4927");

    // The same readings in units a thousand times smaller: the same counts and the same curve heights.
    HistogramValues milli;
    for (double x : kWorked)
        milli.append(x / 1000);
    const Histogram m = ComputeHistogram(milli, 999, -999, 7);
    EXPECT_EQ(Counts(m), Counts(h));
    EXPECT_CLOSE(m.dataCurve[100].y, h.dataCurve[100].y, 1e-9);
}

TEST(Histogram, MarkerLinesAndTheAxisHeadRoom)
{
    const Histogram h = ComputeHistogram(kWorked, 11, 1, 7);
    ASSERT_EQ(h.highestCount, 3);
    const std::pair<double, const char*> expected[] = { { 2.97, "LSL=1.0" }, { 2.97, "USL=11.0" }, { 2.97, "Mean=5.0" },
        { 2.73, "-3SD=-1.4143\rA" }, { 2.73, "+3SD=11.4143\rA" }, { 2.61, "-2SD=0.7238\rB" },
        { 2.61, "+2SD=9.2762\rB" }, { 2.73, "-SD=2.8619\rC" }, { 2.73, "+SD=7.1381\rC" } };
    const double values[] = { 1, 11, 5, -1.4143, 11.4143, 0.7238, 9.2762, 2.8619, 7.1381 };
    for (int k = 0; k < kHistogramMarkers; ++k) {
        EXPECT_TRUE(h.markers[k].drawn);
        EXPECT_CLOSE(h.markers[k].height, expected[k].first) << k;
        EXPECT_EQ(h.markers[k].label, expected[k].second);
        EXPECT_EQ(h.markers[k].value, values[k]);
    }
    // The bars are taller than the curve here: 3 % above the highest count.
    EXPECT_CLOSE(h.axisMaximum, 3.09);

    // Evenly spread readings: the curve's peak is taller than any bar, and the head-room is above it.
    HistogramValues even;
    for (int i = 1; i <= 100; ++i)
        even.append(i);
    const Histogram e = ComputeHistogram(even, 999, -999, 10);
    double peak = 0;
    for (const HistogramPoint& p : e.dataCurve)
        peak = std::max(peak, p.y);
    EXPECT_GT(peak, double(e.highestCount));
    EXPECT_CLOSE(e.axisMaximum, peak * 1.03);
}
