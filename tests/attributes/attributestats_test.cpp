// The p, np, c and u computation: centres, limits, labels byte for byte, panel texts and the failures.
#include "attributes/attributestats.h"

#include "qtprinters.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

std::vector<AttributeRow> Rows(std::initializer_list<std::pair<double, double>> rows)
{
    std::vector<AttributeRow> out;
    for (const auto& [d, n] : rows)
        out.push_back({ d, n });
    return out;
}

QStringList Labels(const AttributeLine& line)
{
    QStringList labels;
    for (const LinePoint& p : line)
        labels << p.label;
    return labels;
}

QStringList Captions(const AttributeChartResult& r)
{
    QStringList c;
    for (const PanelLine& l : r.panel)
        c << l.caption;
    return c;
}

QStringList Values(const AttributeChartResult& r)
{
    QStringList v;
    for (const PanelLine& l : r.panel)
        v << l.value;
    return v;
}

const QString kSp15(15, ' '), kSp16(16, ' '), kSp30(30, ' ');

} // namespace

TEST(AttributeStats, PMeansTheProportionsAndUPoolsTheCounts)
{
    const auto rows = Rows({ { 1, 10 }, { 1, 100 } });
    const AttributeChartResult p = ComputeAttributeChart(AttributeKind::P, rows, false);
    ASSERT_TRUE(p.failure.isEmpty());
    EXPECT_DOUBLE_EQ(p.centre[0].y, 0.055); // (0.1 + 0.01) / 2, not 2 / 110
    EXPECT_EQ(Captions(p), (QStringList { "p-Bar:", "Tested:", "Nonconf.:", "Yield(%):" }));
    EXPECT_EQ(Values(p), (QStringList { "0.055", "110", "2", "98.182" }));
    EXPECT_DOUBLE_EQ(p.data[0].y, 0.1);
    EXPECT_DOUBLE_EQ(p.data[1].x, 2);

    const AttributeChartResult u = ComputeAttributeChart(AttributeKind::U, rows, false);
    EXPECT_DOUBLE_EQ(u.centre[0].y, 2.0 / 110);
    EXPECT_EQ(Captions(u), (QStringList { "u-Bar:", "Tested:", "Nonconf.:" }));
    EXPECT_EQ(Values(u), (QStringList { "0.0182", "110", "2" }));
    // Limits per subgroup: u ± 3 sqrt(u / n), the lower one not clamped.
    const double uBar = 2.0 / 110;
    EXPECT_DOUBLE_EQ(u.ucl[1].y, uBar + 3 * std::sqrt(uBar / 100));
    EXPECT_DOUBLE_EQ(u.lcl[0].y, uBar - 3 * std::sqrt(uBar / 10));
    EXPECT_LT(u.lcl[0].y, 0);
    EXPECT_EQ(u.CaptionText(), "u-Bar:\r\nTested:\r\nNonconf.:");
}

TEST(AttributeStats, VariableLimitLinesCarryOnePointASubgroupAndTheirLabels)
{
    const auto rows = Rows({ { 2, 40 }, { 5, 50 }, { 1, 60 } });
    const AttributeChartResult plain = ComputeAttributeChart(AttributeKind::P, rows, false);
    ASSERT_EQ(plain.ucl.size(), 4u);
    EXPECT_EQ(Labels(plain.ucl), (QStringList { " ", " ", " ", "UCL" + kSp15 }));
    EXPECT_EQ(Labels(plain.lcl), (QStringList { " ", " ", " ", "LCL" + kSp15 }));
    EXPECT_TRUE(plain.zones.empty());
    const double pBar = (2.0 / 40 + 5.0 / 50 + 1.0 / 60) / 3;
    for (std::size_t i = 0; i < 3; ++i) {
        const double sigma = std::sqrt(pBar * (1 - pBar) / rows[i].size);
        EXPECT_DOUBLE_EQ(plain.ucl[i].y, pBar + 3 * sigma);
        EXPECT_DOUBLE_EQ(plain.lcl[i].y, pBar - 3 * sigma); // negative, drawn as computed
        EXPECT_DOUBLE_EQ(plain.ucl[i].x, double(i + 1));
    }
    EXPECT_DOUBLE_EQ(plain.ucl[3].x, 3);
    EXPECT_DOUBLE_EQ(plain.ucl[3].y, plain.ucl[2].y);
    EXPECT_EQ(Labels(plain.centre), (QStringList { " ", "CL=0.0556" + kSp30 }));
    EXPECT_EQ(Labels(plain.data), (QStringList { " ", " ", " " }));

    const AttributeChartResult zoned = ComputeAttributeChart(AttributeKind::P, rows, true);
    EXPECT_EQ(Labels(zoned.ucl), (QStringList { " A", " ", " ", "A " }));
    EXPECT_EQ(Labels(zoned.lcl), (QStringList { " A", " ", " ", "A " }));
    ASSERT_EQ(zoned.zones.size(), 4u);
    EXPECT_EQ(Labels(zoned.zones[0]), (QStringList { " B", " ", " ", "B " }));
    EXPECT_EQ(Labels(zoned.zones[1]), (QStringList { " B", " ", " ", "B " }));
    EXPECT_EQ(Labels(zoned.zones[3]), (QStringList { " C", " ", " ", "C " }));
    const double sigma2 = std::sqrt(pBar * (1 - pBar) / 50);
    EXPECT_DOUBLE_EQ(zoned.zones[0][1].y, pBar + 2 * sigma2);
    EXPECT_DOUBLE_EQ(zoned.zones[1][1].y, pBar - 2 * sigma2);
    EXPECT_DOUBLE_EQ(zoned.zones[2][1].y, pBar + sigma2);
    EXPECT_DOUBLE_EQ(zoned.zones[3][1].y, pBar - sigma2);
}

TEST(AttributeStats, OneRowAndTheExtremesOfP)
{
    const AttributeChartResult one = ComputeAttributeChart(AttributeKind::P, Rows({ { 3, 30 } }), true);
    ASSERT_EQ(one.centre.size(), 2u);
    EXPECT_DOUBLE_EQ(one.centre[0].x, 1);
    EXPECT_DOUBLE_EQ(one.centre[1].x, 1);
    ASSERT_EQ(one.ucl.size(), 2u);
    EXPECT_DOUBLE_EQ(one.ucl[1].x, 1);

    for (double d : { 0.0, 20.0 }) {
        const AttributeChartResult r = ComputeAttributeChart(AttributeKind::P, Rows({ { d, 20 }, { d, 20 } }), true);
        ASSERT_TRUE(r.failure.isEmpty());
        EXPECT_DOUBLE_EQ(r.ucl[0].y, r.centre[0].y);
        EXPECT_DOUBLE_EQ(r.lcl[1].y, r.centre[0].y);
        EXPECT_DOUBLE_EQ(r.zones[2][0].y, r.centre[0].y);
    }
    EXPECT_EQ(Values(ComputeAttributeChart(AttributeKind::P, Rows({ { 20, 20 } }), false))[3],
        "0."); // "0.###" keeps the point
}

TEST(AttributeStats, NpHasConstantLimitsAndChecksItsRowsInOrder)
{
    const auto rows = Rows({ { 1, 50 }, { 3, 50 }, { 2, 50 }, { 0, 50 } });
    const AttributeChartResult r = ComputeAttributeChart(AttributeKind::NP, rows, false);
    ASSERT_TRUE(r.failure.isEmpty());
    const double npBar = 6.0 / 4, pBar = 6.0 / 200, sigma = std::sqrt(npBar * (1 - pBar));
    EXPECT_DOUBLE_EQ(r.ucl[1].y, npBar + 3 * sigma);
    EXPECT_DOUBLE_EQ(r.lcl[0].y, npBar - 3 * sigma);
    EXPECT_EQ(Labels(r.ucl), (QStringList { kSp16, "UCL=5.1187" + kSp30 }));
    EXPECT_EQ(Labels(r.lcl), (QStringList { kSp16, "LCL=-2.1187" + kSp30 }));
    EXPECT_DOUBLE_EQ(r.lcl[1].x, 4);
    EXPECT_EQ(Captions(r), (QStringList { "p-Bar:", "Tested:", "Nonconf.:", "Yield(%):", "", "UCL:", "CL:", "LCL:" }));
    // Tested is k · n; the value text ends with one more line break.
    EXPECT_EQ(r.ValueText(), "0.03\r\n200\r\n6\r\n97.\r\n\r\n5.1187\r\n1.5\r\n-2.1187\r\n");

    const AttributeChartResult zoned = ComputeAttributeChart(AttributeKind::NP, rows, true);
    EXPECT_EQ(Labels(zoned.ucl), (QStringList { " A", "A " }));
    EXPECT_EQ(Labels(zoned.zones[1]), (QStringList { " B", "B " }));
    EXPECT_EQ(Labels(zoned.zones[2]), (QStringList { " C", "C " }));
    EXPECT_DOUBLE_EQ(zoned.zones[1][1].y, npBar - 2 * sigma);

    // The size check comes first: row 2 has another size and too many nonconforming.
    const AttributeChartResult size = ComputeAttributeChart(AttributeKind::NP, Rows({ { 1, 50 }, { 60, 40 } }), false);
    EXPECT_EQ(size.failure, "Found sub-groups size in not same!. ");
    EXPECT_TRUE(size.checkFailed);
    EXPECT_TRUE(size.data.empty() && size.ucl.empty() && size.panel.empty());
    const AttributeChartResult count = ComputeAttributeChart(AttributeKind::NP, Rows({ { 51, 50 }, { 1, 50 } }), false);
    EXPECT_EQ(count.failure, "Found nonconformity number greater than sub-groups size!. ");
}

TEST(AttributeStats, CClampsItsLowerLimitButNotItsZones)
{
    const auto rows = Rows({ { 2, 0 }, { 3, 0 }, { 1, 0 }, { 2, 0 } });
    const AttributeChartResult r = ComputeAttributeChart(AttributeKind::C, rows, false);
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_DOUBLE_EQ(r.lcl[0].y, 0);
    EXPECT_EQ(Labels(r.lcl), (QStringList { kSp16, "LCL=0" + kSp30 }));
    EXPECT_EQ(Captions(r), (QStringList { "c-Bar:", "Nonconf.:", "", "", "", "", "UCL:", "CL:", "LCL:" }));
    EXPECT_EQ(Values(r), (QStringList { "2.0", "8.0", "", "", "", "", "6.2426", "2.0", "0.0" }));

    const AttributeChartResult zoned = ComputeAttributeChart(AttributeKind::C, rows, true);
    EXPECT_EQ(Labels(zoned.lcl), (QStringList { " ", " " }));
    EXPECT_DOUBLE_EQ(zoned.zones[1][0].y, 2 - 2 * std::sqrt(2.0)); // below 0, drawn as computed
    EXPECT_LT(zoned.zones[1][0].y, 0);

    // Above c-bar 9 the lower limit is drawn as computed.
    const AttributeChartResult high = ComputeAttributeChart(AttributeKind::C, Rows({ { 16, 0 }, { 16, 0 } }), false);
    EXPECT_EQ(Labels(high.lcl)[1], "LCL=4.0" + kSp30);
}

TEST(AttributeStats, FailuresAndLargeCounts)
{
    EXPECT_EQ(ComputeAttributeChart(AttributeKind::P, Rows({ { 1, 0 } }), false).failure, "Division by zero");
    // More nonconforming than inspected: p-bar above 1 has no sigma.
    const AttributeChartResult over = ComputeAttributeChart(AttributeKind::P, Rows({ { 30, 10 } }), false);
    EXPECT_EQ(over.failure, "Invalid procedure call or argument");
    EXPECT_FALSE(over.checkFailed);
    const AttributeChartResult none = ComputeAttributeChart(AttributeKind::U, {}, true);
    EXPECT_TRUE(none.failure.isEmpty() && none.data.empty());

    // Totals beyond 32 bits: 3,000,000,000 units inspected twice.
    const AttributeChartResult big = ComputeAttributeChart(AttributeKind::P, Rows({ { 3, 3e9 }, { 1e9, 3e9 } }), false);
    EXPECT_EQ(Values(big)[1], "6,000,000,000");
    EXPECT_EQ(Values(big)[2], "1,000,000,003");
}
