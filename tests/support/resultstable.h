// A results table written for a test (SQLite file, the default column names and the given parameter
// columns), and the connection of a state to it.
#pragma once

#include "common/appstate.h"
#include "data/access/connection.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <cmath>
#include <memory>

namespace moldrin::test
{

struct ResultRow {
    QString serial;
    QString tester;
    QDateTime start;
    QList<double> values; // one per parameter column; NaN: null
    QString verdict = QStringLiteral("PASS");
};

// Writes the table Results (SerialNumber, ATEID, TestStartTime, PassFail, TestID 'FT1', then `columns` as REAL)
// into the SQLite file `path`. The error text, or "" when written.
inline QString WriteResultsTable(const QString& path, const QStringList& columns, const QList<ResultRow>& rows)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("results-writer"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        QStringList marks(columns.size() + 5, QStringLiteral("?"));
        if (!db.open() || !db.transaction()
            || !q.exec(QStringLiteral("CREATE TABLE Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, "
                                      "PassFail TEXT, TestID TEXT, ")
                + columns.join(QStringLiteral(" REAL, ")) + QStringLiteral(" REAL)"))
            || !q.prepare(QStringLiteral("INSERT INTO Results VALUES (") + marks.join(u',') + u')'))
            error = db.lastError().text() + q.lastError().text();
        for (qsizetype i = 0; i < rows.size() && error.isEmpty(); ++i) {
            const ResultRow& r = rows[i];
            for (const QVariant& v : { QVariant(r.serial), QVariant(r.tester),
                     QVariant(r.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))), QVariant(r.verdict),
                     QVariant(QStringLiteral("FT1")) })
                q.addBindValue(v);
            for (double v : r.values)
                q.addBindValue(std::isnan(v) ? QVariant() : QVariant(v));
            if (!q.exec())
                error = q.lastError().text();
        }
        if (error.isEmpty() && !db.commit())
            error = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("results-writer"));
    return error;
}

// Connects `state` to the results table in the SQLite file `path`, as a product selection would.
inline bool ConnectResults(AppState& state, const QString& path)
{
    state.gConnection = std::make_shared<data::Connection>();
    data::IniDatabase ini;
    ini.DatabaseName = path;
    state.gDataSourceKind = data::KindName(data::KindOf(ini));
    state.gTableName = QStringLiteral("Results");
    return !state.gConnection->Open(data::BuildConnectionString(data::KindOf(ini), ini));
}

} // namespace moldrin::test
