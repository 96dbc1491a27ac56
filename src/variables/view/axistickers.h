// The tick labels of the chart's axes: numbers in the program's formats, or the points' own labels.
#pragma once

#include "variables/view/qcustomplotheader.h"

#include <limits>
#include <optional>

namespace moldrin
{

// Ticks at round steps (1, 2 or 5 times a power of ten) that keep the labels of the axis apart at its
// length, each labelled with its value in the axis' format. The step is never finer than `minimumStep` (a
// set increment) nor than the format's decimals show, so a label never stands for another value; an axis of
// whole numbers steps by whole numbers and shows no decimals.
class FormatTicker : public QCPAxisTicker
{
public:
    FormatTicker(QCPAxis* axis, const QString& format, double minimumStep, bool wholeNumbers);
    // Ticks outside this range are left out (the room beside a page for the lines' labels).
    void setShown(const QCPRange& range) { mShown = range; }
    // The axis' length in pixels the step was last chosen for; 0 before.
    double lengthUsed() const { return mLengthUsed; }
    // The axis' length at the last layout.
    static double LengthOf(const QCPAxis* axis);

protected:
    double getTickStep(const QCPRange& range) override;
    QVector<double> createTickVector(double tickStep, const QCPRange& range) override;
    QString getTickLabel(double tick, const QLocale&, QChar, int) override;

private:
    QString label(double value) const;

    QCPAxis* mAxis;
    QString mFormat;
    double mMinimumStep;
    bool mWholeNumbers;
    std::optional<QCPRange> mShown;
    double mLengthUsed = 0;
    double mStep = 0;
    int mExtraDecimals = 0; // beyond the format's, shared by every label (readings of any magnitude)
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
