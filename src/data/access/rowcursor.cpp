// Row cursors: SQLite through its own API, every other engine through Qt SQL.
#include "data/access/rowcursor.h"

#include "data/access/values.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>

#include <cstring>
#include <string>
#include <vector>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

namespace moldrin::data
{

sqlite3* SqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

namespace
{

// SQLite (files and the loaded Access and Excel tables) read through its own API: values come as
// numbers and UTF-8 text without the generic layer's per-row variant list.
class SqliteCursor : public RowCursor
{
public:
    explicit SqliteCursor(sqlite3* db)
        : mDb(db)
    {
    }
    ~SqliteCursor() override { sqlite3_finalize(mStmt); }
    Status exec(const QString& sql)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(mDb, text.constData(), int(text.size()), &mStmt, nullptr) != SQLITE_OK)
            return error(false);
        mLast.resize(std::size_t(sqlite3_column_count(mStmt)));
        return {};
    }
    bool next(Status& status) override
    {
        const int rc = sqlite3_step(mStmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            status = error(true);
        return false;
    }
    QVariant value(int index) const override
    {
        switch (sqlite3_column_type(mStmt, index)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_column_double(mStmt, index);
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStmt, index));
            const int size = sqlite3_column_bytes(mStmt, index);
            // Start times are ISO text here: read straight from the bytes, without a QString between.
            if (const auto when = ParseIsoWallTime(std::string_view(text, std::size_t(size))))
                return when->toDateTime();
            // A column that repeats its text (the tester) shares one string instead of making a new one.
            Remembered& last = mLast[std::size_t(index)];
            if (last.bytes.size() != std::size_t(size)
                || std::memcmp(last.bytes.data(), text, std::size_t(size)) != 0) {
                last.bytes.assign(text, std::size_t(size));
                last.text = QString::fromUtf8(text, size);
            }
            return last.text;
        }
        }
    }
    Recordset::RawField raw(int index) const override
    {
        using Kind = Recordset::RawField::Kind;
        switch (sqlite3_column_type(mStmt, index)) {
        case SQLITE_NULL:
            return { Kind::Null, 0, {} };
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return { Kind::Number, sqlite3_column_double(mStmt, index), {} };
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStmt, index));
            return { Kind::Text, 0, std::string_view(text, std::size_t(sqlite3_column_bytes(mStmt, index))) };
        }
        default:
            return {};
        }
    }
    QStringList names() const override
    {
        QStringList out;
        for (int i = 0; i < sqlite3_column_count(mStmt); ++i)
            out << QString::fromUtf8(sqlite3_column_name(mStmt, i));
        return out;
    }

private:
    DataError error(bool duringFetch) const
    {
        const QString text = QString::fromUtf8(sqlite3_errmsg(mDb));
        if (sqlite3_errcode(mDb) == SQLITE_INTERRUPT)
            return { kErrInterrupted, QStringLiteral("Operation has been cancelled by the user.") };
        return { ClassifyError(QStringLiteral("SQLITE"), QString::number(sqlite3_errcode(mDb)), text, duringFetch),
            text };
    }
    struct Remembered {
        std::string bytes;
        QString text;
    };
    sqlite3* mDb;
    sqlite3_stmt* mStmt = nullptr;
    mutable std::vector<Remembered> mLast; // per column: the last text read
};

// Every other engine through Qt SQL.
class QtSqlCursor : public RowCursor
{
public:
    QtSqlCursor(const QSqlDatabase& db, const Connection& connection)
        : mQuery(db)
        , mConnection(connection)
    {
        mQuery.setForwardOnly(true);
        mQuery.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    }
    Status exec(const QString& sql)
    {
        if (!mQuery.exec(sql))
            return mConnection.engineError(mQuery.lastError(), false);
        if (mConnection.numbersMayComeAsText())
            mUntyped = UntypedColumns();
        return {};
    }
    bool numbersAsText(int index) const override { return index < mUntyped.size() && mUntyped[index]; }
    bool next(Status& status) override
    {
        if (mQuery.next())
            return true;
        if (mQuery.lastError().isValid())
            status = mConnection.engineError(mQuery.lastError(), true);
        return false;
    }
    QVariant value(int index) const override { return mQuery.value(index); }
    QStringList names() const override
    {
        QStringList out;
        const QSqlRecord record = mQuery.record();
        for (int i = 0; i < record.count(); ++i)
            out << record.fieldName(i);
        return out;
    }

private:
    // The columns for which the driver reports no type of its own: the SQLite driver names them "varchar"
    // in lower case (declared columns carry their declared type name).
    QList<bool> UntypedColumns() const
    {
        QList<bool> untyped(mQuery.record().count(), false);
        const QVariant handle = mQuery.result()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "void*") != 0)
            return untyped;
        SQLHANDLE statement = *static_cast<const SQLHANDLE*>(handle.constData());
        for (qsizetype i = 0; i < untyped.size(); ++i) {
            SQLCHAR name[64] = { 0 };
            SQLSMALLINT length = 0;
            if (SQL_SUCCEEDED(SQLColAttribute(
                    statement, SQLUSMALLINT(i + 1), SQL_DESC_TYPE_NAME, name, sizeof name, &length, nullptr)))
                untyped[i] = qstrcmp(reinterpret_cast<const char*>(name), "varchar") == 0;
        }
        return untyped;
    }
    QSqlQuery mQuery;
    const Connection& mConnection;
    QList<bool> mUntyped;
};

} // namespace

Status ExecuteStatement(const Connection& connection, const QString& sql, std::unique_ptr<RowCursor>& cursor)
{
    cursor.reset();
    QSqlDatabase db = QSqlDatabase::database(connection.connectionName(), false);
    Status status;
    if (sqlite3* handle = SqliteHandle(db)) {
        auto sqlite = std::make_unique<SqliteCursor>(handle);
        status = sqlite->exec(sql);
        cursor = std::move(sqlite);
    } else {
        auto qt = std::make_unique<QtSqlCursor>(db, connection);
        status = qt->exec(sql);
        cursor = std::move(qt);
    }
    if (status)
        cursor.reset();
    return status;
}

} // namespace moldrin::data
