// Subgroups formed by the engine: the statement whose rows are the chart's subgroups, and the readings of one.
#pragma once

#include "data/access/statementadapter.h"

#include <QString>

namespace moldrin
{

// What the engine must reproduce of the client's reading of the selection (the variables plot's statement,
// as AdaptStatement writes it for the engine):
// - the rows and their order: the statement's own conditions (verdict, tester, serial number, Test ID, the
//   date range, not null, not 999 or -999, not 0 unless zeros are accepted, the last data's grouping) and
//   its ORDER BY with the adapter's tie breakers, which put tied rows in one order on every engine;
// - the readings: a value that is no finite number (text on SQLite, NaN or infinity on PostgreSQL) is
//   skipped and counted by the client; the engine gives such a row the group -1, which the client takes,
//   wherever it comes, as the sign to form the subgroups itself (it counts them there). All rows are numbered
//   in one order, so an index on the start time can serve it; where a -1 comes the numbers do not matter;
// - a subgroup is rows (rn - 1) / n, a reading is rn for Individual-MR (n = 1); a trailing partial
//   subgroup comes with its count and zeros for its figures, and is left out by the client, as it is when
//   reading;
// - per subgroup: the count, the mean, the smallest and largest reading, the squared deviations from the
//   subgroup's mean summed (two passes over its readings: the mean first, so that no sum of squares
//   cancels), the median where asked (the middle reading or the mean of the middle two by their rank in the
//   subgroup), the start time of its first reading (the stage a point belongs to), its earliest and latest
//   start time (the chart's dates). Every figure comes from windows in the numbering's own order (the row
//   closing a subgroup sees its readings by LAG), so the engine sorts once; the median is taken from that
//   row's readings put in order by a sorting network. SQL Server's medians rank each subgroup's readings, a
//   second sort.
// Rows whose start time is no time are outside the date range on both paths; SQLite counts them apart.
struct SubgroupQuery {
    // The selection's rows numbered in its order: every column of the selection, OkX (1 for a reading that
    // is a number) and RowX (its number in that order; the numbers of the readings where every one is).
    data::AdaptedStatement numbered;
    // GroupX, CountX, MeanX, LowX, HighX, SquaresX, MedianX (where asked), FirstX, EarliestX, LatestX, in the
    // order of GroupX as the engine's window gives it (not sorted where the window's order is that order).
    data::AdaptedStatement subgroups;
    // Why the engine cannot form these subgroups as the client does; the statements are then empty.
    QString refusal;
    data::Dialect dialect = data::Dialect::SQLite;
    int size = 1; // readings a subgroup
};

// The column the selection reads: its table as written in the statement and the parameter's column.
struct SelectedColumn {
    QString table; // "[Results]" or "Results"
    QString column; // bare
    bool lastDataOnly = false; // the statement groups the rows and reads MAX of the column
};

// The statements for `selection` (the adapted variables statement) on an engine of `dialect` (`dbms` its
// name: of the engines written in the plain dialect only SQL Server is known to number rows), n readings a
// subgroup; the medians where the chart shows them (ranking every subgroup's readings costs the engine a sort).
SubgroupQuery SubgroupStatements(const data::AdaptedStatement& selection, data::Dialect dialect, const QString& dbms,
    const data::Schema& schema, const SelectedColumn& column, int n, bool median);

// The readings first..last (row numbers counted from 1) of the numbered selection, in its order, with the
// selection's columns SNX, ATEX, DateX and ValueX.
data::AdaptedStatement SubgroupRowsStatement(const SubgroupQuery& query, long first, long last);

} // namespace moldrin
