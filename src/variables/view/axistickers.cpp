// The tick labels of the chart's axes: numbers in the program's formats, or the points' own labels.
#include "variables/view/axistickers.h"

#include "common/numberformat.h"
#include "variables/view/axisticks.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

namespace
{

// Labels a line high stand this many line heights apart at the least on a vertical axis; on a horizontal
// one two digits' width is kept free between neighbours.
constexpr double kVerticalSpacing = 2;

// The format without its decimals ("#,##0.00" gives "#,##0").
QString WholeFormat(QString format)
{
    const qsizetype point = format.lastIndexOf(u'.');
    if (point < 0)
        return format;
    qsizetype end = point + 1;
    while (end < format.size() && (format[end] == u'0' || format[end] == u'#'))
        ++end;
    return format.remove(point, end - point);
}

} // namespace

FormatTicker::FormatTicker(QCPAxis* axis, const QString& format, double minimumStep, bool wholeNumbers)
    : mAxis(axis)
    , mFormat(wholeNumbers ? WholeFormat(format) : format)
    , mMinimumStep(wholeNumbers ? std::max(1.0, minimumStep) : std::max(0.0, minimumStep))
    , mWholeNumbers(wholeNumbers)
{
}

double FormatTicker::LengthOf(const QCPAxis* axis)
{
    const QCPAxisRect* band = axis->axisRect();
    return axis->orientation() == Qt::Vertical ? band->height() : band->width();
}

double FormatTicker::getTickStep(const QCPRange& range)
{
    mLengthUsed = LengthOf(mAxis);
    mExtraDecimals = mWholeNumbers ? 0 : AxisExtraDecimals(range.lower, range.upper);
    // Before the first layout the band has no size: the viewport stands for it, and the layout that
    // follows chooses again.
    const QRect viewport = mAxis->parentPlot()->viewport();
    const bool vertical = mAxis->orientation() == Qt::Vertical;
    const double length = mLengthUsed > 0 ? mLengthUsed : (vertical ? viewport.height() / 2 : viewport.width());
    const QFontMetricsF fm(mAxis->tickLabelFont());
    const double gap = fm.horizontalAdvance(QStringLiteral("00"));
    TickRequest request { range.lower, range.upper, length, mMinimumStep,
        mWholeNumbers ? 0 : FormatDecimals(mFormat) + mExtraDecimals, [&](double value) {
            return vertical ? fm.height() * kVerticalSpacing : fm.horizontalAdvance(label(value)) + gap;
        } };
    const double step = ChooseTickStep(request);
    mStep = step > 0 ? step : QCPAxisTicker::getTickStep(range);
    return mStep;
}

QVector<double> FormatTicker::createTickVector(double tickStep, const QCPRange& range)
{
    QVector<double> ticks = QCPAxisTicker::createTickVector(tickStep, range);
    if (mShown)
        ticks.removeIf(
            [&](double t) { return t < mShown->lower - tickStep * 1e-9 || t > mShown->upper + tickStep * 1e-9; });
    return ticks;
}

QString FormatTicker::label(double value) const
{
    // Ticks near zero come out as tiny residues of the step arithmetic.
    return AxisLabelText(std::abs(value) < mStep * 1e-6 ? 0.0 : value, mFormat, mExtraDecimals);
}

QString FormatTicker::getTickLabel(double tick, const QLocale&, QChar, int)
{
    return label(tick);
}

WrappingTextTicker::WrappingTextTicker(QCPAxis* axis)
    : mAxis(axis)
    , mFont(axis->tickLabelFont())
{
}

void WrappingTextTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar, int precision,
    QVector<double>& ticks, QVector<double>* subTicks, QVector<QString>* tickLabels)
{
    const QCPAxisRect* band = mAxis->axisRect();
    mWidthUsed = band->width() > 0
        ? band->width()
        : mAxis->parentPlot()->viewport().width() - band->minimumMargins().left() - band->minimumMargins().right();
    double spacing = std::numeric_limits<double>::infinity();
    for (auto it = mTicks.cbegin(), next = std::next(it); next != mTicks.cend(); ++it, ++next)
        spacing = std::min(spacing, next.key() - it.key());
    const double pitch = std::isfinite(spacing) && range.size() > 0 ? spacing * mWidthUsed / range.size()
                                                                    : std::numeric_limits<double>::infinity();
    mRoom = pitch - kLabelGap;
    QFont font = mFont;
    const auto widestWord = [this](const QFont& f) {
        const QFontMetricsF fm(f);
        double widest = 0;
        for (const QString& label : std::as_const(mTicks))
            for (const QString& word : QString(label).replace(u'\n', u' ').split(u' ', Qt::SkipEmptyParts))
                widest = std::max(widest, fm.horizontalAdvance(word));
        return widest;
    };
    const double widest = widestWord(font);
    if (widest > mRoom && font.pointSizeF() > 0)
        font.setPointSizeF(std::max(kSmallestPointSize, font.pointSizeF() * std::max(0.0, mRoom) / widest));
    // Labels still wider than their room at the smallest size would print over each other: only every
    // stride-th is drawn, with the room up to the next drawn one.
    double stride = 1;
    if (font.pointSizeF() <= kSmallestPointSize && std::isfinite(pitch) && pitch > 0) {
        const double shrunk = widestWord(font);
        if (shrunk > mRoom)
            stride = std::ceil((shrunk + kLabelGap) / pitch);
    }
    mRoom = stride * pitch - kLabelGap;
    mAxis->setTickLabelFont(font);
    QCPAxisTickerText::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
    if (stride > 1 && !ticks.isEmpty()) {
        // Counted from the first label, so the same labels stay drawn whatever part of the axis shows.
        const auto first = std::distance(mTicks.cbegin(), mTicks.constFind(ticks.front()));
        QVector<double> kept;
        QVector<QString> keptLabels;
        for (qsizetype k = 0; k < ticks.size(); ++k)
            if ((first + k) % qsizetype(stride) == 0) {
                kept << ticks[k];
                if (tickLabels)
                    keptLabels << tickLabels->value(k);
            }
        ticks = kept;
        if (tickLabels)
            *tickLabels = keptLabels;
    }
}

QString WrappingTextTicker::getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision)
{
    const QString text = QCPAxisTickerText::getTickLabel(tick, locale, formatChar, precision);
    const QFontMetricsF fm(mAxis->tickLabelFont());
    QStringList out;
    for (const QString& line : text.split(u'\n')) {
        if (fm.horizontalAdvance(line) <= mRoom) {
            out << line;
            continue;
        }
        QString current;
        for (const QString& word : line.split(u' ', Qt::SkipEmptyParts)) {
            const QString joined = current.isEmpty() ? word : current + u' ' + word;
            if (!current.isEmpty() && fm.horizontalAdvance(joined) > mRoom) {
                out << current;
                current = word;
            } else {
                current = joined;
            }
        }
        out << current;
    }
    return out.join(u'\n');
}

} // namespace moldrin
