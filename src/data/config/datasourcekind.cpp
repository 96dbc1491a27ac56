// The kind of data source named by ATE.INI.
#include "datasourcekind.h"

namespace moldrin::data
{

bool IsExcelSource(const QString& databaseName)
{
    return !databaseName.contains(QLatin1String(".mdb"), Qt::CaseInsensitive)
        && databaseName.contains(QLatin1String(".xls"), Qt::CaseInsensitive);
}

QString DataSourceKindFor(const QString& databaseName, const QString& dataSourceName)
{
    if (databaseName.contains(QLatin1String(".mdb"), Qt::CaseInsensitive)
        || databaseName.contains(QLatin1String(".xls"), Qt::CaseInsensitive))
        return kKindAccess;
    for (const char* ext : { ".db", ".sqlite", ".sqlite3" }) {
        if (databaseName.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            return kKindSqlite;
    }
    if (!dataSourceName.isEmpty())
        return kKindOdbc;
    return kKindMssql;
}

} // namespace moldrin::data
