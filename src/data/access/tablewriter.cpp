// Creating and filling an SQLite table from a loader, and date conversions shared by the loaders.
#include "data/access/fileloaders.h"

#include "data/access/values.h"

#include <QDateTime>
#include <QStringList>

#include <sqlite3.h>

#include <cmath>

namespace moldrin::data
{

namespace
{
QString QuoteName(QString name)
{
    name.replace(u'"', QStringLiteral("\"\""));
    return u'"' + name + u'"';
}
} // namespace

QString OleDateText(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > 3.0e6)
        return {};
    double days = std::trunc(value);
    double frac = std::fabs(value - days);
    qint64 secs = std::llround(frac * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        days += value < 0 ? -1 : 1;
    }
    const QDate d = QDate(1899, 12, 30).addDays(static_cast<qint64>(days));
    return IsoDateTimeText(d, QTime(0, 0).addSecs(static_cast<int>(secs)));
}

QString ExcelSerialText(double serial, bool date1904)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 3.0e6)
        return {};
    qint64 totalSecs = std::llround(serial * 86400.0);
    qint64 days = totalSecs / 86400;
    const qint64 secs = totalSecs % 86400;
    QDate base;
    if (date1904) {
        base = QDate(1904, 1, 1);
    } else if (days < 61) {
        // 1900 counted as a leap year: serial 1 is 1 Jan 1900, 60 the phantom 29 Feb (read as 28 Feb).
        base = QDate(1899, 12, 31);
        if (days == 60)
            days = 59;
    } else {
        base = QDate(1899, 12, 30);
    }
    return IsoDateTimeText(base.addDays(days), QTime(0, 0).addSecs(static_cast<int>(secs)));
}

TableWriter::TableWriter(sqlite3* db, const QString& table, QStringList columns)
    : mDb(db)
{
    QStringList seen;
    for (int i = 0; i < columns.size(); ++i) {
        QString name = columns[i].trimmed();
        if (name.isEmpty())
            name = QStringLiteral("F%1").arg(i + 1);
        QString unique = name;
        for (int k = 1; seen.contains(unique.toLower()); ++k)
            unique = name + QString::number(k);
        seen << unique.toLower();
        mColumns << unique;
    }
    QStringList quoted, marks;
    for (const QString& c : mColumns) {
        quoted << QuoteName(c);
        marks << QStringLiteral("?");
    }
    const QByteArray create
        = (QStringLiteral("CREATE TABLE ") + QuoteName(table) + u'(' + quoted.join(u',') + u')').toUtf8();
    if (sqlite3_exec(mDb, create.constData(), nullptr, nullptr, nullptr) != SQLITE_OK) {
        fail(QStringLiteral("Cannot create table ") + table);
        return;
    }
    const QByteArray insert
        = (QStringLiteral("INSERT INTO ") + QuoteName(table) + QStringLiteral(" VALUES(") + marks.join(u',') + u')')
              .toUtf8();
    if (sqlite3_prepare_v2(mDb, insert.constData(), -1, &mInsert, nullptr) != SQLITE_OK)
        fail(QStringLiteral("Cannot fill table ") + table);
}

TableWriter::~TableWriter()
{
    sqlite3_finalize(mInsert);
}

Status TableWriter::fail(const QString& what)
{
    mStatus = DataError { kErrConnect, what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(mDb)) };
    return mStatus;
}

void TableWriter::setNull(int column)
{
    if (mInsert && column >= 0 && column < columnCount())
        sqlite3_bind_null(mInsert, column + 1);
}

void TableWriter::setNumber(int column, double value)
{
    if (mInsert && column >= 0 && column < columnCount())
        sqlite3_bind_double(mInsert, column + 1, value);
}

void TableWriter::setText(int column, const QString& value)
{
    if (mInsert && column >= 0 && column < columnCount()) {
        const QByteArray utf8 = value.toUtf8();
        sqlite3_bind_text(mInsert, column + 1, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    }
}

Status TableWriter::insertRow()
{
    if (mStatus)
        return mStatus;
    if (sqlite3_step(mInsert) != SQLITE_DONE)
        return fail(QStringLiteral("Cannot copy a row"));
    sqlite3_reset(mInsert);
    sqlite3_clear_bindings(mInsert);
    return {};
}

} // namespace moldrin::data
