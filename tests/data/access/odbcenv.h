// A private unixODBC set-up for tests: odbcinst.ini with the Debian drivers and an odbc.ini of DSNs.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

namespace moldrin::test
{

// Writes <dir>/odbcinst.ini and <dir>/odbc.ini (with `dsns`, ini text) and points ODBCSYSINI/ODBCINI there.
// unixODBC keeps the paths it first saw for the rest of the process: call it once per test program.
inline bool UsePrivateOdbc(const QString& dir, const QString& dsns)
{
    QFile inst(QDir(dir).filePath(QStringLiteral("odbcinst.ini")));
    if (!inst.open(QIODevice::WriteOnly))
        return false;
    inst.write(
        "[SQLite3]\nDriver=libsqlite3odbc.so\n[PostgreSQL Unicode]\nDriver=psqlodbcw.so\n"
        "[FreeTDS]\nDriver=libtdsodbc.so\n[MDBTools]\nDriver=libmdbodbc.so\n[MariaDB Unicode]\nDriver=libmaodbc.so\n");
    inst.close();
    QFile ini(QDir(dir).filePath(QStringLiteral("odbc.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return false;
    ini.write(dsns.toUtf8());
    ini.close();
    qputenv("ODBCSYSINI", QFile::encodeName(dir));
    qputenv("ODBCINI", QFile::encodeName(QDir(dir).filePath(QStringLiteral("odbc.ini"))));
    return true;
}

} // namespace moldrin::test
