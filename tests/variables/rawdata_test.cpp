// Tests of the raw data window's information line, listing reading and highlighted lines.
#include "variables/rawdata.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

namespace
{

ClickedPoint Click(const QString& chartType, int series, int point, double value, const QString& size = "5")
{
    ClickedPoint c;
    c.chartType = chartType;
    c.series = series;
    c.point = point;
    c.value = value;
    c.sampleSizeText = size;
    return c;
}

} // namespace

TEST(RawDataInfo, WordingByChartTypeAndSeries)
{
    EXPECT_EQ(
        PlottedDataInfo(Click("X-Bar-R", 5, 2, 10.2)), "X-Bar Chart, Sub-Group = 3 Size = 5, Average Value = 10.2");
    EXPECT_EQ(PlottedDataInfo(Click("X-Bar-s", 0, 0, 10)), "X-Bar Chart, Sub-Group = 1 Size = 5, Average Value = 10.0");
    EXPECT_EQ(PlottedDataInfo(Click("X-Bar-R-Median-s", 5, 0, 3.5)),
        "X-Bar Chart, Sub-Group = 1 Size = 5, Average Value = 3.5");
    EXPECT_EQ(PlottedDataInfo(Click("X-Bar-R-Median-s", 0, 0, 3.5)),
        "Median Chart, Sub-Group = 1 Size = 5, Middle Value = 3.5");
    EXPECT_EQ(PlottedDataInfo(Click("Median-s", 0, 4, -2.25, "7")),
        "Median Chart, Sub-Group = 5 Size = 7, Middle Value = -2.25");
    EXPECT_EQ(PlottedDataInfo(Click("Median-R", 0, 1, 4.5, "4")),
        "Median Chart, Sub-Group = 2 Size = 4, Avg. form 2 Middle Values = 4.5");

    ClickedPoint individual = Click("Individual-MR", 0, 1233, 1234.56789);
    individual.isIndividual = true;
    EXPECT_EQ(PlottedDataInfo(individual), "Individual Chart, Sample Number = 1,234, Value = 1,234.5679");

    EXPECT_EQ(PlottedDataInfo(Click("Individual-MR", 0, 0, 1)), ""); // not flagged as individual
    EXPECT_EQ(PlottedDataInfo(Click("X-Bar-R-Median-s", 4, 0, 1)), "");
    EXPECT_EQ(PlottedDataInfo(Click("x-bar-r", 5, 0, 1)), "");
}

TEST(RawDataInfo, SampleSizeTextAsShown)
{
    EXPECT_EQ(
        PlottedDataInfo(Click("X-Bar-R", 5, 0, 1, "12")), "X-Bar Chart, Sub-Group = 1 Size = 12, Average Value = 1.0");
    EXPECT_EQ(PlottedDataInfo(Click("X-Bar-R", 5, 0, 1, "abc")),
        "X-Bar Chart, Sub-Group = 1 Size = abc, Average Value = 1.0");
    // The parity comes from the text's integer value; text without a number counts as 0, even.
    EXPECT_TRUE(PlottedDataInfo(Click("Median-R", 0, 0, 1, "9")).contains(", Middle Value = "));
    EXPECT_TRUE(PlottedDataInfo(Click("Median-R", 0, 0, 1, "")).contains(", Avg. form 2 Middle Values = "));
}

TEST(RawDataListing, ReadsAfterTheHeadingAndReportsAMissingFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("~1234567.spc");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("S/N\tP\tATE ID\tDate\r\nA\t\t1.000\tT\t01/01/2026 08:00 AM\r\nB\t\t2.000\tT\t\n\n");
    f.close();
    QString error;
    EXPECT_EQ(
        ReadListingLines(path, &error), (QStringList { "A\t\t1.000\tT\t01/01/2026 08:00 AM", "B\t\t2.000\tT\t", "" }));
    EXPECT_TRUE(error.isEmpty());

    EXPECT_TRUE(ReadListingLines(dir.filePath("missing.spc"), &error).isEmpty());
    EXPECT_EQ(error, "File not found");
    error.clear();
    ReadListingLines(QString(), &error);
    EXPECT_EQ(error, "File not found");
    EXPECT_EQ(RawDataColumnTitle().size(), 45 + 40 + 10);
}

TEST(RawDataHighlight, SubgroupLinesAndTheCurrentLine)
{
    QStringList lines;
    for (int i = 0; i < 23; ++i)
        lines << QStringLiteral("SN%1\t\t10.%2\tATE\t").arg(i).arg(i, 3, 10, QChar('0'));
    RawDataHighlight h = HighlightRawData(lines, Click("X-Bar-R", 5, 2, 10.5), 5);
    EXPECT_EQ(h.lines, (QList<int> { 10, 11, 12, 13, 14 }));
    EXPECT_EQ(h.current, -1);

    // The last line of the subgroup holding the value followed by a tab becomes current.
    lines[11] = "SN11\t\t10.25\tATE\t";
    lines[13] = "SN13\t\t10.25\tATE\t";
    lines[14] = "SN14\t\t110.25\tATE\t"; // "10.25\t" inside another number counts, as a text search does
    h = HighlightRawData(lines, Click("Median-R", 0, 2, 10.25), 5);
    EXPECT_EQ(h.current, 14);
    lines[14] = "SN14\t\t10.250\tATE\t";
    EXPECT_EQ(HighlightRawData(lines, Click("Median-R", 0, 2, 10.25), 5).current, 13);

    // Found only on line 0: no current line.
    lines[0] = "SN0\t\t7.5\tATE\t";
    EXPECT_EQ(HighlightRawData(lines, Click("Median-R", 0, 0, 7.5), 5).current, -1);

    // The last subgroup of a shorter listing, and one past its end.
    EXPECT_EQ(HighlightRawData(lines, Click("X-Bar-R", 5, 4, 1), 5).lines, (QList<int> { 20, 21, 22 }));
    EXPECT_TRUE(HighlightRawData(lines, Click("X-Bar-R", 5, 9, 1), 5).lines.isEmpty());
    EXPECT_TRUE(HighlightRawData(lines, Click("X-Bar-R", 5, 0, 1), 0).lines.isEmpty());
}

TEST(RawDataHighlight, IndividualReading)
{
    const QStringList lines { "a", "b", "c" };
    ClickedPoint c = Click("Individual-MR", 0, 2, 1);
    c.isIndividual = true;
    EXPECT_EQ(HighlightRawData(lines, c, 5).lines, QList<int> { 2 });
    c.point = 3;
    EXPECT_TRUE(HighlightRawData(lines, c, 5).lines.isEmpty());
    c.point = -1;
    EXPECT_TRUE(HighlightRawData(lines, c, 5).lines.isEmpty());
}
