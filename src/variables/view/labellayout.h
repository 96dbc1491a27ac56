// Placing the labels of one chart band in pixels: inside the band, apart from each other and from the data.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace moldrin
{

// Pixels a label keeps from the band's edges (so from its axes) and from other labels.
inline constexpr double kLabelInset = 3;
inline constexpr double kLabelGap = 1;
// Pixels between a line's end (or the edge of the range shown) and its label, clear of a pointer there.
inline constexpr double kLineLabelGap = 5;

enum class BoxKind { Other, RuleAbove, RuleBelow };

// The labels placed so far in a band, found by the cells of the band they cross (a page may hold many).
class LabelBoxes
{
public:
    explicit LabelBoxes(const QRectF& band);
    // Adds a box of a label of that kind; returns its id.
    int add(const QRectF& box, BoxKind kind = BoxKind::Other);
    void remove(int id);
    const QRectF& box(int id) const { return mBoxes[std::size_t(id)].rect; }
    // The first box that `box` (with the gap around it) meets; nullopt when it meets none.
    std::optional<int> meets(const QRectF& box) const;
    bool free(const QRectF& box) const { return !meets(box); }
    BoxKind kind(int id) const { return mBoxes[std::size_t(id)].kind; }

private:
    static constexpr double kCell = 32;
    template <class Visit> void forCells(const QRectF& box, Visit visit) const;
    struct Box {
        QRectF rect;
        BoxKind kind;
    };
    QPointF mOrigin;
    long mColumns, mRows;
    std::vector<std::vector<int>> mCells;
    std::vector<Box> mBoxes;
};

// Where the data of a band lie: for each pixel column the highest and the lowest pixel a data line or
// pointer covers. Its size is the band's width, whatever the number of points.
class DataEnvelope
{
public:
    explicit DataEnvelope(const QRectF& band);
    void addPoint(const QPointF& p, double radius);
    void addSegment(const QPointF& a, const QPointF& b);
    // The smallest (top) and largest (bottom) pixel y of the data in the columns from left to right.
    std::optional<double> top(double left, double right) const;
    std::optional<double> bottom(double left, double right) const;
    // No data lies in the box.
    bool clear(const QRectF& box) const;

private:
    void cover(long column, double y0, double y1);
    std::pair<long, long> columns(double left, double right) const;
    double mLeft;
    std::vector<float> mTop, mBottom; // +inf and -inf in an empty column
};

// A label at one end of a line, beside the end at the line's height: left of the line's start or right of
// its end.
struct EndLabel {
    QPointF end; // the line's end on the page, in pixels
    QSizeF size;
    bool start = false; // the label of the line's start (left of it)
};

// The boxes of one band's end labels, in the order given: each centred on its line's height where room
// allows, else as near to it as the other labels of its side and the band allow. Labels of one side keep
// the order of their lines and never overlap.
QList<QRectF> PlaceEndLabels(const QList<EndLabel>& labels, const QRectF& band);

// A label drawn at a point of a series: a line's label within it, a value or a number.
struct LabelRequest {
    QPointF anchor; // the labelled point
    QSizeF size; // the label's box
    double left = 0; // the box's left edge relative to anchor.x, as the centred text puts it
    int offset = 0; // the box lies this many pixels above the anchor, below when negative, centred when 0
};

// Places a label at the first free place among its preferred one and `levels` lines further away from its
// point or beside it, else at its preferred place, inside the band. Returns the box (added to `placed`)
// and whether it is away from its preferred place.
std::pair<QRectF, bool> PlacePointLabel(const LabelRequest& r, const QRectF& band, int levels, LabelBoxes& placed);

// The codes of rule marks as bits in rule order: "R1+" bit 0, "R1-" bit 1 ... "R7" bit 10. Other codes take
// the further bits in the order they are met; beyond 32 codes in all they are left out.
class RuleCodes
{
public:
    RuleCodes();
    std::uint32_t bits(const QString& text);
    // The comma-separated codes in rule order.
    QString text(std::uint32_t bits) const;

private:
    QStringList mNames;
};

// The codes of both texts ("R2+,R3+" and "R1+,R3+": "R1+,R2+,R3+"), in rule order, each once.
QString MergedRuleCodes(const QString& a, const QString& b);

// A rule-mark label: one mark's codes, or the codes of neighbours on one side that share it.
struct RuleLabel {
    QRectF rect;
    std::uint32_t codes = 0;
    int marks = 0; // the marks it labels
    double firstX = 0, lastX = 0; // pixel x of its first and its last mark
    QPointF mark; // its first mark
    bool up = true; // above its marks (else below)
};

// Places the labels of a band's rule marks, given one side after the other, each side in the order of the
// marks' x. A mark's label stands over it (under it, below the line), clear of the data and of the labels
// placed before; when it finds no room it shares one label with the neighbours of its side before it,
// their codes together, drawn over exactly those marks. Time and memory grow with the labels the band
// can show, not with the marks: marks closer than a few pixels are taken together at once.
class RuleMarkLayout
{
public:
    using Measure = std::function<QSizeF(const QString& codes)>;
    RuleMarkLayout(
        const QRectF& band, const DataEnvelope& data, LabelBoxes& placed, const RuleCodes& codes, Measure measure);
    // `clearance`: pixels between the mark and its label.
    void add(const QPointF& mark, std::uint32_t codes, bool up, double clearance);
    std::vector<RuleLabel> finish();

private:
    struct Group {
        RuleLabel label;
        double nearY = 0; // the mark nearest the label's side: the highest of marks above, lowest below
        double clearance = 0;
        int box = -1;
        bool waited = false; // it found no room once and took the next marks
    };
    struct Spot {
        std::optional<QRectF> box;
        bool crowded = false;
    };
    static void Join(Group& g, const Group& other);
    void place(Group g, bool last);
    Spot spot(const Group& g, const QSizeF& size) const;
    QSizeF size(std::uint32_t codes);

    QRectF mArea; // the band less its inset
    const DataEnvelope& mData;
    LabelBoxes& mPlaced;
    const RuleCodes& mCodes;
    Measure mMeasure;
    std::vector<std::pair<std::uint32_t, QSizeF>> mSizes;
    std::optional<Group> mPending[2]; // above, below: marks taken together before they are placed
    std::optional<Group> mWaiting[2]; // a group without room, waiting to share with the next
    std::vector<Group> mGroups[2];
};

} // namespace moldrin
