// The variables chart's plot function: reading, subgroups, limits, rules, chart and listings.
#include "variables/variablesplot.h"

#include "common/numberformat.h"
#include "common/reading.h"
#include "data/access/connection.h"
#include "data/access/enginesql.h"
#include "data/loader/engineprogress.h"
#include "data/loader/listingwriter.h"
#include "data/loader/tempfiles.h"
#include "variables/rowreader.h"
#include "variables/variableschart.h"

#include <QFile>

#include <algorithm>
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

// Widens the dates of the plotted readings by one reading's.
void NoteDate(VariablesPlotOutcome& out, const std::optional<WallTime>& start)
{
    if (!start)
        return;
    const QDate d(start->year, start->month, start->day);
    if (!out.first.isValid() || d < out.first)
        out.first = d;
    if (!out.last.isValid() || d > out.last)
        out.last = d;
}

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
        out.rules = out.stages.empty()
            ? EvaluateVariablesRules(chart, out.limits, s.chartType, state.gRulesSetup, state.gRulesBlinkEnable)
            : EvaluateStagedVariablesRules(chart, out.stages, s.chartType, state.gRulesSetup, state.gRulesBlinkEnable);
}

QString SortOrder(const AppState& state)
{
    return state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID;
}

// Common preamble: statement (the selection's, or the engine's subgroups), recordset, chart reset. False
// when the statement could not be opened.
bool Begin(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, Recordset& rs,
    VariablesPlotOutcome& out, Status& error, const AdaptedStatement* engine = nullptr)
{
    state.gStopPlot = false;
    state.gListingGone.clear(); // this plot lists its own readings
    state.gChartTitle = s.product.trimmed() + QStringLiteral(" ") + s.parameterItem.trimmed();
    if (!state.gConnection) {
        error = DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
        return false;
    }
    EngineProgress progress(state, [&host] { host.KeepResponsive(0); });
    // The rows are counted while they stream: a record count up front would run the statement twice.
    error = engine
        ? rs.Open(*engine, *state.gConnection, Recordset::Count::TimesOnly)
        : rs.Open(SelectionSQL(state, s, SortOrder(state)), *state.gConnection, Recordset::Count::TimesWhileRead);
    if (error)
        return false;
    ResetVariablesChart(chart, s.chartType, state.gSpecField4.value(s.parameterIndex), state.gChartTitle);
    host.ChartReset();
    out.records = 0;
    return true;
}

// A plot ended by a failed statement or read: stopped when the user stopped it, else `tell` says why.
template <class Tell> VariablesPlotOutcome Ended(VariablesPlotOutcome& out, const DataError& e, Tell tell)
{
    out.stopped = e.number == kErrInterrupted;
    if (!out.stopped)
        tell();
    return out;
}

// The figures of one stage's points.
struct StagePart {
    std::size_t first = 0;
    QDate start;
    ProcessStatistic stat;
};

// Splits the points into stages by the date of each point's first reading: when a point begins in a later
// stage than the points before it, their figures are kept and the accumulator starts afresh. Inactive
// without stage dates and with held limits.
class StageSplitter
{
public:
    explicit StageSplitter(const LimitChoice& choice)
        : mStarts(choice.held ? QList<QDate>() : choice.stages)
    {
    }
    bool active() const { return !mStarts.isEmpty(); }
    template <class Accumulator, class Fresh>
    void begin(const std::optional<WallTime>& when, Accumulator& acc, long point, double usl, double lsl, Fresh fresh)
    {
        if (mStarts.isEmpty() || !when)
            return;
        const QDate day(when->year, when->month, when->day);
        const qsizetype stage = std::upper_bound(mStarts.begin(), mStarts.end(), day) - mStarts.begin();
        if (stage <= mStage)
            return;
        if (point > mFirst) {
            mParts.push_back({ std::size_t(mFirst), start(mStage), acc.finish(usl, lsl) });
            acc = fresh();
        }
        mStage = stage;
        mFirst = point;
    }
    // Every stage with points, the last one's figures `last`.
    std::vector<StagePart> finish(const ProcessStatistic& last)
    {
        mParts.push_back({ std::size_t(mFirst), start(mStage), last });
        return std::move(mParts);
    }

private:
    QDate start(qsizetype stage) const { return stage == 0 ? QDate() : mStarts[stage - 1]; }
    QList<QDate> mStarts;
    qsizetype mStage = 0;
    long mFirst = 0;
    std::vector<StagePart> mParts;
};

QString StageNote(const std::vector<StagePart>& parts, std::size_t k)
{
    const QString of
        = QStringLiteral("Stage ") + QString::number(k + 1) + QStringLiteral(" of ") + QString::number(parts.size());
    return parts[k].start.isValid() ? of + QStringLiteral(" from ") + parts[k].start.toString(Qt::ISODate) : of;
}

// Each stage's limits from its own figures, its lines across its points; the panel shows the last stage's.
void ConcludeStages(const AppState& state, ChartModel& chart, const PlotSelection& s, Prompt& prompt,
    const std::vector<StagePart>& parts, double usl, double lsl, VariablesPlotOutcome& out)
{
    for (std::size_t k = 0; k < parts.size(); ++k) {
        if (k + 1 < parts.size() && !parts[k].stat.failure.isEmpty())
            prompt.warn(parts[k].stat.failure);
        LimitInputs in = LimitInputsFor(state, s, parts[k].stat, usl, lsl);
        in.notes << StageNote(parts, k);
        StageLimits stage { parts[k].first, parts[k].start, ComputeControlLimits(in) };
        const int last = k + 1 < parts.size() ? int(parts[k + 1].first) - 1 : int(out.pointCount) - 1;
        if (stage.limits.completed)
            FillStageLimits(chart, stage.limits, int(stage.first), last, stage.start);
        else
            prompt.warn(stage.limits.failure);
        out.stages.push_back(std::move(stage));
    }
    out.limits = out.stages.back().limits;
}

// After the last reading. Nothing plotted (too few rows): the loader's message. Otherwise the listings
// are completed, then the process figures and the limit lines (unless stopped); a failure of either is
// reported. Then the finish.
// `begun`: something was plotted; `files`: the listings, where written.
template <class Accumulator>
VariablesPlotOutcome Conclude(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, Recordset& rs,
    ListingWriter* files, bool begun, const QString& noData, const Accumulator& acc, double usl, double lsl,
    const LimitChoice& choice, StageSplitter& stages, VariablesPlotOutcome& out)
{
    out.skipped.unreadableTimes = rs.UnreadableTimes(); // complete at the end of the rows
    if (!begun) {
        host.prompt().inform(noData);
    } else {
        if (files)
            files->finish();
        // Trouble with the temporary folder costs the raw data window its listing, not the chart.
        if (files && !files->error().isEmpty())
            host.prompt().warn(files->error() + QLatin1Char('.'));
        if (!out.stopped) {
            out.stat = acc.finish(usl, lsl);
            if (!out.stat.failure.isEmpty())
                host.prompt().warn(out.stat.failure);
            if (stages.active()) {
                ConcludeStages(state, chart, s, host.prompt(), stages.finish(out.stat), usl, lsl, out);
            } else {
                out.limits = ComputeControlLimits(LimitInputsFor(state, s, out.stat, usl, lsl, choice.held));
                if (out.limits.completed)
                    FillControlLimits(chart, out.limits);
                else
                    host.prompt().warn(out.limits.failure);
            }
            out.plotted = true;
        }
    }
    rs.Close();
    Finish(state, chart, s, out);
    return out;
}

VariablesPlotOutcome PlotSubgroupChart(
    AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, const LimitChoice& choice)
{
    VariablesPlotOutcome out;
    Recordset rs;
    Status error;
    Prompt& prompt = host.prompt();
    auto trap = [&](const DataError& e) { return Ended(out, e, [&] { WarnReadError(prompt, e); }); };
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
    StageSplitter stages(choice);
    const RowReader reader(rs);
    ListedReading r;
    for (; !rs.Eof(); ++out.records) {
        bool notANumber = false;
        if ((error = reader.read(r, notANumber)))
            return trap(*error);
        if (notANumber) {
            ++out.skipped.notNumbers;
        } else {
            if (pending.empty())
                stages.begin(
                    r.start, acc, out.pointCount, usl, lsl, [&] { return SubgroupAccumulator(s.chartType, n); });
            pending.push_back(r);
            if (auto point = acc.add(r.value)) {
                point->number = out.pointCount + 1;
                if (!files) {
                    // The first whole subgroup: the plot begins.
                    PlotLimits(s, prompt, usl, lsl);
                    files.emplace(state, s.parameterItem, NumberFormat(QStringLiteral("#,##0.000#")));
                }
                for (ListedReading& p : pending) {
                    NoteDate(out, p.start);
                    files->write(std::move(p));
                }
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
    return Conclude(state, chart, s, host, rs, files ? &*files : nullptr, files.has_value(), kNoSubgroupData, acc, usl,
        lsl, choice, stages, out);
}

VariablesPlotOutcome PlotIndividualChart(
    AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, const LimitChoice& choice)
{
    VariablesPlotOutcome out;
    Recordset rs;
    Status error;
    Prompt& prompt = host.prompt();
    auto trap
        = [&](const DataError& e) { return Ended(out, e, [&] { prompt.warn(e.description + QStringLiteral("!")); }); };
    if (!Begin(state, chart, s, host, rs, out, error))
        return trap(*error);
    double usl = 0, lsl = 0;
    std::optional<ListingWriter> files;
    std::optional<ListedReading> first; // held until a second reading shows there is something to plot
    IndividualAccumulator acc;
    StageSplitter stages(choice);
    const RowReader reader(rs);
    ListedReading r;
    auto plot = [&](const ListedReading& reading) {
        stages.begin(reading.start, acc, out.pointCount, usl, lsl, [] { return IndividualAccumulator(); });
        IndividualPoint point = acc.add(reading.value.value_or(0.0)); // used as read (a null reads as 0)
        point.number = out.pointCount + 1;
        AddIndividualPoints(chart, point);
        NoteDate(out, reading.start);
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
    return Conclude(state, chart, s, host, rs, files ? &*files : nullptr, files.has_value(), kNoIndividualData, acc,
        usl, lsl, choice, stages, out);
}

// The specification limits typed for the chart; true where the upper was below the lower (they are swapped).
bool SpecLimits(const data::PlotSelection& s, double& usl, double& lsl)
{
    bool uslOk = false, lslOk = false;
    usl = s.uslText.toDouble(&uslOk);
    lsl = s.lslText.toDouble(&lslOk);
    if (!uslOk)
        usl = kNoUpperLimit;
    if (!lslOk)
        lsl = kNoLowerLimit;
    if (!uslOk || !lslOk || usl >= lsl)
        return false;
    std::swap(usl, lsl);
    return true;
}

void WarnSwappedLimits(Prompt& prompt)
{
    prompt.warn(QStringLiteral("USL value greater then LSL!"));
}

// Why the engine's subgroup `g`, following the subgroup `last`, leaves the chart to the readings; empty where
// it does not.
QString HandBackReason(const EngineSubgroup& g, long last)
{
    if (g.group < 0)
        return QStringLiteral("some values of the column are no number");
    if (!g.finite)
        return QStringLiteral("the readings are too large for the engine's sums");
    if (g.group != last + 1)
        return QStringLiteral("the engine gave the subgroups out of their order");
    return {};
}

// The engine's subgroups as the chart's points, read as the readings are above, in the order the engine's
// window numbered them (no sort of the subgroups). `handBack` says why, with nothing told, where the engine
// cannot give the chart of the readings: readings that are no number (a subgroup -1, anywhere), sums that
// overflow its doubles, or subgroups out of their order. The readings are then read here, the chart anew.
VariablesPlotOutcome PlotEngineSubgroups(AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host,
    const LimitChoice& choice, const SubgroupQuery& query, QString& handBack)
{
    VariablesPlotOutcome out;
    Recordset rs;
    Status error;
    Prompt& prompt = host.prompt();
    const bool individual = s.chartType == kChartIndividualMR;
    auto trap = [&](const DataError& e) {
        return Ended(out, e, [&] { individual ? prompt.warn(e.description + u'!') : WarnReadError(prompt, e); });
    };
    if (!Begin(state, chart, s, host, rs, out, error, &query.subgroups))
        return trap(*error);
    // The readings are read on demand: a listing of an earlier plot is not this chart's.
    for (const QString& listing : { state.gTempFile1, state.gTempFile2 })
        if (!listing.isEmpty())
            QFile::remove(listing);
    const int n = query.size;
    double usl = 0, lsl = 0;
    bool begun = false;
    SubgroupAccumulator acc(s.chartType, n);
    IndividualAccumulator single;
    StageSplitter stages(choice);
    const SubgroupReader reader(rs);
    EngineSubgroup g;
    std::optional<EngineSubgroup> first; // Individual-MR: held until a second reading shows there is a plot
    auto plot = [&](const EngineSubgroup& p) {
        if (individual) {
            stages.begin(p.first, single, out.pointCount, usl, lsl, [] { return IndividualAccumulator(); });
            IndividualPoint point = single.add(p.figures.mean);
            point.number = out.pointCount + 1;
            AddIndividualPoints(chart, point);
        } else {
            stages.begin(p.first, acc, out.pointCount, usl, lsl, [&] { return SubgroupAccumulator(s.chartType, n); });
            SubgroupPoint point = acc.add(p.figures);
            point.number = out.pointCount + 1;
            AddSubgroupPoints(chart, point);
        }
        NoteDate(out, p.earliest);
        NoteDate(out, p.latest);
        ++out.pointCount;
    };
    bool swapped = false; // the limits' warning waits until no hand back can come
    for (long row = 0, last = -1; !rs.Eof(); ++row) {
        if ((error = reader.read(g)))
            return trap(*error);
        if (handBack = HandBackReason(g, last); !handBack.isEmpty())
            return out;
        last = g.group;
        out.records += long(g.figures.count);
        if (g.figures.count == n) { // a trailing partial subgroup is left out
            if (individual && !first) {
                first = g;
            } else {
                if (!begun) {
                    swapped = SpecLimits(s, usl, lsl);
                    begun = true;
                    if (individual)
                        plot(*first);
                }
                plot(g);
                if (state.gStopPlot) {
                    out.stopped = true;
                    break;
                }
            }
        }
        if ((error = rs.MoveNext()))
            return trap(*error);
        if (row % kYieldEvery == kYieldEvery - 1)
            KeepResponsive(host, out);
    }
    if (swapped)
        WarnSwappedLimits(prompt);
    if (individual)
        return Conclude(
            state, chart, s, host, rs, nullptr, begun, kNoIndividualData, single, usl, lsl, choice, stages, out);
    return Conclude(state, chart, s, host, rs, nullptr, begun, kNoSubgroupData, acc, usl, lsl, choice, stages, out);
}

} // namespace

SubgroupQuery EngineQuery(const AppState& state, const PlotSelection& s)
{
    if (!state.gConnection) {
        SubgroupQuery none;
        none.refusal = QStringLiteral("no data source is open");
        return none;
    }
    const Connection& c = *state.gConnection;
    const AdaptedStatement selection
        = AdaptStatement(SelectionSQL(state, s, SortOrder(state)), c.StatementDialect(), c.schema());
    const SelectedColumn column { state.gTableName, state.gParamColumn.value(s.parameterIndex), s.lastDataOnly };
    const bool median
        = s.chartType == kChartMedianR || s.chartType == kChartMedianS || s.chartType == kChartXBarRMedianS;
    return SubgroupStatements(selection, c.StatementDialect(), c.DbmsName(), c.schema(), column,
        s.chartType == kChartIndividualMR ? 1 : std::max(1, state.gSampleSize), median);
}

data::Status EngineReadingLines(
    const AppState& state, const SubgroupQuery& query, bool individual, int point, QStringList& lines)
{
    lines.clear();
    if (!state.gConnection)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    const long first = long(point) * query.size + 1;
    Recordset rs;
    if (Status e = rs.Open(
            SubgroupRowsStatement(query, first, first + query.size - 1), *state.gConnection, Recordset::Count::Skip))
        return e;
    const NumberFormat format(individual ? QStringLiteral("#,##0.000") : QStringLiteral("#,##0.000#"));
    const bool dayFirst = state.gDateOrder == kDateOrderDayFirst;
    const RowReader reader(rs);
    ListedReading r;
    std::string line;
    while (!rs.Eof()) {
        bool notANumber = false;
        if (Status e = reader.read(r, notANumber))
            return e;
        line.clear();
        AppendListingLine(line, r.serial, r.value.value_or(0.0), format, r.tester, r.start, dayFirst);
        lines << QString::fromStdString(line);
        if (Status e = rs.MoveNext())
            return e;
    }
    return {};
}

QString PlotOutcomeText(const VariablesPlotOutcome& outcome)
{
    const QString skipped = SkippedRowsText(outcome.skipped);
    if (outcome.note.isEmpty())
        return skipped;
    return skipped.isEmpty() ? outcome.note : skipped + u'\n' + outcome.note;
}

void PlotLimits(const data::PlotSelection& s, Prompt& prompt, double& usl, double& lsl)
{
    if (SpecLimits(s, usl, lsl))
        WarnSwappedLimits(prompt);
}

LimitInputs LimitInputsFor(const AppState& state, const data::PlotSelection& s, const ProcessStatistic& stat,
    double usl, double lsl, const std::optional<HeldLimits>& held)
{
    LimitInputs in;
    in.USL = usl;
    in.LSL = lsl;
    in.stat = stat;
    in.chartType = s.chartType;
    in.sampleSize = state.gSampleSize;
    in.showSpec = s.showSpec;
    in.showZones = s.showZones;
    in.held = held;
    return in;
}

VariablesPlotOutcome PlotVariablesChart(
    AppState& state, ChartModel& chart, const data::PlotSelection& s, data::PlotHost& host, const LimitChoice& choice)
{
    QString why;
    if (state.gServerSide && state.gConnection) {
        auto query = std::make_shared<SubgroupQuery>(EngineQuery(state, s));
        why = query->refusal;
        if (why.isEmpty()) {
            VariablesPlotOutcome out = PlotEngineSubgroups(state, chart, s, host, choice, *query, why);
            if (why.isEmpty()) {
                out.engine = std::move(query);
                return out;
            }
        }
    }
    VariablesPlotOutcome out = s.chartType == kChartIndividualMR ? PlotIndividualChart(state, chart, s, host, choice)
                                                                 : PlotSubgroupChart(state, chart, s, host, choice);
    if (!why.isEmpty())
        out.note = data::kReadNotSummedNote + why + u'.';
    return out;
}

} // namespace moldrin
