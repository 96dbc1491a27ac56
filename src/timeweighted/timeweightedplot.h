// The EWMA and CUSUM charts: their table, template, the selection's points and basis, and the plot function.
#pragma once

#include "common/appstate.h"
#include "data/loader/plotfunction.h"
#include "timeweighted/timeweighted.h"
#include "variables/chartmodel.h"
#include "variables/statistics.h"

#include <QString>

#include <optional>
#include <vector>

namespace moldrin
{

// What differs between the two charts and their windows.
struct TimeWeightedKindTraits {
    TimeWeightedKind kind;
    QString reportKind; // moldrin-report's --kind and the output row: "EWMA"
    QString caption; // window caption and chart title: "EWMA Chart"
    QString windowName; // frmEWMA_Chart
    QString chartName; // ocxEWMA_Chart
    QString axisTitle; // value-axis title before the parameter
    QString settingsPrefix; // EWMA: EWMA_Lambda, ShowGridEWMA_Chart, ...
};
const TimeWeightedKindTraits& Traits(TimeWeightedKind kind);
// The kind of a report kind text ("EWMA", "CUSUM"), nullopt for any other text.
std::optional<TimeWeightedKind> TimeWeightedKindFromText(const QString& reportKind);

// A setting of the windows, kept in the settings store: its name, the range its box takes and its default.
struct StoredSetting {
    QString name;
    double minimum, maximum, fallback;
};
inline const StoredSetting kEwmaLambdaSetting { QStringLiteral("EWMA_Lambda"), 0.001, 1, 0.2 };
inline const StoredSetting kEwmaWidthSetting { QStringLiteral("EWMA_L"), 0.1, 6, 3 };
inline const StoredSetting kCusumKSetting { QStringLiteral("CUSUM_K"), 0, 5, 0.5 };
inline const StoredSetting kCusumHSetting { QStringLiteral("CUSUM_H"), 0.1, 20, 5 };
// A stored text as the setting's value: a number within its range, anything else the default.
double StoredValue(const StoredSetting& setting, const QString& stored);
// The kind's settings as its window would load them from `store`.
TimeWeightedSettings StoredSettings(const SettingsStore& store, TimeWeightedKind kind);

// The series of a chart, by kind: EWMA 0 data, 1 centre, 2 UCL, 3 LCL, 4 and 5 the mark arrows; CUSUM 0 C+,
// 1 C-, 2 centre, 3 H, 4 -H, 5 and 6 the mark arrows.
struct TimeWeightedLayout {
    int data, lowerData, centre, ucl, lcl, upArrow, downArrow;
};
const TimeWeightedLayout& LayoutOf(TimeWeightedKind kind);

ChartModel BuildTimeWeightedChartTemplate(TimeWeightedKind kind);
// Empties the chart for a redraw: every point goes, the value axis scales itself again and the mark labels
// are shown.
void ClearTimeWeightedChart(ChartModel& chart);
// Adds the lines, widens the value axis by 15 % on either side and places each mark 5 % of the axis range
// above (below) its point on the up (down) arrows, labelled with its code. True when a mark was placed.
bool FillTimeWeightedChart(ChartModel& chart, TimeWeightedKind kind, const TimeWeightedResult& result);

// The points of the selection as the main chart plots them: its statement, its readings (Individual-MR)
// or the means of its subgroups of gSampleSize, and its process figures (XDoubleBar, EstSigma).
struct SelectionPoints {
    long records = 0; // rows read
    std::vector<double> points;
    int groupSize = 1;
    ProcessStatistic stat;
    QString sigmaFrom; // "R-bar/d2", "s-bar/c4" or "MR-bar/d2": the main chart's within estimate
};
// False after a message (the statement failed, a field could not be read).
bool ReadSelectionPoints(
    AppState& state, const data::PlotSelection& selection, data::PlotHost& host, SelectionPoints& out);

// The basis of the selection's own figures: the parameter's nominal ("nominal") or else the grand mean
// ("mean"), and the main chart's within sigma. nullopt when the main chart has no sigma.
std::optional<ProcessBasis> SelectionBasis(
    const AppState& state, const data::PlotSelection& selection, const SelectionPoints& points);

struct TimeWeightedOutcome {
    long records = 0; // rows read
    bool plotted = false; // the lines were drawn
    ProcessBasis basis;
    TimeWeightedResult result;
    bool marksPlaced = false;
    bool timerEnabled = false; // the blink timer should run
};

// The plot function of both charts: sets the title lines, reads the selection's points, judges them against
// `given` when set (saved limits: their target and sigma) or else against SelectionBasis, fills the chart and
// places the marks. Messages go to host.prompt().
TimeWeightedOutcome PlotTimeWeightedChart(AppState& state, ChartModel& chart, const data::PlotSelection& selection,
    const TimeWeightedSettings& settings, data::PlotHost& host,
    const std::optional<ProcessBasis>& given = std::nullopt);

} // namespace moldrin
