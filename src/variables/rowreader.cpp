// Reading the keyed readings of a variables statement's rows.
#include "variables/rowreader.h"

#include "common/reading.h"
#include "data/loader/resultreader.h"
#include "data/loader/tempfiles.h"

#include <QDateTime>

#include <cmath>
#include <string_view>

namespace moldrin
{

namespace
{

using Kind = data::Recordset::RawField::Kind;

bool IsBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

RowReader::RowReader(const data::Recordset& rs)
    : mRs(rs)
    , mTester(rs.FieldIndex(QStringLiteral("ATEX")))
    , mDate(rs.FieldIndex(QStringLiteral("DateX")))
    , mSerial(rs.FieldIndex(QStringLiteral("SNX")))
    , mValue(rs.FieldIndex(QStringLiteral("ValueX")))
{
}

data::Status RowReader::keys(data::ListedReading& r) const
{
    if (data::Status e = text(mTester, false, r.tester))
        return e;
    if (data::Status e = stamp(mDate, r.start))
        return e;
    return text(mSerial, true, r.serial);
}

data::Status RowReader::text(int index, bool upper, std::string& out) const
{
    const data::Recordset::RawField raw = mRs.Raw(index);
    if (raw.kind == Kind::Text && data::IsAscii(raw.text) && !ParseIsoWallTime(raw.text)) {
        std::string_view t = raw.text;
        while (!t.empty() && IsBlank(t.front()))
            t.remove_prefix(1);
        while (!t.empty() && IsBlank(t.back()))
            t.remove_suffix(1);
        out.assign(t);
        if (upper)
            for (char& c : out)
                if (c >= 'a' && c <= 'z')
                    c = char(c - 'a' + 'A');
        return {};
    }
    const auto f = mRs.Field(index);
    if (f.error)
        return f.error;
    const QString s = f.value.toString().trimmed();
    out = (upper ? s.toUpper() : s).toStdString();
    return {};
}

data::Status RowReader::stamp(int index, std::optional<WallTime>& out) const
{
    const data::Recordset::RawField raw = mRs.Raw(index);
    if (raw.kind == Kind::Time) {
        out = raw.time;
        return {};
    }
    if (raw.kind == Kind::Text) {
        if ((out = ParseIsoWallTime(raw.text)))
            return {};
    }
    const auto f = mRs.Field(index);
    if (f.error)
        return f.error;
    const QDateTime when = f.value.toDateTime();
    out.reset();
    if (when.isValid())
        out = WallTime { when.date().year(), when.date().month(), when.date().day(), when.time().hour(),
            when.time().minute(), when.time().second(), when.time().msec() };
    return {};
}

data::Status RowReader::number(int index, std::optional<double>& out, bool& notANumber) const
{
    return data::FieldNumber(mRs, index, out, notANumber);
}

SubgroupReader::SubgroupReader(const data::Recordset& rs)
    : mRow(rs)
    , mGroup(rs.FieldIndex(QStringLiteral("GroupX")))
    , mCount(rs.FieldIndex(QStringLiteral("CountX")))
    , mMean(rs.FieldIndex(QStringLiteral("MeanX")))
    , mLow(rs.FieldIndex(QStringLiteral("LowX")))
    , mHigh(rs.FieldIndex(QStringLiteral("HighX")))
    , mSquares(rs.FieldIndex(QStringLiteral("SquaresX")))
    , mMedian(rs.FieldIndex(QStringLiteral("MedianX")))
    , mFirst(rs.FieldIndex(QStringLiteral("FirstX")))
    , mEarliest(rs.FieldIndex(QStringLiteral("EarliestX")))
    , mLatest(rs.FieldIndex(QStringLiteral("LatestX")))
{
}

data::Status SubgroupReader::number(int index, double& out, bool& finite) const
{
    bool notANumber = false;
    if (data::Status e = data::FieldNumber(mRow.rs(), index, out, notANumber))
        return e;
    finite = finite && !notANumber;
    return {};
}

data::Status SubgroupReader::read(EngineSubgroup& g) const
{
    double group = 0, count = 0;
    g.finite = true;
    if (data::Status e = number(mGroup, group, g.finite); e)
        return e;
    if (data::Status e = number(mCount, count, g.finite); e)
        return e;
    g.group = long(group);
    g.figures.count = std::int64_t(count);
    if (g.group < 0)
        return {};
    for (const auto& [index, target] : { std::pair { mMean, &g.figures.mean }, std::pair { mLow, &g.figures.low },
             std::pair { mHigh, &g.figures.high }, std::pair { mSquares, &g.figures.squares },
             std::pair { mMedian, &g.figures.median } }) {
        if (index < 0 && target == &g.figures.median)
            continue; // a chart without medians
        if (data::Status e = number(index, *target, g.finite))
            return e;
    }
    if (data::Status e = mRow.stamp(mFirst, g.first))
        return e;
    if (data::Status e = mRow.stamp(mEarliest, g.earliest))
        return e;
    return mRow.stamp(mLatest, g.latest);
}

} // namespace moldrin
