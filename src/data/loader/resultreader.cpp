// Reading a statement's rows for the further charts: opening, stepping, fields as numbers.
#include "data/loader/resultreader.h"

#include "data/loader/engineprogress.h"

namespace moldrin::data
{

Status ResultReader::open(const QString& sql, Recordset::Count count)
{
    if (!mState.gConnection)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    const EngineProgress progress(mState, [this] { mHost.KeepResponsive(0); });
    mRow = 0;
    // Counted while read: a record count up front would run the statement twice.
    return mRs.Open(sql, *mState.gConnection, count);
}

Status ResultReader::next()
{
    if (++mRow % kYieldEvery == 0)
        mHost.KeepResponsive(mRow);
    return mRs.MoveNext();
}

} // namespace moldrin::data
