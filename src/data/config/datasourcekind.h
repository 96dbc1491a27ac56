// The kind of data source named by ATE.INI, as the query builder needs it for its date literals.
#pragma once

#include <QString>

namespace moldrin::data
{

inline const QString kKindAccess = QStringLiteral("ACCESS");
inline const QString kKindSqlite = QStringLiteral("SQLITE");
inline const QString kKindOdbc = QStringLiteral("ODBC");
inline const QString kKindMssql = QStringLiteral("MSSQL");

// "ACCESS" for a DatabaseName containing .mdb or .xls (any case), "SQLITE" for one ending in .db,
// .sqlite or .sqlite3, "ODBC" when DataSourceName is set, else "MSSQL".
QString DataSourceKindFor(const QString& databaseName, const QString& dataSourceName);

// True when DatabaseName names an Excel workbook (its tables are written [Name$]).
bool IsExcelSource(const QString& databaseName);

} // namespace moldrin::data
