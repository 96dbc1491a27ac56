// The described provider connection strings: building them from ATE.INI values and reading them back.
#pragma once

#include <QMap>
#include <QString>

namespace moldrin::data
{

enum class SourceKind { Access, Excel, Odbc, SqlServer, SQLite };

// The [Database] values of ATE.INI and the product's TableName of PRODUCTS.INI, as read.
struct IniDatabase {
    QString DatabaseName;
    QString DataSourceName;
    QString UserName;
    QString Password;
    QString ServerName;
    QString TableName;
};

// The kind the values select: ".mdb" anywhere (any case) -> Access, ".xls" -> Excel; then a name
// ending in .db/.sqlite/.sqlite3 with no DataSourceName -> SQLite; DataSourceName set -> ODBC;
// else SQL Server.
SourceKind KindOf(const IniDatabase& values);

// "ACCESS" for Access and Excel, "ODBC", "MSSQL", "SQLITE".
QString KindName(SourceKind kind);

// The connection string of the kind, values inserted unchanged. The SQLite kind's string is
// "Provider=SQLite;Data Source=" + DatabaseName + ";".
QString BuildConnectionString(SourceKind kind, const IniDatabase& values);

// Keys of a connection string, upper-cased, mapped to their values. A value may be enclosed in
// double quotes (then it may hold ';'). Later keys repeat earlier ones' values only if absent.
struct ParsedConnectionString {
    QMap<QString, QString> keys;
    QString value(const QString& key) const { return keys.value(key.toUpper()); }
    bool has(const QString& key) const { return keys.contains(key.toUpper()); }
};
ParsedConnectionString ParseConnectionString(const QString& text);

// The engine a connection string selects (by Provider, then by the Data Source name).
// False when the string names no provider this program knows.
bool KindFromConnectionString(const ParsedConnectionString& parsed, SourceKind* kind);

// The driver-manager string for the ODBC kind: "<DSN>;UID=..;PWD=..;DATABASE=.." with empty keys left
// out (an empty key would override the DSN's own value). QODBC itself puts "DSN=" in front. No ';' ends it:
// the MariaDB driver, given the string through Qt, cannot parse one there.
QString OdbcDriverString(const ParsedConnectionString& parsed);

// The driver-manager string for the SQL Server kind over `driver` (FreeTDS): "server" may be "host,port"
// (split into SERVER and PORT; 1433 when no port or instance is named) or "host\instance".
QString SqlServerDriverString(const ParsedConnectionString& parsed, const QString& driver);

} // namespace moldrin::data
