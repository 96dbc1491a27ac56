// The statistics panel beside a chart on paper and in pictures: captions and values, a line each.
#include "variables/view/panelelement.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

namespace
{

double Widest(const QStringList& lines, const QFontMetricsF& fm)
{
    double width = 0;
    for (const QString& line : lines)
        width = std::max(width, fm.horizontalAdvance(line));
    return width;
}

} // namespace

PanelElement::PanelElement(QCustomPlot* plot, const QStringList& captions, const QStringList& values, const QFont& font)
    : QCPLayoutElement(plot)
    , mCaptions(captions)
    , mValues(values)
    , mFont(font)
{
}

QSize PanelElement::minimumOuterSizeHint() const
{
    const QFontMetricsF fm(mFont);
    const double width = Widest(mCaptions, fm) + Widest(mValues, fm) + 3 * kPad;
    const double height = std::max(mCaptions.size(), mValues.size()) * fm.height() + 2 * kPad;
    return QSize(int(std::ceil(width)), int(std::ceil(height)));
}

QSize PanelElement::maximumOuterSizeHint() const
{
    return QSize(minimumOuterSizeHint().width(), QWIDGETSIZE_MAX);
}

void PanelElement::draw(QCPPainter* painter)
{
    const QFontMetricsF fm(mFont, painter->device());
    painter->setFont(mFont);
    painter->setPen(Qt::black);
    const double captions = Widest(mCaptions, fm);
    const double right = mRect.left() + kPad + captions + kPad + Widest(mValues, fm);
    for (qsizetype i = 0; i < std::max(mCaptions.size(), mValues.size()); ++i) {
        const double baseline = mRect.top() + kPad + double(i) * fm.height() + fm.ascent();
        painter->drawText(QPointF(mRect.left() + kPad, baseline), mCaptions.value(i));
        const QString value = mValues.value(i);
        painter->drawText(QPointF(right - fm.horizontalAdvance(value), baseline), value);
    }
}

} // namespace moldrin
