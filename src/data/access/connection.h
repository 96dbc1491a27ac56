// The data access component: a read-only connection and a forward-only recordset over it.
#pragma once

#include "data/access/connectionstring.h"
#include "data/access/dataerror.h"
#include "data/access/statementadapter.h"
#include "data/access/values.h"

#include <QDateTime>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace moldrin::data
{

enum class ObjectState { Closed, Open };

class Recordset;

// One data source, always opened read-only. The connection string is one of the described provider
// strings; the engine behind it follows from the provider and the Data Source name.
class Connection
{
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    ObjectState State() const { return mOpen ? ObjectState::Open : ObjectState::Closed; }
    // Opens the data source; an open connection is closed first. Errors never contain the password.
    Status Open(const QString& connectionString);
    // Closes the recordsets open on the connection first: an engine keeps a connection with a statement
    // still running, and the connection would never be freed.
    void Close();

    SourceKind Kind() const { return mKind; }
    Dialect StatementDialect() const { return mDialect; }
    // ODBC: the engine's SQL_DBMS_NAME ("SQLite", "PostgreSQL", ...); else the engine name.
    const QString& DbmsName() const { return mDbms; }

    // Opens the data source again with the string of the last Open (after the server went away). The
    // progress callback stays.
    Status Reconnect();

    // A SQLite file read as immutable (a WAL database without its log) that a writer has opened or changed
    // since: the connection would go on reading what the file held then. Reconnect reads it as it is now.
    bool SnapshotOutdated() const;
    // Why no statement may run on this connection: the engine reports that its session can write although
    // the program made it read-only. Empty when statements may run.
    Status SessionRefusal() const { return mWritableSession; }

    // For the recordset.
    QString connectionName() const { return mName; }
    const Schema& schema() const { return mSchema; }
    DataError engineError(const QSqlError& error, bool duringFetch) const;
    const std::function<bool()>& progressCallback() const { return mProgress; }

    // While a statement runs, `callback` is called often (SQLite: every few thousand steps of the engine,
    // also during a long sort before the first row; ODBC: every few milliseconds while the statement or its
    // first block of rows is awaited); it returns false to interrupt the statement (which then fails with
    // kErrInterrupted). An empty callback removes it.
    void SetProgressCallback(std::function<bool()> callback);

private:
    Status openSQLiteFile(const QString& path);
    Status openLoaded(const QString& path);
    Status openOdbc(const ParsedConnectionString& parsed);
    Status openSqlServer(const ParsedConnectionString& parsed);
    Status openOdbcString(const QString& odbcString);
    void dropEngine();
    Status finishOpen();
    Status makeSessionReadOnly();
    void readSchema();
    QString mName;
    bool mOpen = false;
    SourceKind mKind = SourceKind::SQLite;
    Dialect mDialect = Dialect::SQLite;
    QString mDbms;
    QString mEngine; // "SQLITE", "ODBC"
    QString mPassword;
    Schema mSchema;
    QString mConnectionString;
    Status mWritableSession;
    std::function<bool()> mProgress;
    struct {
        QString path; // empty: not read as immutable
        qint64 size = 0;
        QDateTime modified;
    } mImmutable;
    friend class Recordset;
    std::vector<Recordset*> mRecordsets; // open on this connection
};

// A forward-only, read-only result. RecordCount is exact right after Open, unless the caller opened it
// without counting (it then reads -1, as a forward-only cursor does): counting runs the statement twice.
class Recordset
{
public:
    Recordset();
    ~Recordset();
    Recordset(const Recordset&) = delete;
    Recordset& operator=(const Recordset&) = delete;

    ObjectState State() const { return mCursor ? ObjectState::Open : ObjectState::Closed; }
    // Exact: RecordCount and UnreadableTimes; Skip: neither; TimesOnly: UnreadableTimes alone (a plot that
    // streams its rows tells the rows it could not place in time); TimesWhileRead: the same for a reader of
    // every row, counted in the scan that reads them where the statement allows (complete once Eof), which
    // spares the engine a second scan.
    enum class Count { Exact, Skip, TimesOnly, TimesWhileRead };
    Status Open(const QString& sql, Connection& connection, Count count = Count::Exact);
    // The same for a statement already written for the connection's engine (AdaptStatement's result,
    // perhaps built upon): it reaches the engine as it is, with its values bound.
    Status Open(const AdaptedStatement& adapted, Connection& connection, Count count = Count::Exact);
    void Close();

    long RecordCount() const { return mCount; }
    // The rows the statement's other conditions select but its time range cannot, because their time is
    // stored as something that is no time (SQLite text such as "n/a"); 0 elsewhere. With TimesWhileRead,
    // complete once Eof.
    long UnreadableTimes() const { return mUnreadableTimes; }
    // "EOF" is a macro of the C library, hence the name.
    bool Eof() const { return mEof; }
    Status MoveNext();
    // Runs the statement again and stands on its first row; 3021 on an empty result.
    Status MoveFirst();

    // The value of the field with this alias (any letter case): a double, a QDateTime, a QString or
    // a null QVariant. 3021 without a current record; -2147217904 for an unknown alias.
    struct FieldResult {
        QVariant value;
        Status error;
    };
    FieldResult Fields(const QString& alias) const;
    // The same by position: look the alias up once with FieldIndex (-1 when unknown), then read by index.
    int FieldIndex(const QString& alias) const;
    FieldResult Field(int index) const;
    // What the engine holds in a field, for reading many rows without making a value per field: a number,
    // a null, text (UTF-8, valid until the next move) or a date and time. Other where Field must say (another
    // engine, no current record, an unknown index): Field then gives the value or the error.
    struct RawField {
        enum class Kind { Other, Null, Number, Text, Time } kind = Kind::Other;
        double number = 0;
        std::string_view text;
        WallTime time;
    };
    RawField Raw(int index) const;
    // The aliases of the result's columns, in statement order.
    QStringList FieldNames() const;

private:
    Status run(Connection& connection, const AdaptedStatement& adapted, Count count);
    Status execute();
    Status Settle();
    Connection* mConnection = nullptr;
    QString mSql; // adapted
    QStringList mParameters; // the values of its '?'

    std::unique_ptr<class RowCursor> mCursor;
    QStringList mNames;
    long mCount = 0;
    long mUnreadableTimes = 0;
    int mCountingColumns = 0; // the statement's last column, which tells unreadable times (Settle)
    bool mEof = true;
};

} // namespace moldrin::data
