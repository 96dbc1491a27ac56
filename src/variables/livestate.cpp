// The state of live charts between runs (moldrin-report --watch-once): what the next read needs, in a
// binary stream. A stream that holds no such state is refused whole, never taken in part.
#include "variables/liveplot.h"
#include "variables/liveproduct.h"
#include "variables/variableschart.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <type_traits>

namespace moldrin
{

namespace
{

// Counts beyond these are no state this program wrote.
constexpr quint64 kMostItems = quint64(1) << 32;

void Put(QDataStream& out, const std::optional<WallTime>& t)
{
    out << bool(t);
    if (t)
        out << qint32(t->year) << qint8(t->month) << qint8(t->day) << qint8(t->hour) << qint8(t->minute)
            << qint8(t->second) << qint16(t->millisecond);
}

bool Get(QDataStream& in, std::optional<WallTime>& t)
{
    bool present = false;
    in >> present;
    t.reset();
    if (!present)
        return in.status() == QDataStream::Ok;
    qint32 year = 0;
    qint8 month = 0, day = 0, hour = 0, minute = 0, second = 0;
    qint16 ms = 0;
    in >> year >> month >> day >> hour >> minute >> second >> ms;
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second, ms))
        return false;
    t = WallTime { year, month, day, hour, minute, second, ms };
    return in.status() == QDataStream::Ok;
}

} // namespace

void LiveChart::PutRow(QDataStream& out, const Kept& r)
{
    out << qint64(r.key) << bool(r.value) << r.value.value_or(0.0) << r.timed << r.notANumber << r.serial;
}

bool LiveChart::GetRow(QDataStream& in, Kept& r)
{
    qint64 key = 0;
    bool hasValue = false;
    double value = 0;
    in >> key >> hasValue >> value >> r.timed >> r.notANumber >> r.serial;
    r.key = key;
    r.value = hasValue ? std::optional(value) : std::nullopt;
    return in.status() == QDataStream::Ok;
}

namespace
{

// A list of numbers or marks as one block of bytes in the machine's order (the header of the state names
// it): a chart of many points is written and read at the speed of memory.
template <typename Item> void PutList(QDataStream& out, const std::vector<Item>& items)
{
    static_assert(std::is_trivially_copyable_v<Item>);
    out << QByteArray::fromRawData(reinterpret_cast<const char*>(items.data()), qsizetype(items.size() * sizeof(Item)));
}

template <typename Item> bool GetList(QDataStream& in, std::vector<Item>& items)
{
    QByteArray bytes;
    in >> bytes;
    if (in.status() != QDataStream::Ok || bytes.size() % qsizetype(sizeof(Item)) != 0)
        return false;
    items.resize(std::size_t(bytes.size()) / sizeof(Item));
    if (!items.empty()) // an empty vector's data() may be null, which memcpy does not take
        std::memcpy(items.data(), bytes.constData(), std::size_t(bytes.size()));
    return true;
}

// The four data series' values of a point, in the order a point adds them.
constexpr int kSavedSeries[] = { kSeriesMedian, kSeriesXBar, kSeriesS, kSeriesRange };

// The chart's `points` first points as Save wrote them.
bool GetPoints(QDataStream& in, ChartModel& chart, std::size_t points)
{
    std::vector<double> series[std::size(kSavedSeries)];
    for (std::size_t k = 0; k < std::size(kSavedSeries); ++k) {
        qint8 same = 0;
        in >> same;
        if (same < 0 || std::size_t(same) > k || (std::size_t(same) == k && !GetList(in, series[k])))
            return false;
        if (std::size_t(same) < k)
            series[k] = series[std::size_t(same)];
        if (series[k].size() != points)
            return false;
    }
    for (std::size_t i = 0; i < points; ++i) {
        SubgroupPoint p;
        p.number = std::int64_t(i) + 1;
        p.medianValue = series[0][i];
        p.centreValue = series[1][i];
        p.sValue = series[2][i];
        p.variationValue = series[3][i];
        AddSubgroupPoints(chart, p);
    }
    return true;
}

} // namespace

void LiveChart::Save(QDataStream& out, const ChartModel& chart) const
{
    out << mIndividual << bool(mReadFrom) << qint64(mReadFrom.value_or(0)) << qint64(mBaseSecond)
        << qint64(mBaseSecondRows);
    out << mBase.started << qint64(mBase.records) << qint64(mBase.notNumbers) << qint64(mBase.pointCount);
    // A series that repeats one before it (the means on the median's series of an X-Bar-R chart) is
    // named, not written again.
    std::vector<double> values[std::size(kSavedSeries)];
    for (std::size_t k = 0; k < std::size(kSavedSeries); ++k) {
        values[k].resize(std::size_t(mBase.pointCount));
        for (long i = 0; i < mBase.pointCount; ++i)
            values[k][std::size_t(i)] = chart.series[kSavedSeries[k]].points.y(int(i));
        const auto same = std::find(std::begin(values), std::begin(values) + std::ptrdiff_t(k), values[k]);
        out << qint8(same - std::begin(values));
        if (same == std::begin(values) + std::ptrdiff_t(k))
            PutList(out, values[k]);
    }
    // The readings' details of the points a new mark can still name.
    const std::size_t details = std::min(mBase.details.size(), kLongestRuleWindow);
    out << quint64(details);
    for (auto d = mBase.details.end() - std::ptrdiff_t(details); d != mBase.details.end(); ++d) {
        out << qint64(d->point);
        Put(out, d->time);
        out << d->serials;
    }
    if (const auto* groups = std::get_if<Subgroups>(&mBase.points)) {
        PutList(out, groups->acc.save());
        out << groups->pendingSerials;
    } else {
        const auto& readings = std::get<Individuals>(mBase.points);
        PutList(out, readings.acc.save());
        out << bool(readings.first);
        if (readings.first)
            PutRow(out, *readings.first);
    }
    out << quint64(mOverlap.size());
    for (const Kept& o : mOverlap)
        PutRow(out, o);
    PutList(out, mRaised[0]);
    PutList(out, mRaised[1]);
}

bool LiveChart::Restore(QDataStream& in, ChartModel& chart)
{
    bool individual = false, hasFrom = false;
    qint64 from = 0, baseSecond = 0, baseSecondRows = 0, records = 0, notNumbers = 0, points = 0;
    in >> individual >> hasFrom >> from >> baseSecond >> baseSecondRows;
    Cursor base = mBase;
    in >> base.started >> records >> notNumbers >> points;
    if (in.status() != QDataStream::Ok || individual != mIndividual || points < 0 || records < points || notNumbers < 0
        || notNumbers > records || quint64(points) > kMostItems || chart.seriesCount() < kTemplateSeriesCount)
        return false;
    base.records = long(records);
    base.notNumbers = long(notNumbers);
    base.pointCount = long(points);
    if (!GetPoints(in, chart, std::size_t(points)))
        return false;
    quint64 details = 0;
    in >> details;
    if (details > kLongestRuleWindow || details > quint64(points))
        return false;
    for (quint64 i = 0; i < details; ++i) {
        PointDetail d;
        qint64 point = 0;
        in >> point;
        d.point = point;
        if (!Get(in, d.time))
            return false;
        in >> d.serials;
        base.details.push_back(std::move(d));
    }
    std::vector<double> sums;
    if (!GetList(in, sums))
        return false;
    if (auto* groups = std::get_if<Subgroups>(&base.points)) {
        in >> groups->pendingSerials;
        if (!groups->acc.restore(sums))
            return false;
    } else {
        auto& readings = std::get<Individuals>(base.points);
        bool hasFirst = false;
        in >> hasFirst;
        Kept first;
        if (!readings.acc.restore(sums) || (hasFirst && !GetRow(in, first)))
            return false;
        if (hasFirst)
            readings.first = first;
    }
    quint64 overlap = 0;
    in >> overlap;
    if (overlap > kMostItems)
        return false;
    std::deque<Kept> rows;
    for (quint64 i = 0; i < overlap; ++i) {
        Kept o;
        if (!GetRow(in, o))
            return false;
        rows.push_back(std::move(o));
    }
    std::vector<RuleMark> raised[2];
    if (!GetList(in, raised[0]) || !GetList(in, raised[1]) || in.status() != QDataStream::Ok)
        return false;
    mBase = std::move(base);
    mCurrent = mBase;
    mOverlap = std::move(rows);
    mReadFrom = hasFrom ? std::optional<std::int64_t>(from) : std::nullopt;
    mBaseSecond = baseSecond;
    mBaseSecondRows = long(baseSecondRows);
    mRaised[0] = std::move(raised[0]);
    mRaised[1] = std::move(raised[1]);
    mFirstConclude = false;
    return true;
}

void LiveProduct::Save(QDataStream& out) const
{
    out << mMade << qint64(mRowsBefore) << bool(mLateRows.lastMs()) << qint64(mLateRows.lastMs().value_or(0))
        << qint64(mLateRows.costMs()) << quint64(mLive.size());
    for (std::size_t i = 0; i < mLive.size(); ++i)
        mLive[i].Save(out, mCharts[i]);
}

QString LiveProduct::Restore(QDataStream& in, AppState& state)
{
    QString made;
    qint64 rowsBefore = 0, lastCheck = 0, checkCost = 0;
    bool checked = false;
    quint64 charts = 0;
    in >> made >> rowsBefore >> checked >> lastCheck >> checkCost >> charts;
    if (in.status() != QDataStream::Ok)
        return QStringLiteral("it is damaged");
    if (mSelections.isEmpty() || made != Made(state) || charts != quint64(mSelections.size()))
        return QStringLiteral("it was made for another selection");
    Start(state);
    for (std::size_t i = 0; i < mLive.size(); ++i) {
        if (!mLive[i].Restore(in, mCharts[i])) {
            mLive.clear();
            mCharts.clear();
            return QStringLiteral("it is damaged");
        }
    }
    mRowsBefore = long(rowsBefore);
    mLateRows.restore(checked ? std::optional<std::int64_t>(lastCheck) : std::nullopt, checkCost);
    return {};
}

} // namespace moldrin
