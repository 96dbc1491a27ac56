#include "common/decimal.h"
#include "common/numberformat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <random>

using namespace moldrin;

static std::string F(double v, const char* f)
{
    return FormatNumber(v, QString::fromLatin1(f)).toStdString();
}

TEST(NumberFormat, OptionalDecimals)
{
    EXPECT_EQ(F(11.1536, "#,##0.0###"), "11.1536");
    EXPECT_EQ(F(10, "#,##0.0###"), "10.0");
    EXPECT_EQ(F(2.12345, "#,##0.0###"), "2.1235");
    EXPECT_EQ(F(0.00004, "#,##0.0###"), "0.00004");
    EXPECT_EQ(F(1234567.5, "#,##0.0###"), "1,234,567.5");
    EXPECT_EQ(F(3.8, "#,##0.000#"), "3.800");
    EXPECT_EQ(F(3.80005, "#,##0.000#"), "3.8001");
    EXPECT_EQ(F(0.1, "#,##0.0##"), "0.1");
    EXPECT_EQ(F(0.123456, "#,##0.0####"), "0.12346");
    EXPECT_EQ(F(5, "#,##0.###"), "5.");
    EXPECT_EQ(F(0.25, "0.###"), "0.25");
}

TEST(NumberFormat, FixedDecimalsAndWholeNumbers)
{
    EXPECT_EQ(F(1234.5, "#,##0"), "1,235");
    EXPECT_EQ(F(0.4, "#,##0"), "0");
    EXPECT_EQ(F(2.5, "#,##0"), "3"); // halves away from zero in formats
    EXPECT_EQ(F(-2.5, "#,##0"), "-3");
    EXPECT_EQ(F(1234.005, "#,##0.00"), "1,234.01");
    EXPECT_EQ(F(0, "#,##0.00"), "0.00");
    EXPECT_EQ(F(-1234.5678, "#,##0.000"), "-1,234.568");
    EXPECT_EQ(F(1.5, "#,##0.0000"), "1.5000");
    EXPECT_EQ(F(100, "##0.00"), "100.00");
    EXPECT_EQ(F(33.333, "##0.00"), "33.33");
    EXPECT_EQ(F(0.5, "##0.00"), "0.50");
}

TEST(NumberFormat, GroupingAndOptionalIntegerDigits)
{
    EXPECT_EQ(F(1234567, "#,###"), "1,234,567");
    EXPECT_EQ(F(0, "#,###"), "");
    EXPECT_EQ(F(999, "#,###"), "999");
    EXPECT_EQ(F(1000, "#,###0"), "1,000");
    EXPECT_EQ(F(-1000000, "#,##0"), "-1,000,000");
    EXPECT_EQ(F(0.5, "#.##"), ".5");
}

TEST(NumberFormat, ZeroPaddingAndTrailingPoint)
{
    EXPECT_EQ(F(42, "0000000"), "0000042");
    EXPECT_EQ(F(1234567.4, "0000000"), "1234567");
    EXPECT_EQ(F(12.34, "#,##0."), "12.");
    EXPECT_EQ(F(12.5, "#,##0."), "13.");
    EXPECT_EQ(F(-0.004, "#,##0.00"), "0.00"); // no negative zero
}

// A number below 0.001 shows the digits Round4 keeps of it; the format's decimals apply from 0.001 up.
TEST(NumberFormat, SmallNumbersKeepTheirDigits)
{
    EXPECT_EQ(F(1.2346e-6, "#,##0.0###"), "0.0000012346");
    EXPECT_EQ(F(1.23456789e-6, "#,##0.0###"), "0.0000012346");
    EXPECT_EQ(F(-1.5e-6, "#,##0.0###"), "-0.0000015");
    EXPECT_EQ(F(5.31275e-8, "#,##0.0###"), "0.0000000531275");
    EXPECT_EQ(F(0.00123456, "#,##0.0###"), "0.0012");
    EXPECT_EQ(F(0.000987654, "#,##0.0###"), "0.0009877");
    // Decimals that are always shown stay so; a format without a point is left as it is.
    EXPECT_EQ(F(1.2e-6, "#,##0.00"), "0.00000120");
    EXPECT_EQ(F(-0.0001, "#,##0.00"), "-0.00010");
    EXPECT_EQ(F(1.25e-6, "#,##0."), "0.000001"); // no decimals of micro-units
    EXPECT_EQ(F(1.2e-6, "0000000"), "0000000");
    EXPECT_EQ(F(1.2e-6, "#,##0"), "0");
}

// The labels of an axis share the scale of its larger end.
TEST(NumberFormat, AxisLabelsShareOneScale)
{
    EXPECT_EQ(AxisExtraDecimals(0, 5.25), 0);
    EXPECT_EQ(AxisExtraDecimals(-0.0015, 0.0009), 0);
    EXPECT_EQ(AxisExtraDecimals(0, 1.5e-7), 6);
    EXPECT_EQ(AxisExtraDecimals(-1.5e-12, 1e-13), 12);
    const NumberFormat axis(QStringLiteral("#,##0.00"), AxisExtraDecimals(0, 1.5e-7));
    EXPECT_EQ(axis.format(1.5e-7).toStdString(), "0.00000015");
    EXPECT_EQ(axis.format(2.5e-8).toStdString(), "0.00000003");
    EXPECT_EQ(axis.format(0).toStdString(), "0.00000000");
    EXPECT_EQ(NumberFormat(QStringLiteral("#,##0.0#"), 3).format(0.0123).toStdString(), "0.0123");
    EXPECT_EQ(NumberFormat(QStringLiteral("#,##0"), 6).format(2.5).toStdString(), "3");
}

TEST(NumberFormat, FiguresAndTexts)
{
    EXPECT_EQ(FormatFigure(Figure::na(), "#,##0.0###").toStdString(), "N/A");
    EXPECT_EQ(FormatFigure(Figure(2.0), "#,##0.0###").toStdString(), "2.0");
    EXPECT_EQ(FormatFigure(Figure(), "#,##0").toStdString(), "");
    EXPECT_EQ(F(5, "#,##0 V"), "5 V");
}

TEST(NumberFormat, PlainNumberText)
{
    EXPECT_EQ(NumberText(3.8).toStdString(), "3.8");
    EXPECT_EQ(NumberText(0.1 + 0.2).toStdString(), "0.3");
    EXPECT_EQ(NumberText(-12).toStdString(), "-12");
    EXPECT_EQ(NumberText(0.00012).toStdString(), "0.00012");
    EXPECT_EQ(NumberText(1234567.25).toStdString(), "1234567.25");
    EXPECT_EQ(NumberText(0).toStdString(), "0");
}

// The short-decimal path gives the digits of the general shortest form, on readings with few decimals
// and on doubles that have none (sums, differences, quotients) alike.
TEST(NumberFormat, ShortDecimalsMatchTheShortestForm)
{
    const auto reference = [](double x) {
        char buf[64];
        *std::to_chars(buf, buf + sizeof buf - 1, x, std::chars_format::scientific).ptr = 0;
        std::string digits;
        const char* p = buf + (buf[0] == '-');
        for (; *p != 'e'; ++p)
            if (*p != '.')
                digits += *p;
        while (digits.back() == '0')
            digits.pop_back();
        return std::pair(digits, std::atoi(p + 1) + 1);
    };
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::int64_t> whole(-99999999999, 99999999999);
    std::uniform_int_distribution<int> places(0, 12);
    for (int i = 0; i < 200000; ++i) {
        double x = double(whole(rng)) / std::pow(10.0, places(rng));
        if (i % 4 == 1)
            x = x / 7;
        else if (i % 4 == 2)
            x = x - double(whole(rng)) / 1e4;
        if (x == 0)
            continue;
        const detail::Decimal d = detail::ToDecimal(x);
        const auto [digits, exponent] = reference(x);
        ASSERT_EQ(d.digits, digits) << x;
        ASSERT_EQ(d.exponent, exponent) << x;
        ASSERT_EQ(d.negative, x < 0) << x;
    }
    std::int64_t m = 0;
    int k = 0;
    EXPECT_TRUE(detail::ShortDecimal(5.0405, m, k));
    EXPECT_EQ(std::pair(m, k), std::pair(std::int64_t(50405), 4));
    EXPECT_FALSE(detail::ShortDecimal(0.1 + 0.2, m, k)); // 0.30000000000000004
    EXPECT_FALSE(detail::ShortDecimal(1e300, m, k));
}
