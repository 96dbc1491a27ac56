// The histogram's computation: statistics, performance indices, cells, normal curves, marker lines, panel texts
// and the cell table's lines.
#include "distribution/histogram.h"

#include "common/magnitude.h"
#include "common/numberformat.h"
#include "common/rounding.h"
#include "distribution/cellsearch.h"

#include <algorithm>
#include <cmath>

namespace moldrin
{

namespace
{

const QString kValueFormat = QStringLiteral("#,##0.0###");
const QString kDivisionByZero = QStringLiteral("Division by zero");
const QString kOverflow = QStringLiteral("Overflow");
const QString kOneReading = QStringLiteral("Only one reading (%1): a histogram needs readings that differ");
const QString kEqualReadings = QStringLiteral("All %1 readings are %2: a histogram needs readings that differ");

QString Shown(double v)
{
    return FormatNumber(v, kValueFormat);
}

bool Present(double limit)
{
    return !IsLimitSentinel(limit);
}

// The mean as a first pass's mean (shift) plus a correction, and the sample standard deviation, from two
// passes over the kept values: the deviations from the first pass's mean are small, so their sums keep the
// digits a running sum of squares loses on readings such as 2,400,000,000 ± 100. A deviation from the mean
// is taken as (x − shift) − correction, never as x − mean: the mean itself, rounded to the readings' scale,
// would lose the digits of deviations such as 1e10 ± 0.001. Equal to the textbook formulas in exact
// arithmetic.
struct Centre {
    double shift = 0, correction = 0;
    double mean() const { return shift + correction; }
    double deviation(double x) const { return (x - shift) - correction; }
};

// Both passes take the readings in units of MagnitudeScale (1 but near 1e308), so that neither the sum nor
// the squares overflow.
Centre MeanAndStdDev(const HistogramValues& values, double& sd)
{
    const double n = double(values.count());
    const double unit = MagnitudeScale(std::max(std::fabs(values.minimum()), std::fabs(values.maximum())));
    const double perUnit = 1 / unit;
    double sum = 0;
    for (double x : values)
        sum += x * perUnit;
    const double shift = sum / n;
    double d1 = 0, d2 = 0;
    for (double x : values) {
        const double d = x * perUnit - shift;
        d1 += d;
        d2 += d * d;
    }
    sd = std::sqrt(std::max(0.0, (d2 - d1 * d1 / n) / (n - 1))) * unit;
    return { shift * unit, d1 / n * unit };
}

// x rounded to 4 decimals; a result that is not finite marks the run as overflowed.
class Rounder
{
public:
    double operator()(double x)
    {
        if (!std::isfinite(x)) {
            overflow = true;
            return 0;
        }
        return Round4(x);
    }
    bool overflow = false;
};

// Pp, PR, PpK, PpU, PpL, Zu and Zl; "N/A" for what a missing limit leaves undefined.
void PerformanceIndices(HistogramStatistics& s, double usl, double lsl, Rounder& r4)
{
    const bool upper = Present(usl), lower = Present(lsl);
    const Figure na = Figure::na();
    s.Pp = s.PR = s.PpK = s.PpU = s.PpL = s.Zu = s.Zl = na;
    if (upper) {
        s.PpU = r4((usl - s.mean) / (3 * s.stdDev));
        s.Zu = r4((usl - s.mean) / s.stdDev);
        s.PpK = s.PpU;
    }
    if (lower) {
        s.PpL = r4((s.mean - lsl) / (3 * s.stdDev));
        s.Zl = r4((s.mean - lsl) / s.stdDev);
        s.PpK = s.PpL;
    }
    if (upper && lower) {
        s.Pp = r4((usl - lsl) / (6 * s.stdDev));
        s.PR = r4(6 * s.stdDev / (usl - lsl));
        s.PpK = s.PpL.value() >= s.PpU.value() ? s.PpU : s.PpL;
    }
}

// Points from `from` to `to` in 650 equal steps, each x computed from its step number so that the curve has
// 651 points at most whatever the magnitudes; y is the density at x scaled to cell counts.
std::vector<HistogramPoint> NormalCurve(
    double from, double to, double centre, double sd, double scale, bool valueLabels)
{
    std::vector<HistogramPoint> points;
    points.reserve(kHistogramCurvePoints);
    const double step = (to - from) / (kHistogramCurvePoints - 1);
    for (int k = 0; k < kHistogramCurvePoints; ++k) {
        const double x = from + k * step;
        if ((step > 0 && x > to) || (step < 0 && x < to))
            break;
        const double y = NormalDensity(x, centre, sd) * scale;
        points.push_back({ x, y, valueLabels ? Shown(y) : QStringLiteral(" ") });
    }
    return points;
}

// The cells of `cells` equal widths from the minimum with the readings' counts; sets highestCount.
void FillCells(const HistogramReadings& values, std::int64_t cells, Histogram& h)
{
    const double min = values.minimum(), max = values.maximum();
    const std::size_t n = std::size_t(cells);
    const double w = (max - min) / double(cells);
    const std::vector<std::int64_t> counts = values.cellCounts(cells);
    h.cells.resize(n);
    for (std::size_t j = 0; j < n; ++j) {
        h.cells[j] = { min + double(j) * w, j + 1 < n ? min + double(j + 1) * w : max, counts[j] };
        h.highestCount = std::max(h.highestCount, counts[j]);
    }
}

QStringList CellTableLines(const std::vector<HistogramCell>& cells)
{
    const QString edge = QStringLiteral("#,##0.0000"), count = QStringLiteral("#,##0");
    QStringList lines;
    lines.reserve(qsizetype(cells.size()) + 1);
    std::int64_t total = 0;
    for (std::size_t j = 0; j < cells.size(); ++j) {
        const HistogramCell& c = cells[j];
        lines << QString::number(j + 1) + QLatin1Char('\t') + FormatNumber(c.lower, edge) + QStringLiteral("\tto  ")
                + FormatNumber(c.upper, edge) + QLatin1Char('\t') + FormatNumber(double(c.count), count);
        total += c.count;
    }
    lines << QStringLiteral("Total\t\t\t\t") + FormatNumber(double(total), count);
    return lines;
}

// Tab stops of the cell data window, in characters: under "Cell Ranges", the range's "to", one the range always
// passes (it takes the Total line's extra tab), and under "Freq.".
constexpr int kCellTableStops[] = { 17, 32, 33, 61 };

void Markers(const HistogramStatistics& s, double usl, double lsl, Histogram& h)
{
    const double m = double(h.highestCount);
    const double mean = Round4(s.mean);
    auto line = [&](bool drawn, double value, double drop, const QString& label) {
        return HistogramMarker { drawn, value, m - m * drop, label };
    };
    // Heights staggered so that neighbouring labels do not overlap; the letters name the zones.
    auto zone = [&](const char* name, double value, double drop, const char* letter) {
        const double v = Round4(value);
        return line(true, v, drop, QLatin1String(name) + Shown(v) + QLatin1Char('\r') + QLatin1String(letter));
    };
    h.markers = {
        line(Present(lsl), lsl, 0.01, QStringLiteral("LSL=") + Shown(lsl)),
        line(Present(usl), usl, 0.01, QStringLiteral("USL=") + Shown(usl)),
        line(true, mean, 0.01, QStringLiteral("Mean=") + Shown(mean)),
        zone("-3SD=", s.mean - 3 * s.stdDev, 0.09, "A"),
        zone("+3SD=", s.mean + 3 * s.stdDev, 0.09, "A"),
        zone("-2SD=", s.mean - 2 * s.stdDev, 0.13, "B"),
        zone("+2SD=", s.mean + 2 * s.stdDev, 0.13, "B"),
        zone("-SD=", s.mean - s.stdDev, 0.09, "C"),
        zone("+SD=", s.mean + s.stdDev, 0.09, "C"),
    };
}

QStringList PanelValues(const HistogramStatistics& s, std::int64_t cells)
{
    auto figure = [](const Figure& f) { return FormatFigure(f, kValueFormat); };
    return { FormatNumber(double(s.count), QStringLiteral("#,###")),
        Shown(Round4((s.maximum - s.minimum) / double(cells))), Shown(s.stdDev), Shown(Round4(s.maximum - s.minimum)),
        Shown(s.skewness), Shown(s.kurtosis), QString(), figure(s.Pp), figure(s.PR), figure(s.PpK), figure(s.PpU),
        figure(s.PpL), figure(s.Zu), figure(s.Zl) };
}

Histogram Ended(Histogram h, HistogramEnd end, const QString& failure = {})
{
    h.end = end;
    h.failure = failure;
    return h;
}

} // namespace

HistogramValues::HistogramValues(std::initializer_list<double> values)
{
    for (double x : values)
        append(x);
}

void HistogramValues::append(double x)
{
    if (mValues.empty()) {
        mMin = mMax = x;
    } else if (mMin > x) {
        mMin = x;
    } else if (mMax < x) {
        mMax = x;
    }
    mValues.push_back(x);
}

HistogramMoments HistogramValues::moments() const
{
    HistogramMoments m;
    const Centre centre = MeanAndStdDev(*this, m.stdDev);
    m.mean = centre.mean();
    for (double x : mValues) {
        const double z = centre.deviation(x) / m.stdDev;
        m.cubes += z * z * z;
        m.fourths += z * z * z * z;
    }
    return m;
}

std::vector<std::int64_t> HistogramValues::cellCounts(std::int64_t cells) const
{
    std::vector<std::int64_t> counts(std::size_t(cells), 0);
    CellSearch search(mMin, mMax, cells);
    for (double x : mValues)
        ++counts[search.cellOf(x)];
    return counts;
}

HistogramMoments HistogramSums::moments() const
{
    // In units of d: c the mean's offset from the shift, the deviations from the mean are d − c.
    const double n = double(readings), c = powers[0] / n;
    const double sd = std::sqrt(std::max(0.0, (powers[1] - powers[0] * c) / (n - 1)));
    const double c2 = c * c;
    HistogramMoments m;
    m.mean = shift + c / scale;
    m.stdDev = sd / scale;
    m.cubes = (powers[2] - 3 * c * powers[1] + 2 * n * c2 * c) / (sd * sd * sd);
    m.fourths = (powers[3] - 4 * c * powers[2] + 6 * c2 * powers[1] - 3 * n * c2 * c2) / (sd * sd * sd * sd);
    return m;
}

std::vector<std::int64_t> HistogramSums::cellCounts(std::int64_t n) const
{
    std::vector<std::int64_t> counts = placed;
    counts.resize(std::size_t(n), 0);
    CellSearch search(low, high, n);
    for (const auto& [x, times] : unplaced)
        counts[search.cellOf(x)] += times;
    return counts;
}

double NormalDensity(double x, double mean, double sd)
{
    return 1 / (sd * std::sqrt(6.28318530717958)) * std::exp(-(x - mean) * (x - mean) / (2 * sd * sd));
}

QString CellTableDisplayLine(const QString& line)
{
    const QStringList fields = line.split(QLatin1Char('\t'));
    QString shown = fields.front();
    for (qsizetype i = 1; i < fields.size(); ++i) {
        const auto next = std::find_if(
            std::begin(kCellTableStops), std::end(kCellTableStops), [&](int stop) { return stop > shown.size(); });
        shown += QString(next == std::end(kCellTableStops) ? 1 : *next - shown.size(), QLatin1Char(' '));
        shown += fields[i];
    }
    return shown;
}

const QStringList& HistogramPanelCaptions()
{
    static const QStringList captions { "Total:", "Cell Width:", "Std Dev:", "Range:", "Skewness:", "Kurtosis:", "",
        "PP:", "PR", "PpK", "PpU:", "PpL:", "Zu (Perf):", "Zl (Perf):" };
    return captions;
}

Histogram ComputeHistogram(const HistogramReadings& values, double usl, double lsl, std::int64_t cells)
{
    Histogram h;
    HistogramStatistics& s = h.stats;
    s.count = values.count();
    s.minimum = values.minimum();
    s.maximum = values.maximum();
    if (!std::isfinite(s.minimum) || !std::isfinite(s.maximum))
        return Ended(std::move(h), HistogramEnd::Failed, kOverflow);
    // Readings that are all one value have no spread to count into cells (one reading not even a standard
    // deviation): said so, where the description ended without a word.
    if (s.count == 0)
        return Ended(std::move(h), HistogramEnd::Failed, kDivisionByZero);
    if (s.minimum == s.maximum)
        return Ended(std::move(h), HistogramEnd::Failed,
            (s.count == 1 ? kOneReading : kEqualReadings.arg(FormatNumber(double(s.count), QStringLiteral("#,##0"))))
                .arg(NumberText(s.minimum)));
    const HistogramMoments moments = values.moments();
    s.mean = moments.mean;
    s.stdDev = moments.stdDev;
    // The curve and the zone lines reach mean ± 3 SD: beyond the largest double they cannot be drawn.
    if (!std::isfinite(s.mean - 3 * s.stdDev) || !std::isfinite(s.mean + 3 * s.stdDev))
        return Ended(std::move(h), HistogramEnd::Failed, kOverflow);
    if (s.stdDev == 0) // readings a unit in the last place apart
        return Ended(std::move(h), HistogramEnd::Failed, kDivisionByZero);
    // Skewness divides by n - 2, kurtosis by n - 3.
    if (s.count < 4)
        return Ended(std::move(h), HistogramEnd::Failed, kDivisionByZero);

    const double n = double(s.count);
    const double s3 = moments.cubes, s4 = moments.fourths;
    Rounder r4;
    s.skewness = r4(n / ((n - 1) * (n - 2)) * s3);
    s.kurtosis = r4((n + 1) * n / ((n - 1) * (n - 2) * (n - 3)) * s4 - 3 * (n - 1) * (n - 1) / ((n - 2) * (n - 3)));
    const bool bothLimits = Present(usl) && Present(lsl);
    if (bothLimits && usl == lsl)
        return Ended(std::move(h), HistogramEnd::Failed, kDivisionByZero); // PR divides by USL - LSL
    PerformanceIndices(s, usl, lsl, r4);
    if (r4.overflow)
        return Ended(std::move(h), HistogramEnd::Failed, kOverflow);

    // From here on the chart has been cleared.
    if (cells == 0)
        return Ended(std::move(h), HistogramEnd::FailedCleared, kDivisionByZero);
    if (cells < 0)
        return Ended(std::move(h), HistogramEnd::FailedCleared, QStringLiteral("Subscript out of range"));
    if (cells > kMaxHistogramCells)
        return Ended(std::move(h), HistogramEnd::FailedCleared, QStringLiteral("Out of memory"));
    FillCells(values, cells, h);
    h.cellTableLines = CellTableLines(h.cells);

    // Scaled to cell counts: the expected count of a cell of width w is n·w times the density.
    const double scale = n * (s.maximum - s.minimum) / double(cells);
    h.dataCurve = NormalCurve(s.mean - 3 * s.stdDev, s.mean + 3 * s.stdDev, s.mean, s.stdDev, scale, false);
    if (bothLimits)
        h.specCurve = NormalCurve(lsl, usl, (usl - lsl) / 2 + lsl, s.stdDev, scale, true);

    Markers(s, usl, lsl, h);
    const double m = double(h.highestCount);
    double peak = 0;
    for (const HistogramPoint& p : h.dataCurve)
        peak = std::max(peak, p.y);
    h.axisMaximum = peak > m ? peak * 0.03 + peak : m * 0.03 + m;
    h.panelValues = PanelValues(s, cells);
    h.end = HistogramEnd::Drawn;
    return h;
}

} // namespace moldrin
