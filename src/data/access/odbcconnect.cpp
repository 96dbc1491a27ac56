// Opening ODBC data sources and SQL Server: the driver manager's strings, the engine behind a DSN and
// what each engine needs to stay read-only.
#include "data/access/connection.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>

namespace moldrin::data
{

namespace
{

const QString kMdbThroughOdbc = QStringLiteral(
    "Access databases are read from their file: name the .mdb file in DatabaseName instead of an ODBC data source.");

QString OdbcInstValue(const QString& section, const QString& key, const char* file)
{
    char buf[1024] = { 0 };
    const int n
        = SQLGetPrivateProfileString(section.toUtf8().constData(), key.toUtf8().constData(), "", buf, sizeof buf, file);
    return n > 0 ? QString::fromUtf8(buf) : QString();
}

QString OdbcInfo(const QSqlDatabase& db, SQLUSMALLINT what)
{
    const QVariant handle = db.driver()->handle();
    // QODBC hands out the SQLHDBC as a void* (SQLHANDLE's underlying type).
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
        return {};
    SQLHANDLE hdbc = *static_cast<const SQLHANDLE*>(handle.constData());
    SQLCHAR buf[256] = { 0 };
    SQLSMALLINT len = 0;
    if (!SQL_SUCCEEDED(SQLGetInfo(hdbc, what, buf, sizeof buf, &len)))
        return {};
    return QString::fromUtf8(reinterpret_cast<const char*>(buf));
}

// Appends "KEY=value;" when the value is not empty (empty keys would override the DSN's own).
void AddKey(QString& s, const char* key, const QString& value)
{
    if (!value.isEmpty())
        s += u';' + QLatin1String(key) + u'=' + value;
}

} // namespace

Status Connection::openOdbcString(const QString& odbcString)
{
    dropEngine();
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), mName);
    if (!db.isValid())
        return DataError { kErrConnect, kNotFoundProvider };
    db.setDatabaseName(odbcString);
    db.setConnectOptions(QStringLiteral("SQL_ATTR_ACCESS_MODE=SQL_MODE_READ_ONLY;SQL_ATTR_LOGIN_TIMEOUT=15"));
    if (!db.open()) {
        const QSqlError e = db.lastError();
        QString text = e.databaseText().trimmed();
        if (text.isEmpty())
            text = e.text();
        return DataError { kErrConnect, text };
    }
    return {};
}

Status Connection::openOdbc(const ParsedConnectionString& p)
{
    mEngine = QStringLiteral("ODBC");
    const QString dsn = p.value(QStringLiteral("DSN"));
    if (dsn.isEmpty())
        return DataError { kErrConnect,
            QStringLiteral("[unixODBC][Driver Manager]Data source name not found and no "
                           "default driver specified") };
    // Refused before connecting: the mdbtools ODBC driver cannot run these statements, and connecting to
    // it overreads a string inside the driver manager.
    const QString driverName = OdbcInstValue(dsn, QStringLiteral("Driver"), "odbc.ini");
    const QString driverLib = OdbcInstValue(driverName, QStringLiteral("Driver"), "odbcinst.ini");
    if (driverName.contains(QLatin1String("mdbtools"), Qt::CaseInsensitive)
        || driverLib.contains(QLatin1String("mdbodbc"), Qt::CaseInsensitive)
        || driverName.contains(QLatin1String("mdbodbc"), Qt::CaseInsensitive))
        return DataError { kErrConnect, kMdbThroughOdbc };
    if (Status s = openOdbcString(OdbcDriverString(p)))
        return s;
    mDbms = OdbcInfo(QSqlDatabase::database(mName, false), SQL_DBMS_NAME);
    if (mDbms.compare(QLatin1String("MDBTOOLS"), Qt::CaseInsensitive) == 0)
        return DataError { kErrConnect, kMdbThroughOdbc };
    if (mDbms == QLatin1String("SQLite")) {
        // The file the data source names is read through the SQLite engine itself, as a DatabaseName file
        // is: read-only whatever the driver does with its access mode, WAL files included, and text compared
        // without regard to letter case outside ASCII too.
        QString database = p.value(QStringLiteral("Database"));
        if (database.isEmpty())
            database = OdbcInstValue(dsn, QStringLiteral("Database"), "odbc.ini");
        if (database.startsWith(QLatin1String("file:")))
            database = QUrl(database.section(u'?', 0, 0)).toLocalFile();
        return openSQLiteFile(database);
    }
    if (mDbms == QLatin1String("PostgreSQL")) {
        mDialect = Dialect::PostgreSQL;
        QString ro = dsn;
        AddKey(ro, "UID", p.value(QStringLiteral("UID")));
        AddKey(ro, "PWD", p.value(QStringLiteral("PWD")));
        AddKey(ro, "DATABASE", p.value(QStringLiteral("Database")));
        // psqlODBC would otherwise fetch a whole result into memory; a cursor keeps it to one block. Its own
        // ReadOnly switch is turned off, also where the data source sets it: it refuses statements other than
        // SELECT, the one that makes the session read-only among them, but not the writes of a function a
        // SELECT calls.
        ro += QStringLiteral(";ReadOnly=0;UseDeclareFetch=1;Fetch=1000;");
        if (Status s = openOdbcString(ro))
            return s;
    } else if (mDbms.contains(QLatin1String("MySQL"), Qt::CaseInsensitive)
        || mDbms.contains(QLatin1String("MariaDB"), Qt::CaseInsensitive)) {
        mDialect = Dialect::MySQL;
    } else {
        mDialect = Dialect::Native;
    }
    return finishOpen();
}

Status Connection::openSqlServer(const ParsedConnectionString& p)
{
    mEngine = QStringLiteral("ODBC");
    mDialect = Dialect::Native;
    mDbms = QStringLiteral("Microsoft SQL Server");
    // A registered FreeTDS driver is preferred; else its library directly.
    const QString driver = OdbcInstValue(QStringLiteral("FreeTDS"), QStringLiteral("Driver"), "odbcinst.ini").isEmpty()
        ? QStringLiteral(MOLDRIN_TDSODBC_PATH)
        : QStringLiteral("{FreeTDS}");
    const QString s = SqlServerDriverString(p, driver);
    if (Status st = openOdbcString(s))
        return st;
    return finishOpen();
}

} // namespace moldrin::data
