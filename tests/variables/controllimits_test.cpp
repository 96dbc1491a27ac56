// Tests of the control limits, the limit, zone and USL/LSL lines and the statistics panel.
#include "variables/controllimits.h"
#include "variables/variableschart.h"

#include "common/rounding.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <tuple>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

QString Sp(int n)
{
    return QString(n, ' ');
}

struct Plot {
    ChartModel chart = BuildVariablesChartTemplate();
    LimitInputs in;

    Plot(const QString& type, int n, double centre, double variation, int points = 4)
    {
        in.chartType = type;
        in.sampleSize = n;
        in.stat.XDoubleBar = centre;
        in.stat.AverageVariation = variation;
        in.stat.IsSubgroupChart = type != kChartIndividualMR;
        in.stat.PointCount = points;
        in.stat.EstSigma = variation / 1.128;
        in.stat.Cp = in.stat.CpK = in.stat.CpU = in.stat.CpL = Figure::na();
        for (int i = 0; i < points; ++i) {
            chart.series[kSeriesMedian].add(centre);
            chart.series[kSeriesXBar].add(centre + i);
            chart.series[kSeriesRange].add(variation * i);
        }
    }
    // The limits computed and, where they could be, drawn.
    ControlLimits draw()
    {
        const ControlLimits r = ComputeControlLimits(in);
        if (r.completed)
            FillControlLimits(chart, r);
        return r;
    }
    const ChartSeries& line(int i) const { return chart.series[i]; }
};

void ExpectLine(const ChartSeries& s, double y, const QString& first, const QString& second, double lastX = 3)
{
    ASSERT_EQ(s.count(), 2);
    EXPECT_DOUBLE_EQ(s.points[0].x, 0);
    EXPECT_DOUBLE_EQ(s.points[1].x, lastX);
    EXPECT_CLOSE(s.points[0].y, y);
    EXPECT_DOUBLE_EQ(s.points[1].y, s.points[0].y);
    EXPECT_EQ(s.points[0].label, first);
    EXPECT_EQ(s.points[1].label, second);
}

} // namespace

TEST(ControlLimits, XBarRWithoutZones)
{
    Plot p(kChartXBarR, 5, 10, 2);
    const ControlLimits r = p.draw();
    ASSERT_TRUE(r.completed);
    EXPECT_TRUE(r.failure.isEmpty());
    EXPECT_DOUBLE_EQ(r.UCLCentre.value(), 11.1536);
    EXPECT_DOUBLE_EQ(r.LCLCentre.value(), 8.8464);
    EXPECT_DOUBLE_EQ(r.UCLVar.value(), 4.2288);
    EXPECT_DOUBLE_EQ(r.LCLVar.value(), 0);
    EXPECT_EQ(r.parameterCaption, "X-Bar-R Param.");

    ASSERT_EQ(p.chart.seriesCount(), 15);
    ExpectLine(p.line(9), 10, "  CL", "CL=10.0; CpK=N/A" + Sp(34));
    EXPECT_EQ(p.line(9).colour, 0xC00000u);
    ExpectLine(p.line(10), 8.8464, "  LCL", "LCL=8.8464" + Sp(50));
    ExpectLine(p.line(11), 11.1536, "  UCL", "UCL=11.1536" + Sp(50));
    EXPECT_EQ(p.line(10).marks.offset, 0);
    EXPECT_EQ(p.line(11).marks.offset, 0);
    ExpectLine(p.line(12), 0, " ", " ");
    ExpectLine(p.line(13), 2, "  CL", "CL=2.0" + Sp(15));
    EXPECT_EQ(p.line(13).colour, 0xC00000u);
    ExpectLine(p.line(14), 4.2288, "  UCL", "UCL=4.2288" + Sp(50));
    for (int i = 9; i < 15; ++i)
        EXPECT_EQ(p.line(i).verticalAxis, i < 12 ? VerticalAxis::Left : VerticalAxis::Custom0) << i;
    EXPECT_EQ(p.line(2).count() + p.line(3).count(), 0); // "Show USL/LSL" clear

    EXPECT_DOUBLE_EQ(p.chart.left.increment, 3.0 / 4);
    EXPECT_DOUBLE_EQ(p.chart.custom0.increment, 6.0 / 4);
}

TEST(ControlLimits, StatisticsPanel)
{
    Plot p(kChartXBarR, 5, 10.00004, 2);
    p.in.stat.PointCount = 1234;
    p.in.stat.StdDev = 0.5;
    p.in.stat.EstSigma = 2 / 2.326;
    p.in.stat.Cp = 1.5;
    p.in.stat.CpU = 1.23456;
    p.in.stat.CpL = 1.7;
    p.in.stat.CpK = 1.23456;
    p.in.USL = 12.0;
    p.in.LSL = 8.0;
    const ControlLimits r = p.draw();
    ASSERT_TRUE(r.completed);
    const QStringList expected { "1,234", "0.5", "0.8598", "5", "11.1536", "10.0", "8.8464", "12.0", "8.0", "1.2346",
        "1.5", "1.7", "1.2346", "66.67%", "", "4.2288", "2.0", "0.0" };
    EXPECT_EQ(r.panelValues, expected);
    EXPECT_EQ(r.panelValueText, expected.join('\n') + "\n\n");
    EXPECT_EQ(PanelCaptions().size(), expected.size());
    EXPECT_TRUE(PanelCaptionText().startsWith("Total:\nStd Dev:\nEst Sigma:\nSize:\nUCL:"));
    EXPECT_TRUE(PanelCaptionText().endsWith("CR:\n\nUCL:\nCL:\nLCL:"));
    EXPECT_DOUBLE_EQ(r.CpK.value(), 1.2346);
    EXPECT_DOUBLE_EQ(r.XDoubleBar.value(), 10);
    EXPECT_EQ(p.line(9).points[1].label, "CL=10.0; CpK=1.2346" + Sp(34));
}

TEST(ControlLimits, EveryFigureIsTheNumberThePanelShows)
{
    // EstSigma is shown unrounded through the panel's format, which takes a half away from zero; the
    // figure (what a report prints) is that number, not the half-even rounding of the other figures.
    for (const auto& [sigma, shown, figure] : { std::tuple { 0.00125, "0.0013", 0.0013 }, { 0.00135, "0.0014", 0.0014 },
             { 2.00005, "2.0001", 2.0001 }, { 0.5, "0.5", 0.5 } }) {
        Plot p(kChartXBarR, 5, 10, 2);
        p.in.stat.EstSigma = sigma;
        p.in.stat.StdDev = Round4(0.00125);
        const ControlLimits r = p.draw();
        EXPECT_EQ(r.panelValues[2], shown) << sigma;
        EXPECT_DOUBLE_EQ(r.EstSigma.value(), figure) << sigma;
        // The other figures are rounded before they are shown: text and number agree as well.
        EXPECT_EQ(r.panelValues[1], "0.0012");
        EXPECT_DOUBLE_EQ(r.StdDev, 0.0012);
    }
}

TEST(ControlLimits, SpecificationLinesAndMissingLimit)
{
    Plot p(kChartXBarR, 5, 10, 2);
    p.in.showSpec = true;
    p.in.USL = 999.0;
    p.in.LSL = 1.25;
    const ControlLimits r = p.draw();
    EXPECT_EQ(p.line(kSeriesUSL).count(), 0);
    ExpectLine(p.line(kSeriesLSL), 1.25, "  LSL", "LSL=1.25" + Sp(15));
    EXPECT_TRUE(r.USL.isNA());
    EXPECT_EQ(r.panelValues[7], "N/A");
    EXPECT_EQ(r.panelValues[8], "1.25");

    Plot q(kChartXBarR, 5, 10, 2);
    q.in.showSpec = true;
    q.in.USL = 12.5;
    q.in.LSL = -999.0;
    q.draw();
    ExpectLine(q.line(kSeriesUSL), 12.5, "  USL", "USL=12.5" + Sp(15));
    EXPECT_EQ(q.line(kSeriesLSL).count(), 0);
}

TEST(ControlLimits, MedianAndSChartsUseTheirFactors)
{
    Plot median(kChartMedianR, 3, 10, 2);
    const ControlLimits m = median.draw();
    EXPECT_DOUBLE_EQ(m.UCLCentre.value(), 12.374);
    EXPECT_DOUBLE_EQ(m.LCLCentre.value(), 7.626);
    EXPECT_DOUBLE_EQ(m.UCLVar.value(), Round4(2.5735 * 2));
    EXPECT_EQ(m.parameterCaption, "Median-R Param.");

    // Median-s: A3Median = A2Median·d2/c4, wider than the X-Bar-s chart's A3 (a median varies more).
    Plot ms(kChartMedianS, 5, 10, 1);
    const ControlLimits m5 = ms.draw();
    EXPECT_DOUBLE_EQ(m5.UCLCentre.value(), 11.7099);
    EXPECT_DOUBLE_EQ(m5.LCLCentre.value(), 8.2901);
    EXPECT_GT(m5.UCLCentre.value(), 10 + 1.4273); // X-Bar-s at n = 5
    EXPECT_DOUBLE_EQ(m5.UCLVar.value(), 2.0895); // B4·s-bar as for X-Bar-s
    EXPECT_DOUBLE_EQ(m5.LCLVar.value(), 0);
    EXPECT_EQ(m5.parameterCaption, "Median-s Param.");
    Plot ms3(kChartMedianS, 3, 10, 0.5);
    const ControlLimits m3 = ms3.draw();
    EXPECT_DOUBLE_EQ(m3.UCLCentre.value(), 11.1338); // 10 + 2.2676·0.5
    EXPECT_DOUBLE_EQ(m3.LCLCentre.value(), 8.8662);
    EXPECT_DOUBLE_EQ(m3.UCLVar.value(), Round4(2.5682 * 0.5));
    ExpectLine(ms3.line(11), 11.1338, "  UCL", "UCL=11.1338" + Sp(50));

    Plot xs(kChartXBarS, 6, 10, 2);
    const ControlLimits s = xs.draw();
    EXPECT_DOUBLE_EQ(s.UCLCentre.value(), Round4(10 + 1.2872 * 2));
    EXPECT_DOUBLE_EQ(s.UCLVar.value(), 3.94);
    EXPECT_DOUBLE_EQ(s.LCLVar.value(), 0.06);
    ExpectLine(xs.line(12), 0.06, "  LCL", "LCL=0.06" + Sp(15));
    EXPECT_EQ(s.parameterCaption, "X-Bar-s Param.");

    Plot all(kChartXBarRMedianS, 5, 10, 2);
    const ControlLimits a = all.draw();
    EXPECT_DOUBLE_EQ(a.UCLCentre.value(), 11.1536);
    EXPECT_DOUBLE_EQ(a.UCLVar.value(), 4.2288);
    EXPECT_EQ(a.parameterCaption, "X-Bar-R Param.");
}

TEST(ControlLimits, IndividualMR)
{
    Plot p(kChartIndividualMR, 5, 20, 1.128);
    p.in.stat.EstSigma = 1.0;
    const ControlLimits r = p.draw();
    EXPECT_DOUBLE_EQ(r.UCLCentre.value(), 23);
    EXPECT_DOUBLE_EQ(r.LCLCentre.value(), 17);
    EXPECT_DOUBLE_EQ(r.UCLVar.value(), 3.687);
    EXPECT_DOUBLE_EQ(r.LCLVar.value(), 0);
    EXPECT_EQ(r.parameterCaption, "Indv.-MR Para.");
    EXPECT_EQ(r.panelValues[3], "1");
}

TEST(ControlLimits, ZonesRelabelTheLimitsAndAddBands)
{
    Plot p(kChartXBarR, 2, 10, 2);
    p.in.showZones = true;
    const ControlLimits r = p.draw();
    ASSERT_EQ(p.chart.seriesCount(), 23);
    const double zone = (r.UCLCentre.value() - 10) / 3;
    ExpectLine(p.line(10), r.LCLCentre.value(), "  A", "A    ");
    ExpectLine(p.line(11), r.UCLCentre.value(), "  A", "A    ");
    ExpectLine(p.line(12), 10 + zone, "  C", "C    ");
    ExpectLine(p.line(13), 10 + 2 * zone, "  B", "B    ");
    ExpectLine(p.line(14), 10 - zone, "  C", "C    ");
    ExpectLine(p.line(15), 10 - 2 * zone, "  B", "B    ");
    // Variation chart: LCL at 0, CL, UCL as A, then C, B above and the lower ones clipped at 0.
    ExpectLine(p.line(16), 0, " ", " ");
    ExpectLine(p.line(18), 6.5372, "  A", "A    ");
    const double vz = (6.5372 - 2) / 3;
    ExpectLine(p.line(19), 2 + vz, "  C", "C    ");
    ExpectLine(p.line(20), 2 + 2 * vz, "  B", "B    ");
    ExpectLine(p.line(21), 2 - vz, "  C", "C    ");
    ExpectLine(p.line(22), 0, " ", " ");
    EXPECT_EQ(p.line(22).verticalAxis, VerticalAxis::Custom0);
}

TEST(ControlLimits, ZeroSpreadMovesTheLimitMarksApart)
{
    Plot p(kChartXBarR, 5, 10, 0);
    p.draw();
    EXPECT_EQ(p.line(10).marks.offset, -15);
    EXPECT_EQ(p.line(11).marks.offset, 15);
    EXPECT_DOUBLE_EQ(p.line(10).points[0].y, 10);
}

TEST(ControlLimits, FailuresAreReturnedWithoutLines)
{
    Plot big(kChartXBarR, 26, 10, 2);
    const ControlLimits b = big.draw();
    EXPECT_FALSE(b.completed);
    EXPECT_EQ(b.failure, "Subscript out of range!");
    EXPECT_TRUE(b.lines.empty() && b.panelValues.isEmpty());
    EXPECT_EQ(big.chart.seriesCount(), 9);
    Plot median(kChartMedianR, 12, 10, 2);
    EXPECT_EQ(median.draw().failure, "Subscript out of range!");
    Plot text(kChartXBarR, 5, 10, 2);
    text.in.stat.XDoubleBar = Figure::na();
    EXPECT_EQ(text.draw().failure, "Type mismatch!");
    Plot noSigma(kChartIndividualMR, 2, 10, 2);
    noSigma.in.stat.EstSigma = Figure();
    EXPECT_EQ(noSigma.draw().failure, "Type mismatch!");
}

TEST(ControlLimits, TheRulesCompareWithTheDrawnLines)
{
    // Each chart's rule lines are the y of its lines of the same role, the variation chart's lower zone
    // lines at 0 where they are drawn there.
    Plot p(kChartXBarR, 2, 10, 2);
    p.in.showZones = true;
    const ControlLimits r = p.draw();
    ASSERT_EQ(r.lines.size(), 14u);
    for (const LimitLine& line : r.lines) {
        const ZoneLines& z = line.chart == LimitChart::Centre ? r.centre : r.variation;
        const double expected = line.role == LineRole::CL ? z.centre
            : line.role == LineRole::LCL                  ? z.lcl
            : line.role == LineRole::UCL                  ? z.ucl
            : line.role == LineRole::UpperB               ? z.upperB
            : line.role == LineRole::LowerB               ? z.lowerB
            : line.role == LineRole::UpperC               ? z.upperC
                                                          : z.lowerC;
        EXPECT_EQ(line.y, expected) << int(line.chart) << " " << int(line.role);
    }
    EXPECT_EQ(r.variation.lowerB, 0);
    EXPECT_GT(r.variation.lowerC, 0);
    EXPECT_DOUBLE_EQ(r.centre.ucl, r.UCLCentre.value());
}

TEST(ControlLimits, AddLimitLineSeriesPlacesTheClone)
{
    ChartModel c = BuildVariablesChartTemplate();
    EXPECT_EQ(AddLimitLineSeries(c, "X-Bar"), 9);
    EXPECT_EQ(AddLimitLineSeries(c, "Range"), 10);
    EXPECT_EQ(c.series[9].verticalAxis, VerticalAxis::Left);
    EXPECT_EQ(c.series[10].verticalAxis, VerticalAxis::Custom0);
    EXPECT_EQ(AddLimitLineSeries(c, "Range", 99), -1);
}
