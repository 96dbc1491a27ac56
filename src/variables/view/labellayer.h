// The point labels of a chart view: gathered from the model's series, placed once for each drawing size.
#pragma once

#include "variables/chartmodel.h"

#include "variables/view/labellayout.h"
#include "variables/view/qcustomplotheader.h"

#include <QList>
#include <QRectF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace moldrin
{

// A label as the last drawing placed it, in pixels of that drawing.
struct PlacedLabel {
    QString text; // as drawn: blanks trimmed, one line a row; shared rule marks show all their codes
    QRectF rect; // the label's box
    QRectF band; // the band (axis rect) that holds it
    bool ruleMark = false;
    bool lineEnd = false; // the label of a line's end
    QPointF point; // the point it labels: a line's end, a point, a rule label's first mark
    // Rule marks: how many it labels, and the pixel x of the first and the last (a bracket spans them).
    int marks = 1;
    double firstX = 0, lastX = 0;
};

// The labels of the chart, placed anew when the drawing's size or ranges change, so they follow the axes at
// any size (screen, PNG, printer) and always lie inside their band. Three kinds:
// - a line series without pointers whose points run left to right carries the labels of its first and last
//   point beside its ends, at its height (the page's edges where the line runs beyond the page);
// - rule marks' labels stand over (under) their marks clear of the data, neighbours sharing one;
// - any other label stands at its point as the series' mark offset says.
class LabelLayer : public QCPLayerable
{
public:
    // Above this many labelled points on a page a data series' labels are left out; rule marks and lines
    // keep theirs.
    static constexpr int kMaxLabelledPoints = 500;
    // A point label that would overlap a neighbour moves up to this many lines further away or beside.
    static constexpr int kLabelLevels = 5;

    explicit LabelLayer(QCustomPlot* plot);

    // Adds the labels of series `index` drawn on the key and value axes. `shown` is the range of x the chart
    // shows: a line's end beyond it is labelled at its edge, and in a paged chart points outside it are
    // left out.
    void collect(const ChartSeries& series, int index, QCPAxis* key, QCPAxis* value, const QFont& base,
        const QCPRange& shown, bool paged);
    // A plottable whose points and lines the rule marks' labels keep clear of; radius: its pointers' half size.
    void addObstacle(QCPAbstractPlottable* plottable, double radius);
    void clear();
    // Takes the series' label visibility from the chart. True when only rule marks changed, so that the
    // layer alone is drawn again; false when the chart must be rendered again.
    bool followVisibility(const ChartModel& chart);

    // Pixels the labels of lines' starts (start true) or ends need beside the range shown.
    double endRoom(bool start) const { return mEndRoom[start ? 0 : 1]; }
    // Pixels the rule marks' labels of a band need above (up) or below its points.
    double markRoom(const QCPAxisRect* band, bool up) const;

    // The texts of the labels to be drawn, one a labelled point, in series order.
    QStringList texts() const;
    const QList<PlacedLabel>& placed() const { return mPlaced; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

private:
    struct Style {
        QFont font;
        QColor colour;
        bool transparent;
        QColor back;
    };
    struct Text {
        QString text; // with "\n" between lines
        QCPAxis* key;
        QCPAxis* value;
        double x, y;
        int offset;
        int style;
        int series;
        bool lineEnd; // a line's end label
        bool start; // of its start
    };
    struct Mark {
        double x, y;
        std::uint32_t codes;
    };
    struct MarkSet {
        QCPAxis* key;
        QCPAxis* value;
        std::vector<Mark> marks;
        int style;
        int series;
        bool up;
        double clearance;
        bool visible;
    };
    struct Obstacle {
        QCPAbstractPlottable* plottable;
        double radius;
    };
    // A label as placed, ready to draw.
    struct Drawn {
        PlacedLabel label;
        QList<std::pair<QString, QPointF>> lines; // texts and their baseline starts
        int style;
        int set; // the rule marks' set, or -1
        bool displaced; // a point label away from its point: a connector shows where it belongs
        bool up;
        std::optional<QFont> font; // where it is drawn smaller than its style
    };

    int styleOf(const ChartSeries& series, const QFont& base);
    void collectLine(
        const ChartSeries& series, int index, QCPAxis* key, QCPAxis* value, int style, const QCPRange& shown);
    void collectMarks(const ChartSeries& series, int index, QCPAxis* key, QCPAxis* value, int style,
        const QCPRange& shown, bool paged);
    QList<double> geometry(const QCPPainter* painter) const;
    void place(QCPPainter* painter);
    void placeBand(QCPPainter* painter, QCPAxisRect* band);
    void placeEnds(QCPPainter* painter, QCPAxisRect* band, LabelBoxes& boxes);
    void placePoints(QCPPainter* painter, QCPAxisRect* band, LabelBoxes& boxes);
    void placeMarks(QCPPainter* painter, QCPAxisRect* band, LabelBoxes& boxes);
    DataEnvelope envelope(QCPAxisRect* band) const;
    void paint(QCPPainter* painter, const Drawn& d) const;

    QList<Style> mStyles;
    QList<Text> mTexts;
    std::vector<MarkSet> mSets;
    std::vector<Obstacle> mObstacles;
    QList<std::pair<int, bool>> mTextSeries; // series whose labels were taken, with their visibility
    RuleCodes mCodes;
    QCPRange mShown; // the range of x the chart shows, without the room beside it
    double mEndRoom[2] = { 0, 0 };
    int mGeneration = 0; // counts the changes of the labels: the placement is kept while it is the same
    QList<double> mPlacedFor; // the drawing the placement was made for
    std::vector<Drawn> mDrawn;
    QList<PlacedLabel> mPlaced;
};

} // namespace moldrin
