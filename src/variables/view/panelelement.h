// The statistics panel beside a chart on paper and in pictures: captions and values, a line each.
#pragma once

#include "variables/view/qcustomplotheader.h"

#include <QStringList>

namespace moldrin
{

// Two columns at the chart's right: the captions left-aligned, the values right-aligned beside them, as
// wide as they need and no wider.
class PanelElement : public QCPLayoutElement
{
public:
    PanelElement(QCustomPlot* plot, const QStringList& captions, const QStringList& values, const QFont& font);
    QSize minimumOuterSizeHint() const override;
    QSize maximumOuterSizeHint() const override;
    const QStringList& values() const { return mValues; }

protected:
    void draw(QCPPainter* painter) override;

private:
    static constexpr int kPad = 6; // pixels around the panel and between its columns
    QStringList mCaptions, mValues;
    QFont mFont;
};

} // namespace moldrin
