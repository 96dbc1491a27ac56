// Subgroups formed by the engine: the statements, in the dialect of each engine.
#include "variables/subgroupquery.h"

#include "data/access/enginesql.h"

#include <utility>
#include <vector>

namespace moldrin
{

namespace
{

using data::Alias;
using data::AsDouble;
using data::Dialect;
using data::NumberCondition;

QString Divided(Dialect dialect, const QString& a, int n)
{
    return a + (dialect == Dialect::MySQL ? QStringLiteral(" DIV ") : QStringLiteral(" / ")) + QString::number(n);
}

// The figures of each subgroup of `grouped` (grp, pos, val, stamp) grouped by subgroup: the squared deviations
// from the subgroup's mean (a window over the subgroup), the median by the readings' rank in the subgroup.
// Grouping and ranking sort the readings a second time: only the median charts on SQL Server take this form.
QString Ranked(Dialect dialect, const QString& grouped)
{
    const QString middle = QStringLiteral("AVG(CASE WHEN rk = ") + Divided(dialect, QStringLiteral("(cnt + 1)"), 2)
        + QStringLiteral(" OR rk = ") + Divided(dialect, QStringLiteral("(cnt + 2)"), 2)
        + QStringLiteral(" THEN val END) AS MedianX, ");
    return QStringLiteral("SELECT grp AS GroupX, COUNT(*) AS CountX, AVG(val) AS MeanX, MIN(val) AS LowX, "
                          "MAX(val) AS HighX, SUM((val - mu) * (val - mu)) AS SquaresX, ")
        + middle
        + QStringLiteral("MIN(CASE WHEN pos = 0 THEN stamp END) AS FirstX, MIN(stamp) AS EarliestX, MAX(stamp) AS "
                         "LatestX FROM (SELECT grp, pos, val, stamp, AVG(val) OVER (PARTITION BY grp) AS mu, "
                         "ROW_NUMBER() OVER (PARTITION BY grp ORDER BY val) AS rk, COUNT(*) OVER (PARTITION BY grp) AS "
                         "cnt FROM (")
        + grouped + QStringLiteral(") grouped) ranked GROUP BY grp ORDER BY grp");
}

// The expression of the select list's item named `alias` (the list of `head`, "SELECT ... AS alias, ...").
QString SelectItem(const QString& head, const QString& alias)
{
    const QString as = QStringLiteral(" AS ") + alias;
    qsizetype end = -1;
    for (qsizetype at = head.indexOf(as); at >= 0; at = head.indexOf(as, at + 1))
        if (at + as.size() == head.size() || head.at(at + as.size()) == u',') {
            end = at;
            break;
        }
    if (end < 0)
        return {};
    int depth = 0;
    qsizetype begin = end;
    for (; begin > 0; --begin) {
        const QChar c = head.at(begin - 1);
        depth += c == u')' ? 1 : c == u'(' ? -1 : 0;
        if (depth == 0 && c == u',')
            break;
    }
    QString item = head.mid(begin, end - begin).trimmed();
    if (item.startsWith(QLatin1String("SELECT "), Qt::CaseInsensitive))
        item = item.mid(7).trimmed();
    return item;
}

// The selection's value and start time as its select list writes them (grouped for the last data).
struct Items {
    QString value, stamp;
};

// What keeps an engine from merging a subquery into the one over it, which would write each value the layer
// above takes as the whole expression that made it (twice for each layer): a LIMIT or OFFSET that limits nothing.
QString Fence(Dialect dialect)
{
    switch (dialect) {
    case Dialect::PostgreSQL:
        return QStringLiteral(" OFFSET 0");
    case Dialect::SQLite:
        return QStringLiteral(" LIMIT -1 OFFSET 0");
    case Dialect::MySQL:
        return QStringLiteral(" LIMIT 18446744073709551615");
    case Dialect::Native:
        break;
    }
    return {};
}

using Layer = std::vector<std::pair<int, int>>;

// A sorting network for n values in layers of disjoint pairs (Batcher's odd-even merge sort; n is padded to a
// power of two with values above all others, whose pairs change nothing and are left out), without the pairs
// that do not lead to the middle one or two values.
std::vector<Layer> MedianNetwork(int n)
{
    int width = 1;
    while (width < n)
        width *= 2;
    std::vector<Layer> layers;
    for (int p = 1; p < width; p *= 2)
        for (int k = p; k >= 1; k /= 2) {
            Layer layer;
            for (int j = k % p; j + k < width; j += 2 * k)
                for (int i = 0; i < k; ++i)
                    if (i + j + k < n && (i + j) / (2 * p) == (i + j + k) / (2 * p))
                        layer.emplace_back(i + j, i + j + k);
            layers.push_back(std::move(layer));
        }
    std::vector<bool> needed(std::size_t(n), false);
    needed[std::size_t((n - 1) / 2)] = needed[std::size_t(n / 2)] = true;
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        std::erase_if(
            *layer, [&](const auto& c) { return !needed[std::size_t(c.first)] && !needed[std::size_t(c.second)]; });
        for (const auto& [a, b] : *layer)
            needed[std::size_t(a)] = needed[std::size_t(b)] = true;
    }
    std::erase_if(layers, [](const Layer& l) { return l.empty(); });
    return layers;
}

// `kept` (a row's readings val, d1 .. d(n-1)) with the readings put in order by the network: a chain of common
// table expressions m0 (the kept rows), m1 .. (a layer each, LEAST and GREATEST of pairs; SQLite's min and max),
// flat where nested subqueries would overflow SQLite's parser, so that no reading is sorted by the engine.
// `last` names the last; `median` is the middle reading, or the middle two summed and halved as the client does.
QString Ordered(Dialect dialect, const QString& kept, int n, QString& last, QString& median)
{
    std::vector<QString> at { QStringLiteral("val") };
    for (int k = 1; k < n; ++k)
        at.push_back(u'd' + QString::number(k));
    const bool sqlite = dialect == Dialect::SQLite;
    const QString least = sqlite ? QStringLiteral("min") : QStringLiteral("LEAST");
    const QString greatest = sqlite ? QStringLiteral("max") : QStringLiteral("GREATEST");
    QString with = QStringLiteral("WITH m0 AS (") + kept + u')';
    last = QStringLiteral("m0");
    int level = 0;
    for (const Layer& layer : MedianNetwork(n)) {
        const QString alias = u'm' + QString::number(++level);
        QString items;
        for (const auto& [a, b] : layer) {
            QString& low = at[std::size_t(a)];
            QString& high = at[std::size_t(b)];
            const QString lowName = alias + u'_' + QString::number(a), highName = alias + u'_' + QString::number(b);
            items += QStringLiteral(", %1(%2, %3) AS %4, %5(%2, %3) AS %6")
                         .arg(least, low, high, lowName, greatest, highName);
            low = lowName;
            high = highName;
        }
        with += QStringLiteral(", ") + alias + QStringLiteral(" AS (SELECT ") + last + QStringLiteral(".*") + items
            + QStringLiteral(" FROM ") + last + Fence(dialect) + u')';
        last = alias;
    }
    const std::size_t middle = std::size_t(n / 2);
    median = n % 2 ? at[middle] : u'(' + at[middle] + QStringLiteral(" + ") + at[middle - 1] + QStringLiteral(") / 2");
    return with + u' ';
}

// The figures of each subgroup without a second sort: every window runs in the numbering's order. A subgroup's
// readings are the last row of it and the n - 1 rows before it (LAG with constant offsets), so its mean and its
// squared deviations about that mean are summed from them as the client sums them (two passes, no cancellation);
// the smallest and largest reading and time are aggregates over the n rows ending at that row. The engine keeps
// the last row of each subgroup, the selection's last row (a trailing partial subgroup: its count alone, the
// client leaves it out) and every reading that is no number (group -1). On PostgreSQL and SQLite the kept rows
// come in the window's order, which is the subgroups' order: no sort of them (the client checks the order and
// takes a -1 anywhere). MariaDB gives a grouped selection's rows in another order, so there, and on SQL Server,
// the kept rows are sorted by subgroup.
QString Framed(Dialect dialect, const QString& numberedHead, const QString& rest, const QString& order,
    const Items& items, int n, bool median)
{
    const QString w = QStringLiteral(" OVER (ORDER BY ") + order + u')';
    // l1 .. l(n-1): the readings before the row; d1 .. their doubles; summed from the subgroup's first reading
    QString lags, doubles, readings = QStringLiteral("val"), total = QStringLiteral("val"),
                           squares = QStringLiteral("(val - mu) * (val - mu)");
    for (int k = 1; k < n; ++k) {
        const QString l = u'l' + QString::number(k), d = u'd' + QString::number(k);
        lags += QStringLiteral(", LAG(%1, %2)").arg(items.value).arg(k) + w + QStringLiteral(" AS ") + l;
        doubles += QStringLiteral(", ") + AsDouble(dialect, l) + QStringLiteral(" AS ") + d;
        readings += QStringLiteral(", ") + d;
        total = d + QStringLiteral(" + ") + total;
        squares += QStringLiteral(" + (%1 - mu) * (%1 - mu)").arg(d);
    }
    // The order begins with the start time: a subgroup's first reading is its earliest, its last its latest.
    const QString first = n == 1 ? items.stamp : QStringLiteral("LAG(%1, %2)").arg(items.stamp).arg(n - 1) + w;
    QString extremes; // the smallest and largest reading, of the row's readings where the engine has LEAST
    if (n == 1) {
        extremes = QStringLiteral("val AS lo, val AS hi");
    } else if (dialect == Dialect::Native) {
        const QString frame = QStringLiteral(" OVER (ORDER BY ") + order + QStringLiteral(" ROWS BETWEEN ")
            + QString::number(n - 1) + QStringLiteral(" PRECEDING AND CURRENT ROW)");
        lags += QStringLiteral(", MIN(%1)%2 AS wlo, MAX(%1)%2 AS whi").arg(items.value, frame);
        doubles += QStringLiteral(", wlo, whi");
        extremes = AsDouble(dialect, QStringLiteral("wlo")) + QStringLiteral(" AS lo, ")
            + AsDouble(dialect, QStringLiteral("whi")) + QStringLiteral(" AS hi");
    } else {
        const bool sqlite = dialect == Dialect::SQLite;
        extremes = QStringLiteral("%1(%3) AS lo, %2(%3) AS hi")
                       .arg(sqlite ? QStringLiteral("min") : QStringLiteral("LEAST"),
                           sqlite ? QStringLiteral("max") : QStringLiteral("GREATEST"), readings);
    }
    const QString okX = Alias(dialect, "OkX"), rowX = Alias(dialect, "RowX"), size = QString::number(n);
    const QString windowed = numberedHead + lags + QStringLiteral(", ") + first + QStringLiteral(" AS t0, LEAD(1)") + w
        + QStringLiteral(" AS nx ") + rest;
    const QString kept = QStringLiteral("SELECT CASE WHEN ") + okX + QStringLiteral(" = 1 THEN ")
        + Divided(dialect, u'(' + rowX + QStringLiteral(" - 1)"), n) + QStringLiteral(" ELSE -1 END AS grp, (") + rowX
        + QStringLiteral(" - 1) % ") + size + QStringLiteral(" + 1 AS cnt, ")
        + AsDouble(dialect, Alias(dialect, "ValueX")) + QStringLiteral(" AS val") + doubles + QStringLiteral(", t0, ")
        + Alias(dialect, "DateX") + QStringLiteral(" AS t1 FROM (") + windowed + QStringLiteral(") windowed WHERE ")
        + okX + QStringLiteral(" = 0 OR ") + rowX + QStringLiteral(" % ") + size + QStringLiteral(" = 0 OR nx IS NULL");
    QString with, source = u'(' + kept + u')', middle, medianItem;
    if (median) {
        with = Ordered(dialect, kept, n, source, middle);
        extremes += QStringLiteral(", ") + middle + QStringLiteral(" AS md");
        medianItem = QStringLiteral(" CASE WHEN cnt = ") + size + QStringLiteral(" THEN md ELSE 0 END AS MedianX,");
    }
    return with
        + QStringLiteral("SELECT grp AS GroupX, cnt AS CountX, CASE WHEN %1 THEN mu ELSE 0 END AS MeanX, CASE WHEN "
                         "%1 THEN lo ELSE 0 END AS LowX, CASE WHEN %1 THEN hi ELSE 0 END AS HighX, CASE WHEN %1 THEN "
                         "%2 ELSE 0 END AS SquaresX,%6 t0 AS FirstX, t0 AS EarliestX, t1 AS LatestX FROM (SELECT "
                         "kept.*, (%3) / %4 AS mu, %5 FROM ")
              .arg(QStringLiteral("cnt = ") + size, squares, total, size, extremes, medianItem)
        + source
        + (dialect == Dialect::MySQL || dialect == Dialect::Native ? QStringLiteral(" kept) summed ORDER BY grp")
                                                                   : QStringLiteral(" kept) summed"));
}

} // namespace

SubgroupQuery SubgroupStatements(const data::AdaptedStatement& selection, Dialect dialect, const QString& dbms,
    const data::Schema& schema, const SelectedColumn& column, int n, bool median)
{
    SubgroupQuery q;
    q.dialect = dialect;
    q.size = n;
    q.refusal = data::EngineRefusal(dialect, dbms, schema, column.table, column.column);
    if (!q.refusal.isEmpty())
        return q;
    const QString& sql = selection.sql;
    const QString head = selection.error || selection.fromAt < 0 ? QString() : sql.left(selection.fromAt).trimmed();
    const Items items { SelectItem(head, Alias(dialect, "ValueX")), SelectItem(head, Alias(dialect, "DateX")) };
    if (selection.orderTermsAt < selection.fromAt || items.value.isEmpty() || items.stamp.isEmpty()) {
        q.refusal = QStringLiteral("the statement cannot be numbered");
        return q;
    }
    QString terms = sql.mid(selection.orderTermsAt).trimmed();
    while (terms.endsWith(u';'))
        terms.chop(1);
    const QString ok = NumberCondition(dialect, items.value);
    const QString okItem
        = ok.isEmpty() ? QStringLiteral("1") : QStringLiteral("CASE WHEN ") + ok + QStringLiteral(" THEN 1 ELSE 0 END");
    // All rows are numbered in one order, so that an index on the order serves it: where a reading is no number
    // the rows' numbers do not matter, as its group -1 comes first and the client reads the readings instead.
    const QString numberedHead = head + QStringLiteral(", ") + okItem + QStringLiteral(" AS ") + Alias(dialect, "OkX")
        + QStringLiteral(", ROW_NUMBER() OVER (ORDER BY ") + terms.trimmed() + QStringLiteral(") AS ")
        + Alias(dialect, "RowX");
    const QString rest = sql.mid(selection.fromAt, selection.orderAt - selection.fromAt).trimmed();
    q.numbered = selection;
    q.numbered.sql = numberedHead + u' ' + rest;
    q.numbered.countingTimes.clear();
    q.numbered.fromAt = q.numbered.orderAt = q.numbered.orderTermsAt = -1;
    q.subgroups = q.numbered;
    // SQL Server before 2022 has no LEAST or GREATEST: its medians rank each subgroup's readings.
    if (!median || dialect != Dialect::Native) {
        q.subgroups.sql = Framed(dialect, numberedHead, rest, terms.trimmed(), items, n, median);
        return q;
    }
    const QString okX = Alias(dialect, "OkX"), rowX = Alias(dialect, "RowX");
    const QString grouped = QStringLiteral("SELECT CASE WHEN ") + okX + QStringLiteral(" = 1 THEN ")
        + Divided(dialect, u'(' + rowX + QStringLiteral(" - 1)"), n) + QStringLiteral(" ELSE -1 END AS grp, (") + rowX
        + QStringLiteral(" - 1) % ") + QString::number(n) + QStringLiteral(" AS pos, ")
        + AsDouble(dialect, Alias(dialect, "ValueX")) + QStringLiteral(" AS val, ") + Alias(dialect, "DateX")
        + QStringLiteral(" AS stamp FROM (") + q.numbered.sql + QStringLiteral(") numbered");
    q.subgroups.sql = Ranked(dialect, grouped);
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
