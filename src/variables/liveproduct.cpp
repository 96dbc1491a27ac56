// Every parameter of a product kept live from one read per interval.
#include "variables/liveproduct.h"

#include "data/config/querybuilder.h"
#include "data/loader/engineprogress.h"
#include "variables/rowreader.h"
#include "variables/variableschart.h"

#include <algorithm>

namespace moldrin
{

using namespace moldrin::data;

namespace
{

// The earliest start time a chart reads from. A chart that read no row yet is passed over: the reads
// before held none of its rows. Nothing where no chart read a row.
std::optional<WallTime> EarliestReadFrom(const std::vector<LiveChart>& charts)
{
    std::optional<WallTime> from;
    for (const LiveChart& live : charts) {
        const std::optional<WallTime> f = live.readFrom();
        if (f && (!from || TimeKey(*f) < TimeKey(*from)))
            from = f;
    }
    return from;
}

} // namespace

QString ProductReadingsSQL(const AppState& state, const PlotSelection& s, int parameterCount, const QString& interval)
{
    const QString where = SelectionWhere(state, interval, TesterFilter(s), s.serialFilter.toUpper(), s.query.testIdText,
        PassCondition(state, s.passOnly));
    const QString TST
        = s.lastDataOnly ? QStringLiteral("MAX(") + state.gColTestStartTime + u')' : state.gColTestStartTime;
    QString columns = state.gColSerialNumber + QStringLiteral(" AS SNX, ") + state.gColATEID
        + QStringLiteral(" AS ATEX, ") + TST + QStringLiteral(" AS DateX");
    for (int i = 0; i < std::min<int>(parameterCount, int(state.gParamColumn.size())); ++i) {
        const QString& col = state.gParamColumn[i];
        // The conditions of the parameter's own statement, without their leading "AND".
        const QString kept = (ValidCondition(col) + ZeroCondition(s.query, col)).mid(4).trimmed();
        QString value = QStringLiteral("CASE WHEN ") + kept + QStringLiteral(" THEN [") + col + QStringLiteral("] END");
        if (s.lastDataOnly)
            value = QStringLiteral("MAX(") + value + u')';
        columns += QStringLiteral(", ") + value + QStringLiteral(" AS Value") + QString::number(i + 1);
    }
    const QString order
        = QStringLiteral("ORDER BY ") + state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID + u';';
    if (!s.lastDataOnly)
        return QStringLiteral("SELECT ") + columns + where + order;
    return QStringLiteral("SELECT ") + columns + where + LastDataGroupBy(state) + u' ' + order;
}

LiveProduct::LiveProduct(QList<PlotSelection> selections, std::int64_t overlapSeconds)
    : mSelections(std::move(selections))
    , mOverlapSeconds(overlapSeconds)
{
}

QString LiveProduct::Made(AppState& state) const
{
    const PlotSelection& first = mSelections.front();
    return LiveChartKey(state, first,
        [&](const QString& interval) { return ProductReadingsSQL(state, first, int(mSelections.size()), interval); });
}

void LiveProduct::Start(AppState& state)
{
    mMade = Made(state);
    mRowsBefore = 0;
    mLive.clear();
    mCharts.clear();
    mOutcomes.assign(std::size_t(mSelections.size()), {});
    for (const PlotSelection& s : std::as_const(mSelections)) {
        mLive.emplace_back(s.chartType, state.gSampleSize, mOverlapSeconds);
        mCharts.push_back(BuildVariablesChartTemplate());
        ResetVariablesChart(mCharts.back(), s.chartType, state.gSpecField4.value(s.parameterIndex),
            s.product.trimmed() + u' ' + s.parameterItem.trimmed());
    }
}

ProductRead LiveProduct::Refresh(AppState& state, PlotHost& host)
{
    ProductRead out;
    state.gStopPlot = false;
    if (mSelections.isEmpty())
        return out;
    if (Status e = PrepareConnection(state, mReconnect)) {
        out.failure = *e;
        return out;
    }
    const PlotSelection& first = mSelections.front();
    const std::optional<WallTime> from = mLive.empty() ? std::nullopt : EarliestReadFrom(mLive);
    bool late = false;
    if (from && Made(state) == mMade) {
        const auto statement = [&](const QString& interval) {
            return ProductReadingsSQL(state, first, int(mSelections.size()), interval);
        };
        if (Status e = FindLateRows(
                state, first.range.trimmed(), first.query.today, *from, mRowsBefore, statement, mLateRows, late)) {
            out.failure = *e;
            mReconnect = true;
            return out;
        }
    }
    if (mLive.empty() || Made(state) != mMade || late) {
        // A row written further back than the overlap: every chart is plotted again from the start, and
        // keeps the marks it raised.
        std::vector<LiveChart> before;
        if (late)
            before.swap(mLive);
        out.fromStart = true;
        Start(state);
        for (std::size_t i = 0; i < before.size() && i < mLive.size(); ++i)
            mLive[i].TakeOver(before[i]);
    }
    const long rowsBefore = mRowsBefore;
    if (Status e = Read(state, host, out.fromStart ? std::nullopt : from)) {
        out.failure = *e;
        mReconnect = e->number != kErrInterrupted;
        if (out.fromStart)
            mLive.clear();
        return out;
    }
    for (int i = 0; i < int(mLive.size()); ++i) {
        PlotSelection s = mSelections[i];
        state.gChartTitle = s.product.trimmed() + u' ' + s.parameterItem.trimmed();
        ChartModel& chart = mCharts[std::size_t(i)];
        chart.setPage(chart.pageCount());
        mOutcomes[std::size_t(i)] = mLive[std::size_t(i)].Conclude(state, chart, s, host.prompt());
        for (const NewRuleMark& m : mLive[std::size_t(i)].newMarks())
            out.marks.push_back({ i, m });
        out.changed = out.changed || mLive[std::size_t(i)].changed();
    }
    out.changed = out.changed || out.fromStart || mRowsBefore != rowsBefore;
    return out;
}

Status LiveProduct::Read(AppState& state, PlotHost& host, const std::optional<WallTime>& from)
{
    const PlotSelection& first = mSelections.front();
    const auto statement
        = [&](const QString& interval) { return ProductReadingsSQL(state, first, int(mSelections.size()), interval); };
    Recordset rs;
    Status error;
    {
        EngineProgress progress(state, [&host] { host.KeepResponsive(0); });
        error = rs.Open(StatementFrom(state, first.range.trimmed(), first.query.today, from, statement),
            *state.gConnection, Recordset::Count::Skip);
    }
    if (error)
        return error;
    for (std::size_t i = 0; i < mLive.size(); ++i)
        mLive[i].BeginRead(mCharts[i]);
    const RowReader reader(rs);
    std::vector<int> values;
    for (int i = 0; i < int(mLive.size()); ++i)
        values.push_back(reader.valueField(QStringLiteral("Value") + QString::number(i + 1)));
    // The start times of the rows read: those before the next read's second are counted as read.
    std::vector<std::int64_t> keys;
    LiveRow row;
    for (long n = 0; !rs.Eof() && !error; ++n) {
        error = reader.keys(row.reading);
        if (!error && row.reading.start)
            keys.push_back(TimeKey(*row.reading.start));
        row.serial = QString::fromStdString(row.reading.serial);
        for (std::size_t i = 0; i < mLive.size() && !error; ++i) {
            // A null: the parameter's own statement would not have selected the row.
            error = reader.number(values[i], row.reading.value, row.notANumber);
            if (!error && (row.reading.value || row.notANumber))
                mLive[i].Add(mCharts[i], row);
        }
        if (!error)
            error = rs.MoveNext();
        if (!error)
            error = ReadProgress(state, host, n);
    }
    for (std::size_t i = 0; i < mLive.size(); ++i) {
        if (error)
            mLive[i].CancelRead(mCharts[i]);
        else
            mLive[i].EndRead(mCharts[i]);
    }
    if (!error) {
        const std::optional<WallTime> next = EarliestReadFrom(mLive);
        const std::int64_t second = next ? TimeKey(*next) / 1000 * 1000 : 0;
        mRowsBefore += long(std::count_if(keys.begin(), keys.end(), [&](std::int64_t k) { return k < second; }));
    }
    return error;
}

} // namespace moldrin
