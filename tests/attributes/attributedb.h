// A results table with the attribute charts' columns in an SQLite file, and the state that reads it.
#pragma once

#include "common/appstate.h"
#include "data/access/connection.h"
#include "data/access/connectionstring.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QVariant>

#include <memory>

namespace moldrin::test
{

// One lot: its tester and the p (Defectives of Inspected), np (Rejects of Sampled), u (Defects on Units)
// and c (Scratches) columns.
struct Lot {
    double defectives = 0, inspected = 50;
    double rejects = 0, sampled = 50;
    double defects = 0, units = 1;
    double scratches = 0;
    QString tester = QStringLiteral("ATE-01");
};

class AttributeDatabase
{
public:
    AttributeDatabase()
        : state(dir.filePath(QStringLiteral("settings")))
    {
    }

    // Writes the lots one hour apart, the last first (the statements sort them), and connects the state.
    bool open(const QList<Lot>& lots)
    {
        path = dir.filePath(QStringLiteral("lots.db"));
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lots"));
            db.setDatabaseName(path);
            if (!db.open())
                return false;
            QSqlQuery q(db);
            q.exec(QStringLiteral("CREATE TABLE Lots (TestStartTime TEXT, ATEID TEXT, TestID TEXT, Defectives REAL, "
                                  "Inspected REAL, Rejects REAL, Sampled REAL, Defects REAL, Units REAL, "
                                  "Scratches REAL)"));
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("lots"));
        for (int i = int(lots.size()) - 1; i >= 0; --i)
            if (!insert(lots[i], i))
                return false;
        state.gConnection = std::make_shared<data::Connection>();
        data::IniDatabase ini;
        ini.DatabaseName = path;
        if (state.gConnection->Open(data::BuildConnectionString(data::KindOf(ini), ini)))
            return false;
        state.gDataSourceKind = data::KindName(data::KindOf(ini));
        state.gTableName = QStringLiteral("Lots");
        state.gColTestStartTime = QStringLiteral("[TestStartTime]");
        state.gColATEID = QStringLiteral("[ATEID]");
        state.gColTestID = QStringLiteral("[TestID]");
        state.gPChartNonConfColumn = QStringLiteral("Defectives");
        state.gPChartSubGroupColumn = QStringLiteral("Inspected");
        state.gNPChartNonConfColumn = QStringLiteral("Rejects");
        state.gNPChartSubGroupColumn = QStringLiteral("Sampled");
        state.gUChartNonConfColumn = QStringLiteral("Defects");
        state.gUChartSubGroupColumn = QStringLiteral("Units");
        state.gCChartNonConfColumn = QStringLiteral("Scratches");
        return true;
    }

    // Adds lot number `index` (its time follows the lots before it), or runs a statement on the table.
    bool insert(const Lot& lot, int index)
    {
        const QDateTime when(QDate(2026, 11, 1), QTime(6, 0));
        return exec(QStringLiteral("INSERT INTO Lots VALUES ('%1', '%2', 'FT1', %3, %4, %5, %6, %7, %8, %9)")
                        .arg(when.addSecs(3600 * index).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), lot.tester)
                        .arg(lot.defectives)
                        .arg(lot.inspected)
                        .arg(lot.rejects)
                        .arg(lot.sampled)
                        .arg(lot.defects)
                        .arg(lot.units)
                        .arg(lot.scratches));
    }
    bool exec(const QString& sql)
    {
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("write"));
            db.setDatabaseName(path);
            ok = db.open() && QSqlQuery(db).exec(sql);
            db.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("write"));
        return ok;
    }

    QTemporaryDir dir;
    QString path;
    AppState state;
};

} // namespace moldrin::test
