// Errors of the data access component: a number and a description, as the callers' error traps expect.
//
// Every engine's own failures are mapped onto these numbers (by SQLSTATE or native code where the driver
// reports one, else by the engine's message text; see ClassifyError):
//   kErrUnspecified  -2147467259  a failure while fetching rows of a statement that had started
//                                 (SQLite SQLITE_IOERR/BUSY/CORRUPT mid-cursor, ODBC HY000/HY008 on fetch,
//                                 PostgreSQL class 57/58 after the first row). The tester list treats it
//                                 as "keep what was read".
//   kErrInvalidData1 -2147217904  a column or table the statement names does not exist (SQLite "no such
//                                 column/table", PostgreSQL 42703/42P01, ODBC 42S02/42S22/07002).
//   kErrInvalidData2 -2147418113  a value of the wrong type (PostgreSQL class 22, 42804, 42883; ODBC 22xxx,
//                                 07006; SQLite SQLITE_MISMATCH).
//   kErrNoCurrentRecord 3021      a field read, MoveNext or MoveFirst without a current record.
//   kErrConnect      -2147217843  the data source could not be opened (missing file, login failure,
//                                 unreachable server, missing driver). Deliberately not kErrUnspecified,
//                                 so that a failed open is never mistaken for success.
//   kErrCommand      -2147217900  any other refusal of a statement (syntax, a statement that is no query,
//                                 read-only refusal, empty text, closed connection).
//   kErrInterrupted  3712         the caller's progress callback stopped the statement (SQLITE_INTERRUPT).
#pragma once

#include <QString>

#include <optional>

namespace moldrin::data
{

inline constexpr long kErrUnspecified = -2147467259L;
inline constexpr long kErrInvalidData1 = -2147217904L;
inline constexpr long kErrInvalidData2 = -2147418113L;
inline constexpr long kErrNoCurrentRecord = 3021L;
inline constexpr long kErrConnect = -2147217843L;
inline constexpr long kErrCommand = -2147217900L;
inline constexpr long kErrInterrupted = 3712L;

// The failure to open a data source whose engine or driver is missing.
inline const QString kNotFoundProvider = QStringLiteral("Provider cannot be found. It may not be properly installed.");

struct DataError {
    long number = 0;
    QString description;
    bool connectionLost = false; // the engine lost its connection to the server
};

// Empty on success.
using Status = std::optional<DataError>;

// Maps an engine's native code / SQLSTATE and text onto the numbers above. `engine` is "SQLITE",
// "POSTGRESQL", "ODBC"; `duringFetch` marks a failure after the statement had returned rows.
long ClassifyError(const QString& engine, const QString& nativeCode, const QString& text, bool duringFetch);

// True when the error says that the connection to the server is gone (SQLSTATE class 08, PostgreSQL's
// 57P01 to 57P03 when the server shuts down, or the drivers' texts for a dropped link).
bool IsConnectionLost(const QString& nativeCode, const QString& text);

// Removes every occurrence of the password (and any "PWD=..." / "Password=..." value) from a text.
QString ScrubPassword(QString text, const QString& password);

} // namespace moldrin::data
