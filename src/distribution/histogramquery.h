// The histogram's figures summed by the engine: the statements, in the dialect of each engine.
#pragma once

#include "data/access/statementadapter.h"

#include <QString>

#include <cstdint>

namespace moldrin
{

// What the engine must reproduce of the client's reading of the "Histogram" statement: its rows as they are
// (no order matters), a value that is no finite number (text on SQLite, NaN or infinity on PostgreSQL) skipped
// and counted by the client, so that where one is the client reads the readings itself; the readings as the
// doubles the client reads.
struct HistogramQuery {
    // CountX (the readings), BadX (the rows whose value is no number), LowX, HighX, and MeanX the mean of the
    // readings times kHistogramMeanScale (so that no sum of readings near the largest double overflows).
    data::AdaptedStatement extremes;
    // Why the engine cannot sum these readings as the client does; the statements are then empty.
    QString refusal;
    data::AdaptedStatement selection; // the adapted "Histogram" statement, without its ";"
    data::Dialect dialect = data::Dialect::SQLite;
};

inline constexpr double kHistogramMeanScale = 0x1p-32;

// The statement of the readings' count and extremes over `selection` (the adapted "Histogram" statement),
// whose ValueX reads `column` of `table`.
HistogramQuery HistogramStatements(const data::AdaptedStatement& selection, data::Dialect dialect, const QString& dbms,
    const data::Schema& schema, const QString& table, const QString& column);

// Where the readings lie: `cells` cells of equal width from `low` to `high`, a reading x at
// position (x − low) / (high − low) · cells as the client computes it in doubles; a position within
// `tolerance` of a whole number is decided by the client.
struct HistogramCellGrid {
    double low = 0, high = 0;
    std::int64_t cells = 1;
    double tolerance = 0;
};

// The statement of the readings by cell: CellX (the cell, or -1 where the position is within the tolerance of
// an edge), EdgeX (such a reading, else null), CountX, and D1X .. D4X, the deviations d = (x − shift)·scale
// summed in their powers 1 to 4; one row a cell, and one a reading near an edge.
data::AdaptedStatement HistogramCellsStatement(
    const HistogramQuery& query, const HistogramCellGrid& grid, double shift, double scale);

} // namespace moldrin
