// The screen as a table: CpK bands at their edges, cell texts and sort keys, the sort with "N/A" last, the
// selection's entries.
#include "screening/screentable.h"

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::screening;

namespace
{

QList<ScreenCell> Column(std::initializer_list<QVariant> keys)
{
    QList<ScreenCell> cells;
    for (const QVariant& k : keys)
        cells << ScreenCell { k.isNull() ? QStringLiteral("N/A") : k.toString(), k };
    return cells;
}

// One-column rows from `keys`, sorted; the order as the rows' original positions.
QList<int> Sorted(std::initializer_list<QVariant> keys, Qt::SortOrder order)
{
    QList<QList<ScreenCell>> rows;
    for (const ScreenCell& c : Column(keys))
        rows << QList<ScreenCell> { c };
    return ScreenOrder(rows, 0, order);
}

} // namespace

TEST(ScreenTable, CpKBandsAtTheirEdges)
{
    EXPECT_EQ(BandOf(Figure(-0.5)), CpKBand::Poor);
    EXPECT_EQ(BandOf(Figure(0.9999)), CpKBand::Poor);
    EXPECT_EQ(BandOf(Figure(1.0)), CpKBand::Marginal);
    EXPECT_EQ(BandOf(Figure(1.3299)), CpKBand::Marginal);
    EXPECT_EQ(BandOf(Figure(1.33)), CpKBand::Capable);
    EXPECT_EQ(BandOf(Figure::na()), CpKBand::NA);
    EXPECT_EQ(BandOf(Figure()), CpKBand::NA);
    QStringList labels;
    for (CpKBand b : kCpKBands)
        labels << BandLabel(b);
    EXPECT_EQ(labels, (QStringList { "below 1.00", "below 1.33", "capable", "N/A" }));
    // Four different rows, each key stronger than its row.
    QStringList rows;
    for (CpKBand b : kCpKBands) {
        rows << ColoursOf(b).row;
        EXPECT_STRNE(ColoursOf(b).row, ColoursOf(b).key);
    }
    rows.removeDuplicates();
    EXPECT_EQ(rows.size(), 4);
}

TEST(ScreenTable, CellsShowTheFiguresAndSortByTheirValues)
{
    ParameterScreen p;
    p.item = QStringLiteral("T140: [Switching frequency]");
    p.column = QStringLiteral("SW_FREQ");
    p.unit = QStringLiteral("kHz");
    p.lsl = Figure(95);
    p.usl = Figure::na();
    p.n = 20000;
    p.mean = Figure(100.61264);
    p.ppm = Figure(14450);
    p.ruleHits = { 1, 2, 3, 4, 5, 6, 1234 };
    p.testerP = Figure(0.00002);
    const QList<ScreenCell> cells = ScreenCells(p);
    ASSERT_EQ(cells.size(), kScreenColumnCount);
    ASSERT_EQ(ScreenHeadings().size(), kScreenColumnCount);
    EXPECT_EQ(ScreenHeadings()[kColTesterP], "Tester p");
    EXPECT_EQ(cells[kColParameter].text, p.item);
    EXPECT_EQ(cells[kColParameter].key, QVariant(p.item));
    EXPECT_EQ(cells[kColUnit].text, "kHz");
    EXPECT_EQ(cells[kColLsl].text, "95.0");
    EXPECT_EQ(cells[kColLsl].key, QVariant(95.0));
    EXPECT_EQ(cells[kColUsl].text, "N/A");
    EXPECT_TRUE(cells[kColUsl].key.isNull());
    EXPECT_TRUE(cells[kColCpK].key.isNull()); // never computed
    EXPECT_EQ(cells[kColN].text, "20,000");
    EXPECT_EQ(cells[kColN].key, QVariant(20000.0));
    EXPECT_EQ(cells[kColMean].text, "100.6126");
    EXPECT_EQ(cells[kColPpm].text, "14,450.0");
    EXPECT_EQ(cells[kColR1 + 6].text, "1,234");
    EXPECT_EQ(cells[kColTesterP].text, "<0.0001");
    EXPECT_EQ(cells[kColTesterP].key, QVariant(0.00002));
    EXPECT_EQ(TesterPText(Figure(0.01234)), "0.0123");
    EXPECT_EQ(TesterPText(Figure::na()), "N/A");
    // A parameter without a list item shows its column; an empty unit sorts last, as N/A.
    p.item.clear();
    p.unit.clear();
    EXPECT_EQ(ScreenCells(p)[kColParameter].text, "SW_FREQ");
    EXPECT_TRUE(ScreenCells(p)[kColUnit].key.isNull());
    EXPECT_EQ(TesterMeanText({ QStringLiteral("ATE-02"), 5454, Figure(101.97523), Figure(1.2) }), "ATE-02: 101.9752");
}

TEST(ScreenTable, SortsNumbersByValueTextsWithoutCaseAndNALast)
{
    const QVariant na;
    // 14450 after 550 (as texts it would come first), N/A after every number both ways.
    EXPECT_EQ(Sorted({ 550.0, na, 14450.0, 200.0, na, -3.0 }, Qt::AscendingOrder), (QList<int> { 5, 3, 0, 2, 1, 4 }));
    EXPECT_EQ(Sorted({ 550.0, na, 14450.0, 200.0, na, -3.0 }, Qt::DescendingOrder), (QList<int> { 2, 0, 3, 5, 1, 4 }));
    // Equal keys keep their order in either direction.
    EXPECT_EQ(Sorted({ 1.0, 2.0, 1.0, 2.0 }, Qt::AscendingOrder), (QList<int> { 0, 2, 1, 3 }));
    EXPECT_EQ(Sorted({ 1.0, 2.0, 1.0, 2.0 }, Qt::DescendingOrder), (QList<int> { 1, 3, 0, 2 }));
    EXPECT_EQ(
        Sorted({ QString("b"), QString("B"), QString("a"), QString("T100"), QString("Board") }, Qt::AscendingOrder),
        (QList<int> { 2, 0, 1, 4, 3 }));
    EXPECT_EQ(Sorted({}, Qt::AscendingOrder), QList<int>());
}

TEST(ScreenTable, SelectionEntriesAndTheirLine)
{
    AppState state(QString {});
    state.gCustomStart = QDate(2026, 1, 5);
    state.gCustomEnd = QDate(2026, 2, 1);
    data::PlotSelection s;
    s.range = QStringLiteral("Custom");
    s.serialFilter = QStringLiteral("sn1<");
    s.passOnly = true;
    s.query.testIdText = QStringLiteral("<All>");
    ScreenResult r;
    r.chartType = QStringLiteral("X-Bar-R");
    r.subgroupSize = 4;
    const QList<SelectionEntry> e = ScreenSelection(state, s, r);
    QStringList keys;
    for (const SelectionEntry& entry : e)
        keys << entry.key;
    EXPECT_EQ(keys,
        (QStringList { "range", "from", "to", "tester", "testId", "serial", "passOnly", "lastDataOnly", "acceptZero",
            "chartType", "subgroupSize" }));
    EXPECT_EQ(e[1].value.toString(), "2026-01-05");
    EXPECT_EQ(e[3].value.toString(), "<All>"); // no tester chosen: all
    EXPECT_EQ(e[5].value.toString(), "SN1<"); // the filter as it is sent
    EXPECT_EQ(SelectionHtml(e),
        "Range <b>Custom</b> &middot; from <b>2026-01-05</b> &middot; to <b>2026-02-01</b> &middot; Tester "
        "<b>&lt;All&gt;</b> &middot; Test ID <b>&lt;All&gt;</b> &middot; Serial <b>SN1&lt;</b> &middot; Pass Only "
        "<b>yes</b> &middot; Last Data Only <b>no</b> &middot; Accept Zero <b>no</b> &middot; rule hits on "
        "<b>X-Bar-R</b> &middot; group size <b>4</b>");
    s.range = QStringLiteral("All");
    s.serialFilter.clear();
    const QList<SelectionEntry> all = ScreenSelection(state, s, r);
    EXPECT_EQ(all.size(), 9); // no dates outside Custom
    EXPECT_TRUE(SelectionHtml(all).contains("Serial <b>any</b>"));
}
