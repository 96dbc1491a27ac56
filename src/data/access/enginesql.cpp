// Pieces of the statements that have an engine compute figures over a selection as the client computes them.
#include "data/access/enginesql.h"

namespace moldrin::data
{

QString Alias(Dialect dialect, const char* name)
{
    const QString n = QLatin1String(name);
    return dialect == Dialect::PostgreSQL ? u'"' + n + u'"' : n;
}

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

QString DoubleLiteral(double x)
{
    QString text = QString::number(x, 'g', 17);
    if (!text.contains(u'.') && !text.contains(u'e'))
        text += QStringLiteral(".0"); // a double, not an integer, in every engine's arithmetic
    return x < 0 ? u'(' + text + u')' : text; // never "- -1", nor "--" where a minus precedes
}

QString EngineRefusal(
    Dialect dialect, const QString& dbms, const Schema& schema, const QString& table, const QString& column)
{
    if (dialect == Dialect::Native && !dbms.contains(QLatin1String("SQL Server"), Qt::CaseInsensitive))
        return QStringLiteral("the engine ") + dbms + QStringLiteral(" is not known to number rows");
    if (dialect != Dialect::SQLite && schema.textColumns.contains(TableKey(table) + u'.' + column.toLower()))
        return QStringLiteral("the column ") + column + QStringLiteral(" holds text");
    return {};
}

} // namespace moldrin::data
