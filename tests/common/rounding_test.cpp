#include "common/rounding.h"

#include <gtest/gtest.h>

using namespace moldrin;

TEST(Rounding, HalvesGoToEvenDigit)
{
    EXPECT_DOUBLE_EQ(RoundHalfEven(2.5, 0), 2.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(3.5, 0), 4.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(-2.5, 0), -2.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(1.00005, 4), 1.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(1.00015, 4), 1.0002);
    EXPECT_DOUBLE_EQ(RoundHalfEven(0.125, 2), 0.12);
    EXPECT_DOUBLE_EQ(RoundHalfEven(0.135, 2), 0.14);
    EXPECT_DOUBLE_EQ(RoundHalfEven(-0.135, 2), -0.14);
}

TEST(Rounding, NonHalvesRoundToNearest)
{
    EXPECT_DOUBLE_EQ(Round4(1.09544511501033), 1.0954);
    EXPECT_DOUBLE_EQ(Round4(10 + 0.5768 * 2), 11.1536);
    EXPECT_DOUBLE_EQ(Round4(3.2686 * 1.128), 3.687);
    EXPECT_DOUBLE_EQ(Round2(100.0 / 3.0), 33.33);
    EXPECT_DOUBLE_EQ(RoundHalfEven(9.99995, 4), 10.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(123456.7, 0), 123457.0);
    EXPECT_DOUBLE_EQ(Round4(12345678.123456), 12345678.1235);
}

// Figures below 0.001 keep their digits as they would in milli-, micro- or nano-units; from 0.001 up the
// 4 decimals apply unchanged.
TEST(Rounding, SmallFiguresKeepTheirDigits)
{
    EXPECT_EQ(FigureDecimals(0, 4), 4);
    EXPECT_EQ(FigureDecimals(0.001, 4), 4);
    EXPECT_EQ(FigureDecimals(-0.0123, 4), 4);
    EXPECT_EQ(FigureDecimals(0.000999, 4), 7);
    EXPECT_EQ(FigureDecimals(0.0001, 4), 7);
    EXPECT_EQ(FigureDecimals(0.0000999, 4), 10);
    EXPECT_EQ(FigureDecimals(1.2e-6, 4), 10);
    EXPECT_EQ(FigureDecimals(1e-7, 4), 10);
    EXPECT_EQ(FigureDecimals(9.9e-8, 4), 13);
    EXPECT_DOUBLE_EQ(Round4(0.00123456), 0.0012);
    EXPECT_DOUBLE_EQ(Round4(0.000987654), 0.0009877);
    EXPECT_DOUBLE_EQ(Round4(1.23456789e-6), 1.2346e-6);
    EXPECT_DOUBLE_EQ(Round4(-1.23456789e-6), -1.2346e-6);
    EXPECT_DOUBLE_EQ(Round4(5.312749e-8), 5.31275e-8);
    EXPECT_DOUBLE_EQ(Round4(-0.00004), -0.00004);
    EXPECT_EQ(Round4(1e-20), 1e-20);
    // Halves of the kept digits: to even, or away from zero as a format shows them.
    EXPECT_DOUBLE_EQ(Round4(1.23445e-6), 1.2344e-6);
    EXPECT_DOUBLE_EQ(Round4Away(1.23445e-6), 1.2345e-6);
    EXPECT_DOUBLE_EQ(Round4Away(1.00005), 1.0001);
}

TEST(Rounding, IntegerPartDropsTheFraction)
{
    EXPECT_DOUBLE_EQ(IntPart(38.9), 38.0);
    EXPECT_DOUBLE_EQ(IntPart(-38.9), -38.0);
}

TEST(Rounding, LeadingNumberReadsLikeVal)
{
    bool found = false;
    EXPECT_DOUBLE_EQ(LeadingNumber("4.75", &found), 4.75);
    EXPECT_TRUE(found);
    EXPECT_DOUBLE_EQ(LeadingNumber(" -0.35V", &found), -0.35);
    EXPECT_TRUE(found);
    EXPECT_DOUBLE_EQ(LeadingNumber("1e3", &found), 1000.0);
    EXPECT_DOUBLE_EQ(LeadingNumber(".5", &found), 0.5);
    EXPECT_DOUBLE_EQ(LeadingNumber("abc", &found), 0.0);
    EXPECT_FALSE(found);
    EXPECT_DOUBLE_EQ(LeadingNumber("", &found), 0.0);
    EXPECT_FALSE(found);
    EXPECT_DOUBLE_EQ(LeadingNumber("4,75", &found), 4.0); // the decimal separator is always '.'
}
