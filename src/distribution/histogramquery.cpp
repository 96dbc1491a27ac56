// The histogram's figures summed by the engine: the statements, in the dialect of each engine.
#include "distribution/histogramquery.h"

#include "data/access/enginesql.h"

namespace moldrin
{

using data::Alias;
using data::AsDouble;
using data::Dialect;
using data::DoubleLiteral;

namespace
{

// The readings of the selection as doubles (`val`), where each is a number only if `numbersOnly`; the others
// are null.
QString Readings(const HistogramQuery& q, bool numbersOnly)
{
    const QString value = Alias(q.dialect, "ValueX");
    const QString ok = data::NumberCondition(q.dialect, value);
    const QString val = AsDouble(q.dialect, value);
    QString readings = QStringLiteral("SELECT ")
        + (ok.isEmpty() || numbersOnly
                ? val
                : QStringLiteral("CASE WHEN ") + ok + QStringLiteral(" THEN ") + val + QStringLiteral(" END"))
        + QStringLiteral(" AS val FROM (") + q.selection.sql + QStringLiteral(") sel");
    if (numbersOnly && !ok.isEmpty())
        readings += QStringLiteral(" WHERE ") + ok;
    return readings;
}

} // namespace

HistogramQuery HistogramStatements(const data::AdaptedStatement& selection, Dialect dialect, const QString& dbms,
    const data::Schema& schema, const QString& table, const QString& column)
{
    HistogramQuery q;
    q.dialect = dialect;
    q.refusal = data::EngineRefusal(dialect, dbms, schema, table, column);
    if (!q.refusal.isEmpty())
        return q;
    if (selection.error) {
        q.refusal = QStringLiteral("the statement cannot be given to the engine");
        return q;
    }
    q.selection = selection;
    q.selection.sql = selection.sql.trimmed();
    while (q.selection.sql.endsWith(u';'))
        q.selection.sql.chop(1);
    q.selection.countingTimes.clear();
    q.selection.fromAt = q.selection.orderAt = q.selection.orderTermsAt = -1;
    q.extremes = q.selection;
    q.extremes.sql = QStringLiteral("SELECT COUNT(val) AS CountX, COUNT(*) - COUNT(val) AS BadX, MIN(val) AS LowX, "
                                    "MAX(val) AS HighX, AVG(val * %1) AS MeanX FROM (")
                         .arg(DoubleLiteral(kHistogramMeanScale))
        + Readings(q, false) + QStringLiteral(") readings");
    return q;
}

data::AdaptedStatement HistogramCellsStatement(
    const HistogramQuery& q, const HistogramCellGrid& grid, double shift, double scale)
{
    // The whole part of a position, which is never negative: SQLite's CAST truncates, the others' CAST rounds.
    const QString whole
        = q.dialect == Dialect::SQLite ? QStringLiteral("CAST(pos AS INTEGER)") : QStringLiteral("FLOOR(pos)");
    const QString tolerance = DoubleLiteral(grid.tolerance);
    const QString inside = QStringLiteral("pos - i > %1 AND i + 1 - pos > %1").arg(tolerance);
    data::AdaptedStatement cells = q.selection;
    cells.sql = QStringLiteral("SELECT cell AS CellX, edge AS EdgeX, COUNT(*) AS CountX, SUM(d) AS D1X, SUM(d * d) AS "
                               "D2X, SUM(d * d * d) AS D3X, SUM(d * d * d * d) AS D4X FROM (SELECT CASE WHEN %1 THEN i "
                               "ELSE -1 END AS cell, CASE WHEN %1 THEN NULL ELSE val END AS edge, (val - %2) * %3 AS d "
                               "FROM (SELECT val, pos, %4 AS i FROM (SELECT val, (val - %5) / %6 * %7 AS pos FROM (")
                    .arg(inside, DoubleLiteral(shift), DoubleLiteral(scale), whole, DoubleLiteral(grid.low),
                        DoubleLiteral(grid.high - grid.low), DoubleLiteral(double(grid.cells)))
        + Readings(q, true) + QStringLiteral(") readings) placed) floored) counted GROUP BY cell, edge");
    return cells;
}

} // namespace moldrin
