// ChartView: the chart model as two stacked QCustomPlot axis rects, with point labels and page range.
#include "variables/view/chartview.h"

#include "common/numberformat.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace moldrin {

namespace {

// Tick labels in the program's number formats; a set increment is kept while it gives a readable count.
class FormatTicker : public QCPAxisTicker {
public:
    FormatTicker(const QString& format, double increment, bool wholeSteps)
        : mFormat(format), mIncrement(increment), mWholeSteps(wholeSteps)
    {
    }

protected:
    double getTickStep(const QCPRange& range) override
    {
        if (mIncrement > 0 && range.size() / mIncrement <= kMaxTicks)
            return mIncrement;
        const double step = QCPAxisTicker::getTickStep(range);
        return mWholeSteps ? std::max(1.0, std::round(step)) : step;
    }
    QString getTickLabel(double tick, const QLocale&, QChar, int) override
    {
        // Ticks near zero come out as tiny residues of the step arithmetic.
        return FormatNumber(std::abs(tick) < 1e-12 ? 0.0 : tick, mFormat);
    }

private:
    static constexpr double kMaxTicks = 40;
    QString mFormat;
    double mIncrement;
    bool mWholeSteps;
};

QColor Colour(OleColour c, OleColour fallback)
{
    return QColor::fromRgb(RgbFromOle(c == kTeeColor ? fallback : c));
}

QCPScatterStyle::ScatterShape Shape(PointerStyle p)
{
    switch (p) {
    case PointerStyle::Diamond: return QCPScatterStyle::ssDiamond;
    case PointerStyle::Triangle: return QCPScatterStyle::ssTriangle;
    case PointerStyle::DownTriangle: return QCPScatterStyle::ssTriangleInverted;
    case PointerStyle::Circle: return QCPScatterStyle::ssDisc;
    case PointerStyle::Rectangle: return QCPScatterStyle::ssSquare;
    case PointerStyle::None: break;
    }
    return QCPScatterStyle::ssNone;
}

Qt::PenStyle Pen(PenStyle p)
{
    switch (p) {
    case PenStyle::Dot: return Qt::DotLine;
    case PenStyle::Dash: return Qt::DashLine;
    case PenStyle::Solid: break;
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

} // namespace

ChartView::ChartView(QWidget* parent) : QCustomPlot(parent)
{
    setBackground(Qt::white);
    setNotAntialiasedElements(QCP::aeAll);
    setAntialiasedElements(QCP::aeScatters | QCP::aeItems | QCP::aeAxes);
    reset();
}

QCPAxis* ChartView::centreValueAxis() const { return mCentre->axis(QCPAxis::atLeft); }
QCPAxis* ChartView::variationValueAxis() const { return mVariation->axis(QCPAxis::atLeft); }
QCPAxis* ChartView::pointAxis() const { return mCentre->axis(QCPAxis::atTop); }
QCPAxis* ChartView::variationPointAxis() const { return mVariation->axis(QCPAxis::atBottom); }

QCPAxis* ChartView::valueAxis(VerticalAxis axis) const
{
    return axis == VerticalAxis::Left ? centreValueAxis() : variationValueAxis();
}

// Both charts count points on the same range: the centre chart on its top axis, the variation chart on
// its bottom axis, whatever horizontal axis a series names.
QCPAxis* ChartView::keyAxis(VerticalAxis axis) const
{
    return axis == VerticalAxis::Left ? pointAxis() : variationPointAxis();
}

QStringList ChartView::labelTexts() const
{
    QStringList texts;
    for (const QCPItemText* label : mLabels)
        texts << label->text();
    return texts;
}

void ChartView::reset()
{
    clearItems();
    clearPlottables();
    mLabels.clear();
    plotLayout()->clear();
    delete mMargins;
    mMargins = new QCPMarginGroup(this);

    mTitle = new QCPTextElement(this, QString(), QFont(font().family(), 10, QFont::Bold));
    mCentre = new QCPAxisRect(this);
    auto* gap = new QCPLayoutElement(this);
    mVariation = new QCPAxisRect(this);
    mFooter = new QCPTextElement(this, QString(), QFont(font().family(), 9));
    plotLayout()->addElement(0, 0, mTitle);
    plotLayout()->addElement(1, 0, mCentre);
    plotLayout()->addElement(2, 0, gap);
    plotLayout()->addElement(3, 0, mVariation);
    plotLayout()->addElement(4, 0, mFooter);
    plotLayout()->setRowSpacing(0);
    // Left axis over 0..70 % of the height, custom axis 0 from 74 %.
    plotLayout()->setRowStretchFactor(0, 0.001);
    plotLayout()->setRowStretchFactor(1, 70);
    plotLayout()->setRowStretchFactor(2, 4);
    plotLayout()->setRowStretchFactor(3, 26);
    plotLayout()->setRowStretchFactor(4, 0.001);

    for (QCPAxisRect* rect : {mCentre, mVariation}) {
        rect->setMarginGroup(QCP::msLeft | QCP::msRight, mMargins);
        rect->axis(QCPAxis::atRight)->setVisible(false);
        rect->setupFullAxesBox(false);
        rect->axis(QCPAxis::atRight)->setTickLabels(false);
    }
    mCentre->axis(QCPAxis::atBottom)->setVisible(false);
    mCentre->axis(QCPAxis::atTop)->setTickLabels(true);
    mVariation->axis(QCPAxis::atTop)->setVisible(false);
    for (QCPAxisRect* rect : {mCentre, mVariation})
        for (QCPAxis* a : rect->axes())
            a->grid()->setVisible(false);
}

void ChartView::addLabel(const ChartSeries& series, const ChartPoint& point, int level)
{
    QCPAxis* key = keyAxis(series.verticalAxis);
    QCPAxis* value = valueAxis(series.verticalAxis);
    QCPAxisRect* rect = value->axisRect();
    // The label hangs marks.offset pixels above (below when negative) an invisible anchor at the point.
    auto* anchor = new QCPItemText(this);
    anchor->setVisible(false);
    anchor->position->setAxes(key, value);
    anchor->position->setCoords(point.x, point.y);

    auto* label = new QCPItemText(this);
    label->setClipAxisRect(rect);
    label->setClipToAxisRect(true);
    label->position->setParentAnchor(anchor->position);
    // Labels that would overlap their neighbour step further away from the point, one line per level.
    const int away = series.marks.offset < 0 ? -1 : 1;
    label->position->setCoords(0, -series.marks.offset - away * level * kLabelStep);
    Qt::Alignment horizontal = Qt::AlignHCenter;
    if (point.x <= mShown.first)
        horizontal = Qt::AlignLeft;
    else if (point.x >= mShown.second)
        horizontal = Qt::AlignRight;
    const Qt::Alignment vertical = series.marks.offset > 0 ? Qt::AlignBottom
                                   : series.marks.offset < 0 ? Qt::AlignTop
                                   : level > 0               ? Qt::AlignBottom
                                                             : Qt::AlignVCenter;
    label->setPositionAlignment(horizontal | vertical);
    label->setText(point.label);
    QFont f = font();
    f.setPointSize(8);
    f.setItalic(series.marks.italic);
    label->setFont(f);
    label->setColor(Qt::black);
    if (!series.marks.transparent) {
        label->setBrush(Colour(series.marks.backColour, kClYellow));
        label->setPen(QPen(Qt::black));
    }
    label->setPadding(QMargins(2, 1, 2, 1));
    mLabels << label;
}

void ChartView::drawSeries(const ChartSeries& series, bool withPointLabels)
{
    QCPAxis* key = keyAxis(series.verticalAxis);
    QCPAxis* value = valueAxis(series.verticalAxis);
    QVector<double> keys, values;
    keys.reserve(series.count());
    values.reserve(series.count());
    for (const ChartPoint& p : series.points) {
        keys << p.x;
        values << p.y;
    }
    const QColor colour = Colour(series.colour, kClBlack);
    if (series.kind == SeriesKind::Bar) {
        auto* bars = new QCPBars(key, value);
        bars->setName(series.title);
        bars->setData(keys, values);
        bars->setWidth(series.barWidthPercent / 100.0);
        bars->setPen(QPen(colour));
        bars->setBrush(colour);
    } else {
        auto* graph = new QCPGraph(key, value);
        graph->setName(series.title);
        graph->setData(keys, values);
        if (series.kind == SeriesKind::Points) {
            graph->setLineStyle(QCPGraph::lsNone);
        } else {
            graph->setPen(QPen(Colour(series.penColour, series.colour), 1, Pen(series.pen)));
        }
        if (series.pointer != PointerStyle::None) {
            const QColor fill = Colour(series.pointerColour, series.colour);
            const QColor frame = Colour(series.frameColour, series.colour);
            graph->setScatterStyle(QCPScatterStyle(Shape(series.pointer), QPen(frame), QBrush(fill),
                                                   PointerSize(series.kind, withPointLabels)));
        }
    }
    if (!series.marks.visible)
        return;
    // Lines of two points (limit and USL/LSL lines) keep their end labels at any point count.
    if (!withPointLabels && series.count() > 2)
        return;
    QFont f = font();
    f.setPointSize(8);
    f.setItalic(series.marks.italic);
    const QFontMetrics metrics(f);
    const double pixelsPerPoint = std::max(1, width() - 80) / double(mShown.second - mShown.first + 1);
    // Each label takes the nearest line whose last label ends before it starts (in pixels along the axis).
    std::array<double, kLabelLevels> lineEnds;
    lineEnds.fill(-1e300);
    for (const ChartPoint& p : series.points) {
        if (p.label.isEmpty() || p.x < mShown.first || p.x > mShown.second)
            continue;
        const double centre = (p.x - mShown.first) * pixelsPerPoint;
        const double half = (metrics.horizontalAdvance(p.label) + 6) / 2.0;
        int level = 0;
        while (level < kLabelLevels && lineEnds[level] > centre - half)
            ++level;
        if (level == kLabelLevels)
            level = int(std::min_element(lineEnds.begin(), lineEnds.end()) - lineEnds.begin());
        lineEnds[level] = centre + half;
        addLabel(series, p, level);
    }
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

void ChartView::render(const ChartModel& chart)
{
    reset();
    const bool hasPoints = !chart.series.isEmpty() && chart.series.front().count() > 0;
    mShown = hasPoints ? chart.pageRange() : std::pair<int, int>{0, 0};
    const bool withPointLabels = mShown.second - mShown.first + 1 <= kMaxLabelledPoints;

    mTitle->setText(chart.header.join('\n'));
    mFooter->setText(chart.footerVisible ? (chart.footer + chart.subFooter).join('\n') : QString());
    if (mFooter->text().isEmpty())
        plotLayout()->take(mFooter), delete mFooter, mFooter = nullptr;
    plotLayout()->simplify();

    if (chart.visible)
        for (const ChartSeries& s : chart.series)
            if (s.visible)
                drawSeries(s, withPointLabels);

    applyAxis(centreValueAxis(), chart.left, chart.axisMinimum(AxisId::Left), chart.axisMaximum(AxisId::Left));
    applyAxis(variationValueAxis(), chart.custom0, chart.axisMinimum(AxisId::Custom0),
              chart.axisMaximum(AxisId::Custom0));
    const QCPRange points(mShown.first - 0.5, mShown.second + 0.5);
    struct PointAxis {
        QCPAxis* axis;
        const ChartAxis& model;
    };
    for (const PointAxis& p : {PointAxis{pointAxis(), chart.top}, PointAxis{variationPointAxis(), chart.bottom}}) {
        p.axis->setVisible(p.model.visible);
        p.axis->setTicker(
            QSharedPointer<QCPAxisTicker>(new FormatTicker(p.model.labelFormat, p.model.increment, true)));
        p.axis->grid()->setVisible(p.model.gridVisible);
        p.axis->setRange(points);
        p.axis->setLabel(p.model.title);
    }
    // The label size reserves room for the value labels left of both charts (plus the axis title).
    const int reserved = std::max(chart.left.labelSize, chart.custom0.labelSize);
    for (QCPAxisRect* rect : {mCentre, mVariation})
        rect->setMinimumMargins(QMargins(reserved > 0 ? reserved + kAxisTitleRoom : 0, 0, 0, 0));
    // The sub-header names the point axis.
    if (!chart.subHeader.isEmpty())
        pointAxis()->setLabel(chart.subHeader.join(' '));
    replot(rpQueuedReplot);
}

ChartView::AxisValue ChartView::valueAt(const QPointF& pixel) const
{
    const QRect centre = mCentre->rect();
    const QRect variation = mVariation->rect();
    // Between the bands the boundary lies half way across the gap.
    const bool inCentre = pixel.y() < (centre.bottom() + variation.top()) / 2.0;
    AxisValue out;
    out.axis = inCentre ? VerticalAxis::Left : VerticalAxis::Custom0;
    out.value = valueAxis(out.axis)->pixelToCoord(pixel.y());
    return out;
}

std::optional<ChartView::PointHit> ChartView::pointAt(const ChartModel& chart, const QPointF& pixel,
                                                      double radius) const
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
            const ChartPoint& p = series.points[i];
            if (p.x < mShown.first || p.x > mShown.second)
                continue;
            const double dx = key->coordToPixel(p.x) - pixel.x();
            const double dy = value->coordToPixel(p.y) - pixel.y();
            const double d = dx * dx + dy * dy;
            if (d <= bestDistance && (!best || d < bestDistance)) {
                bestDistance = d;
                best = PointHit{s, i};
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
