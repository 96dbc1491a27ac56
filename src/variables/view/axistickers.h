// The tick labels of the chart's axes: numbers in the program's formats, or the points' own labels.
#pragma once

#include "variables/view/qcustomplotheader.h"

#include <limits>
#include <optional>

namespace moldrin
{

// Tick labels in the program's number formats; a set increment is kept while it gives a readable count.
class FormatTicker : public QCPAxisTicker
{
public:
    FormatTicker(const QString& format, double increment, bool wholeSteps);
    // Ticks outside this range are left out (the room beside a page for the lines' labels).
    void setShown(const QCPRange& range) { mShown = range; }

protected:
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;
    double getTickStep(const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale&, QChar, int) override;

private:
    static constexpr double kMaxTicks = 40;
    QString mFormat;
    double mIncrement;
    bool mWholeSteps;
    std::optional<QCPRange> mShown;
};

// The point labels of a horizontal axis, each line broken at its blanks where it is wider than the room
// between neighbouring ticks, so the labels of neighbouring bars stay apart; where a word alone is wider,
// the labels' font shrinks (down to kSmallestPointSize). The room is taken from the band's width at the
// last layout, or before the first one from the viewport; ChartView::updateLayout lays out again when
// the band came out another width.
class WrappingTextTicker : public QCPAxisTickerText
{
public:
    explicit WrappingTextTicker(QCPAxis* axis);
    // The band width the labels were last broken for.
    int widthUsed() const { return mWidthUsed; }

protected:
    void generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision, QVector<double>& ticks,
        QVector<double>* subTicks, QVector<QString>* tickLabels) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

private:
    static constexpr double kLabelGap = 8; // pixels kept free between neighbouring labels
    static constexpr double kSmallestPointSize = 6;
    QCPAxis* mAxis;
    QFont mFont; // the labels' font where they have room
    int mWidthUsed = 0;
    double mRoom = std::numeric_limits<double>::infinity();
};

} // namespace moldrin
