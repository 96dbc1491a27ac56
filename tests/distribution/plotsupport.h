// A results table in a SQLite file and the state, host and selection the scatter and Pareto plots run on.
#pragma once

#include "common/appstate.h"
#include "data/access/connection.h"
#include "data/access/connectionstring.h"
#include "data/loader/plotfunction.h"

#include "plothost.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <gtest/gtest.h>

namespace moldrin::test
{

// One row of the table: tester, the readings of columns A, B and C (a null QVariant for NULL), and its
// serial number and start time when they matter (else SN000.. and one minute after the previous row).
struct ResultRow {
    QString tester;
    QVariant a, b, c;
    QString serial = {};
    QString start = {};
};

// Parameters A ("Alpha", unit V), B ("Beta", no unit) and C ("Gamma", mA) of product PSU-100, whose
// PRODUCTS.INI section names the Pareto X title "Parameters".
struct PlotFixture {
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    RecordingHost host;
    data::PlotSelection selection;

    explicit PlotFixture(const QList<ResultRow>& rows)
    {
        const QString path = dir.filePath("results.db");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "plotfixture");
            db.setDatabaseName(path);
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            db.transaction();
            EXPECT_TRUE(q.exec("CREATE TABLE Results (SerialNumber TEXT, ATEID TEXT, TestStartTime TEXT, PassFail "
                               "TEXT, TestID TEXT, A REAL, B REAL, C REAL)"));
            q.prepare("INSERT INTO Results VALUES (?, ?, ?, 'PASS', 'FT1', ?, ?, ?)");
            const QDateTime t0(QDate(2026, 11, 1), QTime(8, 0));
            for (int i = 0; i < rows.size(); ++i) {
                const ResultRow& r = rows[i];
                q.addBindValue(r.serial.isEmpty() ? QStringLiteral("SN%1").arg(i, 3, 10, QChar('0')) : r.serial);
                q.addBindValue(r.tester);
                q.addBindValue(r.start.isEmpty() ? t0.addSecs(60 * i).toString("yyyy-MM-dd HH:mm:ss") : r.start);
                q.addBindValue(r.a);
                q.addBindValue(r.b);
                q.addBindValue(r.c);
                EXPECT_TRUE(q.exec());
            }
            db.commit();
            db.close();
        }
        QSqlDatabase::removeDatabase("plotfixture");
        QFile ini(dir.filePath("PRODUCTS.INI"));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write("[PSU-100]\r\nTableName=Results\r\nParetoTitleX=Parameters\r\n");
        ini.close();

        state.gINIPath = dir.path();
        state.gConnection = std::make_shared<data::Connection>();
        data::IniDatabase db;
        db.DatabaseName = path;
        EXPECT_FALSE(state.gConnection->Open(data::BuildConnectionString(data::KindOf(db), db)));
        state.gDataSourceKind = data::KindName(data::KindOf(db));
        state.gTableName = "Results";
        state.gParamColumn = { "A", "B", "C" };
        state.gParamName = { "Alpha", "Beta", "Gamma" };
        state.gSpecField4 = { "V", "", "mA" };
        selection.product = "PSU-100";
        selection.range = "All";
        selection.query.acceptZero = true;
    }
};

} // namespace moldrin::test
