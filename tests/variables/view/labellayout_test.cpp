// Tests of the label placement: rule marks' labels, lines' end labels, clearance of the data.
#include "variables/view/labellayout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace moldrin;

namespace
{

const QRectF kBand(40, 20, 1000, 400);

QSizeF TextSize(const QString& text)
{
    return QSizeF(6.0 * double(text.size()) + 4, 14);
}

struct Mark {
    QPointF at;
    std::uint32_t codes;
    bool up;
};

// Lays out the marks (up ones first, each side in x order) over the data segments.
std::vector<RuleLabel> Layout(const std::vector<Mark>& marks, const DataEnvelope& data, RuleCodes& codes)
{
    LabelBoxes boxes(kBand);
    RuleMarkLayout layout(kBand, data, boxes, codes, TextSize);
    for (const bool up : { true, false })
        for (const Mark& m : marks)
            if (m.up == up)
                layout.add(m.at, m.codes, up, 8);
    return layout.finish();
}

// Every mark is labelled by exactly one label of its side whose span holds it and which shows all its codes;
// the labels of a side take runs of neighbouring marks, lie inside the band and overlap nothing.
void ExpectHonest(const std::vector<Mark>& marks, const std::vector<RuleLabel>& labels)
{
    for (const Mark& m : marks) {
        int holders = 0;
        for (const RuleLabel& l : labels)
            if (l.up == m.up && l.firstX <= m.at.x() && m.at.x() <= l.lastX) {
                ++holders;
                EXPECT_EQ(l.codes & m.codes, m.codes) << m.at.x();
            }
        EXPECT_EQ(holders, 1) << "mark at " << m.at.x();
    }
    int counted = 0;
    for (std::size_t i = 0; i < labels.size(); ++i) {
        counted += labels[i].marks;
        EXPECT_TRUE(kBand.contains(labels[i].rect));
        for (std::size_t j = i + 1; j < labels.size(); ++j)
            EXPECT_FALSE(labels[i].rect.intersects(labels[j].rect));
    }
    EXPECT_EQ(counted, int(marks.size()));
}

} // namespace

TEST(RuleMarkLayout, ALonelyMarkShowsItsOwnCodesOverItself)
{
    RuleCodes codes;
    const DataEnvelope data(kBand);
    const std::vector<Mark> marks { { { 100, 300 }, codes.bits("R1+,R5"), true },
        { { 500, 300 }, codes.bits("R2-"), false }, { { 900, 200 }, codes.bits("R7"), true } };
    const std::vector<RuleLabel> labels = Layout(marks, data, codes);
    ASSERT_EQ(labels.size(), 3U);
    ExpectHonest(marks, labels);
    for (const RuleLabel& l : labels) {
        EXPECT_EQ(l.marks, 1);
        // Centred over (or under) its mark, the mark's clearance away.
        EXPECT_NEAR(l.rect.center().x(), l.mark.x(), 0.01);
        EXPECT_NEAR(l.up ? l.rect.bottom() : l.rect.top(), l.mark.y() + (l.up ? -8 : 8), 0.01);
    }
    EXPECT_EQ(codes.text(labels[0].codes), QStringLiteral("R1+,R5"));
}

TEST(RuleMarkLayout, CrowdedNeighboursShareOneLabelOverExactlyThem)
{
    RuleCodes codes;
    const DataEnvelope data(kBand);
    std::vector<Mark> marks;
    // A run of marks 10 pixels apart, too close for labels of their own, and marks far from them.
    for (int i = 0; i < 30; ++i)
        marks.push_back({ { 200.0 + 10 * i, 250 }, codes.bits(i % 2 ? "R2+,R3+" : "R1+"), true });
    marks.push_back({ { 800, 250 }, codes.bits("R4+"), true });
    marks.push_back({ { 260, 300 }, codes.bits("R5"), false });
    const std::vector<RuleLabel> labels = Layout(marks, data, codes);
    ExpectHonest(marks, labels);
    EXPECT_LT(labels.size(), 15U);
    // A distant mark keeps a label of its own.
    for (const RuleLabel& l : labels)
        EXPECT_TRUE(l.marks == 1 || (l.mark.x() != 800 && l.mark.x() != 260)) << l.mark.x();
}

TEST(RuleMarkLayout, LabelsKeepClearOfTheData)
{
    RuleCodes codes;
    DataEnvelope data(kBand);
    // A spike beside the mark reaches higher than the mark itself: the label goes over the spike.
    data.addSegment({ 480, 300 }, { 490, 120 });
    data.addSegment({ 490, 120 }, { 500, 260 });
    data.addPoint({ 500, 260 }, 4);
    const std::vector<Mark> marks { { { 500, 250 }, codes.bits("R1+,R2+,R3+"), true } };
    const std::vector<RuleLabel> labels = Layout(marks, data, codes);
    ASSERT_EQ(labels.size(), 1U);
    EXPECT_TRUE(data.clear(labels[0].rect));
    EXPECT_LE(labels[0].rect.bottom(), 120);
    EXPECT_FALSE(data.clear(QRectF(485, 100, 10, 50)));
    EXPECT_TRUE(data.clear(QRectF(600, 100, 10, 50)));
}

TEST(RuleMarkLayout, AMillionMarksGiveNoMoreLabelsThanTheBandHolds)
{
    RuleCodes codes;
    const DataEnvelope data(kBand);
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> y(150, 350);
    const std::uint32_t bits[] { codes.bits("R1+"), codes.bits("R3+,R4+"), codes.bits("R7") };
    LabelBoxes boxes(kBand);
    RuleMarkLayout layout(kBand, data, boxes, codes, TextSize);
    constexpr int kMarks = 1000000;
    for (int i = 0; i < kMarks; ++i)
        layout.add({ kBand.left() + kBand.width() * i / kMarks, y(rng) }, bits[i % 3], true, 8);
    const std::vector<RuleLabel> labels = layout.finish();
    int marks = 0;
    for (const RuleLabel& l : labels)
        marks += l.marks;
    EXPECT_EQ(marks, kMarks);
    EXPECT_LE(labels.size(), std::size_t(kBand.width() / TextSize("R1+").width()) + 1);
}

TEST(RuleMarkLayout, AMarkAtTheBandsEdgeIsLabelledInside)
{
    RuleCodes codes;
    const DataEnvelope data(kBand);
    const std::vector<Mark> marks { { { 41, 22 }, codes.bits("R1+"), true },
        { { 1039, 419 }, codes.bits("R3-"), false } };
    const std::vector<RuleLabel> labels = Layout(marks, data, codes);
    ExpectHonest(marks, labels);
}

TEST(EndLabels, EachBesideItsLineInTheOrderOfTheLines)
{
    // Zone lines 8 pixels apart, closer than a label is high, and one far apart.
    QList<EndLabel> ends;
    for (int i = 0; i < 7; ++i)
        ends << EndLabel { QPointF(kBand.right() - 60, 200.0 + 8 * i), QSizeF(20, 14), false };
    ends << EndLabel { QPointF(kBand.left() + 50, 60), QSizeF(30, 14), true };
    const QList<QRectF> boxes = PlaceEndLabels(ends, kBand);
    ASSERT_EQ(boxes.size(), ends.size());
    for (int i = 0; i < boxes.size(); ++i) {
        EXPECT_TRUE(kBand.contains(boxes[i]));
        for (int j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(boxes[i].intersects(boxes[j]));
    }
    for (int i = 1; i < 7; ++i)
        EXPECT_LT(boxes[i - 1].top(), boxes[i].top()) << "order of the lines";
    // The run stands where its lines are on average.
    EXPECT_NEAR((boxes[0].top() + boxes[6].bottom()) / 2, 224, 0.5);
    // Right of a line's end, left of a line's start; a lonely label on its line's height.
    EXPECT_GT(boxes[0].left(), ends[0].end.x());
    EXPECT_LT(boxes[7].right(), ends[7].end.x());
    EXPECT_NEAR(boxes[7].center().y(), 60, 0.01);

    // Lines at the band's bottom edge: the labels stay inside, in order.
    QList<EndLabel> low { EndLabel { QPointF(500, 419), QSizeF(20, 14), false },
        EndLabel { QPointF(500, 415), QSizeF(20, 14), false } };
    const QList<QRectF> lowBoxes = PlaceEndLabels(low, kBand);
    EXPECT_LE(lowBoxes[0].bottom(), kBand.bottom() - kLabelInset + 0.01);
    EXPECT_GT(lowBoxes[0].top(), lowBoxes[1].top());
}

TEST(RuleCodes, BitsInRuleOrder)
{
    RuleCodes codes;
    EXPECT_EQ(codes.text(codes.bits("R3+,R7") | codes.bits("R1+,R3+")), QStringLiteral("R1+,R3+,R7"));
    EXPECT_EQ(MergedRuleCodes("R5", "R2-"), QStringLiteral("R2-,R5"));
    // A code outside the rules keeps its place after them.
    EXPECT_EQ(MergedRuleCodes("X9,R1+", "R2+"), QStringLiteral("R1+,R2+,X9"));
}
