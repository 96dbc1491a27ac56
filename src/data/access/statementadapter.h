// Adapts the statements the query builder writes (Jet / SQL Server dialect) to the engine that runs them.
#pragma once

#include "common/dates.h"
#include "data/access/dataerror.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace moldrin::data
{

enum class Dialect {
    Native, // SQL Server and unknown ODBC engines: names as written, date literals with English month names
    SQLite, // brackets kept; dates as ISO text; '=' on text ignores letter case (kFoldedCollation)
    PostgreSQL, // [X] -> "X", aliases kept as written, dates as ISO text, '=' on text and LIKE ignore letter case
    MySQL, // MySQL and MariaDB: [X] -> `X`, dates as ISO text, '=' on text ignores letter case
};

// The collation an SQLite connection registers (RegisterFoldedCollation) for text compared without regard
// to letter case, letters outside ASCII included.
inline constexpr char kFoldedCollation[] = "MOLDRIN_NOCASE";

// How text values reach the engine: bound to '?', or (a driver that cannot bind them) quoted in the
// statement by the rules of the engine: a quote doubled, and a backslash too where the engine reads it as an
// escape (MySQL and MariaDB unless NO_BACKSLASH_ESCAPES).
enum class Literals { Bound, Quoted, QuotedBackslashEscapes };

// What the adapter knows of the engine (the servers: tables and columns read from information_schema).
struct Schema {
    QHash<QString, QString> names; // lower-case table or column name -> the name as the engine stores it
    QSet<QString> textColumns; // lower-case "table.column" of the columns that hold text
    Literals literals = Literals::Bound;
};

struct AdaptedStatement {
    QString sql;
    QStringList parameters; // the values of the statement's '?', in order
    Status error; // set when the statement must not reach the engine
    // SQLite, where times are stored as text: the count of the rows the statement's other conditions select
    // whose time is no time (text that is no date, a number), which no time range can hold; and its values.
    QString unreadableTimes;
    QStringList unreadableParameters;
    // Where the statement's rows are rows of the table: the statement that gives them and the rows whose
    // time is no time in one scan (its values those of `sql`). Each row has one more column: 1 when it is
    // one of the statement's rows, 0 when its time is no time.
    QString countingTimes;
    // Where `sql` writes its top-level FROM and its trailing ORDER BY (the keyword, and its first term), or -1:
    // a statement built over this one keeps the same rows in the same order.
    qsizetype fromAt = -1, orderAt = -1, orderTermsAt = -1;
};

// The statement for the engine, or why it is refused: a second statement after the first, or a date
// literal that cannot be read. Literals of a BETWEEN are dates when they are written in '#', or quoted
// and shaped like a date (or empty): they are written in the engine's own form. Every other text literal
// becomes a '?' whose value (the literal's text as the statement writes it, a doubled quote read as one)
// is bound, so that no value can end its literal whatever the engine reads as an escape.
AdaptedStatement AdaptStatement(const QString& statement, Dialect dialect, const Schema& schema = {});

// "SELECT COUNT(*) FROM (<statement without its ORDER BY and ;>) AS sub".
QString CountStatement(const QString& statement);

// A date literal body as the query builder writes it in any locale ("06/Dec/2026 23:59:59",
// "déc./06/2026", "06/12月/2026"), or ISO ("2026-12-06", "2026-12-06T10:00:00"); numbers alone are read in
// the current locale's date order.
using DateLiteral = WrittenDate;
std::optional<DateLiteral> ReadDateLiteral(const QString& body);

} // namespace moldrin::data
