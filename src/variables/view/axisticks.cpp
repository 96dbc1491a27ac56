// An axis' ticks: round steps that fit its length, each label the text of its value.
#include "variables/view/axisticks.h"

#include "common/numberformat.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

QString AxisLabelText(double value, const QString& format, int extraDecimals)
{
    QString text = NumberFormat(format, extraDecimals).format(value);
    if (text.endsWith(u'.'))
        text.chop(1);
    const auto has = [&text](auto test) { return std::any_of(text.cbegin(), text.cend(), test); };
    // Zero: a residue of the step arithmetic may show as "-0.00", and a format may leave it blank.
    if (!has([](QChar c) { return c.isDigit() && c != u'0'; })) {
        text.remove(u'-');
        if (!has([](QChar c) { return c.isDigit(); }))
            return QStringLiteral("0");
    }
    return text;
}

int FormatDecimals(const QString& format)
{
    const qsizetype point = format.lastIndexOf(u'.');
    if (point < 0)
        return 0;
    int decimals = 0;
    for (qsizetype i = point + 1; i < format.size() && (format[i] == u'0' || format[i] == u'#'); ++i)
        ++decimals;
    return decimals;
}

double ChooseTickStep(const TickRequest& r)
{
    const double span = r.upper - r.lower;
    if (!(span > 0) || !std::isfinite(span) || !(r.length > 0))
        return 0;
    const double floor = std::max(r.minimumStep, std::pow(10.0, -std::clamp(r.decimals, 0, 15)));
    double magnitude = std::pow(10.0, std::floor(std::log10(floor)));
    for (int guard = 0; guard < 400; ++guard, magnitude *= 10) {
        for (const double mantissa : { 1.0, 2.0, 5.0 }) {
            const double step = mantissa * magnitude;
            if (step < floor * (1 - 1e-9))
                continue;
            // A step as wide as the range leaves one or two ticks: the coarsest that is needed.
            if (step >= span)
                return step;
            const double pixels = step / span * r.length;
            // The widest label among the ticks decides; the labels of the range's ends and of its middle
            // stand for them (the widest have the most digits, found at the ends).
            const double first = std::ceil(r.lower / step) * step;
            const double last = std::floor(r.upper / step) * step;
            double extent = 0;
            for (const double v : { first, last, (first + last) / 2 })
                extent = std::max(extent, r.labelExtent ? r.labelExtent(v) : 0.0);
            if (pixels >= extent)
                return step;
        }
    }
    return 0;
}

} // namespace moldrin
