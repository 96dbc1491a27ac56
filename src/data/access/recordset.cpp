// Recordset: a forward-only, read-only result over the connection, counted before it is read.
#include "data/access/connection.h"

#include "data/access/rowcursor.h"
#include "data/access/values.h"

#include <QRegularExpression>

namespace moldrin::data
{

namespace
{

bool IsReadStatement(const QString& sql)
{
    static const QRegularExpression start(
        QStringLiteral(R"(^[\s(]*(SELECT|WITH)\b)"), QRegularExpression::CaseInsensitiveOption);
    return start.match(sql).hasMatch();
}

// The one number a COUNT(*) statement gives.
Status CountRows(const Connection& connection, const QString& sql, const QStringList& parameters, long& count)
{
    std::unique_ptr<RowCursor> counter;
    Status status = ExecuteStatement(connection, sql, parameters, counter);
    if (!status && !counter->next(status) && !status)
        status = DataError { kErrCommand, QStringLiteral("The engine gave no count of the result.") };
    if (!status)
        count = static_cast<long>(counter->value(0).toLongLong());
    return status;
}

} // namespace

Recordset::Recordset() = default;
Recordset::~Recordset()
{
    Close();
}

void Recordset::Close()
{
    mCursor.reset();
    if (mConnection)
        std::erase(mConnection->mRecordsets, this);
    mConnection = nullptr;
    mCount = 0;
    mUnreadableTimes = 0;
    mCountingColumns = 0;
    mEof = true;
    mNames.clear();
}

Status Recordset::execute()
{
    Status status = ExecuteStatement(*mConnection, mSql, mParameters, mCursor);
    if (status)
        return status;
    mNames = mCursor->names();
    mNames.resize(std::max<qsizetype>(0, mNames.size() - mCountingColumns));
    mUnreadableTimes = mCountingColumns > 0 ? 0 : mUnreadableTimes;
    mEof = !mCursor->next(status);
    return status ? status : Settle();
}

// Counted in one scan: the rows outside the time range, whose time is no time, are counted and passed over.
Status Recordset::Settle()
{
    Status status;
    while (!mEof && mCountingColumns > 0) {
        const int column = int(mNames.size());
        const RawField raw = mCursor->raw(column);
        if (raw.kind == RawField::Kind::Number ? raw.number != 0 : mCursor->value(column).toInt() != 0)
            break;
        ++mUnreadableTimes;
        mEof = !mCursor->next(status);
    }
    return status;
}

Status Recordset::Open(const QString& sql, Connection& connection, Count count)
{
    Close();
    if (connection.State() != ObjectState::Open)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    if (sql.trimmed().isEmpty())
        return DataError { kErrCommand, QStringLiteral("Command text was not set for the command object.") };
    return Open(AdaptStatement(sql, connection.StatementDialect(), connection.schema()), connection, count);
}

Status Recordset::Open(const AdaptedStatement& adapted, Connection& connection, Count count)
{
    Close();
    if (connection.State() != ObjectState::Open)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    if (adapted.error)
        return adapted.error;
    // Nothing the program sends writes: refuse anything but a query before it reaches an engine.
    if (!IsReadStatement(adapted.sql))
        return DataError { kErrCommand, QStringLiteral("Operation must use an updateable query.") };
    Status status = run(connection, adapted, count);
    if (status && status->connectionLost) {
        // The server went away (restarted, or the link dropped): connect once more and run the statement again.
        Close();
        if (connection.Reconnect())
            return status;
        status = run(connection, adapted, count);
    }
    if (status)
        Close();
    return status;
}

Status Recordset::run(Connection& connection, const AdaptedStatement& adapted, Count count)
{
    if (Status refused = connection.SessionRefusal())
        return refused;
    mConnection = &connection;
    connection.mRecordsets.push_back(this);
    mSql = adapted.sql;
    mParameters = adapted.parameters;
    mCount = -1;
    mUnreadableTimes = 0;
    mCountingColumns = 0;
    if (count == Count::TimesWhileRead && !adapted.countingTimes.isEmpty()) {
        mSql = adapted.countingTimes;
        mCountingColumns = 1;
        return execute();
    }
    if (count == Count::Exact) {
        if (Status s = CountRows(connection, CountStatement(mSql), mParameters, mCount))
            return s;
    }
    if (count != Count::Skip && !adapted.unreadableTimes.isEmpty()) {
        if (Status s = CountRows(connection, adapted.unreadableTimes, adapted.unreadableParameters, mUnreadableTimes))
            return s;
    }
    return execute();
}

Status Recordset::MoveNext()
{
    if (!mCursor || mEof)
        return DataError { kErrNoCurrentRecord,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                           "Requested operation requires a current record.") };
    Status status;
    mEof = !mCursor->next(status);
    return status ? status : Settle();
}

Status Recordset::MoveFirst()
{
    if (!mConnection)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    if (Status s = execute())
        return s;
    if (mEof)
        return DataError { kErrNoCurrentRecord,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                           "Requested operation requires a current record.") };
    return {};
}

Recordset::FieldResult Recordset::Fields(const QString& alias) const
{
    return Field(FieldIndex(alias));
}

Recordset::FieldResult Recordset::Field(int index) const
{
    if (!mCursor)
        return { {}, DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") } };
    if (index < 0 || index >= mNames.size())
        return { {},
            DataError { kErrInvalidData1,
                QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                               "name or ordinal.") } };
    if (mEof)
        return { {},
            DataError { kErrNoCurrentRecord,
                QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                               "Requested operation requires a current record.") } };
    return { NormalizeValue(mCursor->value(index)), {} };
}

Recordset::RawField Recordset::Raw(int index) const
{
    if (!mCursor || mEof || index < 0 || index >= mNames.size())
        return {};
    return mCursor->raw(index);
}

QStringList Recordset::FieldNames() const
{
    return mNames;
}

int Recordset::FieldIndex(const QString& alias) const
{
    for (int i = 0; i < mNames.size(); ++i)
        if (mNames[i].compare(alias, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace moldrin::data
