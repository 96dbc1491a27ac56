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
    EXPECT_DOUBLE_EQ(Round4(-0.00004), 0.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(9.99995, 4), 10.0);
    EXPECT_DOUBLE_EQ(RoundHalfEven(123456.7, 0), 123457.0);
    EXPECT_DOUBLE_EQ(Round4(1e-20), 0.0);
    EXPECT_DOUBLE_EQ(Round4(12345678.123456), 12345678.1235);
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
