// ChartView: the chart model as one or two QCustomPlot axis rects, with placed point labels and paging.
#include "variables/view/chartview.h"

#include "common/numberformat.h"
#include "variables/view/labellayout.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace moldrin
{

namespace
{

// Tick labels in the program's number formats; a set increment is kept while it gives a readable count.
class FormatTicker : public QCPAxisTicker
{
public:
    FormatTicker(const QString& format, double increment, bool wholeSteps)
        : mFormat(format)
        , mIncrement(increment)
        , mWholeSteps(wholeSteps)
    {
    }

protected:
    double getTickStep(const QCPRange& range) override
    {
        mExtraDecimals = AxisExtraDecimals(range.lower, range.upper);
        if (mIncrement > 0 && range.size() / mIncrement <= kMaxTicks)
            return mStep = mIncrement;
        const double step = QCPAxisTicker::getTickStep(range);
        return mStep = mWholeSteps ? std::max(1.0, std::round(step)) : step;
    }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        // Ticks near zero come out as tiny residues of the step arithmetic.
        return NumberFormat(mFormat, mExtraDecimals).format(std::abs(tick) < mStep * 1e-6 ? 0.0 : tick);
    }

private:
    static constexpr double kMaxTicks = 40;
    QString mFormat;
    double mIncrement;
    bool mWholeSteps;
    double mStep = 0;
    int mExtraDecimals = 0;
};

// The point labels of a horizontal axis, each line broken at its blanks where it is wider than the room
// between neighbouring ticks, so the labels of neighbouring bars stay apart; where a word alone is wider,
// the labels' font shrinks (down to kSmallestPointSize). The room is taken from the band's width at the
// last layout, or before the first one from the viewport; ChartView::updateLayout lays out again when
// the band came out another width.
class WrappingTextTicker : public QCPAxisTickerText
{
public:
    explicit WrappingTextTicker(QCPAxis* axis)
        : mAxis(axis)
        , mFont(axis->tickLabelFont())
    {
    }
    // The band width the labels were last broken for.
    int widthUsed() const { return mWidthUsed; }

protected:
    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision, QVector<double>& ticks,
        QVector<double>* subTicks, QVector<QString>* tickLabels) override
    {
        const QCPAxisRect* band = mAxis->axisRect();
        mWidthUsed = band->width() > 0
            ? band->width()
            : mAxis->parentPlot()->viewport().width() - band->minimumMargins().left() - band->minimumMargins().right();
        double spacing = std::numeric_limits<double>::infinity();
        for (auto it = mTicks.cbegin(), next = std::next(it); next != mTicks.cend(); ++it, ++next)
            spacing = std::min(spacing, next.key() - it.key());
        const double pitch = std::isfinite(spacing) && range.size() > 0 ? spacing * mWidthUsed / range.size()
                                                                        : std::numeric_limits<double>::infinity();
        mRoom = pitch - kLabelGap;
        QFont font = mFont;
        const auto widestWord = [this](const QFont& f) {
            const QFontMetricsF fm(f);
            double widest = 0;
            for (const QString& label : std::as_const(mTicks))
                for (const QString& word : QString(label).replace(u'\n', u' ').split(u' ', Qt::SkipEmptyParts))
                    widest = std::max(widest, fm.horizontalAdvance(word));
            return widest;
        };
        const double widest = widestWord(font);
        if (widest > mRoom && font.pointSizeF() > 0)
            font.setPointSizeF(std::max(kSmallestPointSize, font.pointSizeF() * std::max(0.0, mRoom) / widest));
        // Labels still wider than their room at the smallest size would print over each other: only every
        // stride-th is drawn, with the room up to the next drawn one.
        double stride = 1;
        if (font.pointSizeF() <= kSmallestPointSize && std::isfinite(pitch) && pitch > 0) {
            const double shrunk = widestWord(font);
            if (shrunk > mRoom)
                stride = std::ceil((shrunk + kLabelGap) / pitch);
        }
        mRoom = stride * pitch - kLabelGap;
        mAxis->setTickLabelFont(font);
        QCPAxisTickerText::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
        if (stride > 1 && !ticks.isEmpty()) {
            // Counted from the first label, so the same labels stay drawn whatever part of the axis shows.
            const auto first = std::distance(mTicks.cbegin(), mTicks.constFind(ticks.front()));
            QVector<double> kept;
            QVector<QString> keptLabels;
            for (qsizetype k = 0; k < ticks.size(); ++k)
                if ((first + k) % qsizetype(stride) == 0) {
                    kept << ticks[k];
                    if (tickLabels)
                        keptLabels << tickLabels->value(k);
                }
            ticks = kept;
            if (tickLabels)
                *tickLabels = keptLabels;
        }
    }
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override
    {
        const QString text = QCPAxisTickerText::getTickLabel(tick, locale, formatChar, precision);
        const QFontMetricsF fm(mAxis->tickLabelFont());
        QStringList out;
        for (const QString& line : text.split(u'\n')) {
            if (fm.horizontalAdvance(line) <= mRoom) {
                out << line;
                continue;
            }
            QString current;
            for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
                const QString joined = current.isEmpty() ? word : current + u' ' + word;
                if (!current.isEmpty() && fm.horizontalAdvance(joined) > mRoom) {
                    out << current;
                    current = word;
                } else {
                    current = joined;
                }
            }
            out << current;
        }
        return out.join(u'\n');
    }

private:
    static constexpr double kLabelGap = 8; // pixels kept free between neighbouring labels
    static constexpr double kSmallestPointSize = 6;
    QCPAxis* mAxis;
    QFont mFont; // the labels' font where they have room
    int mWidthUsed = 0;
    double mRoom = std::numeric_limits<double>::infinity();
};

QColor Colour(OleColour c, OleColour fallback)
{
    return QColor::fromRgb(RgbFromOle(c == kTeeColor ? fallback : c));
}

QCPScatterStyle::ScatterShape Shape(PointerStyle p)
{
    switch (p) {
    case PointerStyle::Diamond:
        return QCPScatterStyle::ssDiamond;
    case PointerStyle::Triangle:
        return QCPScatterStyle::ssTriangle;
    case PointerStyle::DownTriangle:
        return QCPScatterStyle::ssTriangleInverted;
    case PointerStyle::Circle:
        return QCPScatterStyle::ssDisc;
    case PointerStyle::Rectangle:
        return QCPScatterStyle::ssSquare;
    case PointerStyle::None:
        break;
    }
    return QCPScatterStyle::ssNone;
}

Qt::PenStyle Pen(PenStyle p)
{
    switch (p) {
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::Dash:
        return Qt::DashLine;
    case PenStyle::Solid:
        break;
    }
    return Qt::SolidLine;
}

constexpr int kAxisTitleRoom = 24;

// Pointers shrink on a page too crowded for labels, so the line stays readable.
double PointerSize(SeriesKind kind, bool roomy)
{
    if (kind == SeriesKind::Points)
        return roomy ? 9 : 5;
    return roomy ? 6 : 3;
}

// A label's lines: the chart texts put carriage returns between lines, sometimes with line feeds.
QString LabelLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

// The smallest distance between neighbouring x values, 1 for fewer than two points: the room of a bar.
double BarSpacing(const ChartSeries& s)
{
    std::vector<double> xs;
    xs.reserve(std::size_t(s.count()));
    for (int i = 0; i < s.count(); ++i)
        xs.push_back(s.points.x(i));
    std::sort(xs.begin(), xs.end());
    double spacing = std::numeric_limits<double>::infinity();
    for (std::size_t i = 1; i < xs.size(); ++i)
        if (xs[i] > xs[i - 1])
            spacing = std::min(spacing, xs[i] - xs[i - 1]);
    return std::isfinite(spacing) ? spacing : 1.0;
}

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

} // namespace

// The point labels of the chart, placed anew at every drawing, so they follow the axes at any size (screen,
// PNG, printer) and always lie inside their band.
class LabelLayer : public QCPLayerable
{
public:
    struct Label {
        QString text; // with "\n" between lines
        QCPAxis* key;
        QCPAxis* value;
        double x, y;
        int offset;
        QFont font;
        QColor colour;
        bool transparent;
        QColor back;
        bool ruleMark;
    };

    explicit LabelLayer(QCustomPlot* plot)
        : QCPLayerable(plot, QStringLiteral("labels"))
    {
    }

    QList<Label> labels;
    QList<ChartView::PlacedLabel> placed;

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override
    {
        applyAntialiasingHint(painter, true, QCP::aeItems);
    }

    void draw(QCPPainter* painter) override
    {
        placed.clear();
        QList<QCPAxisRect*> bands;
        for (const Label& l : labels)
            if (!bands.contains(l.value->axisRect()))
                bands << l.value->axisRect();
        for (QCPAxisRect* band : bands)
            drawBand(painter, band);
    }

private:
    void drawBand(QCPPainter* painter, QCPAxisRect* band)
    {
        QList<const Label*> shown;
        QList<LabelRequest> requests;
        QList<LabelGeometry> geometry;
        for (const Label& l : labels) {
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
        const QList<LabelPlacement> placements
            = PlaceLabels(requests, area, ChartView::kLabelLevels, [&](const QString& text) {
                  return Measure(text, QFontMetricsF(shown.front()->font, painter->device())).size;
              });
        for (const LabelPlacement& p : placements) {
            const Label& first = *shown[p.members.front()];
            ChartView::PlacedLabel out { QString(), p.rect, area, first.ruleMark, {} };
            for (int m : p.members)
                out.marks << requests[m].anchor;
            if (p.displaced)
                drawConnectors(painter, p.rect, out.marks, first.colour);
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
            placed << out;
        }
    }

    // A moved label points to its mark; a shared one spans its marks with a bracket on its near edge.
    static void drawConnectors(QCPPainter* painter, const QRectF& box, const QList<QPointF>& marks, QColor colour)
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
};

ChartView::ChartView(QWidget* parent)
    : QCustomPlot(parent)
{
    setBackground(Qt::white);
    setNotAntialiasedElements(QCP::aeAll);
    setAntialiasedElements(QCP::aeScatters | QCP::aeItems | QCP::aeAxes);
    addLayer(QStringLiteral("labels"), layer(QStringLiteral("main")), limAbove);
    mLabels = new LabelLayer(this);
    reset(true);
}

void ChartView::updateLayout()
{
    QCustomPlot::updateLayout();
    // Point labels broken for a band width other than the one just laid out are broken again; the
    // width of a band does not depend on its bottom labels, so the second layout keeps it.
    for (QCPAxis* axis : { pointAxis(), variationPointAxis() }) {
        const auto* text = axis ? dynamic_cast<const WrappingTextTicker*>(axis->ticker().data()) : nullptr;
        if (text && text->widthUsed() != axis->axisRect()->width()) {
            QCustomPlot::updateLayout();
            return;
        }
    }
}

QCPAxis* ChartView::centreValueAxis() const
{
    return mCentre->axis(QCPAxis::atLeft);
}
QCPAxis* ChartView::variationValueAxis() const
{
    return mVariation ? mVariation->axis(QCPAxis::atLeft) : nullptr;
}
QCPAxis* ChartView::pointAxis() const
{
    return mCentre->axis(mVariation ? QCPAxis::atTop : QCPAxis::atBottom);
}
QCPAxis* ChartView::variationPointAxis() const
{
    return mVariation ? mVariation->axis(QCPAxis::atBottom) : nullptr;
}

QCPAxis* ChartView::valueAxis(VerticalAxis axis) const
{
    return axis == VerticalAxis::Left || !mVariation ? centreValueAxis() : variationValueAxis();
}

// In two bands both charts count points on the same range: the centre chart on its top axis, the
// variation chart on its bottom axis, whatever horizontal axis a series names. One band: the bottom axis.
QCPAxis* ChartView::keyAxis(VerticalAxis axis) const
{
    return axis == VerticalAxis::Left || !mVariation ? pointAxis() : variationPointAxis();
}

QStringList ChartView::labelTexts() const
{
    QStringList texts;
    for (const LabelLayer::Label& label : mLabels->labels)
        texts << label.text;
    return texts;
}

QList<ChartView::PlacedLabel> ChartView::placedLabels() const
{
    return mLabels->placed;
}

void ChartView::reset(bool two)
{
    clearItems();
    clearPlottables();
    mLabels->labels.clear();
    mLabels->placed.clear();
    plotLayout()->clear();
    delete mMargins;
    mMargins = new QCPMarginGroup(this);

    mTitle = new QCPTextElement(this, QString(), QFont(font().family(), 10, QFont::Bold));
    mCentre = new QCPAxisRect(this);
    mVariation = two ? new QCPAxisRect(this) : nullptr;
    mFooter = new QCPTextElement(this, QString(), QFont(font().family(), 9));
    plotLayout()->addElement(0, 0, mTitle);
    plotLayout()->addElement(1, 0, mCentre);
    plotLayout()->setRowSpacing(0);
    plotLayout()->setRowStretchFactor(0, 0.001);
    if (two) {
        // Left axis over 0..70 % of the height, custom axis 0 from 74 %.
        plotLayout()->addElement(2, 0, new QCPLayoutElement(this));
        plotLayout()->addElement(3, 0, mVariation);
        plotLayout()->addElement(4, 0, mFooter);
        plotLayout()->setRowStretchFactor(1, 70);
        plotLayout()->setRowStretchFactor(2, 4);
        plotLayout()->setRowStretchFactor(3, 26);
        plotLayout()->setRowStretchFactor(4, 0.001);
    } else {
        plotLayout()->addElement(2, 0, mFooter);
        plotLayout()->setRowStretchFactor(1, 100);
        plotLayout()->setRowStretchFactor(2, 0.001);
    }

    QList<QCPAxisRect*> rects { mCentre };
    if (two)
        rects << mVariation;
    for (QCPAxisRect* rect : rects) {
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, mMargins);
        rect->axis(QCPAxis::atRight)->setVisible(false);
        rect->setupFullAxesBox(false);
        rect->axis(QCPAxis::atRight)->setTickLabels(false);
        for (QCPAxis* a : rect->axes())
            a->grid()->setVisible(false);
    }
    if (two) {
        mCentre->axis(QCPAxis::atBottom)->setVisible(false);
        mCentre->axis(QCPAxis::atTop)->setTickLabels(true);
        mVariation->axis(QCPAxis::atTop)->setVisible(false);
        return;
    }
    // One band: the top axis closes the box; a drag or wheel over the band moves only the bottom axis.
    QCPAxis* bottom = mCentre->axis(QCPAxis::atBottom);
    QCPAxis* top = mCentre->axis(QCPAxis::atTop);
    top->setTickLabels(false);
    mCentre->setRangeDrag(Qt::Horizontal);
    mCentre->setRangeZoom(Qt::Horizontal);
    mCentre->setRangeDragAxes(bottom, nullptr);
    mCentre->setRangeZoomAxes(bottom, nullptr);
    connect(bottom, qOverload<const QCPRange&>(&QCPAxis::rangeChanged), this, [this, top](const QCPRange& r) {
        top->setRange(r);
        if (!mRendering)
            mZoomed = true;
    });
}

void ChartView::setHorizontalZoom(bool on)
{
    setInteraction(QCP::iRangeDrag, on);
    setInteraction(QCP::iRangeZoom, on);
}

void ChartView::undoZoom()
{
    mZoomed = false;
}

void ChartView::collectLabels(const ChartSeries& series)
{
    if (!series.marks.visible)
        return;
    QCPAxis* key = keyAxis(series.verticalAxis);
    QCPAxis* value = valueAxis(series.verticalAxis);
    QFont f = font();
    f.setPointSize(8);
    f.setItalic(series.marks.italic);
    f.setBold(series.marks.bold);
    QList<LabelLayer::Label> labels;
    for (int i = 0; i < series.count(); ++i) {
        const double x = series.points.x(i);
        if (mPaged && (x < mShown.first || x > mShown.second))
            continue;
        const QString text = series.points.label(i);
        if (text.trimmed().isEmpty())
            continue;
        labels << LabelLayer::Label { LabelLines(text), key, value, x, series.points.y(i), series.marks.offset, f,
            Colour(series.marks.fontColour, kClBlack), series.marks.transparent,
            Colour(series.marks.backColour, kClYellow), series.marks.ruleMarks };
        // A data series' point numbers on a crowded page would only cover the points.
        if (!series.marks.ruleMarks && labels.size() > kMaxLabelledPoints)
            return;
    }
    mLabels->labels += labels;
}

void ChartView::drawSeries(const ChartSeries& series)
{
    QCPAxis* key = keyAxis(series.verticalAxis);
    QCPAxis* value = valueAxis(series.verticalAxis);
    QVector<double> keys, values;
    keys.reserve(series.count());
    values.reserve(series.count());
    bool ordered = true;
    for (int i = 0; i < series.count(); ++i) {
        keys << series.points.x(i);
        values << series.points.y(i);
        ordered = ordered && (i == 0 || keys[i] >= keys[i - 1]);
    }
    const QColor colour = Colour(series.colour, kClBlack);
    if (series.kind == SeriesKind::Bar) {
        auto* bars = new QCPBars(key, value);
        bars->setName(series.title);
        const double spacing = BarSpacing(series);
        if (series.barFromX)
            for (double& k : keys)
                k += spacing / 2;
        bars->setData(keys, values);
        bars->setWidth(spacing * series.barWidthPercent / 100.0);
        bars->setPen(QPen(colour.darker(130)));
        bars->setBrush(colour);
        return;
    }
    const bool roomy = mShown.second - mShown.first + 1 <= kMaxLabelledPoints;
    QPen pen(Colour(series.penColour, series.colour), 1, Pen(series.pen));
    QCPScatterStyle pointer;
    if (series.pointer != PointerStyle::None)
        pointer = QCPScatterStyle(Shape(series.pointer), QPen(Colour(series.frameColour, series.colour)),
            QBrush(Colour(series.pointerColour, series.colour)), PointerSize(series.kind, roomy));
    // A graph keeps its points sorted by x; a line that goes back (a vertical marker) is drawn in order.
    if (series.kind == SeriesKind::Line && !ordered) {
        auto* curve = new QCPCurve(key, value);
        curve->setName(series.title);
        curve->setData(keys, values);
        curve->setPen(pen);
        curve->setScatterStyle(pointer);
        return;
    }
    auto* graph = new QCPGraph(key, value);
    graph->setName(series.title);
    graph->setData(keys, values, ordered);
    if (series.kind == SeriesKind::Points)
        graph->setLineStyle(QCPGraph::lsNone);
    else
        graph->setPen(pen);
    graph->setScatterStyle(pointer);
}

void ChartView::applyAxis(QCPAxis* axis, const ChartAxis& model, double minimum, double maximum)
{
    axis->setVisible(model.visible);
    axis->setLabel(model.title);
    axis->setTicker(QSharedPointer<QCPAxisTicker>(new FormatTicker(model.labelFormat, model.increment, false)));
    axis->grid()->setVisible(model.gridVisible);
    if (!model.automatic) {
        axis->setRange(model.minimum, model.maximum);
        return;
    }
    double pad = (maximum - minimum) * 0.05;
    if (pad <= 0)
        pad = std::max(1.0, std::abs(maximum) * 0.05);
    axis->setRange(minimum - pad, maximum + pad);
}

void ChartView::applyKeyAxis(
    QCPAxis* axis, const ChartAxis& model, const QCPRange& range, bool wholeSteps, const ChartModel& chart)
{
    axis->setVisible(model.visible);
    axis->setLabel(model.title);
    axis->grid()->setVisible(model.gridVisible);
    const ChartSeries* labelled = nullptr;
    for (const ChartSeries& s : chart.series)
        if (!labelled && s.visible && !s.points.isEmpty())
            labelled = &s;
    if (model.pointLabels && labelled) {
        auto ticker = QSharedPointer<WrappingTextTicker>::create(axis);
        for (int i = 0; i < labelled->count(); ++i)
            ticker->addTick(labelled->points.x(i), LabelLines(labelled->points.label(i)));
        axis->setTicker(ticker);
        // The labels name points, not numbers: no zero line through the first of them.
        axis->grid()->setZeroLinePen(Qt::NoPen);
    } else {
        axis->setTicker(
            QSharedPointer<QCPAxisTicker>(new FormatTicker(model.labelFormat, model.increment, wholeSteps)));
    }
    axis->setRange(range);
}

// The horizontal range of a one-band chart: the page, the set range, or the points' x values with room
// for the bars and the pointers at the ends.
QCPRange ChartView::keyRange(const ChartModel& chart) const
{
    if (chart.maxPointsPerPage > 0)
        return QCPRange(mShown.first - 0.5, mShown.second + 0.5);
    if (!chart.bottom.automatic)
        return QCPRange(chart.bottom.minimum, chart.bottom.maximum);
    double lo = std::numeric_limits<double>::infinity(), hi = -lo, pad = 0;
    for (const ChartSeries& s : chart.series) {
        if (!s.visible || s.points.isEmpty())
            continue;
        lo = std::min(lo, *s.minX());
        hi = std::max(hi, *s.maxX());
        if (s.kind == SeriesKind::Bar && s.barFromX)
            hi = std::max(hi, *s.maxX() + BarSpacing(s));
        else if (s.kind == SeriesKind::Bar)
            pad = std::max(pad, BarSpacing(s) / 2);
    }
    if (!std::isfinite(lo))
        return QCPRange(0, 1);
    pad = std::max(pad, (hi - lo) * 0.02);
    if (pad <= 0)
        pad = std::max(0.5, std::abs(hi) * 0.05);
    return QCPRange(lo - pad, hi + pad);
}

void ChartView::render(const ChartModel& chart)
{
    mRendering = true;
    bool two = false;
    for (const ChartSeries& s : chart.series)
        two = two || s.verticalAxis == VerticalAxis::Custom0;
    const bool keepZoom = mZoomed && !two && !mVariation;
    const QCPRange zoomed = pointAxis()->range();
    reset(two);
    const bool hasPoints = !chart.series.isEmpty() && chart.series.front().count() > 0;
    mShown = hasPoints ? chart.pageRange() : std::pair<int, int> { 0, 0 };
    mPaged = two || chart.maxPointsPerPage > 0;

    QStringList title = chart.header;
    if (!two)
        title += chart.subHeader;
    mTitle->setText(title.join('\n'));
    // The sub-footer titles the axis above it; an export or print stamp goes below.
    mFooter->setText((chart.subFooter + (chart.footerVisible ? chart.footer : QStringList())).join('\n'));
    if (mFooter->text().isEmpty())
        plotLayout()->take(mFooter), delete mFooter, mFooter = nullptr;
    plotLayout()->simplify();

    applyAxis(centreValueAxis(), chart.left, chart.axisMinimum(AxisId::Left), chart.axisMaximum(AxisId::Left));
    if (two) {
        applyAxis(variationValueAxis(), chart.custom0, chart.axisMinimum(AxisId::Custom0),
            chart.axisMaximum(AxisId::Custom0));
        const QCPRange points(mShown.first - 0.5, mShown.second + 0.5);
        applyKeyAxis(pointAxis(), chart.top, points, true, chart);
        applyKeyAxis(variationPointAxis(), chart.bottom, points, true, chart);
        // The sub-header names the point axis.
        if (!chart.subHeader.isEmpty())
            pointAxis()->setLabel(chart.subHeader.join(' '));
    } else {
        const bool whole = chart.maxPointsPerPage > 0
            || (chart.bottom.increment >= 1 && chart.bottom.increment == std::round(chart.bottom.increment));
        applyKeyAxis(pointAxis(), chart.bottom, keepZoom ? zoomed : keyRange(chart), whole, chart);
    }
    mZoomed = keepZoom;
    if (chart.visible)
        for (const ChartSeries& s : chart.series)
            if (s.visible) {
                drawSeries(s);
                collectLabels(s);
            }
    // The label size reserves room for the value labels left of the bands (plus the axis title).
    const int reserved = std::max(chart.left.labelSize, two ? chart.custom0.labelSize : 0);
    for (QCPAxisRect* rect : axisRects())
        rect->setMinimumMargins(QMargins(reserved > 0 ? reserved + kAxisTitleRoom : 0, 0, 0, 0));
    mRendering = false;
    replot(rpQueuedReplot);
}

ChartView::AxisValue ChartView::valueAt(const QPointF& pixel) const
{
    AxisValue out;
    if (mVariation) {
        const QRect centre = mCentre->rect();
        const QRect variation = mVariation->rect();
        // Between the bands the boundary lies half way across the gap.
        const bool inCentre = pixel.y() < (centre.bottom() + variation.top()) / 2.0;
        out.axis = inCentre ? VerticalAxis::Left : VerticalAxis::Custom0;
    }
    out.value = valueAxis(out.axis)->pixelToCoord(pixel.y());
    out.key = keyAxis(out.axis)->pixelToCoord(pixel.x());
    return out;
}

std::optional<ChartView::PointHit> ChartView::pointAt(
    const ChartModel& chart, const QPointF& pixel, double radius) const
{
    std::optional<PointHit> best;
    double bestDistance = radius * radius;
    for (int s = 0; s < chart.seriesCount(); ++s) {
        const ChartSeries& series = chart.series[s];
        if (!series.visible || series.kind == SeriesKind::Bar)
            continue;
        const QCPAxis* key = keyAxis(series.verticalAxis);
        const QCPAxis* value = valueAxis(series.verticalAxis);
        if (!value->axisRect()->rect().contains(pixel.toPoint()))
            continue;
        for (int i = 0; i < series.count(); ++i) {
            const double x = series.points.x(i);
            if (!key->range().contains(x))
                continue;
            const double dx = key->coordToPixel(x) - pixel.x();
            const double dy = value->coordToPixel(series.points.y(i)) - pixel.y();
            const double d = dx * dx + dy * dy;
            if (d <= bestDistance && (!best || d < bestDistance)) {
                bestDistance = d;
                best = PointHit { s, i };
            }
        }
    }
    return best;
}

bool SavePng(const ChartModel& chart, const QString& file, int width, int height)
{
    if (width <= 0 || height <= 0)
        return false;
    ChartView view;
    view.resize(width, height);
    view.render(chart);
    return view.savePng(file, width, height);
}

} // namespace moldrin
