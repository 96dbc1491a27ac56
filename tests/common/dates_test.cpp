#include "common/dates.h"

#include <gtest/gtest.h>

using namespace moldrin;

static const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

TEST(Dates, DateOrderFromTheLocale)
{
    EXPECT_EQ(DetectDateOrder(kEnglish).toStdString(), "MM/DD");
    EXPECT_EQ(DetectDateOrder(QLocale(QLocale::English, QLocale::UnitedKingdom)).toStdString(), "DD/MM");
    EXPECT_EQ(DetectDateOrder(QLocale(QLocale::German, QLocale::Germany)).toStdString(), "DD/MM");
}

TEST(Dates, ClassicFormatTokens)
{
    const QDateTime t(QDate(2026, 12, 6), QTime(23, 59, 59));
    EXPECT_EQ(FormatDateTime(t, "DD/MMM/yyyy", kEnglish).toStdString(), "06/Dec/2026");
    EXPECT_EQ(FormatDateTime(t, "MMM/DD/yyyy", kEnglish).toStdString(), "Dec/06/2026");
    EXPECT_EQ(FormatDateTime(t, "mmmm, yyyy", kEnglish).toStdString(), "December, 2026");
    EXPECT_EQ(FormatDateTime(t, "DD/MM/yyyy hh:mm AM/PM", kEnglish).toStdString(), "06/12/2026 11:59 PM");
    EXPECT_EQ(FormatDateTime(t, "mmm dd, yyyy hh:mm am/pm", kEnglish).toStdString(), "Dec 06, 2026 11:59 pm");
    EXPECT_EQ(FormatDateTime(t, "MM/DD/yy", kEnglish).toStdString(), "12/06/26");
    const QDateTime midnight(QDate(2026, 1, 2), QTime(0, 5));
    EXPECT_EQ(FormatDateTime(midnight, "hh:mm AM/PM", kEnglish).toStdString(), "12:05 AM");
    EXPECT_EQ(FormatDateTime(midnight, "hh:mm:ss", kEnglish).toStdString(), "00:05:00");
}

TEST(Dates, ParsingBothOrdersNamesAndIso)
{
    EXPECT_EQ(
        ParseDateTimeText("06/Dec/2026 23:59:59", "DD/MM", kEnglish), QDateTime(QDate(2026, 12, 6), QTime(23, 59, 59)));
    EXPECT_EQ(ParseDateTimeText("Dec/06/2026", "MM/DD", kEnglish), QDateTime(QDate(2026, 12, 6), QTime(0, 0)));
    EXPECT_EQ(ParseDateTimeText("06/12/2026", "DD/MM", kEnglish).date(), QDate(2026, 12, 6));
    EXPECT_EQ(ParseDateTimeText("06/12/2026", "MM/DD", kEnglish).date(), QDate(2026, 6, 12));
    EXPECT_EQ(ParseDateTimeText("2026-12-06 08:25:00", "MM/DD", kEnglish), QDateTime(QDate(2026, 12, 6), QTime(8, 25)));
    EXPECT_EQ(ParseDateTimeText("12/06/2026 11:59 PM", "MM/DD", kEnglish).time(), QTime(23, 59));
    EXPECT_FALSE(ParseDateTimeText("31/02/2026", "DD/MM", kEnglish).isValid());
    EXPECT_FALSE(ParseDateTimeText("yesterday", "DD/MM", kEnglish).isValid());
    EXPECT_EQ(FormatDate(DateOrZero(QDate()), "DD/MMM/yyyy", kEnglish).toStdString(), "30/Dec/1899");
}
