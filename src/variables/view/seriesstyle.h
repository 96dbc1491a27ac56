// The chart model's look in QCustomPlot's terms: colours, pointers, pens and label lines.
#pragma once

#include "variables/chartmodel.h"

#include "variables/view/qcustomplotheader.h"

namespace moldrin
{

// An OLE colour, kTeeColor standing for `fallback`.
QColor Colour(OleColour c, OleColour fallback);
QCPScatterStyle::ScatterShape Shape(PointerStyle p);
Qt::PenStyle Pen(PenStyle p);
// Pointers shrink on a page too crowded for labels, so the line stays readable.
double PointerSize(SeriesKind kind, bool roomy);
// A label's lines: the chart texts put carriage returns between lines, sometimes with line feeds.
QString LabelLines(QString text);
// The smallest distance between neighbouring x values, 1 for fewer than two points: the room of a bar.
double BarSpacing(const ChartSeries& s);

} // namespace moldrin
