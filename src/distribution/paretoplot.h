// The Pareto chart's plot function: sums every parameter's readings, ranks them, fills the chart.
#pragma once

#include "common/appstate.h"
#include "data/loader/plotfunction.h"
#include "distribution/pareto.h"
#include "variables/chartmodel.h"

#include <QString>

namespace moldrin
{

inline constexpr int kParetoSeriesData = 0; // "Data": one bar per parameter, its percentage of the total
inline constexpr int kParetoSeriesPercent = 1; // "Percent": the cumulative percentage

// The chart as loaded from its template: orange bars (75 %), a grey line with orange square points, the
// left axis fixed 0 to 105 by 10 titled "Percent", text labels on the bottom axis, title "Pareto Chart".
ChartModel BuildParetoChartTemplate();

// The bar width's range, in percent of the room between bars (the window's scroll bar has it too).

// How the readings are read. Each parameter's Pareto statement is one way; where the statements differ only
// in their column (the ungrouped form, every product) one statement reading all columns gives the same
// sums, record count and ranking in one pass over the table.
enum class ParetoReading { Auto, PerParameter };

struct ParetoOutcome {
    long records = 0; // rows of parameter 0's statement ("Total:")
    SkippedRows skipped; // fields that are no number, of every parameter: left out of the sums
    QString countText; // lblSPCParameter1: the record count as "#,##0"
    bool drawn = false; // bars, line, titles were set
    QString failure; // the message shown ("" when none)
    ParetoRanking ranking; // the ranked items when drawn
    QString xTitle; // the product's ParetoTitleX, in the sub-footer
    bool engine = false; // with gServerSide: the engine summed the readings
    QString note; // with gServerSide, where the readings were read: why
};

// DrawPareto: clears both series, sums the ValueX readings of every parameter of gParamColumn (display
// names from gParamName, which is left in list order), ranks them and adds the bars and the cumulative
// line, the second title line, the X title and the bar width gParetoBarWidth (kept within its range). A
// total of 0 gives the no-data message and no bars; the count is set in every case but a failing statement.
// With gServerSide one statement has the engine sum every parameter's readings (and count the rows); where it
// cannot sum them as they are summed here, they are read (`note` says why).
ParetoOutcome PlotPareto(AppState& state, ChartModel& chart, const data::PlotSelection& selection, data::PlotHost& host,
    ParetoReading reading = ParetoReading::Auto);

} // namespace moldrin
