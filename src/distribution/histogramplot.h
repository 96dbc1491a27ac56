// The histogram chart: its template, and the plot that reads the selection's values, computes and fills it.
#pragma once

#include "common/appstate.h"
#include "data/loader/plotfunction.h"
#include "distribution/histogram.h"
#include "variables/chartmodel.h"

#include <QString>

#include <cstdint>

namespace moldrin
{

// Series of the histogram chart; the marker lines follow in the order of Histogram::markers.
inline constexpr int kHistogramBars = 0; // "Data": one bar per cell at its lower edge
inline constexpr int kHistogramDataCurve = 1; // "Standard Distribution UCL LCL"
inline constexpr int kHistogramSpecCurve = 2; // "Standard Distribution USL LSL"
inline constexpr int kHistogramFirstMarker = 3; // "LSL", "USL", "Mean", "-3SD", "+3SD", "-2D", "+2D", "-1D", "+1D"
inline constexpr int kHistogramSeriesCount = kHistogramFirstMarker + kHistogramMarkers;

// The chart as its stored template gives it: the 12 series, the two title lines, the fixed frequency axis.
ChartModel BuildHistogramChartTemplate();

// The cell count setting of the histogram window and its rule: a number stored there counts with its
// fraction dropped, anything else gives 20.
inline const QString kHistogramCellNumberSetting = QStringLiteral("HistogramCellNumber");
std::int64_t HistogramCellsSetting(const QString& storedText);

struct HistogramOutcome {
    std::int64_t records = 0; // values read
    SkippedRows skipped; // fields that are no number (not among the values), rows outside any date range
    bool drawn = false; // bars, curves, marker lines and axis maximum are in the chart
    bool chartCleared = false; // the series were cleared (drawn, or a failure after clearing)
    QString message; // the one message shown, "" when none
    Histogram histogram; // statistics, cells, panel values, ... as far as computed
    bool engine = false; // with gServerSide: the engine summed the readings
    QString note; // with gServerSide, where the readings were read: why
};

// Sets the second title line (product and range text), then reads the values of the selection's "Histogram"
// statement (gUSL and gLSL of its parameter as limits), computes the histogram of `cells` cells, writes the cell
// table to gTempFile3 and fills the chart, its bars gHistogramBarWidth wide (within the scroll bar's 1..100).
// Messages go to the host's prompt: no rows ("No data collection for this
// selected range of filter condition!"), or a failure's description followed by "!" (readings all of one value
// too). A failure before the cells keeps the previous chart, one from the cells on leaves it empty; whenever no
// bars are left in the chart the cell table is emptied, so it never lists an earlier drawing's cells.
// With gServerSide the engine counts the readings, their extremes, cells and moments, and the chart, figures and
// messages are the same, the memory bounded by the cells; where it cannot sum them as they are summed here, the
// readings are read (`note` says why).
HistogramOutcome PlotHistogram(
    AppState& state, ChartModel& chart, const data::PlotSelection& selection, std::int64_t cells, data::PlotHost& host);

} // namespace moldrin
