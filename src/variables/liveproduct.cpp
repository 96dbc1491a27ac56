// Every parameter of a product kept live from one read per interval.
#include "variables/liveproduct.h"

#include "data/config/querybuilder.h"
#include "data/loader/engineprogress.h"
#include "variables/rowreader.h"
#include "variables/variableschart.h"

#include <algorithm>
#include <tuple>

namespace moldrin
{

using namespace moldrin::data;

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

const std::vector<RuleMark>& LiveProduct::raised(int parameter, LimitChart which) const
{
    static const std::vector<RuleMark> none;
    return std::size_t(parameter) < mLive.size() ? mLive[std::size_t(parameter)].raised(which) : none;
}

void LiveProduct::setRaised(int parameter, LimitChart which, std::vector<RuleMark> marks)
{
    mSeeds[{ parameter, which }] = std::move(marks);
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
    const auto statement
        = [&](const QString& interval) { return ProductReadingsSQL(state, first, int(mSelections.size()), interval); };
    const QString made = LiveChartKey(state, first, statement);
    if (mLive.empty() || made != mMade) {
        out.fromStart = true;
        mMade = made;
        mLive.clear();
        mCharts.clear();
        mOutcomes.assign(std::size_t(mSelections.size()), {});
        for (const PlotSelection& s : std::as_const(mSelections)) {
            mLive.emplace_back(s.chartType, state.gSampleSize, mOverlapSeconds);
            mCharts.push_back(BuildVariablesChartTemplate());
            ResetVariablesChart(mCharts.back(), s.chartType, state.gSpecField4.value(s.parameterIndex),
                s.product.trimmed() + u' ' + s.parameterItem.trimmed());
        }
        for (const auto& [at, marks] : mSeeds)
            if (std::size_t(at.first) < mLive.size())
                mLive[std::size_t(at.first)].setRaised(at.second, marks);
    }
    // One read from the earliest overlap: each chart passes over the rows it read before.
    std::optional<WallTime> from;
    for (const LiveChart& live : mLive) {
        const std::optional<WallTime> f = live.readFrom();
        if (!f) {
            from.reset();
            break;
        }
        if (!from
            || std::tie(f->year, f->month, f->day, f->hour, f->minute, f->second, f->millisecond) < std::tie(
                   from->year, from->month, from->day, from->hour, from->minute, from->second, from->millisecond))
            from = f;
    }
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
    }
    mSeeds.clear(); // taken: a later read from the start (the range moved) takes its marks as seen
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
    LiveRow row;
    for (long n = 0; !rs.Eof() && !error; ++n) {
        error = reader.keys(row.reading);
        for (std::size_t i = 0; i < mLive.size() && !error; ++i) {
            // A null: the parameter's own statement would not have selected the row.
            error = reader.number(values[i], row.reading.value, row.notANumber);
            if (!error && (row.reading.value || row.notANumber))
                mLive[i].Add(mCharts[i], row);
        }
        if (!error)
            error = rs.MoveNext();
        if (!error && n % 4096 == 4095) {
            host.KeepResponsive(n + 1);
            if (state.gStopPlot)
                error = DataError { kErrInterrupted, QStringLiteral("Operation was cancelled.") };
        }
    }
    for (std::size_t i = 0; i < mLive.size(); ++i) {
        if (error)
            mLive[i].CancelRead(mCharts[i]);
        else
            mLive[i].EndRead(mCharts[i]);
    }
    return error;
}

} // namespace moldrin
