// The point labels of a chart view: gathered from the model's series, placed once for each drawing size.
#include "variables/view/labellayer.h"

#include "variables/view/seriesstyle.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace moldrin
{

namespace
{

constexpr double kPadX = 2, kPadY = 1;
constexpr double kMarkClearance = 6; // pixels at the least between a rule mark and its label
constexpr double kSmallestScale = 0.6; // lines' labels shrink down to this share of their size to fit a band

// A label's box and its lines, the text centred on the point as a whole and its blanks left out.
struct LabelGeometry {
    QSizeF size;
    double left = 0; // box edge relative to the point
    struct Line {
        QString text;
        double x; // within the box
    };
    QList<Line> lines;
};

LabelGeometry Measure(const QString& text, const QFontMetricsF& fm)
{
    LabelGeometry g;
    const QStringList lines = text.split(u'\n');
    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    struct Extent {
        QString text;
        double from;
    };
    QList<Extent> extents;
    for (const QString& line : lines) {
        const QString visible = line.trimmed();
        if (visible.isEmpty()) {
            extents << Extent { QString(), 0 };
            continue;
        }
        const double full = fm.horizontalAdvance(line);
        const double lead = fm.horizontalAdvance(line.left(line.indexOf(visible)));
        const double from = -full / 2 + lead;
        lo = std::min(lo, from);
        hi = std::max(hi, from + fm.horizontalAdvance(visible));
        extents << Extent { visible, from };
    }
    if (!std::isfinite(lo))
        return g;
    g.left = lo - kPadX;
    g.size = QSizeF(hi - lo + 2 * kPadX, lines.size() * fm.height() + 2 * kPadY);
    for (const Extent& e : extents)
        g.lines << LabelGeometry::Line { e.text, kPadX + e.from - lo };
    return g;
}

// The box of left-aligned lines.
QSizeF TextBox(const QStringList& lines, const QFontMetricsF& fm)
{
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    return { width + 2 * kPadX, lines.size() * fm.height() + 2 * kPadY };
}

// The lines of a text with the blanks around each left out; empty when nothing is left.
QStringList TrimmedLines(const QString& text)
{
    QStringList lines;
    for (const QString& line : LabelLines(text).split(u'\n'))
        lines << line.trimmed();
    while (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    while (!lines.isEmpty() && lines.front().isEmpty())
        lines.removeFirst();
    return lines;
}

// A line series without pointers drawn left to right: its first and last labels name it at its ends.
bool EndLabelled(const ChartSeries& s)
{
    return s.kind == SeriesKind::Line && s.pointer == PointerStyle::None && s.count() >= 2
        && s.points.x(0) < s.points.x(s.count() - 1);
}

// The line's y at x, between its points; the nearer end's beyond them.
double YAt(const PointList& p, double x)
{
    if (x <= p.x(0))
        return p.y(0);
    for (int i = 1; i < p.size(); ++i)
        if (x <= p.x(i)) {
            const double dx = p.x(i) - p.x(i - 1);
            return dx > 0 ? p.y(i - 1) + (x - p.x(i - 1)) / dx * (p.y(i) - p.y(i - 1)) : p.y(i);
        }
    return p.y(p.size() - 1);
}

// Calls `take(index, label)` for each point with a label that is not blank, on the page of a paged chart,
// while it returns true; false when it stopped.
template <class Take> bool ForLabelledPoints(const ChartSeries& s, const QCPRange& shown, bool paged, Take take)
{
    for (int i = 0; i < s.count(); ++i) {
        if (paged && !shown.contains(s.points.x(i)))
            continue;
        const QString text = s.points.label(i);
        if (!text.trimmed().isEmpty() && !take(i, text))
            return false;
    }
    return true;
}

// A label away from its point shows where it belongs.
void DrawConnector(QCPPainter* painter, const QRectF& box, const QPointF& m, QColor colour)
{
    colour.setAlpha(150);
    painter->setPen(QPen(colour, 0.8));
    painter->drawLine(
        m, QPointF(std::clamp(m.x(), box.left(), box.right()), std::clamp(m.y(), box.top(), box.bottom())));
}

// A label shared by rule marks spans exactly its marks with a bracket on its near edge.
void DrawBracket(QCPPainter* painter, const QRectF& box, double from, double to, bool up, QColor colour)
{
    colour.setAlpha(150);
    painter->setPen(QPen(colour, 0.8));
    const double edge = up ? box.bottom() + 1 : box.top() - 1;
    const double tick = up ? 3 : -3;
    painter->drawLine(QPointF(from, edge), QPointF(to, edge));
    painter->drawLine(QPointF(from, edge), QPointF(from, edge + tick));
    painter->drawLine(QPointF(to, edge), QPointF(to, edge + tick));
}

} // namespace

LabelLayer::LabelLayer(QCustomPlot* plot)
    : QCPLayerable(plot, QStringLiteral("labels"))
{
}

int LabelLayer::styleOf(const ChartSeries& series, const QFont& base)
{
    QFont f = base;
    f.setPointSize(8);
    f.setItalic(series.marks.italic);
    f.setBold(series.marks.bold);
    mStyles << Style { f, Colour(series.marks.fontColour, kClBlack), series.marks.transparent,
        Colour(series.marks.backColour, kClYellow) };
    return int(mStyles.size() - 1);
}

void LabelLayer::collect(const ChartSeries& series, int index, QCPAxis* key, QCPAxis* value, const QFont& base,
    const QCPRange& shown, bool paged)
{
    ++mGeneration;
    mShown = shown;
    if (series.marks.ruleMarks) {
        collectMarks(series, index, key, value, styleOf(series, base), shown, paged);
        return;
    }
    mTextSeries << std::pair { index, series.marks.visible };
    if (!series.marks.visible)
        return;
    const int style = styleOf(series, base);
    if (EndLabelled(series)) {
        collectLine(series, index, key, value, style, shown);
        return;
    }
    QList<Text> labels;
    const bool all = ForLabelledPoints(series, shown, paged, [&](int i, const QString& text) {
        labels << Text { LabelLines(text), key, value, series.points.x(i), series.points.y(i), series.marks.offset,
            style, index, false, false };
        // A data series' point numbers on a crowded page would only cover the points.
        return labels.size() <= kMaxLabelledPoints;
    });
    if (all)
        mTexts += labels;
}

void LabelLayer::collectLine(
    const ChartSeries& series, int index, QCPAxis* key, QCPAxis* value, int style, const QCPRange& shown)
{
    const PointList& p = series.points;
    const int last = p.size() - 1;
    if (p.x(last) < shown.lower || p.x(0) > shown.upper)
        return;
    const QFontMetricsF fm(mStyles[style].font);
    const double near = std::max(0.5, shown.size() * 0.03);
    const auto end = [&](int i, bool start) {
        const QStringList lines = TrimmedLines(p.label(i));
        if (lines.isEmpty())
            return;
        // A line from (to) the first (last) point shown is labelled at the edge of the range shown, out of
        // the way of that point; a line that ends well inside the range, at its end.
        const double edge = start ? shown.lower : shown.upper;
        const double x = std::abs(p.x(i) - edge) <= near || (start ? p.x(i) < edge : p.x(i) > edge) ? edge : p.x(i);
        mTexts << Text { lines.join(u'\n'), key, value, x, YAt(p, x), 0, style, index, true, start };
        double& room = mEndRoom[start ? 0 : 1];
        room = std::max(room, TextBox(lines, fm).width() + kLineLabelGap + kLabelInset + 1);
    };
    end(0, true);
    for (int i = 1; i < last; ++i) {
        const QString text = p.label(i);
        if (!text.trimmed().isEmpty() && shown.contains(p.x(i)))
            mTexts << Text { LabelLines(text), key, value, p.x(i), p.y(i), series.marks.offset, style, index, false,
                false };
    }
    end(last, false);
}

void LabelLayer::collectMarks(
    const ChartSeries& series, int index, QCPAxis* key, QCPAxis* value, int style, const QCPRange& shown, bool paged)
{
    const bool up = series.marks.offset >= 0;
    const double height = QFontMetricsF(mStyles[style].font).height() + 2 * kPadY;
    MarkSet set { key, value, {}, style, index, up,
        std::max(kMarkClearance, up ? series.marks.offset : -series.marks.offset - height), series.marks.visible };
    QString last;
    std::uint32_t codes = 0;
    ForLabelledPoints(series, shown, paged, [&](int i, const QString& text) {
        // Neighbouring marks mostly share their codes: the text is read once for a run of them.
        if (text != last) {
            last = text;
            codes = mCodes.bits(text);
        }
        set.marks.push_back({ series.points.x(i), series.points.y(i), codes });
        return true;
    });
    std::stable_sort(set.marks.begin(), set.marks.end(), [](const Mark& a, const Mark& b) { return a.x < b.x; });
    mSets.push_back(std::move(set));
}

void LabelLayer::addObstacle(QCPAbstractPlottable* plottable, double radius)
{
    mObstacles.push_back({ plottable, radius });
}

void LabelLayer::clear()
{
    mStyles.clear();
    mTexts.clear();
    mSets.clear();
    mObstacles.clear();
    mTextSeries.clear();
    mEndRoom[0] = mEndRoom[1] = 0;
    mDrawn.clear();
    mPlaced.clear();
    ++mGeneration;
}

bool LabelLayer::followVisibility(const ChartModel& chart)
{
    for (const auto& [index, visible] : std::as_const(mTextSeries)) {
        const ChartSeries* s = chart.seriesAt(index);
        if (!s || s->marks.visible != visible)
            return false;
    }
    for (MarkSet& set : mSets) {
        const ChartSeries* s = chart.seriesAt(set.series);
        if (!s || !s->marks.ruleMarks)
            return false;
        set.visible = s->marks.visible;
    }
    return true;
}

double LabelLayer::markRoom(const QCPAxisRect* band, bool up) const
{
    double room = 0;
    for (const MarkSet& set : mSets)
        if (set.up == up && !set.marks.empty() && set.value->axisRect() == band)
            room = std::max(
                room, QFontMetricsF(mStyles[set.style].font).height() + 2 * kPadY + set.clearance + kLabelInset + 3);
    return room;
}

QStringList LabelLayer::texts() const
{
    QList<std::pair<int, QString>> all;
    for (const Text& t : mTexts)
        all << std::pair { t.series, t.text };
    for (const MarkSet& set : mSets)
        if (set.visible)
            for (const Mark& m : set.marks)
                all << std::pair { set.series, mCodes.text(m.codes) };
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    QStringList out;
    for (const auto& [series, text] : std::as_const(all))
        out << text;
    return out;
}

void LabelLayer::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    applyAntialiasingHint(painter, true, QCP::aeItems);
}

// What the placement depends on: the labels, the device's resolution, each band's place and its ranges.
QList<double> LabelLayer::geometry(const QCPPainter* painter) const
{
    QList<double> g { double(mGeneration), double(painter->device() ? painter->device()->logicalDpiX() : 0) };
    for (const QCPAxisRect* band : mParentPlot->axisRects()) {
        const QRect r = band->rect();
        g << r.x() << r.y() << r.width() << r.height();
        for (const QCPAxis* a : band->axes())
            g << a->range().lower << a->range().upper;
    }
    return g;
}

void LabelLayer::draw(QCPPainter* painter)
{
    if (const QList<double> now = geometry(painter); now != mPlacedFor) {
        place(painter);
        mPlacedFor = now;
    }
    mPlaced.clear();
    for (const Drawn& d : mDrawn) {
        if (d.set >= 0 && !mSets[std::size_t(d.set)].visible)
            continue;
        paint(painter, d);
        mPlaced << d.label;
    }
}

void LabelLayer::place(QCPPainter* painter)
{
    mDrawn.clear();
    QList<QCPAxisRect*> bands;
    const auto note = [&](QCPAxis* value) {
        if (!bands.contains(value->axisRect()))
            bands << value->axisRect();
    };
    for (const Text& t : std::as_const(mTexts))
        note(t.value);
    for (const MarkSet& set : mSets)
        note(set.value);
    for (QCPAxisRect* band : std::as_const(bands)) {
        LabelBoxes boxes(band->rect());
        placeEnds(painter, band, boxes);
        placePoints(painter, band, boxes);
        placeMarks(painter, band, boxes);
    }
}

void LabelLayer::placeEnds(QCPPainter* painter, QCPAxisRect* band, LabelBoxes& boxes)
{
    QList<const Text*> which;
    double need[2] = { 0, 0 };
    for (const Text& t : std::as_const(mTexts))
        if (t.lineEnd && t.value->axisRect() == band && t.key->range().contains(t.x)) {
            which << &t;
            const QFontMetricsF fm(mStyles[t.style].font, painter->device());
            need[t.start ? 0 : 1] += TextBox(t.text.split(u'\n'), fm).height() + kLabelGap;
        }
    // A band too low for a side's labels (the variation chart's zones on a small page) takes them smaller.
    const double room = band->rect().height() - 2 * kLabelInset;
    const auto fontOf = [&](const Text& t) {
        QFont font = mStyles[t.style].font;
        const double n = need[t.start ? 0 : 1];
        if (n > room && room > 0)
            font.setPointSizeF(font.pointSizeF() * std::max(kSmallestScale, room / n));
        return font;
    };
    QList<EndLabel> ends;
    for (const Text* t : std::as_const(which))
        ends << EndLabel { QPointF(t->key->coordToPixel(t->x), t->value->coordToPixel(t->y)),
            TextBox(t->text.split(u'\n'), QFontMetricsF(fontOf(*t), painter->device())), t->start };
    const QList<QRectF> rects = PlaceEndLabels(ends, band->rect());
    for (int i = 0; i < rects.size(); ++i) {
        const Text& t = *which[i];
        boxes.add(rects[i]);
        const QFont font = fontOf(t);
        const QFontMetricsF fm(font, painter->device());
        Drawn d { PlacedLabel { t.text, rects[i], band->rect(), false, true, ends[i].end }, {}, t.style, -1, false,
            true, font };
        const QStringList lines = t.text.split(u'\n');
        for (int k = 0; k < lines.size(); ++k)
            d.lines << std::pair { lines[k],
                QPointF(rects[i].left() + kPadX, rects[i].top() + kPadY + k * fm.height() + fm.ascent()) };
        mDrawn.push_back(d);
    }
}

void LabelLayer::placePoints(QCPPainter* painter, QCPAxisRect* band, LabelBoxes& boxes)
{
    for (const Text& t : std::as_const(mTexts)) {
        if (t.lineEnd || t.value->axisRect() != band || !t.key->range().contains(t.x))
            continue;
        const QFontMetricsF fm(mStyles[t.style].font, painter->device());
        const LabelGeometry g = Measure(t.text, fm);
        if (g.lines.isEmpty())
            continue;
        const QPointF at(t.key->coordToPixel(t.x), t.value->coordToPixel(t.y));
        const auto [rect, displaced]
            = PlacePointLabel(LabelRequest { at, g.size, g.left, t.offset }, band->rect(), kLabelLevels, boxes);
        Drawn d { PlacedLabel { QString(), rect, band->rect(), false, false, at }, {}, t.style, -1, displaced, true,
            std::nullopt };
        QStringList texts;
        for (int k = 0; k < g.lines.size(); ++k) {
            d.lines << std::pair { g.lines[k].text,
                QPointF(rect.left() + g.lines[k].x, rect.top() + kPadY + k * fm.height() + fm.ascent()) };
            texts << g.lines[k].text;
        }
        d.label.text = texts.join(u'\n');
        mDrawn.push_back(d);
    }
}

void LabelLayer::placeMarks(QCPPainter* painter, QCPAxisRect* band, LabelBoxes& boxes)
{
    std::vector<int> sets;
    for (int up = 1; up >= 0; --up)
        for (std::size_t i = 0; i < mSets.size(); ++i)
            if (mSets[i].up == bool(up) && mSets[i].value->axisRect() == band && !mSets[i].marks.empty())
                sets.push_back(int(i));
    if (sets.empty())
        return;
    const DataEnvelope data = envelope(band);
    const QFontMetricsF fm(mStyles[mSets[std::size_t(sets.front())].style].font, painter->device());
    // The labels stay over the points shown, out of the room beside them that holds the lines' labels.
    const QCPAxis* key = mSets[std::size_t(sets.front())].key;
    const QRectF whole = band->rect();
    const double a = key->coordToPixel(mShown.lower), b = key->coordToPixel(mShown.upper);
    const double from = std::max(whole.left(), std::min(a, b)), to = std::min(whole.right(), std::max(a, b));
    const QRectF area = to > from ? QRectF(from, whole.top(), to - from, whole.height()) : whole;
    RuleMarkLayout layout(area, data, boxes, mCodes, [&fm](const QString& codes) { return TextBox({ codes }, fm); });
    int side[2] = { -1, -1 }; // the first set above and below: the labels' style and blinking
    for (const int i : sets) {
        const MarkSet& set = mSets[std::size_t(i)];
        int& first = side[set.up ? 0 : 1];
        first = first < 0 ? i : first;
        for (const Mark& m : set.marks)
            if (set.key->range().contains(m.x))
                layout.add(
                    QPointF(set.key->coordToPixel(m.x), set.value->coordToPixel(m.y)), m.codes, set.up, set.clearance);
    }
    for (const RuleLabel& l : layout.finish()) {
        const int set = side[l.up ? 0 : 1];
        const QString text = mCodes.text(l.codes);
        Drawn d { PlacedLabel { text, l.rect, band->rect(), true, false, l.mark, l.marks, l.firstX, l.lastX }, {},
            mSets[std::size_t(set)].style, set, false, l.up, std::nullopt };
        d.lines << std::pair { text, QPointF(l.rect.left() + kPadX, l.rect.top() + kPadY + fm.ascent()) };
        mDrawn.push_back(d);
    }
}

// The band's data as the rule marks' labels see them: the points and lines drawn in the key range.
DataEnvelope LabelLayer::envelope(QCPAxisRect* band) const
{
    DataEnvelope data(band->rect());
    for (const Obstacle& o : mObstacles) {
        QCPAxis* key = o.plottable->keyAxis();
        QCPAxis* value = o.plottable->valueAxis();
        if (!key || !value || value->axisRect() != band)
            continue;
        bool line = true;
        QPointF before;
        bool started = false;
        const auto add = [&](double k, double v) {
            const QPointF at(key->coordToPixel(k), value->coordToPixel(v));
            if (line && started)
                data.addSegment(before, at);
            if (o.radius > 0)
                data.addPoint(at, o.radius);
            before = at;
            started = true;
        };
        if (const auto* graph = qobject_cast<const QCPGraph*>(o.plottable)) {
            line = graph->lineStyle() != QCPGraph::lsNone;
            const auto points = graph->data();
            const auto end = points->findEnd(key->range().upper);
            for (auto it = points->findBegin(key->range().lower); it != end; ++it)
                add(it->key, it->value);
        } else if (const auto* curve = qobject_cast<const QCPCurve*>(o.plottable)) {
            line = curve->lineStyle() != QCPCurve::lsNone;
            for (const QCPCurveData& p : *curve->data())
                add(p.key, p.value);
        }
    }
    return data;
}

void LabelLayer::paint(QCPPainter* painter, const Drawn& d) const
{
    const Style& s = mStyles[d.style];
    const PlacedLabel& l = d.label;
    if (d.displaced)
        DrawConnector(painter, l.rect, l.point, s.colour);
    if (l.ruleMark && l.marks > 1)
        DrawBracket(painter, l.rect, l.firstX, l.lastX, d.up, s.colour);
    painter->setFont(d.font ? *d.font : s.font);
    if (!s.transparent) {
        painter->setPen(QPen(Qt::black));
        painter->setBrush(s.back);
        painter->drawRect(l.rect);
    }
    painter->setPen(s.colour);
    for (const auto& [text, at] : d.lines)
        painter->drawText(at, text);
}

} // namespace moldrin
