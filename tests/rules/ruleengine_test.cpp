// Tests of rules R1 to R7, the set-up columns, the evaluation of the main and attribute charts and the marks.
#include "rules/ruleengine.h"
#include "rules/rulemarks.h"
#include "variables/controllimits.h"
#include "variables/variableschart.h"

#include "testsupport.h"

#include <gtest/gtest.h>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

// Series 0 holds the data, series 1 a constant line.
struct RuleChart {
    ChartModel chart;
    AppState state { QString() };
    ScriptedPrompt prompt;

    RuleChart(const QList<double>& data, double line)
    {
        chart.series.resize(2);
        for (double y : data)
            chart.series[0].add(y);
        chart.series[1].addXY(0, line);
        chart.series[1].addXY(data.size() - 1, line);
        state.gUpperRuleMarks = QStringList(data.size(), QString());
        state.gLowerRuleMarks = QStringList(data.size(), QString());
    }
    QStringList marked(const QStringList& marks) const
    {
        QStringList out;
        for (int i = 0; i < marks.size(); ++i)
            if (!marks[i].isEmpty())
                out << QString::number(i) + ":" + marks[i];
        return out;
    }
    QStringList upper() const { return marked(state.gUpperRuleMarks); }
    QStringList lower() const { return marked(state.gLowerRuleMarks); }
};

const VerticalAxis kAxis = VerticalAxis::Left;

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
}

TEST(RuleRecording, CommaJoinedWithoutDuplicates)
{
    QStringList marks(2, QString());
    EXPECT_TRUE(RecordRule(marks, 1, "R2+"));
    EXPECT_TRUE(RecordRule(marks, 1, "R3+"));
    EXPECT_TRUE(RecordRule(marks, 1, "R2+"));
    EXPECT_EQ(marks[1], "R2+,R3+");
    EXPECT_FALSE(RecordRule(marks, 2, "R1+"));
}

TEST(Rule1, StrictLimitsOnEveryPoint)
{
    RuleChart c({ 5, 6, 7, 4 }, 6);
    EXPECT_TRUE(CheckRule1(c.state, c.chart, 0, kAxis, 1, kSideUpper, true, c.prompt));
    EXPECT_TRUE(CheckRule1(c.state, c.chart, 0, kAxis, 1, kSideLower, true, c.prompt));
    EXPECT_TRUE(CheckRule1(c.state, c.chart, 0, kAxis, 1, "upper", true, c.prompt)); // neither side: nothing
    EXPECT_EQ(c.upper(), QStringList { "2:R1+" });
    EXPECT_EQ(c.lower(), (QStringList { "0:R1-", "3:R1-" }));
    EXPECT_TRUE(c.prompt.messages.isEmpty());
}

TEST(Rule1, VariableLimitsAndFailures)
{
    RuleChart c({ 5, 5, 5 }, 0);
    c.chart.series[1].points = { { 0, 6, {} }, { 1, 4, {} } };
    EXPECT_FALSE(CheckRule1(c.state, c.chart, 0, kAxis, 1, kSideUpper, false, c.prompt));
    EXPECT_EQ(c.upper(), QStringList { "1:R1+" }); // found before the missing third limit
    EXPECT_FALSE(CheckRule1(c.state, c.chart, 0, kAxis, 9, kSideUpper, true, c.prompt));
    EXPECT_EQ(c.prompt.texts(), (QStringList { "Point index out of range", "Series index out of range" }));
    EXPECT_EQ(c.prompt.messages[0].title, kAppTitle);
}

TEST(Rule2, TwoOfThreeMarksOnlyThePointsBeyond)
{
    RuleChart c({ 5, 1, 5, 9 }, 3);
    CheckRule2(c.state, c.chart, 0, kAxis, 1, kSideUpper, true, c.prompt);
    EXPECT_EQ(c.upper(), (QStringList { "0:R2+", "2:R2+" })); // the last point never joins a window

    RuleChart overlap({ 5, 5, 5, 1, 1 }, 3);
    CheckRule2(overlap.state, overlap.chart, 0, kAxis, 1, kSideUpper, true, overlap.prompt);
    EXPECT_EQ(overlap.upper(), (QStringList { "0:R2+", "1:R2+", "2:R2+" }));

    RuleChart low({ 1, 5, 1, 5 }, 3);
    CheckRule2(low.state, low.chart, 0, kAxis, 1, "below", true, low.prompt); // not UPPER: LOWER
    EXPECT_EQ(low.lower(), (QStringList { "0:R2-", "2:R2-" }));
    EXPECT_TRUE(low.upper().isEmpty());

    RuleChart edge({ 3, 3, 5, 0 }, 3);
    CheckRule2(edge.state, edge.chart, 0, kAxis, 1, kSideUpper, true, edge.prompt);
    EXPECT_TRUE(edge.upper().isEmpty());
}

TEST(Rule3, FourOfFive)
{
    RuleChart c({ 2, 2, 0, 2, 2, 0 }, 1);
    CheckRule3(c.state, c.chart, 0, kAxis, 1, kSideUpper, true, c.prompt);
    EXPECT_EQ(c.upper(), (QStringList { "0:R3+", "1:R3+", "3:R3+", "4:R3+" }));
    RuleChart three({ 2, 2, 0, 0, 2, 0 }, 1);
    CheckRule3(three.state, three.chart, 0, kAxis, 1, kSideUpper, true, three.prompt);
    EXPECT_TRUE(three.upper().isEmpty());
}

TEST(Rule4, EightInARow)
{
    RuleChart nine({ 1, 1, 1, 1, 1, 1, 1, 1, 1, 0 }, 0.5);
    CheckRule4(nine.state, nine.chart, 0, kAxis, 1, kSideUpper, nine.prompt);
    EXPECT_EQ(nine.upper().size(), 9);
    EXPECT_EQ(nine.state.gUpperRuleMarks[8], "R4+");
    EXPECT_TRUE(nine.state.gUpperRuleMarks[9].isEmpty());

    RuleChart endsAtLast({ 1, 1, 1, 1, 1, 1, 1, 1 }, 0.5);
    CheckRule4(endsAtLast.state, endsAtLast.chart, 0, kAxis, 1, kSideUpper, endsAtLast.prompt);
    EXPECT_TRUE(endsAtLast.upper().isEmpty());

    RuleChart below({ 0, 0, 0, 0, 0, 0, 0, 0.5, 0, 0 }, 0.5); // a point on the CL breaks the run
    CheckRule4(below.state, below.chart, 0, kAxis, 1, kSideLower, below.prompt);
    EXPECT_TRUE(below.lower().isEmpty());
}

TEST(Rule5, SevenRisingOrFalling)
{
    RuleChart atEnd({ 1, 2, 3, 4, 5, 6, 7 }, 0);
    CheckRule5(atEnd.state, atEnd.chart, 0, kAxis, atEnd.prompt);
    EXPECT_TRUE(atEnd.upper().isEmpty());

    RuleChart oneMore({ 1, 2, 3, 4, 5, 6, 7, 0 }, 0);
    CheckRule5(oneMore.state, oneMore.chart, 0, kAxis, oneMore.prompt);
    EXPECT_EQ(oneMore.upper().size(), 7);
    EXPECT_TRUE(oneMore.state.gUpperRuleMarks[7].isEmpty());

    RuleChart falling({ 7, 6, 5, 4, 3, 2, 1, 1, 9 }, 0);
    CheckRule5(falling.state, falling.chart, 0, kAxis, falling.prompt);
    EXPECT_EQ(falling.lower().size(), 7);
    EXPECT_EQ(falling.state.gLowerRuleMarks[0], "R5");
    EXPECT_TRUE(falling.upper().isEmpty());
}

TEST(Rule6, SevenEqual)
{
    RuleChart c({ 4, 4, 4, 4, 4, 4, 4, 1 }, 0);
    CheckRule6(c.state, c.chart, 0, kAxis, c.prompt);
    EXPECT_EQ(c.upper().size(), 7);
    RuleChart six({ 4, 4, 4, 4, 4, 4, 4.0001, 1 }, 0);
    CheckRule6(six.state, six.chart, 0, kAxis, six.prompt);
    EXPECT_TRUE(six.upper().isEmpty());
}

namespace
{

QList<double> Alternating(int count, bool startWithFall)
{
    QList<double> v;
    for (int i = 0; i < count; ++i)
        v << (((i % 2 == 0) == startWithFall) ? 4.0 : 1.0);
    return v;
}

} // namespace

TEST(Rule7, FourteenAlternating)
{
    RuleChart fall(Alternating(14, true) << 2, 0);
    CheckRule7(fall.state, fall.chart, 0, kAxis, fall.prompt);
    EXPECT_EQ(fall.upper().size(), 14);
    EXPECT_EQ(fall.state.gUpperRuleMarks[13], "R7");

    RuleChart rise(Alternating(14, false) << 2, 0);
    CheckRule7(rise.state, rise.chart, 0, kAxis, rise.prompt);
    EXPECT_TRUE(rise.upper().isEmpty());

    // The first window's fall leaves the state expecting a rise, so the run from index 2 (starting with
    // a rise) counts.
    RuleChart carried(QList<double> { 5, 3 } + Alternating(14, false) + QList<double> { 2 }, 0);
    CheckRule7(carried.state, carried.chart, 0, kAxis, carried.prompt);
    EXPECT_EQ(carried.upper().size(), 14);
    EXPECT_TRUE(carried.state.gUpperRuleMarks[1].isEmpty());
    EXPECT_EQ(carried.state.gUpperRuleMarks[2], "R7");
}

namespace
{

// A zoned X-Bar-R chart (n = 5, centre 10, R-bar 2) with the given centre and variation data.
struct MainChart {
    ChartModel chart = BuildVariablesChartTemplate();
    AppState state { QString() };
    ScriptedPrompt prompt;

    MainChart(const QList<double>& centre, const QList<double>& variation)
    {
        for (int i = 0; i < centre.size(); ++i) {
            chart.series[kSeriesMedian].add(centre[i]);
            chart.series[kSeriesXBar].add(centre[i]);
            chart.series[kSeriesRange].add(variation[i], QString::number(i + 1));
        }
        LimitInputs in;
        in.chartType = kChartXBarR;
        in.sampleSize = 5;
        in.showZones = true;
        in.stat.XDoubleBar = 10.0;
        in.stat.AverageVariation = 2.0;
        in.stat.EstSigma = 2 / 2.326;
        DrawControlLimits(chart, in, prompt);
        ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
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
    const RuleEvaluation r = EvaluateVariablesRules(m.state, m.chart, kChartXBarR, m.prompt);
    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(m.prompt.messages.isEmpty());
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

    // Range chart: R1+ and R3+ only (no R4, R5, R1-), left in the mark arrays.
    const QStringList variation { "3:R3+", "4:R3+", "5:R3+", "6:R3+", "7:R1+,R3+" };
    EXPECT_EQ(Labels(m.chart.series[23]), variation);
    EXPECT_TRUE(m.chart.series[24].points.isEmpty());
    EXPECT_EQ(m.state.gUpperRuleMarks[7], "R1+,R3+");
    EXPECT_TRUE(m.state.gLowerRuleMarks.join("").isEmpty());
    EXPECT_TRUE(r.centreMarks && r.variationMarks && r.timerEnabled);

    // Marks sit 5 % of the widened left axis above their points.
    const double offset = (m.chart.left.maximum - m.chart.left.minimum) * 0.05;
    EXPECT_CLOSE(m.chart.series[kSeriesUpArrow].points[0].y, 10.1 + offset);
}

TEST(EvaluateVariablesRules, BlinkDecision)
{
    MainChart m(kCentre, QList<double>(12, 2.1));
    m.state.gRulesBlinkEnable = false;
    RuleEvaluation r = EvaluateVariablesRules(m.state, m.chart, kChartXBarR, m.prompt);
    EXPECT_TRUE(r.centreMarks);
    EXPECT_FALSE(r.variationMarks);
    EXPECT_FALSE(r.timerEnabled);

    MainChart only(kCentre, QList<double>(12, 2.1));
    r = EvaluateVariablesRules(only.state, only.chart, kChartXBarR, only.prompt);
    EXPECT_TRUE(r.timerEnabled); // centre findings alone start the blinking

    MainChart quiet(QList<double>(12, 10.0), QList<double>(12, 2.1));
    quiet.state.gRulesSetup = QString(66, '0');
    r = EvaluateVariablesRules(quiet.state, quiet.chart, kChartXBarR, quiet.prompt);
    EXPECT_FALSE(r.centreMarks || r.variationMarks || r.timerEnabled);
    EXPECT_FALSE(RuleBlinkTimerEnabled(true, false));
    EXPECT_TRUE(RuleBlinkTimerEnabled(true, true));
}

TEST(EvaluateVariablesRules, MissingLinesAreReported)
{
    ChartModel chart = BuildVariablesChartTemplate();
    for (int i = 0; i < 4; ++i)
        chart.series[kSeriesXBar].add(i);
    AppState state { QString() };
    ScriptedPrompt prompt;
    const RuleEvaluation r = EvaluateVariablesRules(state, chart, kChartXBarR, prompt);
    EXPECT_TRUE(r.completed); // each rule reports its own failure
    EXPECT_FALSE(prompt.messages.isEmpty());
    EXPECT_EQ(prompt.texts().first(), "Series index out of range");
}

TEST(RuleMarks, AxisWideningAndPlacement)
{
    ChartModel chart = BuildVariablesChartTemplate();
    chart.series[kSeriesXBar].add(0);
    chart.series[kSeriesXBar].add(4);
    chart.series[kSeriesXBar].add(10);
    ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    EXPECT_FALSE(chart.left.automatic);
    EXPECT_DOUBLE_EQ(chart.left.minimum, -1.5);
    EXPECT_DOUBLE_EQ(chart.left.maximum, 11.5);

    AppState state { QString() };
    state.gUpperRuleMarks = QStringList { "", "R1+,R2+", "" };
    state.gLowerRuleMarks = QStringList { "", "R5", "" };
    ScriptedPrompt prompt;
    EXPECT_TRUE(PlaceRuleMarks(state, chart, kSeriesXBar, AxisId::Left, 7, 8, 1, prompt));
    ASSERT_EQ(chart.series[7].count(), 1);
    EXPECT_CLOSE(chart.series[7].points[0].y, 4.65);
    EXPECT_DOUBLE_EQ(chart.series[7].points[0].x, 2);
    EXPECT_EQ(chart.series[7].points[0].label, "R1+,R2+");
    EXPECT_EQ(chart.series[7].points[0].colour, kTeeColor);
    EXPECT_CLOSE(chart.series[8].points[0].y, 3.35);

    state.gUpperRuleMarks = QStringList { "R6" };
    state.gLowerRuleMarks = QStringList { "" };
    EXPECT_TRUE(PlaceRuleMarks(state, chart, kSeriesXBar, AxisId::Left, 7, 8, 0, prompt));
    EXPECT_EQ(prompt.texts(), QStringList { "Subscript out of range" });
    EXPECT_EQ(chart.series[7].count(), 2);
}

TEST(RuleMarks, BlinkTickFlipsTheFourArrowSeries)
{
    MainChart m(kCentre, kVariation);
    EvaluateVariablesRules(m.state, m.chart, kChartXBarR, m.prompt);
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

TEST(EvaluateAttributeRules, VariableLimitsAndOffsetMarks)
{
    ChartModel chart;
    chart.series.resize(11);
    const QList<double> data { 5, 5, 1, 2 };
    const QList<double> ucl { 6, 4, 6, 6 };
    for (int i = 0; i < 4; ++i) {
        chart.series[0].add(data[i]);
        chart.series[2].add(ucl[i]);
    }
    for (int line : { 1, 3, 7, 8, 9, 10 })
        for (int i = 0; i < 4; ++i)
            chart.series[line].add(line == 3 ? -100 : line == 1 ? 3 : line % 2 ? 100 : -100);
    AppState state { QString() };
    ScriptedPrompt prompt;
    RuleEvaluation r = EvaluateAttributeRules(state, chart, false, prompt);
    EXPECT_TRUE(r.completed);
    EXPECT_TRUE(prompt.messages.isEmpty());
    EXPECT_EQ(Labels(chart.series[5]), QStringList { "2:R1+" });
    EXPECT_TRUE(r.timerEnabled);

    // With constant limits the first UCL (6) holds for every point.
    chart.series[5].clear();
    r = EvaluateAttributeRules(state, chart, true, prompt);
    EXPECT_FALSE(r.centreMarks);
    EXPECT_TRUE(chart.series[5].points.isEmpty());
}
