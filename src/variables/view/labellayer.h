// The point labels of a chart view: gathered from the model's series, placed anew at every drawing.
#pragma once

#include "variables/chartmodel.h"

#include "variables/view/qcustomplotheader.h"

#include <QList>
#include <QRectF>
#include <QString>

namespace moldrin
{

// A label as the last drawing placed it, in pixels of that drawing.
struct PlacedLabel {
    QString text; // as drawn: blanks trimmed, one line a row; merged rule marks show all codes
    QRectF rect; // the label's box
    QRectF band; // the band (axis rect) that holds it
    bool ruleMark = false;
    QList<QPointF> marks; // the points it labels (more than one where rule marks share a label)
};

// The point labels of the chart, placed anew at every drawing, so they follow the axes at any size (screen,
// PNG, printer) and always lie inside their band.
class LabelLayer : public QCPLayerable
{
public:
    // Above this many labelled points on a page a data series' labels are left out; rule marks and lines
    // with few labels keep theirs.
    static constexpr int kMaxLabelledPoints = 500;
    // A label that would overlap a neighbour moves up to this many lines further away (or to the other
    // side of its point, rule marks only) before it is drawn where it overlaps (rule marks: merged).
    static constexpr int kLabelLevels = 5;

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

    explicit LabelLayer(QCustomPlot* plot);

    // Adds the labels of a series drawn on the key and value axes; `page` limits them to the point numbers
    // of a paged chart's page (nullptr: every point).
    void collect(
        const ChartSeries& series, QCPAxis* key, QCPAxis* value, const QFont& base, const std::pair<int, int>* page);
    void clear();
    const QList<Label>& labels() const { return mLabels; }
    const QList<PlacedLabel>& placed() const { return mPlaced; }

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

private:
    void drawBand(QCPPainter* painter, QCPAxisRect* band);

    QList<Label> mLabels;
    QList<PlacedLabel> mPlaced;
};

} // namespace moldrin
