// Subgroups formed by the engine: the statements, in the dialect of each engine.
#include "variables/subgroupquery.h"

namespace moldrin
{

namespace
{

using data::Dialect;

// An alias the adapted selection writes, as a statement over it must name it: PostgreSQL keeps the letter
// case of the quoted aliases.
QString Alias(Dialect dialect, const char* name)
{
    const QString n = QLatin1String(name);
    return dialect == Dialect::PostgreSQL ? u'"' + n + u'"' : n;
}

// The selection's value as the engine names it: the adapter writes the name for the engine.
QString EngineValue(const SelectedColumn& c, Dialect dialect, const data::Schema& schema)
{
    const QString jet = c.lastDataOnly ? QStringLiteral("MAX([%1])").arg(c.column) : u'[' + c.column + u']';
    const data::AdaptedStatement a
        = data::AdaptStatement(QStringLiteral("SELECT ") + jet + QStringLiteral(" FROM ") + c.table, dialect, schema);
    if (a.error || a.fromAt < 0)
        return {};
    return a.sql.mid(6, a.fromAt - 6).trimmed();
}

// 1 where the reading is a finite number, as the client reads it; empty where every value of the column is.
QString NumberCondition(Dialect dialect, const QString& value)
{
    static const QString largest = QStringLiteral("1.7976931348623157e308");
    if (dialect == Dialect::SQLite)
        return QStringLiteral("typeof(%1) IN ('integer', 'real') AND abs(%1) <= %2").arg(value, largest);
    if (dialect == Dialect::PostgreSQL) // NaN sorts above every number
        return QStringLiteral("%1 BETWEEN -%2 AND %2").arg(value, largest);
    return {}; // MySQL, MariaDB and SQL Server hold no NaN or infinity
}

QString TableKey(QString table)
{
    table.remove(u'[').remove(u']').remove(u'"').remove(u'`');
    return table.trimmed().toLower();
}

// The reading as a double, as the client reads it (PostgreSQL's numeric would be averaged exactly).
QString AsDouble(Dialect dialect, const QString& value)
{
    switch (dialect) {
    case Dialect::PostgreSQL:
        return QStringLiteral("CAST(%1 AS double precision)").arg(value);
    case Dialect::MySQL:
        return value + QStringLiteral(" + 0E0");
    case Dialect::Native:
        return QStringLiteral("CAST(%1 AS float)").arg(value);
    case Dialect::SQLite:
        break;
    }
    return value;
}

QString Divided(Dialect dialect, const QString& a, int n)
{
    return a + (dialect == Dialect::MySQL ? QStringLiteral(" DIV ") : QStringLiteral(" / ")) + QString::number(n);
}

// The figures of each subgroup of `grouped` (grp, pos, val, stamp): the squared deviations from the subgroup's
// mean (a window over the subgroup) summed; the median, where asked, by the readings' rank in the subgroup.
QString Summed(Dialect dialect, const QString& grouped, int n, bool median)
{
    static const QString times = QStringLiteral(
        "MIN(CASE WHEN pos = 0 THEN stamp END) AS FirstX, MIN(stamp) AS EarliestX, MAX(stamp) AS LatestX FROM (");
    if (n == 1) // a reading a point: its figures are its own
        return QStringLiteral("SELECT grp AS GroupX, COUNT(*) AS CountX, MIN(val) AS MeanX, MIN(val) AS LowX, "
                              "MAX(val) AS HighX, 0 AS SquaresX, MIN(val) AS MedianX, ")
            + times + grouped + QStringLiteral(") grouped GROUP BY grp ORDER BY grp");
    const QString ranks = median
        ? QStringLiteral(", ROW_NUMBER() OVER (PARTITION BY grp ORDER BY val) AS rk, COUNT(*) OVER (PARTITION BY grp) "
                         "AS cnt")
        : QString();
    const QString medianItem = median ? QStringLiteral("AVG(CASE WHEN rk = ")
            + Divided(dialect, QStringLiteral("(cnt + 1)"), 2) + QStringLiteral(" OR rk = ")
            + Divided(dialect, QStringLiteral("(cnt + 2)"), 2) + QStringLiteral(" THEN val END) AS MedianX, ")
                                      : QString();
    return QStringLiteral("SELECT grp AS GroupX, COUNT(*) AS CountX, AVG(val) AS MeanX, MIN(val) AS LowX, "
                          "MAX(val) AS HighX, SUM((val - mu) * (val - mu)) AS SquaresX, ")
        + medianItem + times + QStringLiteral("SELECT grp, pos, val, stamp, AVG(val) OVER (PARTITION BY grp) AS mu")
        + ranks + QStringLiteral(" FROM (") + grouped + QStringLiteral(") grouped) ranked GROUP BY grp ORDER BY grp");
}

} // namespace

SubgroupQuery SubgroupStatements(const data::AdaptedStatement& selection, Dialect dialect, const QString& dbms,
    const data::Schema& schema, const SelectedColumn& column, int n, bool median)
{
    SubgroupQuery q;
    q.dialect = dialect;
    q.size = n;
    if (dialect == Dialect::Native && !dbms.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive)) {
        q.refusal = QStringLiteral("the engine ") + dbms + QStringLiteral(" is not known to number rows");
        return q;
    }
    if (dialect != Dialect::SQLite
        && schema.textColumns.contains(TableKey(column.table) + u'.' + column.column.toLower())) {
        q.refusal = QStringLiteral("the column ") + column.column + QStringLiteral(" holds text");
        return q;
    }
    const QString value = EngineValue(column, dialect, schema);
    if (selection.error || selection.fromAt < 0 || selection.orderTermsAt < selection.fromAt || value.isEmpty()) {
        q.refusal = QStringLiteral("the statement cannot be numbered");
        return q;
    }
    const QString& sql = selection.sql;
    QString terms = sql.mid(selection.orderTermsAt).trimmed();
    while (terms.endsWith(u';'))
        terms.chop(1);
    const QString ok = NumberCondition(dialect, value);
    const QString okItem
        = ok.isEmpty() ? QStringLiteral("1") : QStringLiteral("CASE WHEN ") + ok + QStringLiteral(" THEN 1 ELSE 0 END");
    const QString partition = ok.isEmpty() ? QString() : QStringLiteral("PARTITION BY ") + okItem + u' ';
    q.numbered = selection;
    q.numbered.sql = sql.left(selection.fromAt).trimmed() + QStringLiteral(", ") + okItem + QStringLiteral(" AS ")
        + Alias(dialect, "OkX") + QStringLiteral(", ROW_NUMBER() OVER (") + partition + QStringLiteral("ORDER BY ")
        + terms.trimmed() + QStringLiteral(") AS ") + Alias(dialect, "RowX") + u' '
        + sql.mid(selection.fromAt, selection.orderAt - selection.fromAt).trimmed();
    q.numbered.countingTimes.clear();
    q.numbered.fromAt = q.numbered.orderAt = q.numbered.orderTermsAt = -1;

    const QString okX = Alias(dialect, "OkX"), rowX = Alias(dialect, "RowX");
    const QString grouped = QStringLiteral("SELECT CASE WHEN ") + okX + QStringLiteral(" = 1 THEN ")
        + Divided(dialect, u'(' + rowX + QStringLiteral(" - 1)"), n) + QStringLiteral(" ELSE -1 END AS grp, (") + rowX
        + QStringLiteral(" - 1) % ") + QString::number(n) + QStringLiteral(" AS pos, ")
        + AsDouble(dialect, Alias(dialect, "ValueX")) + QStringLiteral(" AS val, ") + Alias(dialect, "DateX")
        + QStringLiteral(" AS stamp FROM (") + q.numbered.sql + QStringLiteral(") numbered");
    q.subgroups = selection;
    q.subgroups.countingTimes.clear();
    q.subgroups.fromAt = q.subgroups.orderAt = q.subgroups.orderTermsAt = -1;
    q.subgroups.sql = Summed(dialect, grouped, n, median);
    return q;
}

data::AdaptedStatement SubgroupRowsStatement(const SubgroupQuery& query, long first, long last)
{
    const Dialect dialect = query.dialect;
    data::AdaptedStatement rows = query.numbered;
    const QString rowX = Alias(dialect, "RowX");
    rows.sql
        = QStringLiteral("SELECT %1, %2, %3, %4 FROM (")
              .arg(Alias(dialect, "SNX"), Alias(dialect, "ATEX"), Alias(dialect, "DateX"), Alias(dialect, "ValueX"))
        + query.numbered.sql + QStringLiteral(") numbered WHERE ") + Alias(dialect, "OkX") + QStringLiteral(" = 1 AND ")
        + rowX + QStringLiteral(" BETWEEN ") + QString::number(first) + QStringLiteral(" AND ") + QString::number(last)
        + QStringLiteral(" ORDER BY ") + rowX;
    return rows;
}

} // namespace moldrin
