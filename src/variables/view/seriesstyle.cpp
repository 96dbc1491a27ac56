// The chart model's look in QCustomPlot's terms: colours, pointers, pens and label lines.
#include "variables/view/seriesstyle.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace moldrin
{

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

double PointerSize(SeriesKind kind, bool roomy)
{
    if (kind == SeriesKind::Points)
        return roomy ? 9 : 5;
    return roomy ? 6 : 3;
}

QString LabelLines(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

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

} // namespace moldrin
