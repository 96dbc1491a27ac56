// Label placement of a chart band: boxes kept inside, rule marks apart, crowded rule marks sharing a label.
#include "variables/view/labellayout.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace moldrin
{

namespace
{

constexpr double kGap = 1; // free pixels kept between two labels
constexpr int kNearLevels = 2; // lines on either side of its point a rule mark's label takes before sharing
constexpr double kMarkRadius = 5; // half the size of a mark's pointer, which rule-mark labels leave visible

// The boxes placed so far, found by the cells of the band they cross (a page may hold thousands).
class BoxIndex
{
public:
    explicit BoxIndex(const QRectF& band)
        : mOrigin(band.topLeft())
        , mColumns(std::max(1L, long(band.width() / kCell) + 1))
        , mRows(std::max(1L, long(band.height() / kCell) + 1))
        , mCells(std::size_t(mColumns * mRows))
    {
    }

    int add(const QRectF& box)
    {
        const int id = int(mBoxes.size());
        mBoxes.push_back(box);
        forCells(box, [&](std::vector<int>& cell) { cell.push_back(id); });
        return id;
    }
    void remove(int id)
    {
        forCells(mBoxes[std::size_t(id)], [&](std::vector<int>& cell) { std::erase(cell, id); });
    }
    const QRectF& box(int id) const { return mBoxes[std::size_t(id)]; }

    bool free(const QRectF& box) const
    {
        const QRectF grown = box.adjusted(-kGap, -kGap, kGap, kGap);
        bool clear = true;
        forCells(grown, [&](const std::vector<int>& cell) {
            for (std::size_t i = 0; clear && i < cell.size(); ++i)
                clear = !grown.intersects(mBoxes[std::size_t(cell[i])]);
        });
        return clear;
    }

private:
    static constexpr double kCell = 32;
    // Visits the cells `box` crosses, of this index or (const) for reading.
    template <class Self, class Visit> static void visitCells(Self& self, const QRectF& box, Visit visit)
    {
        const auto at = [](double v, double origin, long count) {
            return std::clamp<long>(long(std::floor((v - origin) / kCell)), 0, count - 1);
        };
        const long right = at(box.right(), self.mOrigin.x(), self.mColumns);
        const long bottom = at(box.bottom(), self.mOrigin.y(), self.mRows);
        for (long c = at(box.left(), self.mOrigin.x(), self.mColumns); c <= right; ++c)
            for (long r = at(box.top(), self.mOrigin.y(), self.mRows); r <= bottom; ++r)
                visit(self.mCells[std::size_t(r * self.mColumns + c)]);
    }
    template <class Visit> void forCells(const QRectF& box, Visit visit) { visitCells(*this, box, visit); }
    template <class Visit> void forCells(const QRectF& box, Visit visit) const { visitCells(*this, box, visit); }

    QPointF mOrigin;
    long mColumns, mRows;
    std::vector<std::vector<int>> mCells;
    std::vector<QRectF> mBoxes;
};

QRectF Inside(QRectF box, const QRectF& band)
{
    box.moveLeft(std::max(band.left(), std::min(box.left(), band.right() - box.width())));
    box.moveTop(std::max(band.top(), std::min(box.top(), band.bottom() - box.height())));
    return box;
}

double PreferredTop(const LabelRequest& r)
{
    if (r.offset > 0)
        return r.anchor.y() - r.offset - r.size.height();
    if (r.offset < 0)
        return r.anchor.y() - r.offset;
    return r.anchor.y() - r.size.height() / 2;
}

QRectF BoxAt(const LabelRequest& r, double top, double shift = 0)
{
    return QRectF(r.anchor.x() + r.left + shift, top, r.size.width(), r.size.height());
}

QRectF Preferred(const LabelRequest& r, const QRectF& band)
{
    return Inside(BoxAt(r, PreferredTop(r)), band);
}

// The tops of the lines a label may take, nearest its preferred place first: further from its point on
// its own side (both ways for a centred label), then, for rule marks, on the other side of the point.
std::vector<double> Tops(const LabelRequest& r, int levels)
{
    const double step = r.size.height() + kGap;
    const double top = PreferredTop(r);
    std::vector<double> tops;
    for (int level = 0; level < levels; ++level) {
        if (r.offset > 0) {
            tops.push_back(top - level * step);
        } else if (r.offset < 0) {
            tops.push_back(top + level * step);
        } else {
            tops.push_back(top - level * step);
            if (level > 0)
                tops.push_back(top + level * step);
        }
    }
    if (r.ruleMark && r.offset != 0) {
        const double mirrored = r.offset > 0 ? r.anchor.y() + r.offset : r.anchor.y() + r.offset - r.size.height();
        for (int level = 0; level < levels; ++level)
            tops.push_back(r.offset > 0 ? mirrored + level * step : mirrored - level * step);
    }
    return tops;
}

// The first free box among the tops, then (when `beside`) the same half and a whole width to either side.
std::optional<QRectF> FreeSpot(
    const LabelRequest& r, const QRectF& band, const std::vector<double>& tops, bool beside, const BoxIndex& placed)
{
    for (double top : tops)
        if (const QRectF box = Inside(BoxAt(r, top), band); placed.free(box))
            return box;
    if (!beside)
        return std::nullopt;
    const double half = r.size.width() / 2 + 2 * kGap;
    for (double shift : { -half, half, -2 * half, 2 * half })
        for (double top : tops)
            if (const QRectF box = Inside(BoxAt(r, top, shift), band); placed.free(box))
                return box;
    return std::nullopt;
}

const QStringList& RuleOrder()
{
    static const QStringList order { "R1+", "R1-", "R2+", "R2-", "R3+", "R3-", "R4+", "R4-", "R5", "R6", "R7" };
    return order;
}

struct Group {
    LabelRequest request;
    QList<int> members;
    double firstX = 0, lastX = 0; // the extreme anchors of the members
    int box = -1;
};

Group Merged(const Group& a, const Group& b, const LabelMeasure& measure)
{
    Group g;
    g.members = a.members + b.members;
    g.firstX = std::min(a.firstX, b.firstX);
    g.lastX = std::max(a.lastX, b.lastX);
    g.request = a.request;
    g.request.text = MergedRuleCodes(a.request.text, b.request.text);
    g.request.size = measure(g.request.text);
    g.request.left = -g.request.size.width() / 2;
    const double y = a.request.offset > 0 ? std::min(a.request.anchor.y(), b.request.anchor.y())
                                          : std::max(a.request.anchor.y(), b.request.anchor.y());
    g.request.anchor = QPointF((g.firstX + g.lastX) / 2, y);
    return g;
}

} // namespace

QString MergedRuleCodes(const QString& a, const QString& b)
{
    QStringList codes = a.split(u',', Qt::SkipEmptyParts);
    for (const QString& c : b.split(u',', Qt::SkipEmptyParts))
        if (!codes.contains(c))
            codes << c;
    const auto rank = [](const QString& c) {
        const qsizetype i = RuleOrder().indexOf(c);
        return i < 0 ? RuleOrder().size() : i;
    };
    std::stable_sort(codes.begin(), codes.end(), [&](const QString& x, const QString& y) { return rank(x) < rank(y); });
    return codes.join(u',');
}

QList<LabelPlacement> PlaceLabels(
    const QList<LabelRequest>& requests, const QRectF& band, int levels, const LabelMeasure& measure)
{
    QList<LabelPlacement> out;
    BoxIndex placed(band);
    for (int i = 0; i < requests.size(); ++i) {
        const LabelRequest& r = requests[i];
        if (r.ruleMark)
            continue;
        const QRectF preferred = Preferred(r, band);
        const QRectF box = FreeSpot(r, band, Tops(r, levels), true, placed).value_or(preferred);
        placed.add(box);
        out << LabelPlacement { box, r.text, { i }, box != preferred };
    }

    QList<int> order;
    for (int i = 0; i < requests.size(); ++i) {
        if (!requests[i].ruleMark)
            continue;
        order << i;
        const QPointF corner(kMarkRadius, kMarkRadius);
        placed.add(QRectF(requests[i].anchor - corner, requests[i].anchor + corner));
    }
    std::stable_sort(
        order.begin(), order.end(), [&](int a, int b) { return requests[a].anchor.x() < requests[b].anchor.x(); });
    std::vector<Group> groups;
    // The last group placed on each side: marks come in the order of their x, so it is the nearest one.
    auto lastOnSide = [&](int offset) {
        for (int g = int(groups.size()) - 1; g >= 0; --g)
            if (groups[std::size_t(g)].box >= 0 && (groups[std::size_t(g)].request.offset > 0) == (offset > 0))
                return g;
        return -1;
    };
    // A mark takes a place near it; else it shares the label of a neighbour close enough, else takes a place
    // further away, else shares the nearest label of its side whatever its distance.
    for (int i : order) {
        Group g { requests[i], { i }, requests[i].anchor.x(), requests[i].anchor.x() };
        while (true) {
            if (const auto spot = FreeSpot(g.request, band, Tops(g.request, kNearLevels), false, placed)) {
                g.box = placed.add(*spot);
                break;
            }
            const int partner = lastOnSide(g.request.offset);
            const bool close = partner >= 0 && g.firstX - groups[std::size_t(partner)].lastX <= g.request.size.width();
            if (!close) {
                if (const auto spot = FreeSpot(g.request, band, Tops(g.request, levels), true, placed)) {
                    g.box = placed.add(*spot);
                    break;
                }
            }
            if (partner < 0) {
                g.box = placed.add(Preferred(g.request, band));
                break;
            }
            Group& p = groups[std::size_t(partner)];
            placed.remove(p.box);
            p.box = -1;
            g = Merged(p, g, measure);
        }
        groups.push_back(g);
    }
    for (const Group& g : groups) {
        if (g.box < 0)
            continue;
        const QRectF& box = placed.box(g.box);
        const bool alone = g.members.size() == 1;
        out << LabelPlacement { box, g.request.text, g.members, !alone || box != Preferred(g.request, band) };
    }
    return out;
}

} // namespace moldrin
