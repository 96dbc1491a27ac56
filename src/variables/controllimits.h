// Control limits, the limit, zone and USL/LSL lines of the variables chart, and its statistics panel.
#pragma once

#include "common/figure.h"
#include "common/prompt.h"
#include "variables/chartmodel.h"
#include "variables/statistics.h"

#include <QString>
#include <QStringList>

namespace moldrin
{

struct LimitInputs {
    Figure LSL = kNoLowerLimit; // 999 / -999: no limit
    Figure USL = kNoUpperLimit;
    ProcessStatistic stat; // XDoubleBar ... CpL, PointCount, IsSubgroupChart and StdDev
    QString chartType;
    int sampleSize = 5; // gSampleSize
    bool showSpec = false; // "Show USL/LSL"
    bool showZones = false; // "Show Zones"
    QString chartTitle; // gChartTitle, for the page caption
};

// The limits and the figures as rounded for the panel (what reports print).
struct ControlLimits {
    Figure UCLCentre, LCLCentre, UCLVar, LCLVar;
    Figure XDoubleBar, AverageVariation, EstSigma, Cp, CpK, CpU, CpL;
    double StdDev = 0;
    QString CRText;
    Figure USL, LSL; // "N/A" for a sentinel
    QString parameterCaption; // lblWhatParametric
    QStringList panelValues; // one entry per line of lblSPCParameter1
    QString panelValueText; // lblSPCParameter1: every line followed by "\n", then a final "\n"
    bool completed = false; // false when a failure ended the drawing
};

// The captions left of the statistics panel, one per line (set at start-up).
QStringList PanelCaptions();
QString PanelCaptionText();

// Copies template series templateIndex as the new last series; "Range" puts it on custom axis 0, any
// other name leaves it on the template's axis. Returns the new index, -1 when the template is missing.
int AddLimitLineSeries(ChartModel& chart, const QString& chartName, int templateIndex = 1);

// Computes the limits, draws the USL/LSL, centre, limit and zone lines (series 9 up), sets the
// axis increments and fills the panel texts, then writes the page-change caption. A failure (a size
// outside the constants tables, a non-numeric average) shows its description + "!" and stops; what was
// drawn stays.
ControlLimits DrawControlLimits(ChartModel& chart, const LimitInputs& in, Prompt& prompt);

} // namespace moldrin
