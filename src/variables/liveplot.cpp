// Live monitoring of the variables chart: extension by the rows from the overlap on, the new rule marks.
#include "variables/liveplot.h"

#include "common/dates.h"
#include "data/config/querybuilder.h"
#include "data/loader/engineprogress.h"
#include "variables/rowreader.h"
#include "variables/variableschart.h"

#include <QDateTime>

#include <algorithm>
#include <utility>

namespace moldrin
{

namespace
{

using namespace moldrin::data;

constexpr std::int64_t kMsPerDay = 86'400'000;
constexpr long kYieldEvery = 4096;

} // namespace

std::int64_t TimeKey(const WallTime& t)
{
    return QDate(t.year, t.month, t.day).toJulianDay() * kMsPerDay + ((t.hour * 60LL + t.minute) * 60 + t.second) * 1000
        + t.millisecond;
}

namespace
{

WallTime FromKey(std::int64_t key)
{
    const QDate day = QDate::fromJulianDay(key / kMsPerDay);
    const QTime time = QTime::fromMSecsSinceStartOfDay(int(key % kMsPerDay));
    return { day.year(), day.month(), day.day(), time.hour(), time.minute(), time.second(), time.msec() };
}

// The data series a point adds to (the same for both chart kinds).
constexpr int kDataSeries[] = { kSeriesMedian, kSeriesS, kSeriesXBar, kSeriesRange };

void TruncateData(ChartModel& chart, long pointCount)
{
    for (int i : kDataSeries)
        if (ChartSeries* series = chart.seriesAt(i))
            series->points.truncate(int(pointCount));
}

// The codes of both sides of a mark.
QString MarkCodes(RuleMark mark)
{
    QStringList codes;
    for (MarkSide side : { MarkSide::Upper, MarkSide::Lower })
        if (const QString& text = RuleMarkText(mark, side); !text.isEmpty())
            codes << text;
    return codes.join(u',');
}

} // namespace

LiveChart::LiveChart(const QString& chartType, int sampleSize, std::int64_t overlapSeconds)
    : mIndividual(chartType == kChartIndividualMR)
    , mOverlapMs(std::max<std::int64_t>(0, overlapSeconds) * 1000)
{
    if (mIndividual)
        mBase.points = Individuals {};
    else
        mBase.points = Subgroups { SubgroupAccumulator(chartType, sampleSize), {} };
    mCurrent = mBase;
}

std::optional<WallTime> LiveChart::readFrom() const
{
    if (!mOverlap.empty())
        return FromKey(mOverlap.front().key);
    return mReadFrom ? std::optional(FromKey(*mReadFrom)) : std::nullopt;
}

void LiveChart::BeginRead(ChartModel& chart)
{
    mSavedBase = mBase;
    mSavedOverlap = mOverlap;
    mSavedReadFrom = mReadFrom;
    mSavedBaseSecond = mBaseSecond;
    mSavedBaseSecondRows = mBaseSecondRows;
    if (!mOverlap.empty())
        mReadFrom = mOverlap.front().key;
    mOverlap.clear();
    mChanged = false;
    mLastKey = mReadFrom.value_or(0);
    mUnchangedPoints = std::max(std::size_t(mBase.pointCount), std::exchange(mTakenOverPoints, 0));
    TruncateData(chart, mBase.pointCount);
}

void LiveChart::Add(ChartModel& chart, const LiveRow& row)
{
    // A row without a readable start time stays where the statement put it.
    const std::int64_t key = row.reading.start ? TimeKey(*row.reading.start) : mLastKey;
    if (mReadFrom && key < *mReadFrom)
        return;
    mLastKey = key;
    // Rows leave the overlap with all rows of the same start time, so those before it are exactly the rows
    // before readFrom().
    while (!mOverlap.empty() && mOverlap.front().key < key - mOverlapMs) {
        const std::int64_t second = mOverlap.front().key / 1000;
        mBaseSecondRows = second == mBaseSecond ? mBaseSecondRows + 1 : 1;
        mBaseSecond = second;
        Feed(mBase, chart, mOverlap.front());
        mOverlap.pop_front();
        mChanged = true;
    }
    mOverlap.push_back({ key, row.reading.value, row.reading.start.has_value(), row.notANumber, row.serial });
}

void LiveChart::EndRead(ChartModel& chart)
{
    // Where the overlap holds the rows it held, the next read starts where it would have: the state is as it was.
    mChanged = mChanged || mOverlap != mSavedOverlap;
    // What a failed read would go back to is not needed any more: the overlap is held once between reads.
    mSavedOverlap = {};
    mSavedBase = {};
    mCurrent = mBase;
    for (const Kept& o : mOverlap)
        Feed(mCurrent, chart, o);
}

void LiveChart::CancelRead(ChartModel& chart)
{
    mBase = std::move(mSavedBase);
    mOverlap = std::move(mSavedOverlap);
    mReadFrom = mSavedReadFrom;
    mBaseSecond = mSavedBaseSecond;
    mBaseSecondRows = mSavedBaseSecondRows;
    TruncateData(chart, mBase.pointCount);
    EndRead(chart);
    mChanged = false;
}

void LiveChart::TakeOver(const LiveChart& before)
{
    mRaised[0] = before.mRaised[0];
    mRaised[1] = before.mRaised[1];
    mFirstConclude = before.mFirstConclude;
    mTakenOverPoints = std::size_t(before.mBase.pointCount);
}

long LiveChart::rowsBefore() const
{
    const std::optional<WallTime> from = readFrom();
    if (!from)
        return 0;
    return mBase.records - (TimeKey(*from) / 1000 == mBaseSecond ? mBaseSecondRows : 0);
}

void LiveChart::Detail(Cursor& c, const Kept& last, QStringList serials) const
{
    c.details.push_back(
        { c.pointCount, last.timed ? std::optional(FromKey(last.key)) : std::nullopt, std::move(serials) });
    if (c.details.size() > kKeptPointDetails)
        c.details.pop_front();
}

// As the plot function plots a row: a reading that is no number is counted; a subgroup chart plots a
// point for every whole subgroup, an Individual-MR chart every reading once there are two.
void LiveChart::Feed(Cursor& c, ChartModel& chart, const Kept& row) const
{
    ++c.records;
    if (row.notANumber) {
        ++c.notNumbers;
        return;
    }
    if (auto* groups = std::get_if<Subgroups>(&c.points)) {
        groups->pendingSerials << row.serial;
        if (const auto point = groups->acc.add(row.value)) {
            c.started = true;
            AddSubgroupPoints(chart, *point);
            ++c.pointCount;
            Detail(c, row, std::exchange(groups->pendingSerials, {}));
        }
        return;
    }
    auto& readings = std::get<Individuals>(c.points);
    auto plot = [&](const Kept& reading) {
        AddIndividualPoints(chart, readings.acc.add(reading.value.value_or(0.0))); // a null reads as 0
        ++c.pointCount;
        Detail(c, reading, { reading.serial });
    };
    if (!readings.first) {
        readings.first = row;
        return;
    }
    if (!c.started) {
        c.started = true;
        plot(*readings.first);
    }
    plot(row);
}

VariablesPlotOutcome LiveChart::Conclude(AppState& state, ChartModel& chart, const data::PlotSelection& s,
    Prompt& prompt, const std::optional<HeldLimits>& held)
{
    VariablesPlotOutcome out;
    out.records = mCurrent.records;
    out.pointCount = mCurrent.pointCount;
    out.skipped.notNumbers = mCurrent.notNumbers;
    // The lines, limits and marks of the read before go; the data series stay.
    for (int i = chart.seriesCount() - 1; i >= kTemplateSeriesCount; --i)
        chart.removeSeries(i);
    for (int i : { kSeriesLSL, kSeriesUSL, kSeriesUpArrow, kSeriesDownArrow })
        if (ChartSeries* series = chart.seriesAt(i))
            series->clear();
    chart.left.automatic = true;
    chart.custom0.automatic = true;
    if (mCurrent.started) {
        double usl = 0, lsl = 0;
        PlotLimits(s, prompt, usl, lsl);
        out.stat = std::visit([&](const auto& p) { return p.acc.finish(usl, lsl); }, mCurrent.points);
        if (!out.stat.failure.isEmpty())
            prompt.warn(out.stat.failure);
        out.limits = ComputeControlLimits(LimitInputsFor(state, s, out.stat, usl, lsl, held));
        if (out.limits.completed)
            FillControlLimits(chart, out.limits);
        else
            prompt.warn(out.limits.failure);
        out.plotted = true;
    }
    WritePageChangeCaption(chart, state.gChartTitle);
    ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    if (s.showZones && out.plotted)
        out.rules = EvaluateVariablesRules(chart, out.limits, s.chartType, state.gRulesSetup, state.gRulesBlinkEnable);
    mNewMarks.clear();
    FindNewMarks(out.rules.centre, LimitChart::Centre, chart);
    FindNewMarks(out.rules.variation, LimitChart::Variation, chart);
    mCurrent.details.clear(); // the new marks hold theirs; the next read makes them again
    mFirstConclude = false;
    return out;
}

void LiveChart::FindNewMarks(const RuleMarks& marks, LimitChart which, const ChartModel& chart)
{
    std::vector<RuleMark>& raised = mRaised[which == LimitChart::Centre ? 0 : 1];
    raised.resize(std::max(raised.size(), marks.size()));
    const ChartSeries* series = chart.seriesAt(which == LimitChart::Centre ? kSeriesXBar : kSeriesRange);
    const std::deque<PointDetail>& details = mCurrent.details;
    const std::size_t reach = mUnchangedPoints >= kLongestRuleWindow ? mUnchangedPoints - (kLongestRuleWindow - 1) : 0;
    for (std::size_t i = 0; i < marks.size(); ++i) {
        const RuleMark fresh = RuleMark(marks[i] & ~raised[i]);
        raised[i] |= marks[i];
        if (!fresh || mFirstConclude || i < reach)
            continue;
        NewRuleMark mark;
        mark.chart = which;
        mark.point = std::int64_t(i) + 1;
        mark.rules = MarkCodes(fresh);
        if (series && int(i) < series->count())
            mark.value = series->points.y(int(i));
        if (!details.empty() && mark.point >= details.front().point && mark.point <= details.back().point) {
            const PointDetail& d = details[std::size_t(mark.point - details.front().point)];
            mark.time = d.time;
            mark.serials = d.serials;
        }
        mNewMarks.push_back(std::move(mark));
    }
}

void LiveChart::setRaised(LimitChart which, std::vector<RuleMark> marks)
{
    mRaised[which == LimitChart::Centre ? 0 : 1] = std::move(marks);
    mFirstConclude = false;
}

namespace
{

// The range's interval with its start or its end moved to `at` (to the second).
QString MovedInterval(const AppState& state, const QString& interval, const QDateTime& at, bool start)
{
    const QChar delimiter = interval.front();
    const qsizetype andAt = interval.indexOf(QLatin1String(" AND "));
    const QString text
        = delimiter + FormatDateTime(at, ShortDateFormat(state.gDateOrder) + QStringLiteral(" hh:nn:ss")) + delimiter;
    return start ? text + interval.mid(andAt) : interval.left(andAt) + QStringLiteral(" AND ") + text;
}

QDateTime ToSecond(const WallTime& t)
{
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second));
}

} // namespace

QString StatementFrom(const AppState& state, const QString& range, const QDate& today,
    const std::optional<WallTime>& from, const std::function<QString(const QString& interval)>& statement)
{
    QString title;
    const QString interval = GetTestedRange(state, range, title, today);
    if (!from)
        return statement(interval);
    // From the second the row starts in: the rows before it within that second are passed over by the reader.
    return statement(MovedInterval(state, interval, ToSecond(*from), true));
}

bool LateRowCheck::due(std::int64_t nowMs) const
{
    return !mLastMs || mCostMs < kCheapMs || nowMs < *mLastMs || nowMs - *mLastMs >= kShare * mCostMs;
}

void LateRowCheck::done(std::int64_t startMs, std::int64_t nowMs, std::optional<bool> scanned)
{
    mLastMs = nowMs;
    mCostMs = std::max<std::int64_t>(0, nowMs - startMs);
    if (!scanned)
        return;
    (*scanned ? mScanMs : mIndexMs) = mCostMs;
    if (mCostMs < kCheapMs)
        mScan = *scanned;
    else if (!(*scanned ? mIndexMs : mScanMs))
        mScan = !*scanned;
    else
        mScan = *mScanMs < *mIndexMs;
}

data::Status FindLateRows(AppState& state, const QString& range, const QDate& today, const WallTime& from,
    long rowsBefore, const std::function<QString(const QString& interval)>& statement, LateRowCheck& check, bool& late)
{
    late = false;
    const std::int64_t start = QDateTime::currentMSecsSinceEpoch();
    if (!check.due(start))
        return {};
    QString title;
    const QString interval = GetTestedRange(state, range, title, today);
    // Up to the second before the read's first: a row of that second may be counted here or not as the
    // engine compares fractions, and the rows read hold them all.
    const QDate last = range == QLatin1String("Custom") ? DateOrZero(state.gCustomEnd)
                                                        : (today.isValid() ? today : QDate::currentDate());
    const QDateTime end = std::min(ToSecond(from).addSecs(-1), QDateTime(last, QTime(23, 59, 59)));
    const QString sql = statement(MovedInterval(state, interval, end, false));
    const qsizetype fromAt = sql.indexOf(QLatin1String(" FROM "));
    const qsizetype orderAt = sql.lastIndexOf(QLatin1String(" ORDER BY "));
    if (fromAt < 0 || orderAt < fromAt || sql.contains(QLatin1String("GROUP BY")))
        return {}; // grouped rows: no count of rows to compare
    QString counted = sql.mid(fromAt, orderAt - fromAt);
    std::optional<bool> scanned;
    if (state.gConnection->StatementDialect() == Dialect::SQLite) {
        const qsizetype whereAt = counted.indexOf(QLatin1String(" WHERE "));
        scanned = check.scan() && whereAt > 0;
        if (*scanned)
            counted.insert(whereAt, QLatin1String(" NOT INDEXED"));
    }
    Recordset rs;
    if (Status e
        = rs.Open(QStringLiteral("SELECT COUNT(*) AS CountX") + counted, *state.gConnection, Recordset::Count::Skip))
        return e;
    const Recordset::FieldResult count = rs.Fields(QStringLiteral("CountX"));
    if (count.error)
        return count.error;
    late = count.value.toLongLong() > rowsBefore;
    check.done(start, QDateTime::currentMSecsSinceEpoch(), scanned);
    return {};
}

data::Status PrepareConnection(AppState& state, bool& reconnect)
{
    if (!state.gConnection)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    if (reconnect || state.gConnection->SnapshotOutdated()) {
        reconnect = true;
        if (Status e = state.gConnection->Reconnect())
            return e;
        reconnect = false;
    }
    return {};
}

QString LiveChartKey(const AppState& state, const data::PlotSelection& s,
    const std::function<QString(const QString& interval)>& statement)
{
    QString title;
    const QString interval = GetTestedRange(state, s.range.trimmed(), title, s.query.today);
    return statement(interval.left(interval.indexOf(QLatin1String(" AND ")))) + u'|' + s.chartType + u'|'
        + QString::number(state.gSampleSize);
}

data::Status ReadProgress(AppState& state, data::PlotHost& host, long n)
{
    if (n % kYieldEvery != kYieldEvery - 1)
        return {};
    host.KeepResponsive(n + 1);
    if (state.gStopPlot)
        return DataError { kErrInterrupted, QStringLiteral("Operation was cancelled.") };
    return {};
}

Status LivePlot::ReadRows(AppState& state, ChartModel& chart, data::PlotHost& host, Recordset& rs)
{
    Status error;
    mChart->BeginRead(chart);
    const RowReader reader(rs);
    const int value = reader.valueField(QStringLiteral("ValueX"));
    LiveRow row;
    for (long n = 0; !rs.Eof() && !error; ++n) {
        // The keys of a value that is no reading are read too: they place it in the overlap.
        if (!(error = reader.number(value, row.reading.value, row.notANumber)) && !(error = reader.keys(row.reading))) {
            row.serial = QString::fromStdString(row.reading.serial);
            mChart->Add(chart, row);
        }
        if (!error)
            error = rs.MoveNext();
        if (!error)
            error = ReadProgress(state, host, n);
    }
    if (error)
        mChart->CancelRead(chart);
    else
        mChart->EndRead(chart);
    return error;
}

LiveOutcome LivePlot::Refresh(AppState& state, ChartModel& chart, const data::PlotSelection& s, data::PlotHost& host,
    const std::optional<HeldLimits>& held)
{
    LiveOutcome out;
    state.gStopPlot = false;
    state.gChartTitle = s.product.trimmed() + QStringLiteral(" ") + s.parameterItem.trimmed();
    if (Status e = PrepareConnection(state, mReconnect)) {
        out.failure = *e;
        return out;
    }
    const QString sortBy = state.gColTestStartTime + QStringLiteral(", ") + state.gColATEID;
    const auto statement = [&](const QString& interval) {
        return MakeSQL(state, s.query, state.gParamColumn.value(s.parameterIndex), interval, TesterFilter(s), sortBy,
            s.serialFilter.toUpper(), s.query.testIdText, PassCondition(state, s.passOnly), s.lastDataOnly);
    };
    const QString made = LiveChartKey(state, s, statement);
    // The page shown is kept, or the last one followed where it was shown.
    const int page = chart.currentPage();
    const bool onLastPage = page >= chart.pageCount();
    bool late = false;
    if (mChart && made == mStatement && mChart->readFrom()) {
        if (Status e = FindLateRows(state, s.range.trimmed(), s.query.today, *mChart->readFrom(), mChart->rowsBefore(),
                statement, mLateRows, late)) {
            out.failure = *e;
            mReconnect = true;
            return out;
        }
    }
    // A row written further back than the overlap: the chart is plotted again from the start.
    if (!mChart || made != mStatement || late) {
        std::optional<LiveChart> before;
        if (late)
            before.swap(mChart);
        mChart.emplace(s.chartType, state.gSampleSize, mOverlapSeconds);
        if (before)
            mChart->TakeOver(*before);
        mStatement = made;
        out.fromStart = true;
        ResetVariablesChart(chart, s.chartType, state.gSpecField4.value(s.parameterIndex), state.gChartTitle);
        host.ChartReset();
    }
    Recordset rs;
    Status error;
    {
        EngineProgress progress(state, [&host] { host.KeepResponsive(0); });
        error = rs.Open(StatementFrom(state, s.range.trimmed(), s.query.today, mChart->readFrom(), statement),
            *state.gConnection, out.fromStart ? Recordset::Count::TimesOnly : Recordset::Count::Skip);
    }
    if (!error) {
        if (out.fromStart)
            mUnreadableTimes = rs.UnreadableTimes();
        error = ReadRows(state, chart, host, rs);
    }
    if (error) {
        out.failure = *error;
        mReconnect = error->number != kErrInterrupted;
        if (out.fromStart)
            mChart.reset();
        return out;
    }
    chart.setPage(onLastPage ? chart.pageCount() : page);
    out.plot = mChart->Conclude(state, chart, s, host.prompt(), held);
    out.plot.skipped.unreadableTimes = mUnreadableTimes;
    out.newMarks = mChart->newMarks();
    return out;
}

} // namespace moldrin
