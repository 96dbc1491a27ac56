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
    // Limits per subgroup: u ± 3 sqrt(u / n); a lower one below 0 is drawn at 0 and kept as computed.
    const double uBar = 2.0 / 110;
    EXPECT_DOUBLE_EQ(u.ucl[1].y, uBar + 3 * std::sqrt(uBar / 100));
    EXPECT_DOUBLE_EQ(u.lclComputed[0], uBar - 3 * std::sqrt(uBar / 10));
    EXPECT_LT(u.lclComputed[0], 0);
    EXPECT_EQ(u.lcl[0].y, 0);
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
    ASSERT_EQ(plain.lclComputed.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        const double sigma = std::sqrt(pBar * (1 - pBar) / rows[i].size);
        EXPECT_DOUBLE_EQ(plain.ucl[i].y, pBar + 3 * sigma);
        EXPECT_DOUBLE_EQ(plain.lclComputed[i], pBar - 3 * sigma);
        EXPECT_EQ(plain.lcl[i].y, 0); // negative, drawn at 0
        EXPECT_DOUBLE_EQ(plain.ucl[i].x, double(i + 1));
    }
    EXPECT_DOUBLE_EQ(plain.ucl[3].x, 3);
    EXPECT_DOUBLE_EQ(plain.ucl[3].y, plain.ucl[2].y);
    EXPECT_EQ(Labels(plain.centre), (QStringList { " ", "CL=0.0556" + kSp30 }));
    EXPECT_EQ(Labels(plain.data), (QStringList { " ", " ", " " }));

    const AttributeChartResult zoned = ComputeAttributeChart(AttributeKind::P, rows, true);
    EXPECT_EQ(Labels(zoned.ucl), (QStringList { " A", " ", " ", "A " }));
    // A lower limit drawn at 0 has no zone A beneath it, as a c chart's LCL of 0.
    EXPECT_EQ(Labels(zoned.lcl), (QStringList { " ", " ", " ", " " }));
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
    // The LCL of -2.1187 is drawn at 0 as a c chart's; the panel keeps the computed figure.
    EXPECT_EQ(r.lcl[0].y, 0);
    EXPECT_EQ(r.lclComputed, std::vector<double>(4, npBar - 3 * sigma));
    EXPECT_EQ(Labels(r.ucl), (QStringList { kSp16, "UCL=5.1187" + kSp30 }));
    EXPECT_EQ(Labels(r.lcl), (QStringList { kSp16, "LCL=0" + kSp30 }));
    EXPECT_DOUBLE_EQ(r.lcl[1].x, 4);
    EXPECT_EQ(Captions(r), (QStringList { "p-Bar:", "Tested:", "Nonconf.:", "Yield(%):", "", "UCL:", "CL:", "LCL:" }));
    // Tested is k · n; the value text ends with one more line break.
    EXPECT_EQ(r.ValueText(), "0.03\r\n200\r\n6\r\n97.\r\n\r\n5.1187\r\n1.5\r\n-2.1187\r\n");

    const AttributeChartResult zoned = ComputeAttributeChart(AttributeKind::NP, rows, true);
    EXPECT_EQ(Labels(zoned.ucl), (QStringList { " A", "A " }));
    EXPECT_EQ(Labels(zoned.lcl), (QStringList { " ", " " }));
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
    EXPECT_EQ(ComputeAttributeChart(AttributeKind::P, Rows({ { 0, 0 } }), false).failure, "Division by zero");
    const AttributeChartResult none = ComputeAttributeChart(AttributeKind::U, {}, true);
    EXPECT_TRUE(none.failure.isEmpty() && none.data.empty());

    // Totals beyond 32 bits: 3,000,000,000 units inspected twice.
    const AttributeChartResult big = ComputeAttributeChart(AttributeKind::P, Rows({ { 3, 3e9 }, { 1e9, 3e9 } }), false);
    EXPECT_EQ(Values(big)[1], "6,000,000,000");
    EXPECT_EQ(Values(big)[2], "1,000,000,003");
}

TEST(AttributeStats, RowsThatCannotBeCountsAreRefusedByNumber)
{
    // p: more nonconforming units than tested would plot a rate of 1.5 (and p-bar above 1 has no sigma);
    // the first such row is named, and nothing is drawn.
    const AttributeChartResult over
        = ComputeAttributeChart(AttributeKind::P, Rows({ { 2, 40 }, { 15, 10 }, { 30, 10 } }), true);
    EXPECT_EQ(over.failure, "Sub-group 2 has more nonconforming units (15) than units tested (10)!");
    EXPECT_TRUE(over.checkFailed);
    EXPECT_TRUE(over.data.empty() && over.ucl.empty() && over.zones.empty() && over.panel.empty());
    // All nonconforming is a count within its size.
    EXPECT_TRUE(ComputeAttributeChart(AttributeKind::P, Rows({ { 10, 10 }, { 0, 10 } }), false).failure.isEmpty());
    // Defects on a unit may outnumber the units.
    EXPECT_TRUE(ComputeAttributeChart(AttributeKind::U, Rows({ { 15, 10 } }), false).failure.isEmpty());

    const struct {
        AttributeKind kind;
        std::vector<AttributeRow> rows;
    } negative[] = { { AttributeKind::P, Rows({ { 1, 10 }, { -1.5, 10 } }) },
        { AttributeKind::U, Rows({ { 1, 10 }, { -1.5, 10 } }) },
        { AttributeKind::NP, Rows({ { 1, 10 }, { -1.5, 10 } }) },
        { AttributeKind::C, Rows({ { 1, 0 }, { -1.5, 0 } }) } };
    for (const auto& c : negative) {
        const AttributeChartResult r = ComputeAttributeChart(c.kind, c.rows, false);
        EXPECT_EQ(r.failure, "Sub-group 2 has a negative nonconforming count (-1.5)!") << int(c.kind);
        EXPECT_TRUE(r.checkFailed);
    }
}

TEST(AttributeStats, UnitsAreSummedWithTheirFractions)
{
    // Paper rolls of 10, 8, 13, ... square metres with 153 defects: u-bar 153 / 107.5, not 153 / 107.
    const double units[] = { 10, 8, 13, 10, 9.5, 10, 12, 10.5, 12, 12.5 };
    const double defects[] = { 14, 12, 20, 11, 15, 13, 17, 16, 18, 17 };
    std::vector<AttributeRow> rolls;
    for (std::size_t i = 0; i < 10; ++i)
        rolls.push_back({ defects[i], units[i] });
    const AttributeChartResult r = ComputeAttributeChart(AttributeKind::U, rolls, false);
    ASSERT_TRUE(r.failure.isEmpty());
    const double uBar = 153 / 107.5;
    EXPECT_DOUBLE_EQ(r.centre[0].y, uBar);
    EXPECT_EQ(Values(r), (QStringList { "1.4233", "107.5", "153" }));
    EXPECT_DOUBLE_EQ(r.ucl[4].y, uBar + 3 * std::sqrt(uBar / 9.5));
    EXPECT_DOUBLE_EQ(r.data[4].y, 15 / 9.5);

    // Half units: 7 defects on 5 units, where whole units would give 4 and u-bar 25 % high.
    const AttributeChartResult halves
        = ComputeAttributeChart(AttributeKind::U, Rows({ { 1, 0.5 }, { 1, 0.5 }, { 2, 1.5 }, { 3, 2.5 } }), false);
    EXPECT_EQ(Values(halves), (QStringList { "1.4", "5", "7" }));
    // Units that round to nothing.
    const AttributeChartResult small = ComputeAttributeChart(AttributeKind::U, Rows({ { 1, 0.3 }, { 0, 0.2 } }), false);
    ASSERT_TRUE(small.failure.isEmpty());
    EXPECT_EQ(Values(small), (QStringList { "2.0", "0.5", "1" }));
}
