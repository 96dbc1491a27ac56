// Adapts the statements the query builder writes (Jet / SQL Server dialect) to the engine that runs them.
#pragma once

#include "common/dates.h"
#include "data/access/dataerror.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <optional>

namespace moldrin::data
{

enum class Dialect {
    Native, // SQL Server and unknown ODBC engines: names as written, date literals with English month names
    SQLite, // brackets kept; dates as ISO text; '=' on text ignores letter case
    PostgreSQL, // [X] -> "X", aliases kept as written, dates as ISO text, '=' on text and LIKE ignore letter case
};

// What the adapter knows of the engine's tables (PostgreSQL: read from information_schema).
struct Schema {
    QHash<QString, QString> names; // lower-case table or column name -> the name as the engine stores it
    QSet<QString> textColumns; // lower-case "table.column" of the columns that hold text
};

struct AdaptedStatement {
    QString sql;
    Status error; // set when the statement must not reach the engine
};

// The statement for the engine, or why it is refused: a second statement after the first, or a date
// literal that cannot be read. Literals of a BETWEEN are dates when they are written in '#', or quoted
// and shaped like a date (or empty); other string literals, and text inside them, are never touched.
AdaptedStatement AdaptStatement(const QString& statement, Dialect dialect, const Schema& schema = {});

// "SELECT COUNT(*) FROM (<statement without its ORDER BY and ;>) AS sub".
QString CountStatement(const QString& statement);

// A date literal body as the query builder writes it in any locale ("06/Dec/2026 23:59:59",
// "déc./06/2026", "06/12月/2026"), or ISO ("2026-12-06", "2026-12-06T10:00:00"); numbers alone are read in
// the current locale's date order.
using DateLiteral = WrittenDate;
std::optional<DateLiteral> ReadDateLiteral(const QString& body);

} // namespace moldrin::data
