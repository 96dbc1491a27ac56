// EWMA and tabular CUSUM charts: the lines, their labels, the marks and the panel texts from the points.
#pragma once

#include "attributes/attributestats.h"

#include <QString>

#include <cstddef>
#include <span>
#include <vector>

namespace moldrin
{

enum class TimeWeightedKind { Ewma, Cusum };

// The chart's own choices: lambda and L (EWMA), k and h in sigmas of a point (CUSUM).
struct TimeWeightedSettings {
    TimeWeightedKind kind = TimeWeightedKind::Ewma;
    double lambda = 0.2;
    double widthL = 3;
    double k = 0.5;
    double h = 5;
};

// The in-control process the points are judged against: from the selection itself (the nominal or the
// grand mean, the within estimate of the main chart), or given by the caller (saved limits).
struct ProcessBasis {
    double target = 0; // the process mean
    double sigma = 0; // the standard deviation of one reading
    QString targetFrom; // what the target is, for the panel: "nominal", "mean", ...
    QString sigmaFrom; // how sigma was found: "R-bar/d2", ...
};

// A point beyond its own limit: an EWMA outside its limits, a CUSUM side beyond the decision interval.
struct ShiftMark {
    std::size_t point = 0; // index into the points, from 0
    bool upper = true; // above the centre (EWMA+, C+) or below it
    QString code; // the mark's label: "E+", "E-", "C+", "C-"
};

struct TimeWeightedResult {
    QString failure; // the message of a refused input; nothing else is set then
    std::vector<LinePoint> statistic; // the EWMA z, or the CUSUM C+
    std::vector<LinePoint> lowerStatistic; // CUSUM: -C- (drawn below 0); empty for the EWMA
    std::vector<LinePoint> centre, ucl, lcl; // EWMA: a limit point a point; CUSUM: 0, +H and -H
    std::vector<ShiftMark> marks; // in point order
    std::vector<PanelLine> panel;
};

// The messages of refused inputs.
inline const QString kEwmaSettingsRefused
    = QStringLiteral("The EWMA needs a lambda above 0 and up to 1, and an L above 0!");
inline const QString kCusumSettingsRefused = QStringLiteral("The CUSUM needs a k of 0 or more and an h above 0!");
inline const QString kNoSpread
    = QStringLiteral("The readings do not vary (sigma is 0 or not a number): no limits can be drawn!");
inline const QString kPointNotNumber = QStringLiteral("Point %1 is not a number: no chart can be drawn!");

// The chart of `points` (readings, or means of `groupSize` readings, in time order; point i, from 1, is
// drawn at x = i) against `basis`; a point's sigma is basis.sigma / sqrt(groupSize).
// EWMA: z(0) = target, z(i) = lambda x(i) + (1 - lambda) z(i - 1), limits at
// target +- L sigma sqrt(lambda / (2 - lambda) (1 - (1 - lambda)^(2i))).
// CUSUM: C+(i) = max(0, x(i) - (target + K) + C+(i - 1)), C-(i) = max(0, (target - K) - x(i) + C-(i - 1)),
// K = k sigma, H = h sigma; a side signals above H.
// Sums run on the deviations from the target, so readings far from zero keep their digits. An empty
// `points` gives an empty result.
TimeWeightedResult ComputeTimeWeighted(
    const TimeWeightedSettings& settings, std::span<const double> points, int groupSize, const ProcessBasis& basis);

// A figure's panel text: "#,##0.0###"; a figure below 0.001 keeps its significant digits as every figure
// of the program does.
QString FigureText(double value);

} // namespace moldrin
