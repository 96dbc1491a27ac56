// Tests of the chart model, the variables chart template, its reset and page captions.
#include "variables/chartmodel.h"
#include "variables/variableschart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

using namespace moldrin;

namespace
{

ChartModel WithPoints(int points, int perPage)
{
    ChartModel c = BuildVariablesChartTemplate();
    for (int i = 0; i < points; ++i)
        c.series[0].add(i);
    c.maxPointsPerPage = perPage;
    return c;
}

} // namespace

TEST(ChartModel, Paging)
{
    ChartModel c = WithPoints(200, 80);
    EXPECT_EQ(c.pageCount(), 3);
    EXPECT_EQ(c.currentPage(), 1);
    EXPECT_FALSE(c.previousPage());
    EXPECT_TRUE(c.nextPage());
    EXPECT_TRUE(c.nextPage());
    EXPECT_FALSE(c.nextPage());
    EXPECT_EQ(c.currentPage(), 3);
    EXPECT_EQ(c.pageRange(), std::make_pair(160, 239));
    c.maxPointsPerPage = 0;
    EXPECT_EQ(c.pageCount(), 1);
    EXPECT_EQ(c.pageRange(), std::make_pair(0, 199));
    EXPECT_EQ(WithPoints(160, 80).pageCount(), 2);
    EXPECT_EQ(WithPoints(0, 80).pageCount(), 1);
}

TEST(ChartModel, CopyAndRemoveSeries)
{
    ChartModel c = BuildVariablesChartTemplate();
    c.series[1].add(3, "x");
    const int index = c.copySeries(1);
    EXPECT_EQ(index, 9);
    EXPECT_EQ(c.series[9].title, "CL/LCL/UCL");
    EXPECT_EQ(c.series[9].points.size(), 1);
    EXPECT_EQ(c.copySeries(42), -1);
    EXPECT_TRUE(c.removeSeries(9));
    EXPECT_FALSE(c.removeSeries(9));
    EXPECT_EQ(c.seriesCount(), 9);
    EXPECT_EQ(c.seriesAt(-1), nullptr);
}

TEST(ChartModel, AutomaticAxisRangeComesFromTheSeriesOnThatAxis)
{
    ChartModel c = BuildVariablesChartTemplate();
    c.series[kSeriesXBar].add(4);
    c.series[kSeriesXBar].add(-2);
    c.series[kSeriesMedian].add(7);
    c.series[kSeriesRange].add(30);
    EXPECT_DOUBLE_EQ(c.axisMinimum(AxisId::Left), -2);
    EXPECT_DOUBLE_EQ(c.axisMaximum(AxisId::Left), 7);
    EXPECT_DOUBLE_EQ(c.axisMaximum(AxisId::Custom0), 30);
    c.left.setRange(0, 10);
    EXPECT_DOUBLE_EQ(c.axisMaximum(AxisId::Left), 10);
    EXPECT_DOUBLE_EQ(ChartModel().axisMaximum(AxisId::Left), 0);
}

TEST(VariablesChart, Template)
{
    const ChartModel c = BuildVariablesChartTemplate();
    ASSERT_EQ(c.seriesCount(), 9);
    const QStringList titles { "Median", "CL/LCL/UCL", "LSL", "USL", "s", "X-Bar", "Range", "Up Arrow", "Down Arrow" };
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(c.series[i].title, titles[i]);
        EXPECT_EQ(c.series[i].horizontalAxis, i == 6 ? HorizontalAxis::Bottom : HorizontalAxis::Top) << i;
        const bool custom = i == 4 || i == 6;
        EXPECT_EQ(c.series[i].verticalAxis, custom ? VerticalAxis::Custom0 : VerticalAxis::Left) << i;
    }
    EXPECT_EQ(c.series[7].kind, SeriesKind::Points);
    EXPECT_EQ(c.series[7].pointer, PointerStyle::DownTriangle);
    EXPECT_EQ(c.series[8].pointer, PointerStyle::Triangle);
    EXPECT_EQ(c.series[7].marks.offset, 8);
    EXPECT_EQ(c.series[8].marks.offset, -23);
    EXPECT_EQ(c.series[1].colour, kClMaroon);
    EXPECT_EQ(c.series[1].pen, PenStyle::Dot);
    EXPECT_EQ(c.series[5].colour, 5987163u);
    EXPECT_EQ(c.series[0].colour, c.series[4].colour);
    EXPECT_EQ(c.series[6].colour, c.series[5].colour);
    EXPECT_DOUBLE_EQ(c.left.endPercent, 70);
    EXPECT_DOUBLE_EQ(c.custom0.startPercent, 74);
    EXPECT_EQ(c.left.labelFormat, "#,##0.00");
    EXPECT_EQ(c.custom0.labelSize, 38);
    EXPECT_EQ(c.bottom.labelFormat, "#,##0");
    EXPECT_DOUBLE_EQ(c.bottom.increment, 5);
    EXPECT_EQ(c.top.labelFormat, "#,##0.##");
    EXPECT_EQ(RgbFromOle(kClRed), 0xFF0000u);
}

namespace
{

// Relative luminance of an RGB colour and the contrast ratio of two colours (as for graphics on screen).
double Luminance(std::uint32_t rgb)
{
    double sum = 0;
    const double weights[] = { 0.2126, 0.7152, 0.0722 };
    for (int i = 0; i < 3; ++i) {
        const double c = double((rgb >> (16 - 8 * i)) & 0xFF) / 255.0;
        sum += weights[i] * (c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4));
    }
    return sum;
}

double Contrast(std::uint32_t a, std::uint32_t b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

TEST(VariablesChart, EveryDataSeriesShowsOnTheWhitePlotArea)
{
    // The X-Bar-R-Median-s chart draws medians (0) over means (5) and s (4) beside R (6).
    const ChartModel c = BuildVariablesChartTemplate();
    for (int i : { kSeriesMedian, kSeriesS, kSeriesXBar, kSeriesRange })
        EXPECT_GE(Contrast(RgbFromOle(c.series[i].colour), RgbFromOle(kClWhite)), 3.0) << i;
    // A grey, told apart from the means' darker one.
    const std::uint32_t median = RgbFromOle(c.series[kSeriesMedian].colour);
    EXPECT_EQ(median & 0xFF, (median >> 8) & 0xFF);
    EXPECT_EQ(median & 0xFF, median >> 16);
    EXPECT_GE(Contrast(median, RgbFromOle(c.series[kSeriesXBar].colour)), 2.0);
}

TEST(VariablesChart, PageCaptions)
{
    EXPECT_EQ(ResetPageCaption("P T", 1, 3), "P T  Chart Page: 1 of 3");
    EXPECT_EQ(PageChangeCaption("P T", 2, 3), "P T Control Chart Page 2 of 3");
    EXPECT_EQ(RefreshPageCaption("P T", 3, 3), "P T Chart Page: 3 of 3");
    ChartModel c = WithPoints(200, 80);
    c.nextPage();
    WritePageChangeCaption(c, "A B");
    EXPECT_EQ(c.header, QStringList { "A B Control Chart Page 2 of 3" });
}

TEST(VariablesChart, ResetClearsLinesAndTitlesTheAxes)
{
    ChartModel c = WithPoints(200, 30);
    c.nextPage();
    c.copySeries(1);
    c.copySeries(1);
    c.series[kSeriesUpArrow].marks.visible = false;
    c.left.setRange(1, 2);
    c.custom0.setRange(1, 2);
    ResetVariablesChart(c, kChartXBarR, "mV", "Prod Param");
    EXPECT_EQ(c.seriesCount(), 9);
    for (const ChartSeries& s : c.series)
        EXPECT_EQ(s.count(), 0);
    EXPECT_EQ(c.maxPointsPerPage, 80);
    EXPECT_EQ(c.currentPage(), 1);
    EXPECT_EQ(c.header, QStringList { "Prod Param  Chart Page: 1 of 1" });
    EXPECT_TRUE(c.left.automatic && c.custom0.automatic);
    EXPECT_EQ(c.left.title, "X-Bar (mV)");
    EXPECT_EQ(c.custom0.title, "Range");
    EXPECT_EQ(c.subHeader, QStringList { "Sub-Group Number" });
    EXPECT_TRUE(c.series[kSeriesUpArrow].marks.visible);
    EXPECT_TRUE(c.visible);

    const struct {
        QString type, left, custom, sub;
    } cases[] = { { kChartXBarRMedianS, "X-Bar & Median", "R & s", "Sub-Group Number" },
        { kChartMedianR, "Median", "Range", "Sub-Group Number" }, { kChartMedianS, "Median", "s", "Sub-Group Number" },
        { kChartXBarS, "X-Bar", "s", "Sub-Group Number" },
        { kChartIndividualMR, "Individual", "Moving Range", "Sample Number" },
        { "x-bar-r", "?????", "?????", "?????" } };
    for (const auto& k : cases) {
        ResetVariablesChart(c, k.type, "", "t");
        EXPECT_EQ(c.left.title, k.left);
        EXPECT_EQ(c.custom0.title, k.custom);
        EXPECT_EQ(c.subHeader, QStringList { k.sub });
    }
}

TEST(VariablesChart, DataPointsGoToTheFourSeries)
{
    ChartModel c = BuildVariablesChartTemplate();
    SubgroupPoint p;
    p.number = 1;
    p.medianValue = 1;
    p.centreValue = 2;
    p.sValue = 3;
    p.variationValue = 4;
    AddSubgroupPoints(c, p);
    p.number = 2;
    AddSubgroupPoints(c, p);
    EXPECT_EQ(c.series[kSeriesRange].points[1].label, "2");
    EXPECT_DOUBLE_EQ(c.series[kSeriesRange].points[1].x, 1);
    EXPECT_DOUBLE_EQ(c.series[kSeriesS].points[0].y, 3);
    EXPECT_DOUBLE_EQ(c.series[kSeriesXBar].points[0].y, 2);
    AddIndividualPoints(c, IndividualPoint { 3, 9, 5 });
    EXPECT_DOUBLE_EQ(c.series[kSeriesMedian].points[2].y, 9);
    EXPECT_EQ(c.series[kSeriesRange].points[2].label, "3");
    EXPECT_DOUBLE_EQ(c.series[kSeriesRange].points[2].y, 5);
}

TEST(PointList, EveryLabelReadsBackAsWritten)
{
    // Whole numbers are kept as numbers inside; everything else as text. Either way the text returns.
    const QStringList labels { "", "0", "7", "007", "-3", "123", "999999999", "1000000000", "12a", "R1+,R2+", " 5" };
    ChartSeries s;
    for (int i = 0; i < labels.size(); ++i)
        s.addXY(i * 0.5, -i, labels[i], OleColour(i));
    ASSERT_EQ(s.count(), labels.size());
    int i = 0;
    for (const ChartPoint& p : s.points) {
        EXPECT_EQ(p.label, labels[i]) << i;
        EXPECT_EQ(p.x, i * 0.5);
        EXPECT_EQ(p.y, -i);
        EXPECT_EQ(p.colour, OleColour(i));
        // The number is given only where its plain text is the label.
        const std::int32_t number = s.points.labelNumber(i);
        EXPECT_EQ(number >= 0 ? QString::number(number) : QString("none"),
            QStringList({ "0", "7", "123", "999999999" }).contains(p.label) ? p.label : QString("none"))
            << i;
        ++i;
    }
    EXPECT_EQ(i, labels.size());
    EXPECT_EQ(s.points.back().label, " 5");
    EXPECT_EQ(s.minY(), -(labels.size() - 1));
    EXPECT_EQ(s.maxX(), (labels.size() - 1) * 0.5);
    s.clear();
    EXPECT_TRUE(s.points.isEmpty());
    EXPECT_FALSE(s.minY());
}

TEST(PointList, PointNumberSeriesReadTheSameWhenAPointBreaksThePattern)
{
    // Points at 0, 1, 2 ... (labelled with their number or not) read back as added, also after a point that
    // stands elsewhere, has a colour or another label turns the list to the general form.
    struct Case {
        bool numbered;
        ChartPoint breaking;
    };
    for (const Case& c : { Case { false, { 3.5, 1, {}, kTeeColor } }, Case { false, { 3, 1, {}, kClRed } },
             Case { false, { 3, 1, "4", kTeeColor } }, Case { true, { 3, 1, {}, kTeeColor } },
             Case { true, { 3, 1, "5", kTeeColor } }, Case { true, { 3, 1, "R1+", kTeeColor } } }) {
        ChartSeries s;
        for (int i = 0; i < 3; ++i)
            s.add(i * 1.5, c.numbered ? QString::number(i + 1) : QString());
        for (int step = 0; step < 2; ++step) {
            ASSERT_EQ(s.count(), 3 + step);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(s.points[i].x, i);
                EXPECT_EQ(s.points[i].y, i * 1.5);
                EXPECT_EQ(s.points[i].label, c.numbered ? QString::number(i + 1) : QString());
                EXPECT_EQ(s.points[i].colour, kTeeColor);
                EXPECT_EQ(s.points.labelNumber(i), c.numbered ? i + 1 : -1);
            }
            if (step == 0)
                s.points.append(c.breaking);
        }
        EXPECT_EQ(s.points.back().x, c.breaking.x);
        EXPECT_EQ(s.points.back().label, c.breaking.label);
        EXPECT_EQ(s.points.back().colour, c.breaking.colour);
        s.clear();
        s.add(2, "1");
        EXPECT_EQ(s.points[0].label, "1");
        EXPECT_EQ(s.maxX(), 0);
    }
}

TEST(PointList, NumberedPointsReadAsTheirTextWouldGive)
{
    // appendNumbered stores what append with the number's text stores, inside and beyond the numbers kept
    // as numbers, dense or not.
    for (const double x0 : { 0.0, 2.5 }) {
        PointList byText, byNumber;
        const std::int64_t numbers[] = { 1, 2, 3, 0, 999999999, 1000000000, -3, 7 };
        for (std::size_t i = 0; i < std::size(numbers); ++i) {
            byText.append({ x0 + double(i), double(i) / 3, QString::number(numbers[i]), kTeeColor });
            byNumber.appendNumbered(x0 + double(i), double(i) / 3, numbers[i]);
        }
        ASSERT_EQ(byNumber.size(), byText.size());
        for (int i = 0; i < byText.size(); ++i) {
            EXPECT_EQ(byNumber[i].label, byText[i].label) << i;
            EXPECT_EQ(byNumber[i].x, byText[i].x);
            EXPECT_EQ(byNumber[i].y, byText[i].y);
            EXPECT_EQ(byNumber.labelNumber(i), byText.labelNumber(i));
        }
    }
    ChartSeries s;
    s.addNumbered(4, 1);
    s.addNumbered(5, 2);
    EXPECT_EQ(s.points[1].label, "2");
    EXPECT_EQ(s.points[1].x, 1);
}
