// The histogram's computation: statistics, performance indices, cells, normal curves, marker lines, panel texts
// and the cell table's lines, from the values in reading order.
#pragma once

#include "common/figure.h"

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <utility>
#include <vector>

namespace moldrin
{

// The figures of the readings' distribution: the mean and sample standard deviation, and the sums of the
// cubed and fourth powers of the standardised readings (x − mean) / sd.
struct HistogramMoments {
    double mean = 0, stdDev = 0;
    double cubes = 0, fourths = 0;
};

// What a histogram is computed from: the readings themselves, or the figures an engine summed from them.
class HistogramReadings
{
public:
    virtual ~HistogramReadings() = default;
    virtual std::int64_t count() const = 0;
    virtual double minimum() const = 0;
    virtual double maximum() const = 0;
    // Only where minimum() < maximum(), both finite, and count() is at least 2.
    virtual HistogramMoments moments() const = 0;
    // The readings in `cells` cells (CellSearch), only where moments() may be asked.
    virtual std::vector<std::int64_t> cellCounts(std::int64_t cells) const = 0;
};

// The readings of one histogram in reading order. They are needed twice (statistics, then cells), so they
// are kept: 8 bytes a value, in blocks, so a long read never copies what it already holds.
class HistogramValues : public HistogramReadings
{
public:
    HistogramValues() = default;
    HistogramValues(std::initializer_list<double> values);

    void append(double x);
    std::int64_t count() const override { return std::int64_t(mValues.size()); }
    // The first value sets both; a later one replaces the minimum when smaller, the maximum when larger.
    double minimum() const override { return mMin; }
    double maximum() const override { return mMax; }
    HistogramMoments moments() const override;
    std::vector<std::int64_t> cellCounts(std::int64_t cells) const override;

    auto begin() const { return mValues.begin(); }
    auto end() const { return mValues.end(); }

private:
    std::deque<double> mValues;
    double mMin = 0, mMax = 0;
};

// The figures an engine summed from the readings: their count and extremes; the deviations
// d = (x − shift)·scale summed in their powers 1 to 4 (shift near the mean, so that no sum cancels; scale a
// power of two that keeps every |d| at most 1, so that no power overflows); the readings counted by cell,
// but those within rounding distance of an edge, which are listed by value for CellSearch to place.
struct HistogramSums : HistogramReadings {
    std::int64_t readings = 0;
    double low = 0, high = 0;
    double shift = 0, scale = 1;
    std::array<double, 4> powers {}; // Σd, Σd², Σd³, Σd⁴
    std::vector<std::int64_t> placed; // by cell
    std::vector<std::pair<double, std::int64_t>> unplaced; // a reading and how often it was read

    std::int64_t count() const override { return readings; }
    double minimum() const override { return low; }
    double maximum() const override { return high; }
    HistogramMoments moments() const override;
    // `cells`: the cells the engine counted in.
    std::vector<std::int64_t> cellCounts(std::int64_t cells) const override;
};

// How a computation ended, and so what becomes of the chart.
enum class HistogramEnd {
    Drawn, // everything computed
    Failed, // a failure found before the chart is cleared (equal readings too): the previous chart stays
    FailedCleared // a failure found after the chart is cleared (the cell count): the chart is left empty
};

struct HistogramStatistics {
    std::int64_t count = 0;
    double minimum = 0, maximum = 0;
    double mean = 0, stdDev = 0; // as computed; the marker lines show them rounded to 4 decimals
    double skewness = 0, kurtosis = 0;
    Figure Pp, PR, PpK, PpU, PpL, Zu, Zl; // a number, or "N/A" where a limit is missing
};

// Cell j holds [lower, upper); the last one [lower, maximum]. Which cell a reading is in is decided on its
// decimal form (CellSearch); lower and upper are the edges as computed, for the bars and the cell table.
struct HistogramCell {
    double lower = 0, upper = 0;
    std::int64_t count = 0;
};

struct HistogramPoint {
    double x = 0, y = 0;
    QString label;
};

// A vertical line from (value, 0) to (value, height), the upper point carrying the label.
struct HistogramMarker {
    bool drawn = false;
    double value = 0, height = 0;
    QString label;
};

// The marker lines in chart order: LSL, USL, mean, -3SD, +3SD, -2SD, +2SD, -SD, +SD.
inline constexpr int kHistogramMarkers = 9;

struct Histogram {
    HistogramEnd end = HistogramEnd::Failed;
    QString failure; // the failure's description; shown followed by "!"
    HistogramStatistics stats;
    std::vector<HistogramCell> cells;
    std::int64_t highestCount = 0;
    std::vector<HistogramPoint> dataCurve; // normal curve of the data, mean ± 3 SD
    std::vector<HistogramPoint> specCurve; // normal curve centred between the limits; empty without both
    std::array<HistogramMarker, kHistogramMarkers> markers;
    double axisMaximum = 0; // 3 % above the taller of the highest cell and the data curve's peak
    QStringList panelValues; // one per line of HistogramPanelCaptions()
    QStringList cellTableLines;
};

// The points of each normal curve (one fewer when rounding puts the last step past the end).
inline constexpr int kHistogramCurvePoints = 651;
// More cells than this fail as "Out of memory" rather than exhaust it.
inline constexpr std::int64_t kMaxHistogramCells = 100000;

// usl / lsl: 999 or -999 where a limit is absent. A mean of 0 is a mean like any other; readings that are all
// one value fail with a message that says so.
Histogram ComputeHistogram(const HistogramReadings& values, double usl, double lsl, std::int64_t cells);

// 1 / (sd·√(2π)) · exp(−(x − mean)² / (2·sd²)).
double NormalDensity(double x, double mean, double sd);

// The statistics panel's captions, line by line.
const QStringList& HistogramPanelCaptions();

// The heading of the cell table's columns in the cell data window: number, cell range, frequency.
inline const QString kCellTableHeading = QStringLiteral(" No.") + QString(13, QLatin1Char(' '))
    + QStringLiteral("Cell Ranges") + QString(33, QLatin1Char(' ')) + QStringLiteral("Freq.");

// A cell table line as the cell data window shows it in a fixed-pitch font: each tab moves on to the next
// column of kCellTableHeading (lower edge under "Cell Ranges", frequency under "Freq."), so the counts and the
// Total line's four tabs end in one column; past the last column a tab is one blank.
QString CellTableDisplayLine(const QString& line);

} // namespace moldrin
