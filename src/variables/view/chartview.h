// ChartView draws any ChartModel with QCustomPlot: one band, or the variables chart's two bands, one page.
#pragma once

#include "variables/chartmodel.h"

#include "variables/view/labellayer.h"
#include "variables/view/qcustomplotheader.h"

#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

namespace moldrin
{

class ChartView : public QCustomPlot
{
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);
    // Above this many points on a page a data series' point labels are left out.
    static constexpr int kMaxLabelledPoints = LabelLayer::kMaxLabelledPoints;

    // Replaces everything drawn with the model's current page. A horizontal zoom is kept (see below).
    void render(const ChartModel& chart);
    // A view that draws for a file or a printer shows the chart's statistics panel at its right.
    void setPanelShown(bool shown) { mPanelShown = shown; }

    // Draws the labels again after the chart's rule marks were shown or hidden (the blinking), leaving the
    // rest of the drawing as it is; renders the chart again when anything else changed.
    void refreshLabels(const ChartModel& chart);

    // The parts of the drawing, for the window and for tests. The centre band holds the left axis; in a
    // one-band chart it is the only band and the variation band and its axes are nullptr.
    bool twoBands() const { return mVariation != nullptr; }
    QCPAxisRect* centreRect() const { return mCentre; }
    QCPAxisRect* variationRect() const { return mVariation; }
    QCPAxis* centreValueAxis() const; // left axis
    QCPAxis* variationValueAxis() const; // custom axis 0
    QCPAxis* pointAxis() const; // the centre band's horizontal axis: top in two bands, else bottom
    QCPAxis* variationPointAxis() const; // the bottom axis of two bands
    // The first and last point number of the page drawn (paged charts; else 0 and series 0's last point).
    // The horizontal axis leaves room beside them for the labels of the lines' ends.
    std::pair<int, int> shownPoints() const { return mShown; }
    // The texts of the labels the last render gave to be drawn, one a labelled point, in series order.
    QStringList labelTexts() const;

    // The labels as the last drawing placed them.
    using PlacedLabel = moldrin::PlacedLabel;
    QList<PlacedLabel> placedLabels() const;

    // The value under a pixel position: the band (centre or variation chart) that holds the pointer
    // decides the vertical axis; between the bands the nearer one is taken. key is the horizontal axis'
    // value there.
    struct AxisValue {
        VerticalAxis axis = VerticalAxis::Left;
        double value = 0;
        double key = 0;
    };
    AxisValue valueAt(const QPointF& pixel) const;

    // The drawn point nearest to a pixel position within radius pixels, on the current page, among the
    // series of the last render; nullopt when none is that close.
    struct PointHit {
        int series = -1;
        int point = -1; // index within the series
    };
    std::optional<PointHit> pointAt(const ChartModel& chart, const QPointF& pixel, double radius = 6) const;

    // One-band charts: the wheel zooms and a drag pans the horizontal axis while this is on. The range the
    // user chose then stays through later renders until undoZoom.
    void setHorizontalZoom(bool on);
    void undoZoom();
    bool zoomed() const { return mZoomed; }

protected:
    void updateLayout() override;

private:
    void reset(bool twoBands);
    QCPAxis* valueAxis(VerticalAxis axis) const;
    QCPAxis* keyAxis(VerticalAxis axis) const;
    QCPAbstractPlottable* drawSeries(const ChartSeries& series);
    bool fitRanges();
    void applyAxis(QCPAxis* axis, const ChartAxis& model, double minimum, double maximum);
    void applyKeyAxis(
        QCPAxis* axis, const ChartAxis& model, const QCPRange& range, bool wholeSteps, const ChartModel& chart);
    QCPRange keyRange(const ChartModel& chart) const;

    QCPAxisRect* mCentre = nullptr;
    QCPAxisRect* mVariation = nullptr;
    QCPTextElement* mTitle = nullptr;
    QCPTextElement* mFooter = nullptr;
    QCPMarginGroup* mMargins = nullptr;
    LabelLayer* mLabels = nullptr;
    std::pair<int, int> mShown { 0, 0 };
    // The horizontal range the chart shows before the room for the lines' end labels: the page, or the
    // points with their pads; none while the user's zoom holds.
    std::optional<QCPRange> mKeyBase;
    // The automatic value axes with the extremes of their points, widened for the rule marks' labels.
    struct AutomaticAxis {
        QCPAxis* axis;
        double minimum, maximum;
    };
    QList<AutomaticAxis> mAutomatic;
    bool mPaged = true; // points are numbered and filtered by the page
    bool mRendering = false;
    bool mPanelShown = false;
    bool mZoomed = false;
};

// Draws the chart's current page, with its statistics panel, into a PNG of width x height pixels; false when
// it cannot be written.
bool SavePng(const ChartModel& chart, const QString& file, int width, int height);

} // namespace moldrin
