// Tests of an axis' steps and labels: round steps that fit the axis, labels that read their values.
#include "variables/view/axisticks.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace moldrin;

TEST(AxisTicks, StepsAreRoundAndFitTheAxis)
{
    const auto height = [](double) { return 30.0; };
    struct Case {
        double lower, upper, length;
        int decimals;
        double minimum;
        double step;
    } cases[] {
        { 4.99, 26.97, 400, 2, 0, 2 }, // 22 over 400 px, 30 px a label: 13 labels at most
        { 4.99, 26.97, 120, 2, 0, 10 },
        { 0, 0.5, 120, 2, 0, 0.2 },
        { 0, 0.5, 600, 2, 0, 0.05 },
        { 0, 0.5, 6000, 2, 0, 0.01 }, // no finer than the format shows
        { 0, 0.5, 600, 0, 0, 1 }, // "#,##0.": whole numbers only
        { 0, 105, 500, 0, 10, 10 }, // a set increment is the finest step
        { -0.003, 0.002, 300, 4, 0, 0.0005 },
        { 0, 1000000, 500, 0, 0, 100000 },
    };
    for (const Case& c : cases) {
        TickRequest r { c.lower, c.upper, c.length, c.minimum, c.decimals, height };
        const double step = ChooseTickStep(r);
        EXPECT_DOUBLE_EQ(step, c.step) << c.lower << ".." << c.upper << " over " << c.length;
        const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
        EXPECT_TRUE(std::abs(mantissa - 1) < 1e-9 || std::abs(mantissa - 2) < 1e-9 || std::abs(mantissa - 5) < 1e-9);
        EXPECT_GE(step / (c.upper - c.lower) * c.length, 30.0 - 1e-9);
    }
    EXPECT_EQ(ChooseTickStep(TickRequest { 1, 1, 100, 0, 2, height }), 0.0);
}

TEST(AxisTicks, LabelsReadTheirValues)
{
    EXPECT_EQ(AxisLabelText(20, "#,##0.##"), QStringLiteral("20"));
    EXPECT_EQ(AxisLabelText(20.5, "#,##0.##"), QStringLiteral("20.5"));
    EXPECT_EQ(AxisLabelText(4, "#,##0."), QStringLiteral("4"));
    EXPECT_EQ(AxisLabelText(0, "#,###"), QStringLiteral("0"));
    EXPECT_EQ(AxisLabelText(-1e-17, "#,##0.00"), QStringLiteral("0.00"));
    EXPECT_EQ(AxisLabelText(12500, "#,##0.00"), QStringLiteral("12,500.00"));
    EXPECT_EQ(FormatDecimals("#,##0.0###"), 4);
    EXPECT_EQ(FormatDecimals("#,##0."), 0);
    EXPECT_EQ(FormatDecimals("#,##0"), 0);
}
