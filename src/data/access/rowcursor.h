// The rows of one executed statement, read from the engine behind a connection (inside the component).
#pragma once

#include "data/access/connection.h"

#include <QSqlDatabase>

#include <memory>

struct sqlite3;

namespace moldrin::data
{

// The rows of one executed statement, from the engine behind the connection.
class RowCursor
{
public:
    virtual ~RowCursor() = default;
    // Moves to the next row; false at the end or on an error (then `error` is set).
    virtual bool next(Status& error) = 0;
    virtual QVariant value(int index) const = 0;
    virtual Recordset::RawField raw(int /*index*/) const { return {}; }
    virtual QStringList names() const = 0;
};

// Marks the upper halves of the calling thread's AVX registers unused (vzeroupper; nothing on processors
// without AVX). Qt's text functions leave them in use, and while they are, every SSE instruction (an engine's
// or a driver's parsing, most of the C library) runs markedly slower on current x86 processors: a thread
// calls this before it steps rows. A new thread starts with the state of the one that made it.
void ReleaseVectorUpperState();

// The SQLite engine behind a Qt connection (files, loaded Access and Excel tables), or null.
sqlite3* SqliteHandle(const QSqlDatabase& db);

// The SQLHDBC behind a Qt ODBC connection, or null.
void* OdbcHandle(const QSqlDatabase& db);

// Runs `sql` with the values of its '?' on an ODBC connection (`dbc`) and reads its rows in blocks of bound
// columns. Null, with no error, when a column has a type not bound there (binary, GUID, intervals ...).
std::unique_ptr<RowCursor> ExecuteOdbcStatement(
    const Connection& connection, void* dbc, const QString& sql, const QStringList& parameters, Status& status);

// Runs `sql` with the values of its '?' on the connection's engine: SQLite through its own API, ODBC
// engines in blocks of bound columns, anything else through Qt SQL.
Status ExecuteStatement(const Connection& connection, const QString& sql, const QStringList& parameters,
    std::unique_ptr<RowCursor>& cursor);

} // namespace moldrin::data
