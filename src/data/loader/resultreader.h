// Reading a statement's rows for the further charts: opening, stepping, fields as numbers.
#pragma once

#include "common/appstate.h"
#include "data/access/connection.h"
#include "data/loader/plotfunction.h"

#include <optional>

namespace moldrin::data
{

inline constexpr long kErrTypeMismatch = 13;
inline constexpr long kErrInvalidUseOfNull = 94;

// The field at `index` of the current row: its number, or nothing for a null. A text that is no number
// (or a date) fails with "Type mismatch".
inline Status FieldNumber(const Recordset& rs, int index, std::optional<double>& out)
{
    const Recordset::FieldResult f = rs.Field(index);
    if (f.error)
        return f.error;
    out.reset();
    if (f.value.isNull())
        return {};
    bool ok = false;
    const double v = f.value.typeId() == QMetaType::Double ? f.value.toDouble(&ok)
        : f.value.typeId() == QMetaType::QString           ? f.value.toString().trimmed().toDouble(&ok)
                                                           : false;
    if (!ok)
        return DataError { kErrTypeMismatch, QStringLiteral("Type mismatch") };
    out = v;
    return {};
}

// The same where a null is an error, as assigning it to a number is.
inline Status FieldNumber(const Recordset& rs, int index, double& out)
{
    std::optional<double> v;
    if (Status e = FieldNumber(rs, index, v))
        return e;
    if (!v)
        return DataError { kErrInvalidUseOfNull, QStringLiteral("Invalid use of Null") };
    out = *v;
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
    Status open(const QString& sql);
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
