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

// The SQLite engine behind a Qt connection (files, loaded Access and Excel tables), or null.
sqlite3* SqliteHandle(const QSqlDatabase& db);

// Runs `sql` with the values of its '?' on the connection's engine: SQLite through its own API, every
// other engine through Qt SQL.
Status ExecuteStatement(const Connection& connection, const QString& sql, const QStringList& parameters,
    std::unique_ptr<RowCursor>& cursor);

} // namespace moldrin::data
