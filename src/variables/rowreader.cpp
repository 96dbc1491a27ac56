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

} // namespace moldrin
