// ChartView: the chart model as one or two QCustomPlot axis rects, with placed point labels and paging.
#include "variables/view/chartview.h"

#include "variables/view/axistickers.h"
#include "variables/view/labellayer.h"
#include "variables/view/panelelement.h"
#include "variables/view/seriesstyle.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace moldrin
{

namespace
{

constexpr int kAxisTitleRoom = 24;

// An automatic axis' range: the points' extremes with 5 % of their span beside them, or as many pixels of
// a band `height` high as the labels need above (top) and below (bottom) when that is more.
QCPRange PaddedRange(double minimum, double maximum, double top, double bottom, double height)
{
    double pad = (maximum - minimum) * 0.05;
    if (pad <= 0)
        pad = std::max(1.0, std::abs(maximum) * 0.05);
    double above = pad, below = pad;
    if ((top > 0 || bottom > 0) && height > 1.5 * (top + bottom))
        for (int i = 0; i < 12; ++i) {
            const double span = maximum - minimum + above + below;
            above = std::max(pad, span * top / height);
            below = std::max(pad, span * bottom / height);
        }
    return QCPRange(minimum - below, maximum + above);
}

// The part of a line within the page: its points there, and where it crosses the page's edges.
void ClipLine(const PointList& p, const QCPRange& page, QVector<double>& keys, QVector<double>& values)
{
    for (int i = 0; i < p.size(); ++i) {
        if (i > 0) {
            const double x0 = p.x(i - 1), x1 = p.x(i);
            std::array<double, 2> edges { page.lower, page.upper };
            if (x1 < x0)
                std::swap(edges[0], edges[1]);
            for (const double edge : edges)
                if ((x0 < edge && edge < x1) || (x1 < edge && edge < x0)) {
                    keys << edge;
                    values << p.y(i - 1) + (edge - x0) / (x1 - x0) * (p.y(i) - p.y(i - 1));
                }
        }
        if (page.contains(p.x(i))) {
            keys << p.x(i);
            values << p.y(i);
        }
    }
}

// Half the size of a plottable's pointers; 0 without pointers.
double PointerRadius(const QCPAbstractPlottable* p)
{
    if (const auto* graph = qobject_cast<const QCPGraph*>(p))
        return graph->scatterStyle().isNone() ? 0 : graph->scatterStyle().size() / 2;
    if (const auto* curve = qobject_cast<const QCPCurve*>(p))
        return curve->scatterStyle().isNone() ? 0 : curve->scatterStyle().size() / 2;
    return 0;
}

} // namespace

ChartView::ChartView(QWidget* parent)
    : QCustomPlot(parent)
{
    setBackground(Qt::white);
    setNotAntialiasedElements(QCP::aeAll);
    setAntialiasedElements(QCP::aeScatters | QCP::aeItems | QCP::aeAxes);
    addLayer(QStringLiteral("labels"), layer(QStringLiteral("main")), limAbove);
    // The labels have a buffer of their own, so the blinking draws them alone.
    layer(QStringLiteral("labels"))->setMode(QCPLayer::lmBuffered);
    mLabels = new LabelLayer(this);
    reset(true);
}

void ChartView::updateLayout()
{
    QCustomPlot::updateLayout();
    // The room for the labels is known in pixels once the bands are laid out; the ranges that give it do
    // not change the bands' sizes.
    if (fitRanges())
        QCustomPlot::updateLayout();
    // Ticks chosen, or point labels broken, for a band size other than the one just laid out are made
    // again; the bands' sizes do not depend on them, so the second layout keeps them.
    for (const QCPAxisRect* band : axisRects())
        for (const QCPAxis* axis : band->axes()) {
            const QCPAxisTicker* ticker = axis->ticker().data();
            const auto* text = dynamic_cast<const WrappingTextTicker*>(ticker);
            const auto* numbers = dynamic_cast<const FormatTicker*>(ticker);
            if ((text && text->widthUsed() != band->width())
                || (numbers && numbers->lengthUsed() > 0 && numbers->lengthUsed() != FormatTicker::LengthOf(axis))) {
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
    return mLabels->texts();
}

QList<PlacedLabel> ChartView::placedLabels() const
{
    return mLabels->placed();
}

void ChartView::reset(bool two)
{
    clearItems();
    clearPlottables();
    mLabels->clear();
    mAutomatic.clear();
    mKeyBase.reset();
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

QCPAbstractPlottable* ChartView::drawSeries(const ChartSeries& series)
{
    QCPAxis* key = keyAxis(series.verticalAxis);
    QCPAxis* value = valueAxis(series.verticalAxis);
    QVector<double> keys, values;
    // A paged chart draws the page's points; its lines end at the page's edges.
    const QCPRange page(mShown.first - 0.5, mShown.second + 0.5);
    if (mPaged && series.kind == SeriesKind::Line && series.pointer == PointerStyle::None) {
        ClipLine(series.points, page, keys, values);
    } else {
        const int count = mPaged ? std::min(series.count(), mShown.second - mShown.first + 1) : series.count();
        keys.reserve(count);
        values.reserve(count);
        for (int i = 0; i < series.count(); ++i)
            if (!mPaged || page.contains(series.points.x(i))) {
                keys << series.points.x(i);
                values << series.points.y(i);
            }
    }
    bool ordered = true;
    for (qsizetype i = 1; ordered && i < keys.size(); ++i)
        ordered = keys[i] >= keys[i - 1];
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
        return bars;
    }
    const bool roomy = mShown.second - mShown.first + 1 <= LabelLayer::kMaxLabelledPoints;
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
        return curve;
    }
    auto* graph = new QCPGraph(key, value);
    graph->setName(series.title);
    graph->setData(keys, values, ordered);
    if (series.kind == SeriesKind::Points)
        graph->setLineStyle(QCPGraph::lsNone);
    else
        graph->setPen(pen);
    graph->setScatterStyle(pointer);
    return graph;
}

void ChartView::applyAxis(QCPAxis* axis, const ChartAxis& model, double minimum, double maximum)
{
    axis->setVisible(model.visible);
    axis->setLabel(model.title);
    axis->setTicker(QSharedPointer<FormatTicker>::create(axis, model.labelFormat, model.increment, model.wholeNumbers));
    axis->grid()->setVisible(model.gridVisible);
    if (!model.automatic) {
        axis->setRange(model.minimum, model.maximum);
        return;
    }
    axis->setRange(PaddedRange(minimum, maximum, 0, 0, 0));
    mAutomatic << AutomaticAxis { axis, minimum, maximum };
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
        auto ticker = QSharedPointer<FormatTicker>::create(
            axis, model.labelFormat, model.increment, wholeSteps || model.wholeNumbers);
        ticker->setShown(range);
        axis->setTicker(ticker);
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
    if (mPanelShown && !chart.panelValues.isEmpty()) {
        plotLayout()->addElement(
            1, 1, new PanelElement(this, chart.panelCaptions, chart.panelValues, QFont(font().family(), 8)));
        plotLayout()->setColumnStretchFactor(1, 0.001);
    }

    applyAxis(centreValueAxis(), chart.left, chart.axisMinimum(AxisId::Left), chart.axisMaximum(AxisId::Left));
    QCPRange shown = keepZoom ? zoomed : keyRange(chart);
    if (two) {
        applyAxis(variationValueAxis(), chart.custom0, chart.axisMinimum(AxisId::Custom0),
            chart.axisMaximum(AxisId::Custom0));
        shown = QCPRange(mShown.first - 0.5, mShown.second + 0.5);
        applyKeyAxis(pointAxis(), chart.top, shown, true, chart);
        applyKeyAxis(variationPointAxis(), chart.bottom, shown, true, chart);
        // The sub-header names the point axis.
        if (!chart.subHeader.isEmpty())
            pointAxis()->setLabel(chart.subHeader.join(' '));
    } else {
        const bool whole = chart.maxPointsPerPage > 0
            || (chart.bottom.increment >= 1 && chart.bottom.increment == std::round(chart.bottom.increment));
        applyKeyAxis(pointAxis(), chart.bottom, shown, whole, chart);
    }
    if (!keepZoom)
        mKeyBase = shown;
    mZoomed = keepZoom;
    if (chart.visible)
        for (int i = 0; i < chart.seriesCount(); ++i) {
            const ChartSeries& s = chart.series[i];
            if (!s.visible)
                continue;
            QCPAbstractPlottable* plottable = drawSeries(s);
            mLabels->collect(s, i, keyAxis(s.verticalAxis), valueAxis(s.verticalAxis), font(), shown, mPaged);
            // The rule marks' labels keep clear of the data and of the marks, not of the lines.
            if (s.kind == SeriesKind::Points || s.pointer != PointerStyle::None)
                mLabels->addObstacle(plottable, PointerRadius(plottable));
        }
    // The label size reserves room for the value labels left of the bands (plus the axis title).
    const int reserved = std::max(chart.left.labelSize, two ? chart.custom0.labelSize : 0);
    for (QCPAxisRect* rect : axisRects())
        rect->setMinimumMargins(QMargins(reserved > 0 ? reserved + kAxisTitleRoom : 0, 0, 0, 0));
    mRendering = false;
    replot(rpQueuedReplot);
}

void ChartView::refreshLabels(const ChartModel& chart)
{
    if (!mLabels->followVisibility(chart)) {
        render(chart);
        return;
    }
    mLabels->layer()->replot();
}

bool ChartView::fitRanges()
{
    bool changed = false;
    const bool rendering = std::exchange(mRendering, true);
    if (mKeyBase) {
        QCPRange range = *mKeyBase;
        const double left = mLabels->endRoom(true), right = mLabels->endRoom(false);
        const double width = mCentre->width();
        // The room is left out where the band is too narrow to give it.
        if (left + right > 0 && width > 3 * (left + right)) {
            const double perPixel = range.size() / (width - left - right);
            range = QCPRange(range.lower - left * perPixel, range.upper + right * perPixel);
        }
        for (QCPAxis* axis : { pointAxis(), variationPointAxis() })
            if (axis && axis->range() != range) {
                axis->setRange(range);
                changed = true;
            }
    }
    for (const AutomaticAxis& a : std::as_const(mAutomatic)) {
        const QCPAxisRect* band = a.axis->axisRect();
        const QCPRange range = PaddedRange(
            a.minimum, a.maximum, mLabels->markRoom(band, true), mLabels->markRoom(band, false), band->height());
        if (a.axis->range() != range) {
            a.axis->setRange(range);
            changed = true;
        }
    }
    mRendering = rendering;
    return changed;
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
    view.setPanelShown(true);
    view.resize(width, height);
    view.render(chart);
    return view.savePng(file, width, height);
}

} // namespace moldrin
