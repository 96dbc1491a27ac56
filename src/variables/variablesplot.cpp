// The variables chart's plot function: reading, subgroups, limits, rules, chart and listings.
#include "variables/variablesplot.h"

#include "common/numberformat.h"
#include "common/reading.h"
#include "data/access/connection.h"
#include "data/loader/engineprogress.h"
#include "data/loader/listingwriter.h"
#include "data/loader/tempfiles.h"
#include "variables/rowreader.h"
#include "variables/variableschart.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace moldrin
{

namespace
{

using namespace moldrin::data;

constexpr long kYieldEvery = 4096; // readings between two KeepResponsive calls

// Every few thousand rows: the rows read so far, and what was skipped.
void KeepResponsive(PlotHost& host, const VariablesPlotOutcome& out)
{
    if (out.skipped.any())
        host.Skipping(out.skipped);
    host.KeepResponsive(out.records + 1);
}

// The finish shared by both loaders (also after no data or a stop).
void Finish(AppState& state, ChartModel& chart, const PlotSelection& s, VariablesPlotOutcome& out)
{
    chart.setPage(1);
    WritePageChangeCaption(chart, state.gChartTitle);
    ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    if (s.showZones && out.plotted)
        out.rules = EvaluateVariablesRules(chart, out.limits, s.chartType, state.gRulesSetup, state.gRulesBlinkEnable);
}

// Common preamble: statement, recordset, chart reset. False when the statement could not be opened.
bool Begin(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, Recordset& rs,
    VariablesPlotOutcome& out, Status& error)
{
    state.gStopPlot = false;
    state.gChartTitle = s.product.trimmed() + QStringLiteral(" ") + s.parameterItem.trimmed();
    if (!state.gConnection) {
        error = DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
        return false;
    }
    EngineProgress progress(state, [&host] { host.KeepResponsive(0); });
    // The rows are counted while they stream: a record count up front would run the statement twice.
    error = rs.Open(SelectionSQL(state, s, state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID),
        *state.gConnection, Recordset::Count::TimesOnly);
    if (error)
        return false;
    out.skipped.unreadableTimes = rs.UnreadableTimes();
    ResetVariablesChart(chart, s.chartType, state.gSpecField4.value(s.parameterIndex), state.gChartTitle);
    host.ChartReset();
    out.records = 0;
    return true;
}

// After the last reading. Nothing plotted (too few rows): the loader's message. Otherwise the listings
// are completed, then the process figures and the limit lines (unless stopped); a failure of either is
// reported. Then the finish.
template <class Accumulator>
VariablesPlotOutcome Conclude(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, Recordset& rs,
    std::optional<ListingWriter>& files, const QString& noData, const Accumulator& acc, double usl, double lsl,
    VariablesPlotOutcome& out)
{
    if (!files) {
        host.prompt().inform(noData);
    } else {
        files->finish();
        // Trouble with the temporary folder costs the raw data window its listing, not the chart.
        if (!files->error().isEmpty())
            host.prompt().warn(files->error() + QLatin1Char('.'));
        if (!out.stopped) {
            out.stat = acc.finish(usl, lsl);
            if (!out.stat.failure.isEmpty())
                host.prompt().warn(out.stat.failure);
            out.limits = ComputeControlLimits(LimitInputsFor(state, s, out.stat, usl, lsl));
            if (out.limits.completed)
                FillControlLimits(chart, out.limits);
            else
                host.prompt().warn(out.limits.failure);
            out.plotted = true;
        }
    }
    rs.Close();
    Finish(state, chart, s, out);
    return out;
}

VariablesPlotOutcome PlotSubgroupChart(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host)
{
    VariablesPlotOutcome out;
    Recordset rs;
    Status error;
    Prompt& prompt = host.prompt();
    auto trap = [&](const DataError& e) {
        out.stopped = e.number == kErrInterrupted;
        if (out.stopped)
            return out;
        WarnReadError(prompt, e);
        return out;
    };
    if (!Begin(state, chart, s, host, rs, out, error))
        return trap(*error);
    const int n = state.gSampleSize;
    double usl = 0, lsl = 0;
    std::optional<ListingWriter> files;
    // A subgroup's listing lines are written when it is complete, so a trailing partial subgroup, which
    // the chart leaves out, is left out of the listing too.
    std::vector<ListedReading> pending;
    pending.reserve(std::size_t(n));
    SubgroupAccumulator acc(s.chartType, n);
    const RowReader reader(rs);
    ListedReading r;
    for (; !rs.Eof(); ++out.records) {
        bool notANumber = false;
        if ((error = reader.read(r, notANumber)))
            return trap(*error);
        if (notANumber) {
            ++out.skipped.notNumbers;
        } else {
            pending.push_back(r);
            if (const auto point = acc.add(r.value)) {
                if (!files) {
                    // The first whole subgroup: the plot begins.
                    PlotLimits(s, prompt, usl, lsl);
                    files.emplace(state, s.parameterItem, NumberFormat(QStringLiteral("#,##0.000#")));
                }
                for (ListedReading& p : pending)
                    files->write(std::move(p));
                pending.clear();
                AddSubgroupPoints(chart, *point);
                ++out.pointCount;
                if (state.gStopPlot) {
                    out.stopped = true;
                    ++out.records;
                    break;
                }
            }
        }
        if ((error = rs.MoveNext()))
            return trap(*error);
        if (out.records % kYieldEvery == kYieldEvery - 1)
            KeepResponsive(host, out);
    }
    return Conclude(state, chart, s, host, rs, files, kNoSubgroupData, acc, usl, lsl, out);
}

VariablesPlotOutcome PlotIndividualChart(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host)
{
    VariablesPlotOutcome out;
    Recordset rs;
    Status error;
    Prompt& prompt = host.prompt();
    auto trap = [&](const DataError& e) {
        out.stopped = e.number == kErrInterrupted;
        if (!out.stopped)
            prompt.warn(e.description + QStringLiteral("!"));
        return out;
    };
    if (!Begin(state, chart, s, host, rs, out, error))
        return trap(*error);
    double usl = 0, lsl = 0;
    std::optional<ListingWriter> files;
    std::optional<ListedReading> first; // held until a second reading shows there is something to plot
    IndividualAccumulator acc;
    const RowReader reader(rs);
    ListedReading r;
    auto plot = [&](const ListedReading& reading) {
        AddIndividualPoints(chart, acc.add(reading.value.value_or(0.0))); // used as read (a null reads as 0)
        files->write(reading);
        ++out.pointCount;
    };
    for (; !rs.Eof(); ++out.records) {
        bool notANumber = false;
        if ((error = reader.read(r, notANumber)))
            return trap(*error);
        if (notANumber) {
            ++out.skipped.notNumbers;
        } else if (!first) {
            first = r;
        } else {
            if (!files) {
                PlotLimits(s, prompt, usl, lsl);
                files.emplace(state, s.parameterItem, NumberFormat(QStringLiteral("#,##0.000")));
                plot(*first);
            }
            plot(r);
        }
        if ((error = rs.MoveNext()))
            return trap(*error);
        if (state.gStopPlot && files) {
            out.stopped = true;
            ++out.records;
            break;
        }
        if (out.records % kYieldEvery == kYieldEvery - 1)
            KeepResponsive(host, out);
    }
    return Conclude(state, chart, s, host, rs, files, kNoIndividualData, acc, usl, lsl, out);
}

} // namespace

void PlotLimits(const data::PlotSelection& s, Prompt& prompt, double& usl, double& lsl)
{
    bool uslOk = false, lslOk = false;
    usl = s.uslText.toDouble(&uslOk);
    lsl = s.lslText.toDouble(&lslOk);
    if (!uslOk)
        usl = kNoUpperLimit;
    if (!lslOk)
        lsl = kNoLowerLimit;
    if (uslOk && lslOk && usl < lsl) {
        prompt.warn(QStringLiteral("USL value greater then LSL!"));
        std::swap(usl, lsl);
    }
}

LimitInputs LimitInputsFor(
    const AppState& state, const data::PlotSelection& s, const ProcessStatistic& stat, double usl, double lsl)
{
    LimitInputs in;
    in.USL = usl;
    in.LSL = lsl;
    in.stat = stat;
    in.chartType = s.chartType;
    in.sampleSize = state.gSampleSize;
    in.showSpec = s.showSpec;
    in.showZones = s.showZones;
    return in;
}

VariablesPlotOutcome PlotVariablesChart(
    AppState& state, ChartModel& chart, const data::PlotSelection& s, data::PlotHost& host)
{
    return s.chartType == kChartIndividualMR ? PlotIndividualChart(state, chart, s, host)
                                             : PlotSubgroupChart(state, chart, s, host);
}

} // namespace moldrin
