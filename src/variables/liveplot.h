// Live monitoring of the variables chart: a plot extended by the rows written since it was last read, and
// the rule marks that were not there before.
#pragma once

#include "data/access/dataerror.h"
#include "data/loader/listingwriter.h"
#include "variables/variablesplot.h"

#include <QDataStream>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace moldrin
{

// How far back in start time each read reaches over the rows already read. A row whose start time lies
// further back than this behind the latest start time read when it is written (a tester's clock far
// behind, an upload held for longer) reaches the chart in the next plot from the start.
inline constexpr std::int64_t kDefaultOverlapSeconds = 600;
// The points whose readings' serial numbers are kept for the marks that come with a read.
inline constexpr std::size_t kKeptPointDetails = 512;

// A start time as milliseconds from a fixed day: the order of rows and the overlap's reach.
std::int64_t TimeKey(const WallTime& t);

// One row of a variables statement in its order.
struct LiveRow {
    data::ListedReading reading;
    bool notANumber = false; // the value is no reading: counted, not plotted
    QString serial; // the reading's serial number, made once and shared by the charts that keep the row
};

// A rule mark on a point that did not carry it before.
struct NewRuleMark {
    LimitChart chart = LimitChart::Centre;
    std::int64_t point = 0; // counting from 1
    QString rules; // the codes of both sides in rule order ("R1+", "R2-,R3-")
    double value = 0; // the point's value on its chart
    std::optional<WallTime> time; // the start time of the point's last reading
    QStringList serials; // of the point's readings; empty for a point long before the last read
};

// One parameter's chart kept for extension: the readings before the overlap in their subgroups (running
// sums, the partial last subgroup) and the overlap's rows themselves. A read takes every row from
// readFrom() on in statement order; the rows before it are never read again, those after it are plotted
// again in their new order, so a row counts once and late rows within the overlap take their place.
// Memory: the chart's points, the overlap's rows and the marks already raised.
class LiveChart
{
public:
    LiveChart(const QString& chartType, int sampleSize, std::int64_t overlapSeconds);

    // The start time the next read takes rows from: nothing before the first read.
    std::optional<WallTime> readFrom() const;
    // Begins a read: the chart's data series go back to the points before the overlap.
    void BeginRead(ChartModel& chart);
    // A row of the read; rows before readFrom() were read before and are passed over.
    void Add(ChartModel& chart, const LiveRow& row);
    // Ends a read: the overlap's rows are plotted after the points before it.
    void EndRead(ChartModel& chart);
    // A read that failed: the chart and the state are those of the read before.
    void CancelRead(ChartModel& chart);
    // After EndRead: whether the read changed what Save writes; false where it read only the rows it held.
    bool changed() const { return mChanged; }

    // After EndRead: limits, lines, rules and page as PlotVariablesChart draws them from the same rows
    // (without its listings), the page kept; against `held` limits where given. Messages of the computation go
    // to `prompt`.
    VariablesPlotOutcome Conclude(AppState& state, ChartModel& chart, const data::PlotSelection& s, Prompt& prompt,
        const std::optional<HeldLimits>& held = std::nullopt);
    // The marks of the last Conclude that no Conclude placed before on a point a window of this read's
    // points reaches; empty for the first, whose marks are taken as seen. A mark that only recomputed limits
    // put on a point further back is taken as seen too: it tells nothing new of the process.
    const std::vector<NewRuleMark>& newMarks() const { return mNewMarks; }
    // The codes raised so far per point; those taken as raised before (a state kept between runs), after
    // which the first Conclude's marks are new too where they are not among them.
    const std::vector<RuleMark>& raised(LimitChart which) const { return mRaised[which == LimitChart::Centre ? 0 : 1]; }
    void setRaised(LimitChart which, std::vector<RuleMark> marks);
    // A chart read again from the start in place of `before` (a row came further back than its overlap):
    // the codes it raised stay raised, and marks on the points it held unchanged are taken as seen.
    void TakeOver(const LiveChart& before);
    // The rows read before the second readFrom() lies in. A count of the statement's rows up to the
    // second before that exceeds it only where a row was written further back than the overlap.
    long rowsBefore() const;

    // After Conclude: what the next read needs (the rows before the overlap with the chart's points, the
    // overlap's rows, the codes raised), and back into a chart as ResetVariablesChart leaves it. False
    // for a stream that holds no such state; the chart is then as reset and the read starts over.
    void Save(QDataStream& out, const ChartModel& chart) const;
    bool Restore(QDataStream& in, ChartModel& chart);

private:
    struct PointDetail {
        std::int64_t point = 0;
        std::optional<WallTime> time;
        QStringList serials;
    };
    // A row as the chart keeps it: what a point takes of it.
    struct Kept {
        std::int64_t key = 0; // start time in milliseconds (of the row before where it was unreadable)
        std::optional<double> value;
        bool timed = false; // the start time was readable
        bool notANumber = false;
        QString serial;
        bool operator==(const Kept&) const = default;
    };
    struct Subgroups {
        SubgroupAccumulator acc;
        QStringList pendingSerials;
    };
    struct Individuals {
        IndividualAccumulator acc;
        std::optional<Kept> first; // held until a second reading shows there is a chart
    };
    // What the rows so far made of the chart.
    struct Cursor {
        std::variant<Individuals, Subgroups> points;
        bool started = false; // a point was plotted
        long records = 0;
        long notNumbers = 0;
        long pointCount = 0;
        std::deque<PointDetail> details; // of the last kKeptPointDetails points
    };

    static void PutRow(QDataStream& out, const Kept& row);
    static bool GetRow(QDataStream& in, Kept& row);
    void Feed(Cursor& c, ChartModel& chart, const Kept& row) const;
    void Detail(Cursor& c, const Kept& last, QStringList serials) const;
    void FindNewMarks(const RuleMarks& marks, LimitChart which, const ChartModel& chart);

    bool mIndividual;
    std::int64_t mOverlapMs;
    Cursor mBase; // the rows before the overlap
    std::deque<Kept> mOverlap;
    Cursor mCurrent; // after EndRead: every row
    std::optional<std::int64_t> mReadFrom;
    std::int64_t mLastKey = 0;
    // The second of the last row before the overlap, and the rows of it there.
    std::int64_t mBaseSecond = -1;
    long mBaseSecondRows = 0;
    // Saved at BeginRead for CancelRead.
    Cursor mSavedBase;
    std::deque<Kept> mSavedOverlap;
    std::optional<std::int64_t> mSavedReadFrom;
    std::int64_t mSavedBaseSecond = -1;
    long mSavedBaseSecondRows = 0;
    bool mFirstConclude = true;
    bool mChanged = false; // rows left the overlap, or the overlap holds other rows
    std::size_t mUnchangedPoints = 0; // the points this read left as they were
    std::size_t mTakenOverPoints = 0; // those of a chart taken over, for the first read
    std::vector<RuleMark> mRaised[2]; // per chart and point: the codes raised so far
    std::vector<NewRuleMark> mNewMarks;
};

// When a read counts the rows before its overlap, to find a row written further back (a tester's clock far
// behind, an upload held for longer). The count scans every row before: where the last one took kCheapMs
// or more, it is taken again once the time since is kShare times what it took, so that a refresh costs in
// proportion to its new rows, and such a row is found within that time or the next interval, whichever is
// later. A cheaper count runs at every read.
// On SQLite a count over most of the table costs less as a scan of it than through the start-time index (a
// row looked up for each entry), over a short range more: both count the same rows, and where a count was
// not cheap the next one takes the plan that was cheaper when last measured, the other tried once first.
class LateRowCheck
{
public:
    static constexpr std::int64_t kShare = 10;
    static constexpr std::int64_t kCheapMs = 20;
    // Times in milliseconds since the epoch (a state kept between runs holds them).
    bool due(std::int64_t nowMs) const;
    // `scanned`: the plan of the count, where the engine has the choice.
    void done(std::int64_t startMs, std::int64_t nowMs, std::optional<bool> scanned = std::nullopt);
    bool scan() const { return mScan; }
    std::optional<std::int64_t> lastMs() const { return mLastMs; }
    std::int64_t costMs() const { return mCostMs; }
    void restore(std::optional<std::int64_t> lastMs, std::int64_t costMs)
    {
        mLastMs = lastMs;
        mCostMs = costMs;
    }

private:
    std::optional<std::int64_t> mLastMs;
    bool mScan = false;
    std::optional<std::int64_t> mIndexMs, mScanMs; // the last cost of each plan
    std::int64_t mCostMs = 0;
};

// Where the check is due: `late` when the statement selects more rows from the range's start to the second
// before `from`'s than the `rowsBefore` read. A statement that groups its rows is not counted.
data::Status FindLateRows(AppState& state, const QString& range, const QDate& today, const WallTime& from,
    long rowsBefore, const std::function<QString(const QString& interval)>& statement, LateRowCheck& check, bool& late);

// One read: the plot, the new marks, or why the read failed.
struct LiveOutcome {
    VariablesPlotOutcome plot;
    std::vector<NewRuleMark> newMarks;
    bool fromStart = false; // read from the range's start: the first read, or the selection or range moved
    std::optional<data::DataError> failure; // the chart shows the read before
};

// The main chart of a selection kept live: each Refresh reads the rows from the overlap on and extends the
// chart. The chart equals the one PlotVariablesChart draws from the same rows, figure for figure and mark
// for mark.
class LivePlot
{
public:
    explicit LivePlot(std::int64_t overlapSeconds = kDefaultOverlapSeconds)
        : mOverlapSeconds(overlapSeconds)
    {
    }
    // The chart's page is kept, or follows the last page where that was shown. Messages of the chart's
    // computation go to host.prompt(); a failed read is returned, not shown.
    // With held limits the lines, zones and rules are theirs (a chart split into stages is not extended).
    LiveOutcome Refresh(AppState& state, ChartModel& chart, const data::PlotSelection& s, data::PlotHost& host,
        const std::optional<HeldLimits>& held = std::nullopt);

private:
    data::Status ReadRows(AppState& state, ChartModel& chart, data::PlotHost& host, data::Recordset& rs);

    std::int64_t mOverlapSeconds;
    std::optional<LiveChart> mChart;
    QString mStatement; // the selection's whole statement: another one starts over
    long mUnreadableTimes = 0; // counted on the read from the start
    bool mReconnect = false; // the last read failed
    LateRowCheck mLateRows;
};

// After row `n` (from 0) of a read: every so many rows the host keeps the program responsive, and a stop
// asked for meanwhile ends the read.
data::Status ReadProgress(AppState& state, data::PlotHost& host, long n);

// Before a read: after a failed one (`reconnect`: a server restarting, the network gone) the connection is
// made again, and a file read as it was when opened is read as it is now. A failure sets `reconnect`.
data::Status PrepareConnection(AppState& state, bool& reconnect);

// What a live chart is made of: the statement (built by `statement` for an interval literal) with the range's
// start, whose end moves with the day, the chart type and the subgroup size. Another one starts over.
QString LiveChartKey(const AppState& state, const data::PlotSelection& s,
    const std::function<QString(const QString& interval)>& statement);

// The selection's statement limited to the rows from `from` on (the range's end kept); the whole
// statement without `from`. `statement` builds the statement for an interval literal.
QString StatementFrom(const AppState& state, const QString& range, const QDate& today,
    const std::optional<WallTime>& from, const std::function<QString(const QString& interval)>& statement);

} // namespace moldrin
