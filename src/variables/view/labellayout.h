// Placing the point labels of one chart band in pixels: inside the band, apart from each other.
#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <functional>

namespace moldrin
{

struct LabelRequest {
    QPointF anchor; // the labelled point
    QSizeF size; // the label's box
    double left = 0; // the box's left edge relative to anchor.x, as the centred text puts it
    int offset = 0; // the box lies this many pixels above the anchor, below when negative, centred when 0
    bool ruleMark = false;
    QString text; // rule marks: their comma-separated codes
};

struct LabelPlacement {
    QRectF rect;
    QString text; // the request's text; the union of the codes where rule marks share a label
    QList<int> members; // indices of the requests it labels
    bool displaced = false; // not where its single request prefers it: its points get connector lines
};

// The size of the box of a label showing `text`.
using LabelMeasure = std::function<QSizeF(const QString& text)>;

// Places the labels of one band. Every box lies inside `band` (as far as it fits at all). Other labels
// first, in order: each at the first free place among its preferred one and `levels` lines further away
// from its point or beside it, else at its preferred place. Then the rule marks in the order of their x:
// each at the first free place (one that leaves every rule mark's pointer visible) near its point on
// either side; else it shares one label with the nearest rule mark of its side when that is close,
// the codes of both in rule order, and that label is placed again; else it takes a free place further
// away or beside, and only then shares with a distant neighbour. Rule-mark labels therefore overlap no label
// (unless the band lacks the room for a single one).
QList<LabelPlacement> PlaceLabels(
    const QList<LabelRequest>& requests, const QRectF& band, int levels, const LabelMeasure& measure);

// The codes of both texts ("R2+,R3+" and "R1+,R3+": "R1+,R2+,R3+"), in rule order, each once.
QString MergedRuleCodes(const QString& a, const QString& b);

} // namespace moldrin
