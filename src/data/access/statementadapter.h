// Adapts the statements the query builder writes (Jet / SQL Server dialect) to the engine that runs them.
#pragma once

#include <QHash>
#include <QString>

namespace moldrin::data {

enum class Dialect {
    Native,     // sent unchanged (SQL Server and unknown ODBC engines)
    SQLite,     // brackets kept; BETWEEN date literals rewritten to ISO text
    PostgreSQL, // [X] -> "X", bare table name quoted, #d# -> 'd', LIKE -> ILIKE
};

// Lower-case name -> name as the engine stores it (PostgreSQL: from information_schema).
using NameMap = QHash<QString, QString>;

// The adapted statement. Only the literals that follow BETWEEN (and its AND) are treated as dates;
// other string literals, and text inside them, are never touched.
QString AdaptStatement(const QString& statement, Dialect dialect, const NameMap& names = {});

// "SELECT COUNT(*) FROM (<statement without its ORDER BY and ;>) AS sub".
QString CountStatement(const QString& statement);

// A date literal body such as "06/Dec/2026 23:59:59" or "Dec/06/2026" as ISO text
// ("2026-12-06 23:59:59" / "2026-12-06"); empty when it is no date.
QString IsoDateText(const QString& literalBody);

} // namespace moldrin::data
