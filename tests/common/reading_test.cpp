#include "common/reading.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace moldrin;
using Kind = FieldReading::Kind;

TEST(Reading, NumbersAndTextsThatReadWhole)
{
    EXPECT_EQ(ReadingOf(QVariant(5.05)).value, 5.05);
    EXPECT_EQ(ReadingOf(QVariant(qlonglong(7))).value, 7.0);
    EXPECT_EQ(ReadingOf(QVariant(QStringLiteral(" 5.05 "))).value, 5.05);
    EXPECT_EQ(ReadingOf(QVariant(QStringLiteral("+1.2e-6"))).value, 1.2e-6);
    EXPECT_EQ(ReadingOf(QVariant(QStringLiteral("-.5"))).value, -0.5);
    EXPECT_EQ(ReadingOfText("1e308").value, 1e308);
    for (const QVariant& v : { QVariant(1.0), QVariant(QStringLiteral("3")), QVariant(QByteArray("4.5")) })
        EXPECT_TRUE(ReadingOf(v).isNumber()) << v.toString().toStdString();
}

TEST(Reading, WhatIsNoNumberIsNoReading)
{
    EXPECT_EQ(ReadingOf(QVariant()).kind, Kind::Null);
    EXPECT_EQ(ReadingOf(QVariant(QMetaType(QMetaType::Double))).kind, Kind::Null);
    for (const char* text : { "abc", "n/a", "5,05", "", "  ", "NaN", "nan", "Inf", "-inf", "Infinity", "1e999", "5 V",
             "0x10", "+-5", "--5", "5.0.1" })
        EXPECT_EQ(ReadingOfText(text).kind, Kind::NotANumber) << text;
    EXPECT_EQ(ReadingOf(QVariant(std::numeric_limits<double>::quiet_NaN())).kind, Kind::NotANumber);
    EXPECT_EQ(ReadingOf(QVariant(-std::numeric_limits<double>::infinity())).kind, Kind::NotANumber);
    EXPECT_EQ(ReadingOf(QVariant(QDateTime(QDate(2026, 1, 2), QTime(3, 4)))).kind, Kind::NotANumber);
    EXPECT_EQ(ReadingOf(QVariant(true)).kind, Kind::NotANumber);
}

TEST(Reading, SkippedRowsAreToldByKind)
{
    EXPECT_EQ(SkippedRowsText({}), QString());
    EXPECT_EQ(SkippedRowsText({ 1234, 0 }), QStringLiteral("Skipped, not a number: 1,234"));
    EXPECT_EQ(SkippedRowsText({ 0, 2 }), QStringLiteral("Skipped, start time unreadable: 2"));
    EXPECT_EQ(SkippedRowsText({ 3, 2 }), QStringLiteral("Skipped, not a number: 3\nSkipped, start time unreadable: 2"));
}
