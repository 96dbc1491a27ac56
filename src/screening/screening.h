// Screening: every parameter of a product over the main window's selection in one read, with capability,
// rule hits and a comparison of the testers.
#pragma once

#include "common/appstate.h"
#include "common/figure.h"
#include "common/prompt.h"
#include "common/reading.h"
#include "data/access/dataerror.h"
#include "data/loader/plotfunction.h"
#include "variables/statistics.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

namespace moldrin::screening
{

inline constexpr int kRuleHitCount = 7; // rules R1 to R7
inline constexpr int kTrendPoints = 60; // the most points of a parameter's trend
// testerDiffers: the p-value below kTesterP and two tester means further apart than one estSigma.
inline constexpr double kTesterP = 0.001;

struct TesterFigures {
    QString tester;
    std::int64_t n = 0;
    Figure mean, stdDev; // "N/A" without readings; stdDev "N/A" below two readings
};

// One parameter's figures, rounded as the statistics panel rounds them (4 decimals). "N/A" where a
// figure cannot be computed: no readings, fewer than two, a sigma of 0, a limit absent.
struct ParameterScreen {
    int index = 0; // into the per-parameter tables and the parameter list
    QString item, name, column, unit;
    Figure lsl, usl; // "N/A" when absent
    std::int64_t n = 0;
    Figure mean;
    Figure stdDev; // overall sample standard deviation
    Figure estSigma; // within: average moving range of consecutive readings / d2(2)
    Figure cp, cpk; // from estSigma
    Figure pp, ppk; // from stdDev
    std::int64_t outOfSpec = 0; // readings beyond a present limit
    Figure ppm; // outOfSpec per million readings
    // Points the rule engine marks on the X-Bar chart, per rule R1 ... R7 (either side).
    std::array<std::int64_t, kRuleHitCount> ruleHits {};
    std::int64_t subgroups = 0;
    Figure ucl, centre, lcl; // the X-Bar chart's limits ("N/A" without a subgroup)
    QList<double> trend; // subgroup means, averaged into at most kTrendPoints points
    QList<TesterFigures> testers; // by name
    Figure testerP; // one-way analysis of variance of the readings by tester
    bool testerDiffers = false;

    bool anyRuleHit() const;
};

// Takes one parameter's readings in statement order and computes its figures. Memory: one entry per
// tester and one mean per subgroup.
class ParameterAccumulator
{
public:
    // `chartType` names the X-Bar chart the rules run on, `sampleSize` its subgroup size; a limit of 999
    // or -999 is absent.
    ParameterAccumulator(double lsl, double usl, const QString& chartType, int sampleSize);

    // A reading the chart statement would select, and the index of its tester (from 0).
    void add(double reading, int tester);
    // The figures; `testerNames` by tester index, `rulesSetup` the stored rule set-up. Messages of the
    // chart computation (none for well-formed input) go to `prompt`.
    ParameterScreen finish(const QStringList& testerNames, const QString& rulesSetup, Prompt& prompt) const;

private:
    double mLsl, mUsl;
    RunningStdDev mAll;
    std::vector<RunningStdDev> mTesters;
    double mLast = 0;
    double mSumMR = 0; // in units of mAll.unit()
    std::int64_t mOutOfSpec = 0;
    QString mChartType;
    // The X-Bar chart needs the subgroup means and ranges (s for X-Bar-s); X-Bar-R-Median-s takes its
    // limits from R-bar as X-Bar-R does, so its medians and s are not computed.
    SubgroupAccumulator mSubgroups;
    int mSampleSize;
    std::vector<double> mMeans;
};

// The X-Bar chart whose rule marks the screen counts: the selection's chart type when it has an
// "X-Bar" series, else X-Bar-R.
QString ScreenChartType(const QString& chartType);

// The one statement: the tester and the columns of the first `parameterCount` parameters, each column's
// readings kept only where the chart statement of that parameter would select them (nulls, 999, -999
// and, while Accept Zero is unchecked, 0 read as null), with the selection's conditions and order.
QString ScreenStatement(const AppState& state, const data::PlotSelection& selection, qsizetype parameterCount);

// How the screen reaches the window or report it runs for.
class ScreenHost
{
public:
    virtual ~ScreenHost() = default;
    virtual Prompt& prompt() = 0;
    // Called every few thousand rows and while the engine prepares the first row; a window repaints its
    // progress and sees a stop click (gStopPlot) there.
    virtual void Progress(long rowsRead) { Q_UNUSED(rowsRead); }
};

struct ScreenResult {
    long records = 0; // rows read
    SkippedRows skipped; // fields that are no number (of every parameter), rows outside any date range
    QString chartType; // the X-Bar chart of the rule hits
    int subgroupSize = 0;
    QStringList testers; // every tester read, by name
    QList<ParameterScreen> parameters; // sorted by CpK ascending, "N/A" last
    bool completed = false; // false when stopped or failed (no parameters then)
    bool stopped = false; // ended by gStopPlot
    data::Status error; // the read failed (its message was given)
};

// Screens every parameter of the product's parameter list (`parameterItems`, columns and limits in
// gParamColumn ...) over the selection's rows; the group size is gSampleSize, the rule set-up
// gRulesSetup. A failed read shows the subgroup loader's message.
ScreenResult ScreenParameters(
    AppState& state, const data::PlotSelection& selection, const QStringList& parameterItems, ScreenHost& host);

// Sorts by CpK ascending, "N/A" last; equal CpK keep their order.
void SortByCpK(QList<ParameterScreen>& parameters);

// The screen as comma-separated values (UTF-8, lines ending in LF, fields quoted where they hold a comma,
// a quote or a line break): a header line, then one line per parameter in the result's order with its
// list item, name, column, unit, LSL, USL, n, mean, stdDev, estSigma, Cp, CpK, Pp, PpK, outOfSpec, ppm,
// R1 ... R7, testerP and testerDiffers, then n, mean and stdDev for every tester read.
QByteArray ScreenCsv(const ScreenResult& result);

} // namespace moldrin::screening
