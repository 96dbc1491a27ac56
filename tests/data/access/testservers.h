// The throwaway servers of the tests (started by the CTest fixtures): their data source names, and connections
// that may write for setting up tables.
#pragma once

#include "odbcenv.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

#include <gtest/gtest.h>

namespace moldrin::test
{

inline QString Env(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

inline QString MariaDbSocket()
{
    return QDir(Env("MOLDRIN_MARIADB_DIR")).filePath(QStringLiteral("mysqld.sock"));
}

// Points ODBC at <dir> with the data sources "pg" and "maria" (plus `more` ini lines for "pg"), after checking
// that the fixtures started both servers.
inline void UseServerDsns(const QString& dir, const QString& more = {})
{
    ASSERT_FALSE(Env("MOLDRIN_PG_DIR").isEmpty()) << "the postgres fixture starts the server";
    ASSERT_FALSE(Env("MOLDRIN_MARIADB_DIR").isEmpty()) << "the mariadb fixture starts the server";
    ASSERT_TRUE(UsePrivateOdbc(dir,
        QStringLiteral("[pg]\nDriver=PostgreSQL Unicode\nServername=%1\nPort=%2\nDatabase=spcdata\n%3"
                       "[maria]\nDriver=MariaDB Unicode\nSocket=%4\nDatabase=spcdata\n")
            .arg(Env("MOLDRIN_PG_DIR"), Env("MOLDRIN_PG_PORT"), more, MariaDbSocket())));
}

// Qt SQL connections under these names as the servers' owners (who may write).
inline void OpenAdminConnections(const QString& pgName, const QString& mariaName)
{
    QSqlDatabase pg = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), pgName);
    pg.setHostName(Env("MOLDRIN_PG_DIR"));
    pg.setPort(Env("MOLDRIN_PG_PORT").toInt());
    pg.setUserName(QStringLiteral("spc"));
    pg.setDatabaseName(QStringLiteral("spcdata"));
    ASSERT_TRUE(pg.open()) << qPrintable(pg.lastError().text());
    QSqlDatabase m = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), mariaName);
    m.setDatabaseName(
        QStringLiteral("DRIVER={MariaDB Unicode};SOCKET=%1;DATABASE=spcdata;UID=spc;PWD=spc").arg(MariaDbSocket()));
    ASSERT_TRUE(m.open()) << qPrintable(m.lastError().text());
}

inline void CloseConnections(const QStringList& names)
{
    for (const QString& name : names) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

// Runs a statement on a named Qt SQL connection; a failure is a test failure.
inline bool Exec(const QString& connection, const QString& sql)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    if (q.exec(sql))
        return true;
    ADD_FAILURE() << qPrintable(sql) << ": " << qPrintable(q.lastError().text());
    return false;
}

} // namespace moldrin::test
