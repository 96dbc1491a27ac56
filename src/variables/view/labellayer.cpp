// The point labels of a chart view: gathered from the model's series, placed anew at every drawing.
#include "variables/view/labellayer.h"

#include "variables/view/labellayout.h"
#include "variables/view/seriesstyle.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace moldrin
{

namespace
{

constexpr double kPadX = 2, kPadY = 1;

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

// A moved label points to its mark; a shared one spans its marks with a bracket on its near edge.
void DrawConnectors(QCPPainter* painter, const QRectF& box, const QList<QPointF>& marks, QColor colour)
{
    colour.setAlpha(150);
    painter->setPen(QPen(colour, 0.8));
    if (marks.size() == 1) {
        const QPointF& m = marks.front();
        painter->drawLine(
            m, QPointF(std::clamp(m.x(), box.left(), box.right()), std::clamp(m.y(), box.top(), box.bottom())));
        return;
    }
    double from = box.center().x(), to = from, y = 0;
    for (const QPointF& m : marks) {
        from = std::min(from, m.x());
        to = std::max(to, m.x());
        y += m.y() / marks.size();
    }
    const bool below = y > box.center().y();
    const double edge = below ? box.bottom() : box.top();
    const double tick = below ? 3 : -3;
    painter->drawLine(QPointF(from, edge), QPointF(to, edge));
    painter->drawLine(QPointF(from, edge), QPointF(from, edge + tick));
    painter->drawLine(QPointF(to, edge), QPointF(to, edge + tick));
}

} // namespace

LabelLayer::LabelLayer(QCustomPlot* plot)
    : QCPLayerable(plot, QStringLiteral("labels"))
{
}

void LabelLayer::collect(
    const ChartSeries& series, QCPAxis* key, QCPAxis* value, const QFont& base, const std::pair<int, int>* page)
{
    if (!series.marks.visible)
        return;
    QFont f = base;
    f.setPointSize(8);
    f.setItalic(series.marks.italic);
    f.setBold(series.marks.bold);
    QList<Label> labels;
    for (int i = 0; i < series.count(); ++i) {
        const double x = series.points.x(i);
        if (page && (x < page->first || x > page->second))
            continue;
        const QString text = series.points.label(i);
        if (text.trimmed().isEmpty())
            continue;
        labels << Label { LabelLines(text), key, value, x, series.points.y(i), series.marks.offset, f,
            Colour(series.marks.fontColour, kClBlack), series.marks.transparent,
            Colour(series.marks.backColour, kClYellow), series.marks.ruleMarks };
        // A data series' point numbers on a crowded page would only cover the points.
        if (!series.marks.ruleMarks && labels.size() > kMaxLabelledPoints)
            return;
    }
    mLabels += labels;
}

void LabelLayer::clear()
{
    mLabels.clear();
    mPlaced.clear();
}

void LabelLayer::applyDefaultAntialiasingHint(QCPPainter* painter) const
{
    applyAntialiasingHint(painter, true, QCP::aeItems);
}

void LabelLayer::draw(QCPPainter* painter)
{
    mPlaced.clear();
    QList<QCPAxisRect*> bands;
    for (const Label& l : mLabels)
        if (!bands.contains(l.value->axisRect()))
            bands << l.value->axisRect();
    for (QCPAxisRect* band : bands)
        drawBand(painter, band);
}

void LabelLayer::drawBand(QCPPainter* painter, QCPAxisRect* band)
{
    QList<const Label*> shown;
    QList<LabelRequest> requests;
    QList<LabelGeometry> geometry;
    for (const Label& l : mLabels) {
        if (l.value->axisRect() != band || !l.key->range().contains(l.x))
            continue;
        const QFontMetricsF fm(l.font, painter->device());
        const LabelGeometry g = Measure(l.text, fm);
        if (g.lines.isEmpty())
            continue;
        shown << &l;
        geometry << g;
        requests << LabelRequest { QPointF(l.key->coordToPixel(l.x), l.value->coordToPixel(l.y)), g.size, g.left,
            l.offset, l.ruleMark, l.text };
    }
    if (requests.isEmpty())
        return;
    const QRectF area = band->rect();
    const QList<LabelPlacement> placements = PlaceLabels(requests, area, kLabelLevels,
        [&](const QString& text) { return Measure(text, QFontMetricsF(shown.front()->font, painter->device())).size; });
    for (const LabelPlacement& p : placements) {
        const Label& first = *shown[p.members.front()];
        PlacedLabel out { QString(), p.rect, area, first.ruleMark, {} };
        for (int m : p.members)
            out.marks << requests[m].anchor;
        if (p.displaced)
            DrawConnectors(painter, p.rect, out.marks, first.colour);
        painter->setFont(first.font);
        const QFontMetricsF fm(first.font, painter->device());
        if (!first.transparent) {
            painter->setPen(QPen(Qt::black));
            painter->setBrush(first.back);
            painter->drawRect(p.rect);
        }
        painter->setPen(first.colour);
        // A label alone keeps its lines where the centred text puts them; a shared one is one line.
        QList<LabelGeometry::Line> lines = geometry[p.members.front()].lines;
        if (p.members.size() > 1)
            lines = { LabelGeometry::Line { p.text, kPadX } };
        QStringList texts;
        for (int i = 0; i < lines.size(); ++i) {
            const QPointF at(p.rect.left() + lines[i].x, p.rect.top() + kPadY + i * fm.height() + fm.ascent());
            painter->drawText(at, lines[i].text);
            texts << lines[i].text;
        }
        out.text = texts.join(u'\n');
        mPlaced << out;
    }
}

} // namespace moldrin
