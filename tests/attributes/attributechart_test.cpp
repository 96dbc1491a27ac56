// The attribute charts' template and plot function on an SQLite table: rows, lines, title, rules, messages.
#include "attributes/attributechart.h"
#include "data/loader/plotfunction.h"

#include "attributedb.h"
#include "qtprinters.h"
#include "testsupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace moldrin;
using moldrin::test::AttributeDatabase;
using moldrin::test::Lot;

namespace
{

struct Fixture {
    AttributeDatabase db;
    ScriptedPrompt prompt;
    data::PromptHost host { prompt };
    data::PlotSelection selection;

    explicit Fixture(const QList<Lot>& lots)
    {
        EXPECT_TRUE(db.open(lots));
        selection.product = QStringLiteral(" PSU-100 ");
        selection.range = QStringLiteral("All");
        selection.tester = QStringLiteral("<All>");
    }
    AttributePlotOutcome plot(ChartModel& chart, AttributeKind kind, bool zones)
    {
        return PlotAttributeChart(db.state, chart, selection, kind, zones, host);
    }
};

Lot P(double defectives, double inspected, const QString& tester = QStringLiteral("ATE-01"))
{
    Lot l;
    l.defectives = defectives;
    l.inspected = inspected;
    l.tester = tester;
    return l;
}

} // namespace

TEST(AttributeChart, TemplateSeriesAndKinds)
{
    const ChartModel p = BuildAttributeChartTemplate(AttributeKind::P);
    ASSERT_EQ(p.seriesCount(), kAttrTemplateSeriesCount);
    QStringList titles;
    for (const ChartSeries& s : p.series)
        titles << s.title;
    EXPECT_EQ(titles, (QStringList { "Data", "Mean", "UCL", "LCL", "Zone", "Up Arrow", "Down Arrow" }));
    EXPECT_EQ(p.header, QStringList { "p Chart" });
    EXPECT_EQ(p.left.title, "Rate of Nonconforming");
    EXPECT_EQ(p.left.labelFormat, "#,##0.00");
    EXPECT_EQ(p.left.labelSize, 38);
    EXPECT_EQ(p.bottom.labelFormat, "#,##0");
    EXPECT_EQ(p.bottom.increment, 1);
    EXPECT_TRUE(p.bottom.title.startsWith("Sub-Group Number "));
    EXPECT_EQ(p.series[kAttrData].colour, kClSilver);
    EXPECT_FALSE(p.series[kAttrData].marks.visible);
    EXPECT_EQ(p.series[kAttrUCL].marks.offset, -16);
    EXPECT_EQ(p.series[kAttrLCL].marks.offset, 3);
    EXPECT_EQ(p.series[kAttrUpArrow].pointer, PointerStyle::DownTriangle);
    EXPECT_EQ(p.series[kAttrUpArrow].marks.offset, 8);
    EXPECT_EQ(p.series[kAttrDownArrow].marks.offset, -23);
    EXPECT_TRUE(p.series[kAttrDownArrow].marks.italic);

    const ChartModel c = BuildAttributeChartTemplate(AttributeKind::C);
    EXPECT_EQ(c.series[kAttrUCL].marks.offset, -15);
    EXPECT_EQ(c.left.title, "Y Title");
    EXPECT_EQ(c.series[kAttrData].colour, kClGray);
    EXPECT_EQ(BuildAttributeChartTemplate(AttributeKind::U).left.title, "Nonconforming/Unit");
    EXPECT_EQ(BuildAttributeChartTemplate(AttributeKind::NP).header, QStringList { "np Chart" });

    EXPECT_EQ(AttributeKindFromText("NP Chart"), AttributeKind::NP);
    EXPECT_FALSE(AttributeKindFromText("p Chart").has_value());
    EXPECT_FALSE(Traits(AttributeKind::P).constantLimits);
    EXPECT_TRUE(Traits(AttributeKind::C).constantLimits);
    EXPECT_EQ(Traits(AttributeKind::U).windowName, "frmU_Chart");
}

TEST(AttributeChart, PlotReadsTheSortedRowsOnceAndDrawsEveryLine)
{
    Fixture f({ P(2, 40), P(5, 50), P(9, 60, "ATE-02"), P(1, 60) });
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome out = f.plot(chart, AttributeKind::P, true);
    ASSERT_TRUE(out.plotted);
    EXPECT_TRUE(f.prompt.messages.isEmpty());
    EXPECT_EQ(out.records, 4);
    EXPECT_EQ(chart.header, (QStringList { "p Chart", "PSU-100, Range <All>" }));
    const ChartSeries& data = chart.series[kAttrData];
    ASSERT_EQ(data.count(), 4);
    // In time order (the table holds them last first).
    EXPECT_DOUBLE_EQ(data.points.y(0), 2.0 / 40);
    EXPECT_DOUBLE_EQ(data.points.y(2), 9.0 / 60);
    EXPECT_DOUBLE_EQ(data.points.x(3), 4);
    // The limit and zone lines: one point a subgroup from the same rows, then the closing point.
    ASSERT_EQ(chart.seriesCount(), 11);
    for (int line : { kAttrUCL, kAttrLCL, 7, 8, 9, 10 })
        EXPECT_EQ(chart.series[line].count(), 5) << line;
    const double pBar = (2.0 / 40 + 5.0 / 50 + 9.0 / 60 + 1.0 / 60) / 4;
    EXPECT_DOUBLE_EQ(chart.series[kAttrUCL].points.y(1), pBar + 3 * std::sqrt(pBar * (1 - pBar) / 50));
    EXPECT_EQ(chart.series[7].title, "Zone");
    EXPECT_EQ(chart.series[7].marks.offset, -15);
    EXPECT_EQ(chart.series[8].marks.offset, 3);
    EXPECT_EQ(chart.series[9].marks.offset, -15);
    EXPECT_DOUBLE_EQ(chart.left.increment, (*chart.series[kAttrUCL].maxY() - *chart.series[kAttrLCL].minY()) / 4);
    EXPECT_EQ(out.result.CaptionText(), "p-Bar:\r\nTested:\r\nNonconf.:\r\nYield(%):");
    EXPECT_TRUE(out.rules.completed);

    // One tester; no zones, so no zone lines and no rules.
    f.selection.tester = QStringLiteral("ATE-02");
    ChartModel one = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome single = f.plot(one, AttributeKind::P, false);
    EXPECT_EQ(single.records, 1);
    EXPECT_EQ(one.seriesCount(), kAttrTemplateSeriesCount);
    EXPECT_FALSE(single.rules.completed);
}

TEST(AttributeChart, RulesCompareEachPointWithItsOwnLimits)
{
    // The seventh lot is above its own UCL (400 inspected) but below the first, wider one (20 inspected).
    QList<Lot> lots;
    for (int i = 0; i < 6; ++i)
        lots << P(1, 20);
    lots << P(40, 400);
    Fixture f(lots);
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome out = f.plot(chart, AttributeKind::P, true);
    ASSERT_TRUE(out.plotted);
    EXPECT_TRUE(out.rules.centreMarks);
    EXPECT_TRUE(out.rules.timerEnabled);
    const ChartSeries& up = chart.series[kAttrUpArrow];
    ASSERT_EQ(up.count(), 1);
    EXPECT_EQ(up.points.label(0), "R1+");
    EXPECT_DOUBLE_EQ(up.points.x(0), 7); // point index 6 + x offset 1
    EXPECT_TRUE(up.marks.ruleMarks);
    EXPECT_TRUE(chart.series[kAttrDownArrow].points.isEmpty());
    EXPECT_EQ(RuleMarkText(out.rules.centre[6], MarkSide::Upper), "R1+");

    // Switched off in the set-up's attribute column, R1+ is not checked.
    f.db.state.gRulesSetup[6 * int(RuleGroup::R1Upper) + kColumnAttribute - 1] = QLatin1Char('0');
    ChartModel again = BuildAttributeChartTemplate(AttributeKind::P);
    EXPECT_FALSE(f.plot(again, AttributeKind::P, true).rules.centreMarks);
}

TEST(AttributeChart, ZoneRulesCompareEachPointWithItsOwnZoneLine)
{
    // The large first lot's own 2-sigma line (0.0790) lies below the rate 0.08 of the two small lots that
    // follow it, whose own line is 0.1480: no point lies beyond its own line, so R2 marks nothing.
    Fixture f({ P(16, 400), P(2, 25), P(2, 25), P(1, 25), P(1, 25) });
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome out = f.plot(chart, AttributeKind::P, true);
    ASSERT_TRUE(out.plotted && out.rules.completed);
    const ChartSeries& upperB = chart.series[7];
    EXPECT_LT(upperB.points.y(0), 0.08);
    EXPECT_GT(upperB.points.y(1), 0.08);
    EXPECT_FALSE(out.rules.centre.anyMarked());
    EXPECT_TRUE(chart.series[kAttrUpArrow].points.isEmpty());
}

TEST(AttributeChart, MessagesEndThePlotWithoutLines)
{
    Lot a, b;
    a.rejects = 2;
    b.rejects = 1;
    b.sampled = 40;
    Fixture f({ a, b });
    ChartModel np = BuildAttributeChartTemplate(AttributeKind::NP);
    const AttributePlotOutcome failed = f.plot(np, AttributeKind::NP, true);
    EXPECT_FALSE(failed.plotted);
    ASSERT_EQ(f.prompt.messages.size(), 1);
    EXPECT_EQ(f.prompt.messages[0].text, "Found sub-groups size in not same!. ");
    EXPECT_EQ(f.prompt.messages[0].icon, PromptIcon::Exclamation);
    for (const ChartSeries& s : np.series)
        EXPECT_TRUE(s.points.isEmpty());
    EXPECT_EQ(np.seriesCount(), kAttrTemplateSeriesCount);

    f.selection.range = QStringLiteral("Custom");
    f.db.state.gCustomStart = QDate(2020, 1, 1);
    f.db.state.gCustomEnd = QDate(2020, 1, 31);
    ChartModel c = BuildAttributeChartTemplate(AttributeKind::C);
    EXPECT_FALSE(f.plot(c, AttributeKind::C, false).plotted);
    EXPECT_EQ(f.prompt.messages.back().text, "No data collection for this selected range of filter condition!");
    EXPECT_TRUE(c.header.value(1).startsWith("PSU-100 as "));

    f.db.state.gConnection.reset();
    EXPECT_FALSE(f.plot(c, AttributeKind::C, false).plotted);
    EXPECT_TRUE(f.prompt.messages.back().text.endsWith("!"));
}

TEST(AttributeChart, ClearingKeepsTheTemplate)
{
    Fixture f({ P(2, 40), P(5, 50), P(1, 60) });
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::U);
    ASSERT_TRUE(f.plot(chart, AttributeKind::U, true).plotted);
    EXPECT_FALSE(chart.panelValues.isEmpty());
    chart.series[kAttrUpArrow].marks.visible = false; // a blink's off phase
    ClearAttributeChart(chart);
    EXPECT_TRUE(chart.panelCaptions.isEmpty() && chart.panelValues.isEmpty());
    EXPECT_EQ(chart.seriesCount(), kAttrTemplateSeriesCount);
    EXPECT_EQ(chart.header, QStringList { "u Chart" });
    for (const ChartSeries& s : chart.series)
        EXPECT_TRUE(s.points.isEmpty());
    EXPECT_TRUE(chart.series[kAttrUpArrow].marks.visible);
}

TEST(AttributeChart, PaperRollsOfFractionalUnits)
{
    // Defects per square metre of paper rolls whose areas are no whole numbers, as the table holds them.
    const double units[] = { 10, 8, 13, 10, 9.5, 10, 12, 10.5, 12, 12.5 };
    const double defects[] = { 14, 12, 20, 11, 15, 13, 17, 16, 18, 17 };
    QList<Lot> rolls;
    for (int i = 0; i < 10; ++i) {
        Lot l;
        l.units = units[i];
        l.defects = defects[i];
        rolls << l;
    }
    Fixture f(rolls);
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::U);
    const AttributePlotOutcome out = f.plot(chart, AttributeKind::U, false);
    ASSERT_TRUE(out.plotted);
    EXPECT_EQ(out.result.ValueText(), "1.4233\r\n107.5\r\n153");
    // The panel goes with the chart onto printed and exported pages.
    EXPECT_EQ(
        chart.panelCaptions.join(u'|'), out.result.CaptionText().replace(QStringLiteral("\r\n"), QStringLiteral("|")));
    EXPECT_EQ(chart.panelValues, (QStringList { "1.4233", "107.5", "153" }));
    EXPECT_DOUBLE_EQ(chart.series[kAttrMean].points.y(0), 153 / 107.5);
    EXPECT_DOUBLE_EQ(chart.series[kAttrData].points.y(7), 16 / 10.5);
    EXPECT_TRUE(f.prompt.messages.isEmpty());
}

TEST(AttributeChart, ARefusedRowIsNamedAndNothingIsDrawn)
{
    // The third lot has more defectives than were inspected.
    Fixture f({ P(2, 40), P(5, 50), P(12, 8), P(1, 60) });
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome out = f.plot(chart, AttributeKind::P, true);
    EXPECT_FALSE(out.plotted);
    EXPECT_EQ(f.prompt.texts(), QStringList { "Sub-group 3 has more nonconforming units (12) than units tested (8)!" });
    EXPECT_EQ(f.prompt.messages[0].icon, PromptIcon::Exclamation);
    for (const ChartSeries& s : chart.series)
        EXPECT_TRUE(s.points.isEmpty());
    EXPECT_TRUE(out.result.panel.empty());
}

TEST(AttributeChart, LowerLimitsBelowZeroAreDrawnAtZero)
{
    // np with 50 sampled and about 1.5 rejects a lot: LCL = 1.5 - 3 sqrt(1.5 · 0.97) < 0.
    QList<Lot> lots;
    for (double rejects : { 1, 3, 2, 0 }) {
        Lot l;
        l.rejects = l.defectives = rejects;
        lots << l;
    }
    Fixture f(lots);
    ChartModel np = BuildAttributeChartTemplate(AttributeKind::NP);
    const AttributePlotOutcome out = f.plot(np, AttributeKind::NP, false);
    ASSERT_TRUE(out.plotted);
    const ChartSeries& lcl = np.series[kAttrLCL];
    ASSERT_EQ(lcl.count(), 2);
    EXPECT_EQ(lcl.points.y(0), 0);
    EXPECT_EQ(lcl.points.y(1), 0);
    EXPECT_EQ(lcl.points.label(1), "LCL=0" + QString(30, ' '));
    EXPECT_TRUE(out.result.ValueText().endsWith("\r\n-2.1187\r\n"));
    EXPECT_DOUBLE_EQ(out.result.lclComputed.front(), 1.5 - 3 * std::sqrt(1.5 * (1 - 0.03)));

    // p and u: each subgroup's own limit, drawn at 0 where it is below.
    ChartModel p = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome pOut = f.plot(p, AttributeKind::P, false);
    ASSERT_TRUE(pOut.plotted);
    EXPECT_LT(pOut.result.lclComputed.front(), 0);
    for (const ChartPoint& point : p.series[kAttrLCL].points)
        EXPECT_EQ(point.y, 0);
}

TEST(AttributeChart, CountsAndSizesThatAreNoNumberLeaveTheirLotOutAndAreCounted)
{
    Fixture f({ P(2, 40), P(5, 50), P(1, 60), P(3, 50), P(4, 40) });
    // Lot 2 has text for its count; lot 4 text for its size and a decimal comma for its count.
    ASSERT_TRUE(f.db.exec("UPDATE Lots SET Defectives = 'n/a' WHERE Defectives = 5"));
    ASSERT_TRUE(f.db.exec("UPDATE Lots SET Inspected = 'abc', Defectives = '3,0' WHERE Defectives = 3"));
    ChartModel chart = BuildAttributeChartTemplate(AttributeKind::P);
    const AttributePlotOutcome out = f.plot(chart, AttributeKind::P, true);
    ASSERT_TRUE(out.plotted) << f.prompt.texts().join(' ').toStdString();
    EXPECT_TRUE(f.prompt.messages.isEmpty());
    EXPECT_EQ(out.records, 5);
    EXPECT_EQ(out.skipped.notNumbers, 3);
    EXPECT_EQ(out.skipped.unreadableTimes, 0);
    const ChartSeries& data = chart.series[kAttrData];
    ASSERT_EQ(data.count(), 3);
    EXPECT_DOUBLE_EQ(data.points.y(1), 1.0 / 60);
    EXPECT_DOUBLE_EQ(data.points.y(2), 4.0 / 40);
    EXPECT_DOUBLE_EQ(chart.series[kAttrMean].points.y(0), (2.0 / 40 + 1.0 / 60 + 4.0 / 40) / 3);
    EXPECT_EQ(out.result.data.size(), 3u);

    // A count that reads as no finite number is no count either; only such counts: nothing to draw.
    ASSERT_TRUE(f.db.exec("UPDATE Lots SET Scratches = 'Inf' WHERE Defectives = 2"));
    ChartModel c = BuildAttributeChartTemplate(AttributeKind::C);
    const AttributePlotOutcome counted = f.plot(c, AttributeKind::C, false);
    ASSERT_TRUE(counted.plotted);
    EXPECT_EQ(counted.skipped.notNumbers, 1);
    EXPECT_EQ(c.series[kAttrData].count(), 4);
    ASSERT_TRUE(f.db.exec("UPDATE Lots SET Scratches = 'none'"));
    const AttributePlotOutcome none = f.plot(c, AttributeKind::C, false);
    EXPECT_FALSE(none.plotted);
    EXPECT_EQ(none.skipped.notNumbers, 5);
    EXPECT_EQ(f.prompt.texts(), QStringList { "No data collection for this selected range of filter condition!" });
}
