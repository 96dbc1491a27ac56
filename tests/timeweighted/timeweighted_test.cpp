// The EWMA and CUSUM computation: the textbook example, sums written out from their definitions, the marks,
// the panel, refused inputs and readings far from zero.
#include "testsupport.h"
#include "timeweighted/timeweighted.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

// The textbook's 30 observations: 20 from a process at its target 10 (sigma 1), then 10 after the mean
// moved up by one sigma.
const std::vector<double> kShifted { 9.45, 7.99, 9.29, 11.66, 12.16, 10.18, 8.04, 11.46, 9.20, 10.34, 9.03, 11.47,
    10.51, 9.40, 10.08, 9.37, 10.62, 10.31, 8.52, 10.84, 10.90, 9.33, 12.29, 11.50, 10.60, 11.08, 10.38, 11.62, 11.31,
    10.52 };

ProcessBasis Basis(double target, double sigma)
{
    return { target, sigma, QStringLiteral("nominal"), QStringLiteral("R-bar/d2") };
}

TimeWeightedSettings Ewma(double lambda, double widthL)
{
    TimeWeightedSettings s;
    s.lambda = lambda;
    s.widthL = widthL;
    return s;
}

TimeWeightedSettings Cusum(double k, double h)
{
    TimeWeightedSettings s;
    s.kind = TimeWeightedKind::Cusum;
    s.k = k;
    s.h = h;
    return s;
}

QString PanelValue(const TimeWeightedResult& r, const QString& caption)
{
    for (const PanelLine& l : r.panel)
        if (l.caption == caption)
            return l.value;
    return QStringLiteral("<none>");
}

std::vector<std::size_t> MarkedPoints(const TimeWeightedResult& r, bool upper)
{
    std::vector<std::size_t> points;
    for (const ShiftMark& m : r.marks)
        if (m.upper == upper)
            points.push_back(m.point);
    return points;
}

// Readings of a process with a target and a sigma, shifted by `shift` sigmas from point `from` on.
std::vector<double> Readings(std::size_t count, double target, double sigma, std::size_t from, double shift)
{
    std::mt19937_64 rng(7);
    std::normal_distribution<double> normal(0, 1);
    std::vector<double> x;
    for (std::size_t i = 0; i < count; ++i)
        x.push_back(target + sigma * (normal(rng) + (i >= from ? shift : 0)));
    return x;
}

} // namespace

TEST(TabularCusum, TextbookExampleSignalsAtObservation29)
{
    const TimeWeightedResult r = ComputeTimeWeighted(Cusum(0.5, 5), kShifted, 1, Basis(10, 1));
    ASSERT_TRUE(r.failure.isEmpty());
    ASSERT_EQ(r.statistic.size(), 30u);
    // C+ crosses H = 5 at observation 29 (C+ = 5.28), having risen for 7 observations: the process was
    // last at its target after observation 22, and has moved to about 10 + 0.5 + 5.28/7.
    EXPECT_TRUE(Near(r.statistic[27].y, 4.47, 1e-12));
    EXPECT_TRUE(Near(r.statistic[28].y, 5.28, 1e-12));
    EXPECT_EQ(MarkedPoints(r, true), (std::vector<std::size_t> { 28, 29 }));
    EXPECT_TRUE(MarkedPoints(r, false).empty());
    EXPECT_EQ(PanelValue(r, "First signal:"), "29");
    EXPECT_EQ(PanelValue(r, "Shift after:"), "22");
    EXPECT_EQ(PanelValue(r, "New mean:"), "11.2543");
    // C- of the first observations, drawn below 0.
    EXPECT_TRUE(Near(r.lowerStatistic[1].y, -1.56, 1e-12));
    EXPECT_TRUE(Near(r.lowerStatistic[2].y, -1.77, 1e-12));
    EXPECT_EQ(r.marks.front().code, "C+");
    // H and -H over the whole chart, labelled at its end.
    ASSERT_EQ(r.ucl.size(), 2u);
    EXPECT_EQ(r.ucl.back().x, 30);
    EXPECT_EQ(r.ucl.back().y, 5);
    EXPECT_EQ(r.lcl.back().y, -5);
    EXPECT_TRUE(r.ucl.back().label.startsWith("H=5.0"));
    EXPECT_EQ(PanelValue(r, "K:"), "0.5");
    EXPECT_EQ(PanelValue(r, "H:"), "5.0");
}

TEST(Ewma, TextbookExampleWithLambda01AndL27)
{
    const TimeWeightedResult r = ComputeTimeWeighted(Ewma(0.1, 2.7), kShifted, 1, Basis(10, 1));
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_TRUE(Near(r.statistic[0].y, 9.945, 1e-12));
    EXPECT_TRUE(Near(r.statistic[1].y, 9.7495, 1e-12));
    EXPECT_TRUE(Near(r.ucl[0].y, 10.27, 1e-12)); // 10 + 2.7 sqrt(0.1/1.9 (1 - 0.81))
    EXPECT_TRUE(Near(r.lcl[0].y, 9.73, 1e-12));
    // The first point outside its limits is observation 29 (z = 10.6468 above 10.6187); 30 stays out.
    EXPECT_EQ(MarkedPoints(r, true), (std::vector<std::size_t> { 28, 29 }));
    EXPECT_TRUE(MarkedPoints(r, false).empty());
    EXPECT_EQ(r.marks.front().code, "E+");
    EXPECT_EQ(PanelValue(r, "First signal:"), "29");
    // The steady-state limits: 10 +- 2.7 sqrt(0.1/1.9).
    EXPECT_EQ(PanelValue(r, "UCL:"), "10.6194");
    EXPECT_EQ(PanelValue(r, "LCL:"), "9.3806");
}

// Six means of four readings (a point's sigma 0.5) about a target of 10, worked by hand. EWMA, lambda 0.5 and
// L 2: z = 10.5, 11.25, 10.625, 9.8125, 11.40625, 12.203125 against 10 +- sqrt(1/3 (1 - 0.25^i)), that is
// +-0.5, 0.5590, 0.5728, 0.5762, ...: the first point lies on its limit (not beyond it), points 2, 3, 5 and 6
// are beyond. CUSUM, k 0.5 and h 2 (K 0.25, H 1): C+ = 0.75, 2.5, 2.25, 1.0, 3.75, 6.5 and C- = 0, 0, 0,
// 0.75, 0, 0; C+ of point 4 equals H and does not signal; the first signal at point 2 after a rise of two
// points, the new mean 10 + 0.25 + 2.5 / 2.
TEST(TimeWeighted, SixMeansWorkedByHand)
{
    const std::vector<double> x { 11, 12, 10, 9, 13, 13 };
    const TimeWeightedResult e = ComputeTimeWeighted(Ewma(0.5, 2), x, 4, Basis(10, 1));
    const double z[] { 10.5, 11.25, 10.625, 9.8125, 11.40625, 12.203125 };
    const double half[] { 0.5, 0.559017, 0.572822, 0.576222, 0.577068, 0.577280 };
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_DOUBLE_EQ(e.statistic[i].y, z[i]) << i;
        EXPECT_NEAR(e.ucl[i].y, 10 + half[i], 1e-6) << i;
        EXPECT_NEAR(e.lcl[i].y, 10 - half[i], 1e-6) << i;
    }
    EXPECT_EQ(MarkedPoints(e, true), (std::vector<std::size_t> { 1, 2, 4, 5 }));
    EXPECT_TRUE(MarkedPoints(e, false).empty());
    EXPECT_EQ(PanelValue(e, "Signals:"), "4");
    EXPECT_EQ(PanelValue(e, "First signal:"), "2");
    EXPECT_EQ(PanelValue(e, "UCL:"), "10.5774"); // 10 + 2 * 0.5 * sqrt(1/3)

    const TimeWeightedResult c = ComputeTimeWeighted(Cusum(0.5, 2), x, 4, Basis(10, 1));
    const double up[] { 0.75, 2.5, 2.25, 1.0, 3.75, 6.5 };
    const double down[] { 0, 0, 0, 0.75, 0, 0 };
    for (std::size_t i = 0; i < x.size(); ++i) {
        EXPECT_DOUBLE_EQ(c.statistic[i].y, up[i]) << i;
        EXPECT_DOUBLE_EQ(-c.lowerStatistic[i].y, down[i]) << i;
    }
    EXPECT_EQ(c.ucl.back().y, 1);
    EXPECT_EQ(MarkedPoints(c, true), (std::vector<std::size_t> { 1, 2, 4, 5 }));
    EXPECT_TRUE(MarkedPoints(c, false).empty());
    EXPECT_EQ(PanelValue(c, "K:"), "0.25");
    EXPECT_EQ(PanelValue(c, "H:"), "1.0");
    EXPECT_EQ(PanelValue(c, "First signal:"), "2");
    EXPECT_EQ(PanelValue(c, "Shift after:"), "0");
    EXPECT_EQ(PanelValue(c, "New mean:"), "11.5");
}

// z(i) as the weighted sum of every reading so far and the target, and its standard deviation as the root
// of the summed squared weights: the closed forms the chart uses, written out term by term.
TEST(Ewma, StatisticAndLimitsAreTheWeightedSumsOfTheirDefinition)
{
    const double target = 50, sigma = 2, lambda = 0.25, widthL = 2.9;
    const int n = 4; // means of four readings: a point's sigma is 1
    const std::vector<double> x = Readings(60, target, 1, 40, 1.0);
    const TimeWeightedResult r = ComputeTimeWeighted(Ewma(lambda, widthL), x, n, Basis(target, sigma));
    ASSERT_EQ(r.statistic.size(), x.size());
    bool anyMark = false;
    for (std::size_t i = 0; i < x.size(); ++i) {
        double z = std::pow(1 - lambda, double(i + 1)) * target, variance = 0;
        for (std::size_t j = 0; j <= i; ++j) {
            const double w = lambda * std::pow(1 - lambda, double(i - j));
            z += w * x[j];
            variance += w * w; // of a point whose sigma is 1
        }
        const double half = widthL * std::sqrt(variance);
        EXPECT_TRUE(Near(r.statistic[i].y, z, 1e-12)) << i;
        EXPECT_TRUE(Near(r.ucl[i].y, target + half, 1e-12)) << i;
        EXPECT_TRUE(Near(r.lcl[i].y, target - half, 1e-12)) << i;
        const bool beyond = std::fabs(z - target) > half;
        const auto marked
            = std::find_if(r.marks.begin(), r.marks.end(), [&](const ShiftMark& m) { return m.point == i; });
        EXPECT_EQ(beyond, marked != r.marks.end()) << i;
        anyMark = anyMark || beyond;
    }
    EXPECT_TRUE(anyMark); // the shift of one sigma was seen
    EXPECT_EQ(PanelValue(r, "Size:"), "4");
    EXPECT_EQ(PanelValue(r, "Sigma:"), "2.0");
}

// C+ and C- as the largest sum of (x - target - K) over the runs that end at the point (and 0): the
// definition the recursion stands for. A downward shift signals on C- only.
TEST(TabularCusum, SumsAreTheLargestRunSumsAndADownwardShiftMarksBelow)
{
    const double target = -3, sigma = 0.5, k = 0.75, h = 4;
    const std::vector<double> x = Readings(80, target, sigma, 50, -1.5);
    const TimeWeightedResult r = ComputeTimeWeighted(Cusum(k, h), x, 1, Basis(target, sigma));
    ASSERT_TRUE(r.failure.isEmpty());
    const double K = k * sigma, H = h * sigma;
    for (std::size_t i = 0; i < x.size(); ++i) {
        double up = 0, down = 0, upRun = 0, downRun = 0;
        for (std::size_t j = i + 1; j-- > 0;) {
            upRun += x[j] - target - K;
            downRun += target - K - x[j];
            up = std::max(up, upRun);
            down = std::max(down, downRun);
        }
        EXPECT_TRUE(Near(r.statistic[i].y, up, 1e-12)) << i;
        EXPECT_TRUE(Near(r.lowerStatistic[i].y, -down, 1e-12)) << i;
    }
    EXPECT_TRUE(MarkedPoints(r, true).empty());
    const std::vector<std::size_t> below = MarkedPoints(r, false);
    ASSERT_FALSE(below.empty());
    EXPECT_GE(below.front(), 50u);
    EXPECT_EQ(r.marks.front().code, "C-");
    for (std::size_t i : below)
        EXPECT_GT(-r.lowerStatistic[i].y, H);
    // The estimated new mean lies below the target.
    EXPECT_LT(PanelValue(r, "New mean:").toDouble(), target);
}

// A frequency of 2,400,000,000 Hz read to a thousandth: moved by the offset, the same chart and the same marks.
TEST(TimeWeighted, ReadingsFarFromZeroGiveTheChartOfTheirDeviations)
{
    const double offset = 2.4e9, sigma = 0.03;
    std::vector<double> small, far;
    for (double v : Readings(60, 0, sigma, 30, 1.2)) {
        const double d = std::round(v * 1024) / 1024; // a reading both forms hold exactly
        small.push_back(d);
        far.push_back(offset + d);
    }
    for (const TimeWeightedSettings& s : { Ewma(0.2, 3), Cusum(0.5, 5) }) {
        const TimeWeightedResult near = ComputeTimeWeighted(s, small, 1, Basis(0, sigma));
        const TimeWeightedResult away = ComputeTimeWeighted(s, far, 1, Basis(offset, sigma));
        ASSERT_EQ(near.statistic.size(), away.statistic.size());
        const double shift = s.kind == TimeWeightedKind::Ewma ? offset : 0;
        for (std::size_t i = 0; i < near.statistic.size(); ++i)
            EXPECT_NEAR(away.statistic[i].y - shift, near.statistic[i].y, 1e-6) << i;
        ASSERT_EQ(near.marks.size(), away.marks.size());
        EXPECT_FALSE(near.marks.empty());
        for (std::size_t i = 0; i < near.marks.size(); ++i)
            EXPECT_EQ(near.marks[i].point, away.marks[i].point);
    }
}

TEST(TimeWeighted, RefusedInputsAreMessages)
{
    const std::vector<double> x { 1, 2, 3 };
    for (const TimeWeightedSettings& s : { Ewma(0, 3), Ewma(1.2, 3), Ewma(0.2, 0), Ewma(NAN, 3) })
        EXPECT_EQ(ComputeTimeWeighted(s, x, 1, Basis(2, 1)).failure, kEwmaSettingsRefused);
    for (const TimeWeightedSettings& s : { Cusum(-0.1, 5), Cusum(0.5, 0), Cusum(0.5, INFINITY) })
        EXPECT_EQ(ComputeTimeWeighted(s, x, 1, Basis(2, 1)).failure, kCusumSettingsRefused);
    // lambda 1 is the Shewhart chart of the points; k 0 sums every deviation.
    EXPECT_TRUE(ComputeTimeWeighted(Ewma(1, 3), x, 1, Basis(2, 1)).failure.isEmpty());
    EXPECT_TRUE(ComputeTimeWeighted(Cusum(0, 5), x, 1, Basis(2, 1)).failure.isEmpty());

    EXPECT_EQ(ComputeTimeWeighted(Ewma(0.2, 3), x, 1, Basis(2, 0)).failure, kNoSpread);
    EXPECT_EQ(ComputeTimeWeighted(Cusum(0.5, 5), x, 5, Basis(NAN, 1)).failure, kNoSpread);
    const std::vector<double> gap { 1, NAN, 3 };
    const TimeWeightedResult r = ComputeTimeWeighted(Ewma(0.2, 3), gap, 1, Basis(2, 1));
    EXPECT_EQ(r.failure, kPointNotNumber.arg(2));
    EXPECT_TRUE(r.statistic.empty());
    EXPECT_TRUE(r.panel.empty());

    const TimeWeightedResult none = ComputeTimeWeighted(Cusum(0.5, 5), {}, 1, Basis(2, 1));
    EXPECT_TRUE(none.failure.isEmpty());
    EXPECT_TRUE(none.statistic.empty());
}

TEST(TimeWeighted, PanelSaysWhereTheBasisComesFrom)
{
    const TimeWeightedResult r = ComputeTimeWeighted(Ewma(0.2, 3), std::vector<double> { 1.0, 1.1 }, 5,
        ProcessBasis { 1.05, 0.0000012345, QStringLiteral("saved"), QStringLiteral("saved") });
    EXPECT_EQ(PanelValue(r, "Target from:"), "saved");
    EXPECT_EQ(PanelValue(r, "Sigma from:"), "saved");
    EXPECT_EQ(PanelValue(r, "Sigma:"), "0.0000012345"); // a small sigma keeps its digits
    EXPECT_EQ(PanelValue(r, "Lambda:"), "0.2");
    EXPECT_EQ(PanelValue(r, "First signal:"), "1"); // far beyond limits of a sigma that small
    EXPECT_EQ(PanelCaptionText(r.panel).count("\r\n") + 1, qsizetype(r.panel.size()));
}

TEST(FigureText, KeepsSignificantDigitsAtAnyMagnitude)
{
    EXPECT_EQ(FigureText(0), "0.0");
    EXPECT_EQ(FigureText(12345.67891), "12,345.6789");
    EXPECT_EQ(FigureText(-0.25), "-0.25");
    EXPECT_EQ(FigureText(0.00012345), "0.0001235");
    EXPECT_EQ(FigureText(-3.2e-9), "-0.0000000032");
}
