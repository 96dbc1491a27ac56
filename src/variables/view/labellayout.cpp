// Label placement of a chart band: boxes inside it, apart, clear of the data; rule marks sharing labels.
#include "variables/view/labellayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace moldrin
{

namespace
{

constexpr double kMarkRadius = 5; // half the size of a mark's pointer
constexpr double kTogether = 3; // marks of one side closer than this many pixels share a label at once
constexpr int kHops = 4; // times a rule-mark label moves past another label before it gives up

QRectF Inset(const QRectF& band)
{
    QRectF area = band.adjusted(kLabelInset, kLabelInset, -kLabelInset, -kLabelInset);
    return area.isValid() ? area : band;
}

// The box moved inside the area as far as it fits.
QRectF Inside(QRectF box, const QRectF& area)
{
    box.moveLeft(std::max(area.left(), std::min(box.left(), area.right() - box.width())));
    box.moveTop(std::max(area.top(), std::min(box.top(), area.bottom() - box.height())));
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

// The tops of the lines a label may take, nearest its preferred place first: further from its point on
// its own side, both ways for a centred label.
std::vector<double> Tops(const LabelRequest& r, int levels)
{
    const double step = r.size.height() + kLabelGap;
    const double top = PreferredTop(r);
    std::vector<double> tops;
    for (int level = 0; level < levels; ++level) {
        if (r.offset >= 0)
            tops.push_back(top - level * step);
        if (r.offset <= 0 && (level > 0 || r.offset < 0))
            tops.push_back(top + level * step);
    }
    return tops;
}

// The first free box among the tops, then in the same lines half and a whole width to either side.
std::optional<QRectF> FreeSpot(
    const LabelRequest& r, const QRectF& area, const std::vector<double>& tops, const LabelBoxes& placed)
{
    const double half = r.size.width() / 2 + 2 * kLabelGap;
    for (const double shift : { 0.0, -half, half, -2 * half, 2 * half })
        for (const double top : tops)
            if (const QRectF box = Inside(BoxAt(r, top, shift), area); placed.free(box))
                return box;
    return std::nullopt;
}

const QStringList& RuleOrder()
{
    static const QStringList order { "R1+", "R1-", "R2+", "R2-", "R3+", "R3-", "R4+", "R4-", "R5", "R6", "R7" };
    return order;
}

} // namespace

LabelBoxes::LabelBoxes(const QRectF& band)
    : mOrigin(band.topLeft())
    , mColumns(std::max(1L, long(band.width() / kCell) + 1))
    , mRows(std::max(1L, long(band.height() / kCell) + 1))
    , mCells(std::size_t(mColumns * mRows))
{
}

template <class Visit> void LabelBoxes::forCells(const QRectF& box, Visit visit) const
{
    const auto at = [](double v, double origin, long count) {
        return std::clamp<long>(long(std::floor((v - origin) / kCell)), 0, count - 1);
    };
    const long right = at(box.right(), mOrigin.x(), mColumns);
    const long bottom = at(box.bottom(), mOrigin.y(), mRows);
    for (long c = at(box.left(), mOrigin.x(), mColumns); c <= right; ++c)
        for (long r = at(box.top(), mOrigin.y(), mRows); r <= bottom; ++r)
            visit(std::size_t(r * mColumns + c));
}

int LabelBoxes::add(const QRectF& box, BoxKind kind)
{
    const int id = int(mBoxes.size());
    mBoxes.push_back({ box, kind });
    forCells(box, [&](std::size_t cell) { mCells[cell].push_back(id); });
    return id;
}

void LabelBoxes::remove(int id)
{
    forCells(mBoxes[std::size_t(id)].rect, [&](std::size_t cell) { std::erase(mCells[cell], id); });
}

std::optional<int> LabelBoxes::meets(const QRectF& box) const
{
    const QRectF grown = box.adjusted(-kLabelGap, -kLabelGap, kLabelGap, kLabelGap);
    std::optional<int> found;
    forCells(grown, [&](std::size_t cell) {
        for (std::size_t i = 0; !found && i < mCells[cell].size(); ++i)
            if (grown.intersects(mBoxes[std::size_t(mCells[cell][i])].rect))
                found = mCells[cell][i];
    });
    return found;
}

DataEnvelope::DataEnvelope(const QRectF& band)
    : mLeft(std::floor(band.left()))
    , mTop(std::size_t(std::max(1.0, std::ceil(band.right()) - std::floor(band.left()) + 1)),
          std::numeric_limits<float>::infinity())
    , mBottom(mTop.size(), -std::numeric_limits<float>::infinity())
{
}

std::pair<long, long> DataEnvelope::columns(double left, double right) const
{
    const long last = long(mTop.size()) - 1;
    if (!(right >= mLeft) || !(left < mLeft + double(last + 1)))
        return { 1, 0 };
    return { std::clamp(long(std::floor(left - mLeft)), 0L, last),
        std::clamp(long(std::floor(right - mLeft)), 0L, last) };
}

void DataEnvelope::cover(long column, double y0, double y1)
{
    float& top = mTop[std::size_t(column)];
    float& bottom = mBottom[std::size_t(column)];
    top = std::min(top, float(std::min(y0, y1)));
    bottom = std::max(bottom, float(std::max(y0, y1)));
}

void DataEnvelope::addPoint(const QPointF& p, double radius)
{
    if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
        return;
    const auto [from, to] = columns(p.x() - radius, p.x() + radius);
    for (long c = from; c <= to; ++c)
        cover(c, p.y() - radius, p.y() + radius);
}

void DataEnvelope::addSegment(const QPointF& a, const QPointF& b)
{
    if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y()))
        return;
    const QPointF& l = a.x() <= b.x() ? a : b;
    const QPointF& r = a.x() <= b.x() ? b : a;
    const double dx = r.x() - l.x();
    const auto at = [&](double x) { return dx > 0 ? l.y() + (x - l.x()) / dx * (r.y() - l.y()) : l.y(); };
    const auto [from, to] = columns(l.x(), r.x());
    for (long c = from; c <= to; ++c) {
        const double x0 = std::max(l.x(), mLeft + double(c));
        const double x1 = std::min(r.x(), mLeft + double(c + 1));
        if (dx > 0)
            cover(c, at(x0), at(x1));
        else
            cover(c, l.y(), r.y());
    }
}

std::optional<double> DataEnvelope::top(double left, double right) const
{
    const auto [from, to] = columns(left, right);
    float y = std::numeric_limits<float>::infinity();
    for (long c = from; c <= to; ++c)
        y = std::min(y, mTop[std::size_t(c)]);
    return std::isfinite(y) ? std::optional<double>(y) : std::nullopt;
}

std::optional<double> DataEnvelope::bottom(double left, double right) const
{
    const auto [from, to] = columns(left, right);
    float y = -std::numeric_limits<float>::infinity();
    for (long c = from; c <= to; ++c)
        y = std::max(y, mBottom[std::size_t(c)]);
    return std::isfinite(y) ? std::optional<double>(y) : std::nullopt;
}

bool DataEnvelope::clear(const QRectF& box) const
{
    const auto [from, to] = columns(box.left(), box.right());
    for (long c = from; c <= to; ++c)
        if (mTop[std::size_t(c)] <= box.bottom() && mBottom[std::size_t(c)] >= box.top())
            return false;
    return true;
}

QList<QRectF> PlaceEndLabels(const QList<EndLabel>& labels, const QRectF& band)
{
    const QRectF area = Inset(band);
    QList<QRectF> out(labels.size());
    for (const bool start : { true, false }) {
        std::vector<int> side;
        for (int i = 0; i < labels.size(); ++i)
            if (labels[i].start == start)
                side.push_back(i);
        std::stable_sort(side.begin(), side.end(), [&](int a, int b) { return labels[a].end.y() < labels[b].end.y(); });
        // Runs of labels that would touch, each run as near its lines as their mean wants it: `want` sums
        // the tops each member's line asks of the run.
        struct Run {
            std::size_t from, to;
            double height, want, top;
        };
        std::vector<Run> runs;
        for (std::size_t k = 0; k < side.size(); ++k) {
            const QSizeF& size = labels[side[k]].size;
            Run run { k, k, size.height(), labels[side[k]].end.y() - size.height() / 2, 0 };
            while (true) {
                const double members = double(run.to - run.from + 1);
                run.top = std::clamp(run.want / members, area.top(), std::max(area.top(), area.bottom() - run.height));
                if (runs.empty() || runs.back().top + runs.back().height + kLabelGap <= run.top)
                    break;
                const Run before = runs.back();
                runs.pop_back();
                run.want = before.want + run.want - members * (before.height + kLabelGap);
                run.height += before.height + kLabelGap;
                run.from = before.from;
            }
            runs.push_back(run);
        }
        for (const Run& run : runs) {
            double top = run.top;
            for (std::size_t k = run.from; k <= run.to; ++k) {
                const EndLabel& l = labels[side[k]];
                const double left = start ? l.end.x() - kLineLabelGap - l.size.width() : l.end.x() + kLineLabelGap;
                out[side[k]] = Inside(QRectF(QPointF(left, top), l.size), QRectF(area.left(), -1e9, area.width(), 2e9));
                top += l.size.height() + kLabelGap;
            }
        }
    }
    return out;
}

std::pair<QRectF, bool> PlacePointLabel(const LabelRequest& r, const QRectF& band, int levels, LabelBoxes& placed)
{
    const QRectF area = Inset(band);
    const QRectF preferred = Inside(BoxAt(r, PreferredTop(r)), area);
    const QRectF box = FreeSpot(r, area, Tops(r, levels), placed).value_or(preferred);
    placed.add(box);
    return { box, box != preferred };
}

RuleCodes::RuleCodes()
    : mNames(RuleOrder())
{
}

std::uint32_t RuleCodes::bits(const QString& text)
{
    std::uint32_t bits = 0;
    for (const QString& code : text.split(u',', Qt::SkipEmptyParts)) {
        qsizetype i = mNames.indexOf(code);
        if (i < 0 && mNames.size() < 32) {
            i = mNames.size();
            mNames << code;
        }
        if (i >= 0)
            bits |= std::uint32_t(1) << i;
    }
    return bits;
}

QString RuleCodes::text(std::uint32_t bits) const
{
    QStringList codes;
    for (qsizetype i = 0; i < mNames.size(); ++i)
        if (bits & (std::uint32_t(1) << i))
            codes << mNames[i];
    return codes.join(u',');
}

QString MergedRuleCodes(const QString& a, const QString& b)
{
    RuleCodes codes;
    const std::uint32_t first = codes.bits(a);
    return codes.text(first | codes.bits(b));
}

RuleMarkLayout::RuleMarkLayout(
    const QRectF& band, const DataEnvelope& data, LabelBoxes& placed, const RuleCodes& codes, Measure measure)
    : mArea(Inset(band))
    , mData(data)
    , mPlaced(placed)
    , mCodes(codes)
    , mMeasure(std::move(measure))
{
}

// Takes the marks of `other` into `g`: the group then spans both.
void RuleMarkLayout::Join(Group& g, const Group& other)
{
    RuleLabel& l = g.label;
    l.codes |= other.label.codes;
    l.marks += other.label.marks;
    if (other.label.firstX < l.firstX) {
        l.firstX = other.label.firstX;
        l.mark = other.label.mark;
    }
    l.lastX = std::max(l.lastX, other.label.lastX);
    g.nearY = l.up ? std::min(g.nearY, other.nearY) : std::max(g.nearY, other.nearY);
    g.clearance = std::max(g.clearance, other.clearance);
}

void RuleMarkLayout::add(const QPointF& mark, std::uint32_t codes, bool up, double clearance)
{
    if (!std::isfinite(mark.x()) || !std::isfinite(mark.y()))
        return;
    if (std::optional<Group>& other = mPending[up ? 1 : 0]) {
        place(*other, false);
        other.reset();
    }
    const Group single { RuleLabel { QRectF(), codes, 1, mark.x(), mark.x(), mark, up }, mark.y(), clearance, -1,
        false };
    std::optional<Group>& pending = mPending[up ? 0 : 1];
    if (pending && mark.x() - pending->label.firstX <= kTogether) {
        Join(*pending, single);
        return;
    }
    if (pending)
        place(*pending, false);
    pending = single;
    // A group that found no room waits for its next neighbour and shares a label with it.
    if (std::optional<Group>& waiting = mWaiting[up ? 0 : 1]) {
        Join(*pending, *waiting);
        pending->waited = true;
        waiting.reset();
    }
}

std::vector<RuleLabel> RuleMarkLayout::finish()
{
    std::vector<RuleLabel> out;
    for (int side = 0; side < 2; ++side) {
        if (mPending[side])
            place(*mPending[side], false);
        mPending[side].reset();
        if (mWaiting[side])
            place(*mWaiting[side], true);
        mWaiting[side].reset();
        for (const Group& g : mGroups[side])
            out.push_back(g.label);
    }
    return out;
}

QSizeF RuleMarkLayout::size(std::uint32_t codes)
{
    for (const auto& [known, size] : mSizes)
        if (known == codes)
            return size;
    mSizes.emplace_back(codes, mMeasure(mCodes.text(codes)));
    return mSizes.back().second;
}

// Places the group's label where it finds room. Crowded by the labels of its side, it shares the label of
// the neighbour before it; without room clear of the data it waits for the neighbour after it once, and
// then (or as the last of a side) shares the one before it. Only where none of that helps it stands as near its marks
// as the band allows.
void RuleMarkLayout::place(Group g, bool last)
{
    const int sideIndex = g.label.up ? 0 : 1;
    std::vector<Group>& side = mGroups[sideIndex];
    const BoxKind kind = g.label.up ? BoxKind::RuleAbove : BoxKind::RuleBelow;
    while (true) {
        const QSizeF s = size(g.label.codes);
        auto [box, crowded] = spot(g, s);
        if (!box && !crowded && !last && !g.waited) {
            g.waited = true;
            mWaiting[sideIndex] = g;
            return;
        }
        if (!box && !side.empty()) {
            const Group before = side.back();
            side.pop_back();
            mPlaced.remove(before.box);
            Join(g, before);
            continue;
        }
        if (!box) {
            const double left = std::clamp((g.label.firstX + g.label.lastX - s.width()) / 2, mArea.left(),
                std::max(mArea.left(), mArea.right() - s.width()));
            const double top = g.label.up ? g.nearY - g.clearance - s.height() : g.nearY + g.clearance;
            box = Inside(QRectF(QPointF(left, top), s), mArea);
        }
        g.label.rect = *box;
        g.box = mPlaced.add(*box, kind);
        side.push_back(g);
        return;
    }
}

// A free place for the group's label clear of the data: over (under) its marks, or for a single mark
// shifted sideways as far as its box still spans the mark, moving past labels of other kinds and of the
// other side. `crowded` tells that a label of its own side stopped it somewhere.
RuleMarkLayout::Spot RuleMarkLayout::spot(const Group& g, const QSizeF& s) const
{
    const RuleLabel& l = g.label;
    const double centre = (l.firstX + l.lastX) / 2;
    std::vector<double> lefts { centre - s.width() / 2 };
    if (l.marks == 1 && s.width() > 2 * kMarkRadius) {
        const double shift = s.width() / 2 - kMarkRadius;
        lefts.push_back(lefts.front() - shift);
        lefts.push_back(lefts.front() + shift);
    }
    const BoxKind ownSide = l.up ? BoxKind::RuleAbove : BoxKind::RuleBelow;
    Spot out;
    for (double left : lefts) {
        left = std::clamp(left, mArea.left(), std::max(mArea.left(), mArea.right() - s.width()));
        double edge = l.up ? g.nearY - g.clearance : g.nearY + g.clearance;
        if (const auto data = l.up ? mData.top(left, left + s.width()) : mData.bottom(left, left + s.width()))
            edge = l.up ? std::min(edge, *data - kLabelGap) : std::max(edge, *data + kLabelGap);
        for (int hop = 0; hop <= kHops; ++hop) {
            const QRectF box = l.up ? QRectF(left, edge - s.height(), s.width(), s.height())
                                    : QRectF(left, edge, s.width(), s.height());
            if (box.top() < mArea.top() || box.bottom() > mArea.bottom())
                break;
            const std::optional<int> other = mPlaced.meets(box);
            if (!other) {
                out.box = box;
                return out;
            }
            if (mPlaced.kind(*other) == ownSide) {
                out.crowded = true;
                break;
            }
            const QRectF& met = mPlaced.box(*other);
            edge = l.up ? met.top() - kLabelGap : met.bottom() + kLabelGap;
        }
    }
    return out;
}

} // namespace moldrin
