// The tick labels of the chart's axes: numbers in the program's formats, or the points' own labels.
#include "variables/view/axistickers.h"

#include "common/numberformat.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

FormatTicker::FormatTicker(const QString& format, double increment, bool wholeSteps)
    : mFormat(format)
    , mIncrement(increment)
    , mWholeSteps(wholeSteps)
{
}

double FormatTicker::getTickStep(const QCPRange& range)
{
    if (mIncrement > 0 && range.size() / mIncrement <= kMaxTicks)
        return mIncrement;
    const double step = QCPAxisTicker::getTickStep(range);
    return mWholeSteps ? std::max(1.0, std::round(step)) : step;
}

QVector<double> FormatTicker::createTickVector(double tickStep, const QCPRange& range)
{
    QVector<double> ticks = QCPAxisTicker::createTickVector(tickStep, range);
    if (mShown)
        ticks.removeIf(
            [&](double t) { return t < mShown->lower - tickStep * 1e-9 || t > mShown->upper + tickStep * 1e-9; });
    return ticks;
}

QString FormatTicker::getTickLabel(double tick, const QLocale&, QChar, int)
{
    // Ticks near zero come out as tiny residues of the step arithmetic.
    return FormatNumber(std::abs(tick) < 1e-12 ? 0.0 : tick, mFormat);
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
    mRoom = std::isfinite(spacing) && range.size() > 0 ? spacing * mWidthUsed / range.size() - kLabelGap
                                                       : std::numeric_limits<double>::infinity();
    QFont font = mFont;
    const QFontMetricsF fm(font);
    double widestWord = 0;
    for (const QString& label : std::as_const(mTicks))
        for (const QString& word : QString(label).replace(u'\n', u' ').split(u' ', Qt::SkipEmptyParts))
            widestWord = std::max(widestWord, fm.horizontalAdvance(word));
    if (widestWord > mRoom && font.pointSizeF() > 0)
        font.setPointSizeF(std::max(kSmallestPointSize, font.pointSizeF() * std::max(0.0, mRoom) / widestWord));
    mAxis->setTickLabelFont(font);
    QCPAxisTickerText::generate(range, locale, formatChar, precision, ticks, subTicks, tickLabels);
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
