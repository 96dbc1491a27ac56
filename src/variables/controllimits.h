// Control limits of the variables chart from its figures: the limit, zone and USL/LSL lines with their roles
// and labels, the values the rules compare with, and the statistics panel (plain numbers, no chart).
#pragma once

#include "common/figure.h"
#include "variables/statistics.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace moldrin
{

// The lines of one chart as held from a baseline.
struct HeldChart {
    double centre = 0, ucl = 0, lcl = 0;
    bool operator==(const HeldChart&) const = default;
};

// Limits held from a baseline: the charts' lines are these, zones lie at thirds of their distance from the
// centre, and the capability indices take the held sigma about the plotted points' mean.
struct HeldLimits {
    HeldChart centre, variation;
    double sigma = 0;
    QStringList notes; // panel lines after the figures: the baseline's name, a warning
};

struct LimitInputs {
    Figure LSL = kNoLowerLimit; // 999 / -999: no limit
    Figure USL = kNoUpperLimit;
    ProcessStatistic stat; // XDoubleBar ... CpL, PointCount, IsSubgroupChart and StdDev
    QString chartType;
    int sampleSize = 5; // gSampleSize
    bool showSpec = false; // "Show USL/LSL"
    bool showZones = false; // "Show Zones"
    std::optional<HeldLimits> held; // none: the limits of the plotted points
    QStringList notes; // panel lines after the figures (and the held limits' notes)
};

// The two charts of the variables chart: the centre chart (means, medians or readings) above, the
// variation chart (ranges, s or moving ranges) below.
enum class LimitChart { Centre, Variation };
enum class LineRole { CL, LCL, UCL, UpperC, UpperB, LowerC, LowerB, LSL, USL };

// A line across a chart at y, its first point labelled `first`, its last `last`; the labels lie
// markOffset pixels above it (below when negative).
struct LimitLine {
    LimitChart chart;
    LineRole role;
    double y;
    QString first, last;
    int markOffset = 0;
};

// The lines of one chart as drawn: what its rules compare with. Zone lines of the variation chart that
// would fall below 0 lie at 0.
struct ZoneLines {
    double centre = 0, lcl = 0, ucl = 0, upperB = 0, lowerB = 0, upperC = 0, lowerC = 0;
};

// The limits, the figures as rounded for the panel (what reports print), the lines and the panel texts.
struct ControlLimits {
    Figure UCLCentre, LCLCentre, UCLVar, LCLVar;
    Figure XDoubleBar, AverageVariation, EstSigma, Cp, CpK, CpU, CpL;
    double StdDev = 0;
    QString CRText;
    Figure USL, LSL; // "N/A" for a sentinel
    ZoneLines centre, variation;
    double scale = 0; // the readings' largest magnitude: the precision at which the rules meet the lines
    // In drawing order: LSL and USL where shown, the centre chart's CL, LCL, UCL and zone lines (upper C,
    // upper B, lower C, lower B), then the variation chart's LCL, CL, UCL and zone lines.
    std::vector<LimitLine> lines;
    QString parameterCaption; // lblWhatParametric; with held limits followed by their notes, a line each
    // One entry per line of lblSPCParameter1; with held limits followed by their notes.
    QStringList panelValues;
    QString panelValueText; // lblSPCParameter1: every figure's line followed by "\n", then a final "\n"
    bool completed = false; // the limits were computed
    QString failure; // otherwise, when computing them failed: the message ("Subscript out of range!")
};

// One stage of a chart split at stage start dates: its first point, its start and its own limits.
struct StageLimits {
    std::size_t first = 0;
    QDate start; // invalid for points before the first start date
    ControlLimits limits;
};

// The captions left of the statistics panel, one per line (set at start-up).
QStringList PanelCaptions();
QString PanelCaptionText();

// Computes the limits from the unrounded centre and average variation, then the figures, lines and panel
// texts. A size outside the constants tables or a centre or variation that is no number is a failure.
ControlLimits ComputeControlLimits(const LimitInputs& in);

} // namespace moldrin
