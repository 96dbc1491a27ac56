// Row cursors: SQLite through its own API, other engines through Qt SQL (ODBC: odbccursor.cpp).
#include "data/access/rowcursor.h"

#include "data/access/values.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <cstring>
#include <string>
#include <vector>

#include <sqlite3.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace moldrin::data
{

#if defined(__x86_64__) || defined(__i386__)
namespace
{

__attribute__((target("avx"))) void ZeroUpper()
{
    _mm256_zeroupper();
}

} // namespace

void ReleaseVectorUpperState()
{
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx)
        ZeroUpper();
}
#else
void ReleaseVectorUpperState() { }
#endif

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
    Status exec(const QString& sql, const QStringList& parameters)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(mDb, text.constData(), int(text.size()), &mStmt, nullptr) != SQLITE_OK)
            return error(false);
        for (qsizetype i = 0; i < parameters.size(); ++i) {
            const QByteArray value = parameters[i].toUtf8();
            if (sqlite3_bind_text(mStmt, int(i + 1), value.constData(), int(value.size()), SQLITE_TRANSIENT)
                != SQLITE_OK)
                return error(false);
        }
        mLast.resize(std::size_t(sqlite3_column_count(mStmt)));
        return {};
    }
    bool next(Status& status) override
    {
        ReleaseVectorUpperState();
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
            return { Kind::Null, 0, {}, {} };
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return { Kind::Number, sqlite3_column_double(mStmt, index), {}, {} };
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStmt, index));
            return { Kind::Text, 0, std::string_view(text, std::size_t(sqlite3_column_bytes(mStmt, index))), {} };
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
    Status exec(const QString& sql, const QStringList& parameters)
    {
        bool ran = false;
        if (parameters.isEmpty()) {
            ran = mQuery.exec(sql);
        } else if (mQuery.prepare(sql)) {
            for (const QString& value : parameters)
                mQuery.addBindValue(value);
            ran = mQuery.exec();
        }
        if (!ran)
            return mConnection.engineError(mQuery.lastError(), false);
        return {};
    }
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
    QSqlQuery mQuery;
    const Connection& mConnection;
};

} // namespace

Status ExecuteStatement(
    const Connection& connection, const QString& sql, const QStringList& parameters, std::unique_ptr<RowCursor>& cursor)
{
    cursor.reset();
    QSqlDatabase db = QSqlDatabase::database(connection.connectionName(), false);
    Status status;
    if (sqlite3* handle = SqliteHandle(db)) {
        auto sqlite = std::make_unique<SqliteCursor>(handle);
        status = sqlite->exec(sql, parameters);
        cursor = std::move(sqlite);
    } else {
        if (void* dbc = OdbcHandle(db))
            cursor = ExecuteOdbcStatement(connection, dbc, sql, parameters, status);
        if (!cursor && !status) {
            auto qt = std::make_unique<QtSqlCursor>(db, connection);
            status = qt->exec(sql, parameters);
            cursor = std::move(qt);
        }
    }
    if (status)
        cursor.reset();
    return status;
}

} // namespace moldrin::data
