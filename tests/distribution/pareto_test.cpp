// The Pareto ranking: order, percentages, the cumulative line, labels, negative sums and the empty total.
#include "common/compensatedsum.h"
#include "common/nodata.h"
#include "common/rounding.h"
#include "distribution/pareto.h"

#include <gtest/gtest.h>

#include <vector>

using namespace moldrin;

namespace
{

std::vector<double> Percents(const ParetoRanking& r, bool cumulative = false)
{
    std::vector<double> out;
    for (const ParetoItem& item : r.items)
        out.push_back(Round2(cumulative ? item.cumulative : item.percent));
    return out;
}

QStringList Names(const ParetoRanking& r)
{
    QStringList out;
    for (const ParetoItem& item : r.items)
        out << item.name;
    return out;
}

} // namespace

TEST(Pareto, LargestFirstWithEqualSumsInListOrder)
{
    const std::vector<double> sums { 5, 20, 5 };
    const ParetoRanking r = RankPareto({ "A", "B", "C" }, sums);
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_EQ(r.total, 30);
    EXPECT_EQ(Names(r), QStringList({ "B", "A", "C" }));
    EXPECT_EQ(Percents(r), (std::vector<double> { 66.67, 16.67, 16.67 }));
    EXPECT_EQ(Percents(r, true), (std::vector<double> { 66.67, 83.33, 100 }));
    EXPECT_EQ(r.items.back().cumulative, 100.0);
    EXPECT_EQ(r.items[0].label, "B\r(20)");

    // Many ties: the order among equal sums is the list order, wherever they stand.
    const std::vector<double> ties { 1, 3, 1, 3, 2, 1 };
    EXPECT_EQ(Names(RankPareto({ "a", "b", "c", "d", "e", "f" }, ties)), QStringList({ "b", "d", "e", "a", "c", "f" }));
}

TEST(Pareto, TheLineEndsAtExactlyOneHundred)
{
    // Sums whose total depends on the order of addition in plain arithmetic.
    const std::vector<double> sums { 0.1, 0.2, 0.3, 1e-17, 0.7 };
    const ParetoRanking r = RankPareto({ "a", "b", "c", "d", "e" }, sums);
    EXPECT_EQ(r.items.back().cumulative, 100.0);
}

TEST(Pareto, LabelsCarryTheSumWithoutATrailingPoint)
{
    EXPECT_EQ(ParetoLabel("Idle current", 3.0), "Idle current\r(3)");
    EXPECT_EQ(ParetoLabel("X", 2.25), "X\r(2.25)");
    EXPECT_EQ(ParetoLabel("X", 1234.5), "X\r(1,234.5)");
    EXPECT_EQ(ParetoLabel("X", 12), "X\r(12)");
    EXPECT_EQ(ParetoLabel("X", -0.1234), "X\r(-0.123)");
}

TEST(Pareto, NegativeSumsCountLikeAnyOther)
{
    const std::vector<double> sums { 10, -4, 6 };
    const ParetoRanking r = RankPareto({ "a", "b", "c" }, sums);
    ASSERT_TRUE(r.failure.isEmpty());
    EXPECT_EQ(r.total, 12);
    EXPECT_EQ(Names(r), QStringList({ "a", "c", "b" }));
    EXPECT_EQ(Percents(r), (std::vector<double> { 83.33, 50, -33.33 }));
    EXPECT_EQ(Percents(r, true), (std::vector<double> { 83.33, 133.33, 100 }));
    EXPECT_EQ(r.items[2].label, "b\r(-4)");
}

TEST(Pareto, ATotalOfZeroIsNoData)
{
    for (const std::vector<double>& sums : { std::vector<double> { 5, -5, 0 }, std::vector<double> { 0, 0, 0 },
             std::vector<double> { -0.5, 0.25, 0.25 } }) {
        const ParetoRanking r = RankPareto({ "a", "b", "c" }, sums);
        EXPECT_EQ(r.failure, kNoDataCollection);
        EXPECT_TRUE(r.items.isEmpty());
    }
    EXPECT_EQ(RankPareto({}, {}).failure, kNoDataCollection);
}

TEST(CompensatedSum, KeepsTheDigitsPlainAdditionLoses)
{
    CompensatedSum tenths, big;
    double plain = 0;
    for (int i = 0; i < 10; ++i) {
        tenths.add(0.1);
        plain += 0.1;
    }
    EXPECT_NE(plain, 1.0);
    EXPECT_EQ(tenths.value(), 1.0);
    for (double x : { 1e16, 1.0, -1e16, 1.0 })
        big.add(x);
    EXPECT_EQ(big.value(), 2.0);
}
