// Tests of rules R1 to R7 on plain numbers, the set-up columns, the marks' texts, the extension of an
// evaluation, and the variables chart's evaluation with its marks on the chart.
#include "common/appstate.h"
#include "rules/ruleengine.h"
#include "rules/rulemarks.h"
#include "variables/controllimits.h"
#include "variables/statistics.h"
#include "variables/variableschart.h"

#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

constexpr RuleGroups kAll = RuleGroups((1u << kRuleGroupCount) - 1);

RuleGroups Groups(std::initializer_list<RuleGroup> groups)
{
    RuleGroups bits = 0;
    for (RuleGroup g : groups)
        bits |= RuleGroupBit(g);
    return bits;
}

// "i:codes" for every marked point of one side.
QStringList Marked(const RuleMarks& marks, MarkSide side)
{
    QStringList out;
    for (std::size_t i = 0; i < marks.size(); ++i)
        if (const QString& text = RuleMarkText(marks[i], side); !text.isEmpty())
            out << QString::number(i) + ":" + text;
    return out;
}

// The groups run on `data` with every line at `line`.
struct Evaluated {
    std::vector<double> data;
    RuleMarks marks;
    Evaluated(std::vector<double> points, double line, RuleGroups groups)
        : data(std::move(points))
    {
        marks = EvaluateRules({ data, { line, line, line, line, line, line, line }, groups });
    }
    QStringList upper() const { return Marked(marks, MarkSide::Upper); }
    QStringList lower() const { return Marked(marks, MarkSide::Lower); }
};

} // namespace

TEST(RuleSetup, ColumnsByChartType)
{
    EXPECT_EQ(CentreChartColumns(kChartXBarRMedianS), (QList<int> { 2, 3 }));
    EXPECT_EQ(CentreChartColumns(kChartIndividualMR), QList<int> { 1 });
    EXPECT_EQ(CentreChartColumns(kChartMedianS), QList<int> { 3 });
    EXPECT_EQ(VariationChartColumns(kChartXBarS), QList<int> { 5 });
    EXPECT_EQ(VariationChartColumns(kChartXBarRMedianS), (QList<int> { 4, 5 }));
    EXPECT_EQ(VariationChartColumns(kChartIndividualMR), QList<int> { 4 });
    EXPECT_TRUE(RuleEnabled(kDefaultRulesSetup, RuleGroup::R1Lower, kColumnXBar));
    EXPECT_FALSE(RuleEnabled(kDefaultRulesSetup, RuleGroup::R1Lower, kColumnRange));
    EXPECT_FALSE(RuleEnabled(kDefaultRulesSetup, RuleGroup::R1Lower, kColumnAttribute));
    EXPECT_TRUE(RuleEnabled(kDefaultRulesSetup, RuleGroup::R7, kColumnAttribute));
    EXPECT_FALSE(RuleEnabled(kDefaultRulesSetup, RuleGroup::R4Upper, kColumnS));
    EXPECT_FALSE(RuleEnabled("1", RuleGroup::R7, kColumnIndividual));

    // A group runs when any of the chart's columns enables it.
    EXPECT_EQ(EnabledRuleGroups(kDefaultRulesSetup, { kColumnXBar }), kAll);
    EXPECT_EQ(EnabledRuleGroups(kDefaultRulesSetup, { kColumnRange }),
        Groups({ RuleGroup::R1Upper, RuleGroup::R2Upper, RuleGroup::R2Lower, RuleGroup::R3Upper, RuleGroup::R3Lower }));
    QString onlyS(66, '0');
    onlyS[6 * int(RuleGroup::R6) + kColumnS - 1] = '1';
    EXPECT_EQ(EnabledRuleGroups(onlyS, VariationChartColumns(kChartXBarRMedianS)), Groups({ RuleGroup::R6 }));
    EXPECT_EQ(EnabledRuleGroups(onlyS, VariationChartColumns(kChartXBarR)), 0);
}

TEST(RuleMarkText, CodesInRuleOrderPerSide)
{
    EXPECT_EQ(RuleMarkText(0, MarkSide::Upper), "");
    EXPECT_EQ(RuleMarkText(kR2Above | kR3Above | kR4Above, MarkSide::Upper), "R2+,R3+,R4+");
    EXPECT_EQ(RuleMarkText(0x7F, MarkSide::Upper), "R1+,R2+,R3+,R4+,R5,R6,R7");
    EXPECT_EQ(RuleMarkText(0x1F00, MarkSide::Lower), "R1-,R2-,R3-,R4-,R5");
    // A side shows only its own codes.
    const RuleMark both = kR1Above | kR5Rising | kR1Below | kR5Falling;
    EXPECT_EQ(RuleMarkText(both, MarkSide::Upper), "R1+,R5");
    EXPECT_EQ(RuleMarkText(both, MarkSide::Lower), "R1-,R5");
    EXPECT_EQ(RuleMarkText(kR6 | kR7, MarkSide::Lower), "");
    EXPECT_EQ(RuleBits(5), RuleMark(kR5Rising | kR5Falling));
    EXPECT_EQ(RuleBits(7), RuleMark(kR7));
    EXPECT_EQ(RuleBits(8), RuleMark(0));
}

TEST(Rule1, StrictLimitsOnEveryPoint)
{
    Evaluated e({ 5, 6, 7, 4 }, 6, Groups({ RuleGroup::R1Upper, RuleGroup::R1Lower }));
    EXPECT_EQ(e.upper(), QStringList { "2:R1+" }); // the last point counts; 6 on the limit does not
    EXPECT_EQ(e.lower(), (QStringList { "0:R1-", "3:R1-" }));
}

TEST(Rule1, EachPointAgainstItsOwnLimit)
{
    const std::vector<double> data { 5, 5, 5 };
    RuleLines lines;
    lines.ucl = RuleLine(std::vector<double> { 6, 4, 5 });
    const RuleMarks marks = EvaluateRules({ data, lines, Groups({ RuleGroup::R1Upper }) });
    EXPECT_EQ(Marked(marks, MarkSide::Upper), QStringList { "1:R1+" });
}

TEST(Rule2, TwoOfThreeMarksOnlyThePointsBeyond)
{
    const RuleGroups up = Groups({ RuleGroup::R2Upper });
    EXPECT_EQ(Evaluated({ 5, 1, 5, 9 }, 3, up).upper(), (QStringList { "0:R2+", "2:R2+" })); // not the last point
    EXPECT_EQ(Evaluated({ 5, 5, 5, 1, 1 }, 3, up).upper(), (QStringList { "0:R2+", "1:R2+", "2:R2+" }));
    EXPECT_TRUE(Evaluated({ 3, 3, 5, 0 }, 3, up).upper().isEmpty()); // on the line is not beyond it
    const Evaluated low({ 1, 5, 1, 5 }, 3, Groups({ RuleGroup::R2Lower }));
    EXPECT_EQ(low.lower(), (QStringList { "0:R2-", "2:R2-" }));
    EXPECT_TRUE(low.upper().isEmpty());
}

TEST(Rule2, EachPointAgainstItsOwnLine)
{
    // Limits that vary by subgroup: the middle point lies below its own, higher 2-sigma line, so only the
    // two points beyond their own lines count (and mark), although all three lie beyond the first one's.
    const std::vector<double> data { 5, 5, 5, 0 };
    RuleLines lines;
    lines.upperB = RuleLine(std::vector<double> { 4, 6, 4, 9 });
    EXPECT_EQ(Marked(EvaluateRules({ data, lines, Groups({ RuleGroup::R2Upper }) }), MarkSide::Upper),
        (QStringList { "0:R2+", "2:R2+" }));
    // Nor does a window count a point that lies beyond the first point's line only.
    lines.upperB = RuleLine(std::vector<double> { 4, 6, 6, 9 });
    EXPECT_FALSE(EvaluateRules({ data, lines, Groups({ RuleGroup::R2Upper }) }).anyMarked());
    const std::vector<double> low { 1, 1, 1, 1, 1, 9 };
    lines.lowerC = RuleLine(std::vector<double> { 2, 2, 0, 2, 2, 2 });
    EXPECT_EQ(Marked(EvaluateRules({ low, lines, Groups({ RuleGroup::R3Lower }) }), MarkSide::Lower),
        (QStringList { "0:R3-", "1:R3-", "3:R3-", "4:R3-" }));
}

TEST(Rule3, FourOfFive)
{
    const RuleGroups up = Groups({ RuleGroup::R3Upper });
    EXPECT_EQ(Evaluated({ 2, 2, 0, 2, 2, 0 }, 1, up).upper(), (QStringList { "0:R3+", "1:R3+", "3:R3+", "4:R3+" }));
    EXPECT_TRUE(Evaluated({ 2, 2, 0, 0, 2, 0 }, 1, up).upper().isEmpty());
}

TEST(Rule4, EightInARow)
{
    const Evaluated nine({ 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 }, 0.5, Groups({ RuleGroup::R4Upper }));
    EXPECT_EQ(nine.upper().size(), 9); // two overlapping windows
    EXPECT_EQ(RuleMarkText(nine.marks[8], MarkSide::Upper), "R4+");
    EXPECT_EQ(nine.marks[9], 0);
    EXPECT_TRUE(Evaluated({ 1, 1, 1, 1, 1, 1, 1, 1 }, 0.5, Groups({ RuleGroup::R4Upper })).upper().isEmpty());
    // A point on the centre line breaks the run.
    EXPECT_TRUE(Evaluated({ 0, 0, 0, 0, 0, 0, 0, 0.5, 0, 0 }, 0.5, Groups({ RuleGroup::R4Lower })).lower().isEmpty());
}

TEST(Rule5, SevenRisingOrFalling)
{
    const RuleGroups r5 = Groups({ RuleGroup::R5 });
    EXPECT_TRUE(Evaluated({ 1, 2, 3, 4, 5, 6, 7 }, 0, r5).upper().isEmpty()); // ends at the last point
    const Evaluated oneMore({ 1, 2, 3, 4, 5, 6, 7, 0 }, 0, r5);
    EXPECT_EQ(oneMore.upper().size(), 7);
    EXPECT_EQ(oneMore.marks[7], 0);
    const Evaluated falling({ 7, 6, 5, 4, 3, 2, 1, 1, 9 }, 0, r5);
    EXPECT_EQ(falling.lower().size(), 7);
    EXPECT_EQ(RuleMarkText(falling.marks[0], MarkSide::Lower), "R5");
    EXPECT_TRUE(falling.upper().isEmpty());
}

TEST(Rule6, SevenEqual)
{
    EXPECT_EQ(Evaluated({ 4, 4, 4, 4, 4, 4, 4, 1 }, 0, Groups({ RuleGroup::R6 })).upper().size(), 7);
    EXPECT_TRUE(Evaluated({ 4, 4, 4, 4, 4, 4, 4.0001, 1 }, 0, Groups({ RuleGroup::R6 })).upper().isEmpty());
}

namespace
{

std::vector<double> Alternating(int count, bool startWithFall)
{
    std::vector<double> v;
    for (int i = 0; i < count; ++i)
        v.push_back(((i % 2 == 0) == startWithFall) ? 4.0 : 1.0);
    return v;
}

std::vector<double> Joined(std::initializer_list<std::vector<double>> parts)
{
    std::vector<double> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

} // namespace

TEST(Rule7, FourteenAlternating)
{
    const RuleGroups r7 = Groups({ RuleGroup::R7 });
    const Evaluated fall(Joined({ Alternating(14, true), { 2 } }), 0, r7);
    EXPECT_EQ(fall.upper().size(), 14);
    EXPECT_EQ(RuleMarkText(fall.marks[13], MarkSide::Upper), "R7");
    EXPECT_TRUE(Evaluated(Joined({ Alternating(14, false), { 2 } }), 0, r7).upper().isEmpty());

    // The first window's fall leaves the state expecting a rise, so the run from index 2 (starting with
    // a rise) counts.
    const Evaluated carried(Joined({ { 5, 3 }, Alternating(14, false), { 2 } }), 0, r7);
    EXPECT_EQ(carried.upper().size(), 14);
    EXPECT_EQ(carried.marks[1], 0);
    EXPECT_EQ(RuleMarkText(carried.marks[2], MarkSide::Upper), "R7");
}

TEST(RuleComparison, APointOnALineIsNotBeyondIt)
{
    // The mean of these readings is 5.0903 in decimal arithmetic and one binary unit more in doubles: on a
    // UCL of 5.0903, not beyond it. A point a binary unit under an LCL of 4.9097 is on it too; points a
    // digit of the readings beyond the limits are beyond them.
    const std::vector<double> readings { 5.0328, 5.1164, 5.1955, 5.1243, 4.9825 };
    const double mean = GetAverage(readings, 4);
    ASSERT_GT(mean, 5.0903);
    const std::vector<double> points { mean, 5.0904, std::nextafter(4.9097, 0.0), 4.9096, 5.0 };
    const RuleLines lines { 5.0903, 4.9097, 9, 1, 9, 1, 5 };
    const RuleMarks marks
        = EvaluateRules({ points, lines, Groups({ RuleGroup::R1Upper, RuleGroup::R1Lower }), 5.1955 });
    EXPECT_EQ(Marked(marks, MarkSide::Upper), QStringList { "1:R1+" });
    EXPECT_EQ(Marked(marks, MarkSide::Lower), QStringList { "3:R1-" });

    // Centred readings: the mean of 0.1, 0.2 and -0.3 is 0 in decimal arithmetic, 1.9e-17 in doubles. At
    // the precision of the readings such means lie on a centre line of 0; the line's own magnitude (0)
    // would leave no room.
    const std::vector<double> centred { 0.1, 0.2, -0.3 };
    const std::vector<double> means(9, GetAverage(centred, 2));
    ASSERT_GT(means[0], 0);
    const RuleLines zero { 1, -1, 1, -1, 1, -1, 0 };
    EXPECT_FALSE(EvaluateRules({ means, zero, Groups({ RuleGroup::R4Upper }), 0.3 }).anyMarked());
    EXPECT_TRUE(EvaluateRules({ means, zero, Groups({ RuleGroup::R4Upper }) }).anyMarked());
}

TEST(RuleEvaluation, EveryGroupInOneMark)
{
    // Eight points above a centre of 0, rising, two of them beyond the 2-sigma line and one beyond the UCL;
    // the last point below the LCL.
    const std::vector<double> data { 1, 2, 3, 4, 5, 6, 7, 8, -9 };
    const RuleLines lines { 7.5, -7.5, 6.5, -6.5, 0.5, -0.5, 0 };
    const RuleMarks marks = EvaluateRules({ data, lines, kAll });
    EXPECT_EQ(RuleMarkText(marks[6], MarkSide::Upper), "R2+,R3+,R4+,R5");
    EXPECT_EQ(RuleMarkText(marks[7], MarkSide::Upper), "R1+,R2+,R3+,R4+,R5");
    EXPECT_EQ(marks[8], RuleMark(kR1Below)); // only R1 judges the last point
    EXPECT_TRUE(marks.anyMarked());
    EXPECT_FALSE(EvaluateRules({ data, lines, 0 }).anyMarked());
}

TEST(RuleEvaluation, ExtendingEqualsAWholeEvaluation)
{
    // Noise with runs, equal stretches and alternations, evaluated whole and in uneven steps.
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0, 1);
    std::vector<double> data;
    for (int i = 0; i < 400; ++i) {
        double y = noise(rng);
        if (i >= 50 && i < 70)
            y = 3 + 0.01 * i;
        if (i >= 100 && i < 110)
            y = 0.25;
        if (i >= 200 && i < 230)
            y = i % 2 ? 1.5 : -1.5;
        data.push_back(y);
    }
    std::vector<double> ucl(data.size());
    for (std::size_t i = 0; i < ucl.size(); ++i)
        ucl[i] = 2.5 + 0.2 * double(i % 3);
    const RuleLines lines { RuleLine(ucl), -3, 2, -2, 1, -1, 0 };
    const RuleMarks whole = EvaluateRules({ data, lines, kAll });
    ASSERT_TRUE(whole.anyMarked());
    RuleMarks stepwise;
    for (std::size_t n : { 1, 2, 13, 14, 15, 16, 60, 61, 205, 230, 399, 400 }) {
        ExtendRules(stepwise, { std::span(data).first(n), lines, kAll });
        ASSERT_EQ(stepwise.size(), n);
    }
    for (std::size_t i = 0; i < data.size(); ++i)
        EXPECT_EQ(stepwise[i], whole[i]) << i;
}

namespace
{

// A zoned X-Bar-R chart (n = 5, centre 10, R-bar 2) with the given centre and variation data, its limits
// drawn and its centre axis widened, as the plot leaves it before the rules.
struct MainChart {
    ChartModel chart = BuildVariablesChartTemplate();
    ControlLimits limits;

    MainChart(const QList<double>& centre, const QList<double>& variation)
    {
        for (int i = 0; i < centre.size(); ++i) {
            chart.series[kSeriesMedian].add(centre[i]);
            chart.series[kSeriesXBar].add(centre[i]);
            chart.series[kSeriesRange].addNumbered(variation[i], i + 1);
        }
        LimitInputs in;
        in.chartType = kChartXBarR;
        in.sampleSize = 5;
        in.showZones = true;
        in.stat.XDoubleBar = 10.0;
        in.stat.AverageVariation = 2.0;
        in.stat.EstSigma = 2 / 2.326;
        limits = ComputeControlLimits(in);
        FillControlLimits(chart, limits);
        ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    }
    RuleEvaluation evaluate(const QString& setup = kDefaultRulesSetup, bool blink = true)
    {
        return EvaluateVariablesRules(chart, limits, kChartXBarR, setup, blink);
    }
};

const QList<double> kCentre { 10.1, 10.11, 10.12, 10.13, 10.14, 10.15, 10.16, 10.17, 10.1, 9, 10, 10 };
const QList<double> kVariation { 2.5, 2.6, 2.7, 2.8, 2.9, 3.0, 3.1, 5, 2.5, 2.5, -1, 2.5 };

QStringList Labels(const ChartSeries& s)
{
    QStringList out;
    for (const ChartPoint& p : s.points)
        out << QString::number(p.x) + ":" + p.label;
    return out;
}

} // namespace

TEST(EvaluateVariablesRules, DefaultSetupOnXBarR)
{
    MainChart m(kCentre, kVariation);
    ASSERT_EQ(m.chart.seriesCount(), 23);
    const RuleEvaluation r = m.evaluate();
    EXPECT_TRUE(r.completed);
    ASSERT_EQ(m.chart.seriesCount(), 25);
    EXPECT_EQ(m.chart.series[23].title, "Up Arrow");
    EXPECT_EQ(m.chart.series[23].verticalAxis, VerticalAxis::Custom0);
    EXPECT_EQ(m.chart.series[24].verticalAxis, VerticalAxis::Custom0);

    // Centre chart: R4+ on nine points, R5 on the eight rising ones; nothing below.
    QStringList centre;
    for (int i = 0; i < 8; ++i)
        centre << QString::number(i) + ":R4+,R5";
    centre << "8:R4+";
    EXPECT_EQ(Labels(m.chart.series[kSeriesUpArrow]), centre);
    EXPECT_TRUE(m.chart.series[kSeriesDownArrow].points.isEmpty());
    EXPECT_EQ(Marked(r.centre, MarkSide::Upper), centre);

    // Range chart: R1+ and R3+ only (no R4, R5, R1-).
    const QStringList variation { "3:R3+", "4:R3+", "5:R3+", "6:R3+", "7:R1+,R3+" };
    EXPECT_EQ(Labels(m.chart.series[23]), variation);
    EXPECT_TRUE(m.chart.series[24].points.isEmpty());
    EXPECT_EQ(Marked(r.variation, MarkSide::Upper), variation);
    EXPECT_TRUE(Marked(r.variation, MarkSide::Lower).isEmpty());
    EXPECT_TRUE(r.centreMarks && r.variationMarks && r.timerEnabled);

    // Marks sit 5 % of the widened left axis above their points.
    const double offset = (m.chart.left.maximum - m.chart.left.minimum) * 0.05;
    EXPECT_CLOSE(m.chart.series[kSeriesUpArrow].points[0].y, 10.1 + offset);
}

TEST(EvaluateVariablesRules, BlinkDecision)
{
    MainChart m(kCentre, QList<double>(12, 2.1));
    RuleEvaluation r = m.evaluate(kDefaultRulesSetup, false);
    EXPECT_TRUE(r.centreMarks);
    EXPECT_FALSE(r.variationMarks);
    EXPECT_FALSE(r.timerEnabled);

    MainChart only(kCentre, QList<double>(12, 2.1));
    EXPECT_TRUE(only.evaluate().timerEnabled); // centre findings alone start the blinking

    MainChart quiet(QList<double>(12, 10.0), QList<double>(12, 2.1));
    r = quiet.evaluate(QString(66, '0'));
    EXPECT_FALSE(r.centreMarks || r.variationMarks || r.timerEnabled);
    EXPECT_FALSE(RuleBlinkTimerEnabled(true, false));
    EXPECT_TRUE(RuleBlinkTimerEnabled(true, true));
}

TEST(EvaluateVariablesRules, AMeanOnTheUclIsNotBeyondIt)
{
    // UCL = 5.0 + 0.577 · 0.1565, rounded: 5.0903, the decimal mean of the subgroup's readings.
    SubgroupAccumulator acc(kChartXBarR, 5);
    std::optional<SubgroupPoint> onUcl;
    for (double x : { 5.0328, 5.1164, 5.1955, 5.1243, 4.9825 })
        onUcl = acc.add(x);
    ASSERT_TRUE(onUcl);
    ChartModel chart = BuildVariablesChartTemplate();
    for (double mean : { onUcl->mean, 5.0, 5.0904, 5.0 }) {
        chart.series[kSeriesMedian].add(mean);
        chart.series[kSeriesXBar].add(mean);
        chart.series[kSeriesRange].add(0.1565);
    }
    LimitInputs in;
    in.chartType = kChartXBarR;
    in.showZones = true;
    in.stat.XDoubleBar = 5.0;
    in.stat.AverageVariation = 0.1565;
    in.stat.ReadingScale = acc.finish(kNoUpperLimit, kNoLowerLimit).ReadingScale;
    EXPECT_DOUBLE_EQ(in.stat.ReadingScale, 5.1955);
    const ControlLimits limits = ComputeControlLimits(in);
    ASSERT_EQ(limits.centre.ucl, 5.0903);
    ASSERT_GT(onUcl->mean, limits.centre.ucl);
    FillControlLimits(chart, limits);
    const RuleEvaluation r = EvaluateVariablesRules(chart, limits, kChartXBarR, kDefaultRulesSetup, true);
    EXPECT_EQ(r.centre[0] & kR1Above, 0);
    EXPECT_NE(r.centre[2] & kR1Above, 0);
}

TEST(EvaluateVariablesRules, NothingWithoutLimits)
{
    MainChart m(kCentre, kVariation);
    m.limits = ControlLimits {};
    m.limits.failure = "Subscript out of range!";
    const RuleEvaluation r = m.evaluate();
    EXPECT_FALSE(r.completed || r.centreMarks);
    EXPECT_EQ(m.chart.seriesCount(), 23); // no clones
    EXPECT_EQ(r.centre.size(), 0u);
}

TEST(RuleMarks, AxisWideningAndPlacement)
{
    ChartModel chart = BuildVariablesChartTemplate();
    for (double y : { 0, 4, 10 })
        chart.series[kSeriesXBar].add(y);
    ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    EXPECT_FALSE(chart.left.automatic);
    EXPECT_DOUBLE_EQ(chart.left.minimum, -1.5);
    EXPECT_DOUBLE_EQ(chart.left.maximum, 11.5);

    const std::vector<double> data { 0, 4, 10 };
    const RuleMarks marks
        = EvaluateRules({ data, { 3, 1, 0, 0, 0, 0, 0 }, Groups({ RuleGroup::R1Upper, RuleGroup::R1Lower }) });
    EXPECT_TRUE(PlaceRuleMarks(chart, kSeriesXBar, AxisId::Left, 7, 8, 1, marks));
    ASSERT_EQ(chart.series[7].count(), 2);
    EXPECT_CLOSE(chart.series[7].points[0].y, 4.65);
    EXPECT_DOUBLE_EQ(chart.series[7].points[0].x, 2);
    EXPECT_EQ(chart.series[7].points[0].label, "R1+");
    EXPECT_EQ(chart.series[7].points[0].colour, kTeeColor);
    ASSERT_EQ(chart.series[8].count(), 1);
    EXPECT_CLOSE(chart.series[8].points[0].y, -0.65);
    EXPECT_EQ(chart.series[8].points[0].label, "R1-");
    EXPECT_TRUE(chart.series[7].marks.ruleMarks && chart.series[8].marks.ruleMarks);

    EXPECT_FALSE(PlaceRuleMarks(chart, kSeriesXBar, AxisId::Left, 7, 8, 0, RuleMarks {}));
    EXPECT_FALSE(PlaceRuleMarks(chart, kSeriesXBar, AxisId::Left, 7, 99, 0, marks)); // no such series
    EXPECT_EQ(chart.series[7].count(), 2);
}

TEST(RuleMarks, RulePointsOfAnySeries)
{
    ChartSeries dense;
    for (double y : { 1.5, 2.5 })
        dense.add(y);
    std::vector<double> copy;
    EXPECT_EQ(RulePoints(dense, copy).data(), dense.points.values().data()); // read in place
    EXPECT_TRUE(copy.empty());
    ChartSeries labelled;
    labelled.add(1.5, "a");
    labelled.add(2.5);
    const std::span<const double> y = RulePoints(labelled, copy);
    EXPECT_EQ(std::vector<double>(y.begin(), y.end()), (std::vector<double> { 1.5, 2.5 }));
}

TEST(RuleMarks, BlinkTickFlipsTheFourArrowSeries)
{
    MainChart m(kCentre, kVariation);
    m.evaluate();
    ToggleRuleMarkLabels(m.chart);
    for (int i : { 7, 8, 23, 24 })
        EXPECT_FALSE(m.chart.series[i].marks.visible) << i;
    EXPECT_TRUE(m.chart.series[9].marks.visible);
    ToggleRuleMarkLabels(m.chart);
    EXPECT_TRUE(m.chart.series[24].marks.visible);
    ToggleRuleMarkLabels(m.chart);

    // The next plot's reset removes the clones and the marks, and shows the labels again.
    ResetVariablesChart(m.chart, kChartXBarR, "", "t");
    EXPECT_EQ(m.chart.seriesCount(), 9);
    EXPECT_TRUE(m.chart.series[7].points.isEmpty());
    EXPECT_TRUE(m.chart.series[7].marks.visible && m.chart.series[8].marks.visible);
}

TEST(StagedRules, NoWindowSpansAStageBoundary)
{
    // Seven rising points and nine above the centre: runs when they lie in one stage.
    const std::vector<double> points { 1, 2, 3, 4, 5, 6, 7, 0 };
    const std::vector<double> above { 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 };
    const RuleGroups groups = Groups({ RuleGroup::R5, RuleGroup::R4Upper });
    const RuleLines lines { 10, -10, 10, -10, 10, -10, 0.5 };
    EXPECT_EQ(Marked(EvaluateRules({ points, lines, groups }), MarkSide::Upper).size(), 7);
    EXPECT_EQ(Marked(EvaluateRules({ above, lines, groups }), MarkSide::Upper).size(), 9);

    // Split 4 + 3 (and 4 + 5) across a stage start: no run, though every line is the same.
    const std::span<const double> p(points), a(above);
    const std::vector<RuleInput> risingStages { { p.first(4), lines, groups }, { p.subspan(4), lines, groups } };
    const RuleMarks rising = EvaluateStagedRules(risingStages);
    EXPECT_EQ(rising.size(), points.size());
    EXPECT_FALSE(rising.anyMarked());
    const std::vector<RuleInput> aboveStages { { a.first(4), lines, groups }, { a.subspan(4), lines, groups } };
    EXPECT_FALSE(EvaluateStagedRules(aboveStages).anyMarked());
}

TEST(StagedRules, EachStageAgainstItsOwnLinesAndMarksInPlace)
{
    // The second stage's limits are tighter: 3 is beyond its UCL 2.5, not beyond the first stage's 5.
    const std::vector<double> points { 3, 0, 4, 0, 3, 0, 1 };
    const std::span<const double> p(points);
    const RuleGroups r1 = Groups({ RuleGroup::R1Upper, RuleGroup::R1Lower });
    const std::vector<RuleInput> stages { { p.first(3), RuleLines { 5, -5, 4, -4, 3, -3, 0 }, r1 },
        { p.subspan(3), RuleLines { 2.5, -2.5, 2, -2, 1, -1, 0 }, r1 } };
    EXPECT_EQ(Marked(EvaluateStagedRules(stages), MarkSide::Upper), QStringList { "4:R1+" });
}
