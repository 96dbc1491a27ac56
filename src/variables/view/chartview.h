// ChartView draws a ChartModel with QCustomPlot: centre chart above, variation chart below, one page.
#pragma once

#include "variables/chartmodel.h"

#include "variables/view/qcustomplotheader.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace moldrin {

class ChartView : public QCustomPlot {
    Q_OBJECT
public:
    explicit ChartView(QWidget* parent = nullptr);

    // Replaces everything drawn with the model's current page.
    void render(const ChartModel& chart);

    // Above this many points on a page the per-point labels of data series are left out (lines keep theirs).
    static constexpr int kMaxLabelledPoints = 500;
    // Neighbouring labels that would overlap are spread over this many lines kLabelStep pixels apart.
    static constexpr int kLabelLevels = 5;
    static constexpr int kLabelStep = 10;

    // The parts of the drawing, for the window and for tests.
    QCPAxisRect* centreRect() const { return mCentre; }
    QCPAxisRect* variationRect() const { return mVariation; }
    QCPAxis* centreValueAxis() const;    // left axis
    QCPAxis* variationValueAxis() const; // custom axis 0
    QCPAxis* pointAxis() const;          // the top axis: point numbers of the centre chart
    QCPAxis* variationPointAxis() const; // the bottom axis
    // The first and last point number of the page drawn.
    std::pair<int, int> shownPoints() const { return mShown; }
    // The texts of the point labels drawn.
    QStringList labelTexts() const;

    // The value under a pixel position: the band (centre or variation chart) that holds the pointer
    // decides the axis; between the bands the nearer one is taken.
    struct AxisValue {
        VerticalAxis axis = VerticalAxis::Left;
        double value = 0;
    };
    AxisValue valueAt(const QPointF& pixel) const;

    // The drawn point nearest to a pixel position within radius pixels, on the current page, among the
    // series of the last render; nullopt when none is that close.
    struct PointHit {
        int series = -1;
        int point = -1; // index within the series
    };
    std::optional<PointHit> pointAt(const ChartModel& chart, const QPointF& pixel, double radius = 6) const;

private:
    void reset();
    QCPAxis* valueAxis(VerticalAxis axis) const;
    QCPAxis* keyAxis(VerticalAxis axis) const;
    void drawSeries(const ChartSeries& series, bool withPointLabels);
    void addLabel(const ChartSeries& series, const ChartPoint& point, int level);
    void applyAxis(QCPAxis* axis, const ChartAxis& model, double minimum, double maximum);

    QCPAxisRect* mCentre = nullptr;
    QCPAxisRect* mVariation = nullptr;
    QCPTextElement* mTitle = nullptr;
    QCPTextElement* mFooter = nullptr;
    QCPMarginGroup* mMargins = nullptr;
    QList<QCPItemText*> mLabels;
    std::pair<int, int> mShown{0, 0};
};

// Draws the chart's current page into a PNG of width x height pixels; false when it cannot be written.
bool SavePng(const ChartModel& chart, const QString& file, int width, int height);

} // namespace moldrin
