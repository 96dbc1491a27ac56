// Reading a statement's rows for the further charts: opening, stepping, fields as numbers.
#pragma once

#include "common/appstate.h"
#include "common/reading.h"
#include "data/access/connection.h"
#include "data/loader/plotfunction.h"

#include <QStringList>

#include <cmath>
#include <optional>
#include <vector>

namespace moldrin::data
{

inline constexpr long kErrInvalidUseOfNull = 94;

// The field at `index` of the current row: its number, or nothing for a null and for a field that is no
// number (a text such as "n/a", NaN, a date), which sets notANumber: such a field is skipped and counted.
// Numbers and texts the engine holds are read in place, without a value made for each field.
inline Status FieldNumber(const Recordset& rs, int index, std::optional<double>& out, bool& notANumber)
{
    using Kind = Recordset::RawField::Kind;
    const Recordset::RawField raw = rs.Raw(index);
    FieldReading reading;
    if (raw.kind == Kind::Number)
        reading
            = { std::isfinite(raw.number) ? FieldReading::Kind::Number : FieldReading::Kind::NotANumber, raw.number };
    else if (raw.kind == Kind::Text)
        reading = ReadingOfText(raw.text);
    else if (raw.kind == Kind::Other) {
        const Recordset::FieldResult f = rs.Field(index);
        if (f.error)
            return f.error;
        reading = ReadingOf(f.value);
    }
    notANumber = reading.kind == FieldReading::Kind::NotANumber;
    out = reading.isNumber() ? std::optional(reading.value) : std::nullopt;
    return {};
}

// The same where a null is an error, as assigning it to a number is.
inline Status FieldNumber(const Recordset& rs, int index, double& out, bool& notANumber)
{
    std::optional<double> v;
    if (Status e = FieldNumber(rs, index, v, notANumber); e || notANumber)
        return e;
    if (!v)
        return DataError { kErrInvalidUseOfNull, QStringLiteral("Invalid use of Null") };
    out = *v;
    return {};
}

// The fields named `aliases` of the current row, in order, as FieldNumber reads them (nothing for a null or a
// field that is no number); `notANumber` is set when any is no number and never cleared.
inline Status FieldNumbers(
    const Recordset& rs, const QStringList& aliases, std::vector<std::optional<double>>& out, bool& notANumber)
{
    out.clear();
    for (const QString& alias : aliases) {
        std::optional<double> v;
        bool no = false;
        if (Status e = FieldNumber(rs, rs.FieldIndex(alias), v, no))
            return e;
        notANumber = notANumber || no;
        out.push_back(v);
    }
    return {};
}

// A forward-only result opened while the window is kept responsive (a sort before the first row takes a
// while on many rows); stepping lets the host repaint every few thousand rows.
class ResultReader
{
public:
    ResultReader(AppState& state, PlotHost& host)
        : mState(state)
        , mHost(host)
    {
    }
    // The rows whose start time is no time are counted (result().UnreadableTimes()) unless `count` is Skip.
    Status open(const QString& sql, Recordset::Count count = Recordset::Count::TimesOnly);
    bool atEnd() const { return mRs.Eof(); }
    Status next();
    // The position of a field, for FieldNumber (-1 when the result has no such alias).
    int field(const QString& alias) const { return mRs.FieldIndex(alias); }
    const Recordset& result() const { return mRs; }

private:
    static constexpr long kYieldEvery = 4096;
    AppState& mState;
    PlotHost& mHost;
    Recordset mRs;
    long mRow = 0;
};

} // namespace moldrin::data
