// Pieces of the statements that have an engine compute figures over a selection as the client computes them
// from its rows: the selection's aliases, which readings the client takes as numbers, readings as doubles.
#pragma once

#include "data/access/statementadapter.h"

#include <QString>

namespace moldrin::data
{

// The note of a plot that read the readings because the engine could not sum them: "<note><reason>."
inline const QString kReadNotSummedNote = QStringLiteral("The readings were read, not summed by the engine: ");

// An alias the adapted selection writes, as a statement over it must name it: PostgreSQL keeps the letter
// case of the quoted aliases.
QString Alias(Dialect dialect, const char* name);

// The condition that the reading `value` is a finite number, as the client reads it; empty where every value
// of a numeric column is.
QString NumberCondition(Dialect dialect, const QString& value);

// "table" or "[table]" as the schema's textColumns key it: lower case, without quotes.
QString TableKey(QString table);

// The reading as a double, as the client reads it (PostgreSQL's numeric would be summed exactly).
QString AsDouble(Dialect dialect, const QString& value);

// A double written so that every engine reads back the same double (17 significant digits; in parentheses
// where negative).
QString DoubleLiteral(double x);

// Why the engine `dbms` (of `dialect`) cannot compute figures of `column` of `table` as the client does; ""
// when it can. Of the engines written in the plain dialect only SQL Server is known to; a column that holds
// text is read by the client as numbers where the text is one, which no engine's sums do alike.
QString EngineRefusal(
    Dialect dialect, const QString& dbms, const Schema& schema, const QString& table, const QString& column);

} // namespace moldrin::data
