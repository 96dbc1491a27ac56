// The Pareto's sums formed by the engine: the statements, in the dialect of each engine.
#include "distribution/paretoquery.h"

#include "data/access/enginesql.h"

namespace moldrin
{

using data::Dialect;

namespace
{

QString Bare(QString sql)
{
    sql = sql.trimmed();
    while (sql.endsWith(u';'))
        sql.chop(1);
    return sql;
}

// The condition that a value is a number, from NumberCondition's (empty where every value is).
QString IsNumber(const QString& ok)
{
    return ok.isEmpty() ? QStringLiteral("1 = 1") : ok;
}

// The statement `sql` built over `selection`: its values and the count of its rows whose time is no time kept.
data::AdaptedStatement Over(const data::AdaptedStatement& selection, const QString& sql)
{
    data::AdaptedStatement over = selection;
    over.sql = sql;
    over.countingTimes.clear();
    over.fromAt = over.orderAt = over.orderTermsAt = -1;
    return over;
}

} // namespace

data::AdaptedStatement ParetoColumnSums(const data::AdaptedStatement& columns, Dialect dialect, int count)
{
    QString sums, bad;
    QString counted;
    for (int i = 0; i < count; ++i) {
        const QByteArray name = "Value" + QByteArray::number(i);
        const QString value = data::Alias(dialect, name.constData());
        const QString ok = data::NumberCondition(dialect, value);
        const QString reading = IsNumber(ok) + QStringLiteral(" AND %1 <> 999 AND %1 <> -999").arg(value);
        if (i == 0)
            counted = QStringLiteral("SUM(CASE WHEN ") + reading + QStringLiteral(" THEN 1 ELSE 0 END) AS CountX");
        sums += QStringLiteral(", SUM(CASE WHEN ") + reading + QStringLiteral(" THEN ") + data::AsDouble(dialect, value)
            + QStringLiteral(" END) AS Sum") + QString::number(i);
        if (!ok.isEmpty())
            bad += QStringLiteral(" + SUM(CASE WHEN %1 IS NULL OR %2 THEN 0 ELSE 1 END)").arg(value, ok);
    }
    const QString bads = bad.isEmpty() ? QStringLiteral("0") : bad.mid(3);
    return Over(columns,
        QStringLiteral("SELECT ") + counted + QStringLiteral(", ") + bads + QStringLiteral(" AS BadX") + sums
            + QStringLiteral(" FROM (") + Bare(columns.sql) + QStringLiteral(") sel"));
}

data::AdaptedStatement ParetoParameterSums(const QList<data::AdaptedStatement>& statements, Dialect dialect)
{
    if (statements.isEmpty())
        return {};
    const QString value = data::Alias(dialect, "ValueX");
    const QString ok = data::NumberCondition(dialect, value);
    const QString val = data::AsDouble(dialect, value);
    const QString reading = ok.isEmpty()
        ? val
        : QStringLiteral("CASE WHEN ") + ok + QStringLiteral(" THEN ") + val + QStringLiteral(" END");
    QStringList parts;
    QStringList parameters;
    for (qsizetype i = 0; i < statements.size(); ++i) {
        parts << QStringLiteral("SELECT %1 AS ParamX, COUNT(val) AS CountX, SUM(val) AS SumX, COUNT(*) - COUNT(val) AS "
                                "BadX FROM (SELECT %2 AS val FROM (")
                     .arg(i)
                     .arg(reading)
                + Bare(statements[i].sql) + QStringLiteral(") sel) readings");
        parameters += statements[i].parameters;
    }
    data::AdaptedStatement sums
        = Over(statements.front(), parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(" ORDER BY ParamX"));
    sums.parameters = parameters;
    return sums;
}

} // namespace moldrin
