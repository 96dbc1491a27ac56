// ConnectDataSource: kind selection, the described messages, opening and the tester list.
#include "data/access/connectdatasource.h"

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/connection.h"
#include "data/config/configfiles.h"
#include "data/config/inifile.h"

#include <QFileInfo>

#include <algorithm>

namespace moldrin::data
{

namespace
{

const QString kAll = QStringLiteral("<All>");

// The text after the last backslash (or slash).
QString LastComponent(const QString& name)
{
    const qsizetype cut = std::max(name.lastIndexOf(u'\\'), name.lastIndexOf(u'/'));
    return name.mid(cut + 1);
}

// Jet and SQL Server compare text without regard to letter case, so "ATE 3" and "ate 3" are one tester:
// listed once, in the spelling that comes first in code order, and the list ordered without regard to case.
QStringList MergeTesters(QStringList testers)
{
    std::sort(testers.begin(), testers.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    testers.erase(std::unique(testers.begin(), testers.end(),
                      [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }),
        testers.end());
    return testers;
}

} // namespace

ConnectResult ConnectDataSource(const QString& product, const IniDatabase& values, AppState& state, Prompt& prompt)
{
    ConnectResult result;
    state.gTableName.clear();
    state.gDataSourceKind.clear();
    if (!state.gConnection)
        state.gConnection = std::make_shared<Connection>();
    Connection& connection = *state.gConnection;

    if (values.DatabaseName.isEmpty() && values.DataSourceName.isEmpty()) {
        prompt.warn(
            QStringLiteral("Not found value in section Database, key DatabaseName or DataSourceName (ATE.INI)!"));
        return result;
    }
    state.gTableName = values.TableName;
    if (state.gTableName.isEmpty()) {
        prompt.warn(QStringLiteral("Not found value in section ") + product
            + QStringLiteral(" and key TableName (PRODUCTS.INI)!"));
        return result;
    }

    auto trap = [&](const DataError& error) {
        if (error.number == kErrUnspecified) {
            // The providers' unspecified failure: the list keeps what was read, and no tester is selected.
            result.ok = true;
            result.testers = MergeTesters(result.testers);
            result.selected = QString();
            return result;
        }
        prompt.warn(error.description);
        result.testers = QStringList { kAll };
        result.selected = kAll;
        result.ok = false;
        return result;
    };

    SourceKind kind = KindOf(values);
    bool opened = false;
    if (kind == SourceKind::Access || kind == SourceKind::Excel || kind == SourceKind::SQLite) {
        // The file named in ATE.INI, relative names taken from the configuration folder, letter case as
        // on Windows.
        IniDatabase resolved = values;
        resolved.DatabaseName = ConfigFilePath(state.gINIPath, values.DatabaseName);
        if (QFileInfo(resolved.DatabaseName).isFile()) {
            if (connection.State() == ObjectState::Open)
                connection.Close();
            if (Status s = connection.Open(BuildConnectionString(kind, resolved)))
                return trap(*s);
            state.gDataSourceKind = KindName(kind);
            if (kind == SourceKind::Excel)
                state.gTableName = u'[' + values.TableName + QStringLiteral("$]");
            opened = true;
        } else if (!QFileInfo(ConfigFilePath(state.gINIPath, LastComponent(values.DatabaseName))).isFile()) {
            prompt.warn((kind == SourceKind::Excel ? QStringLiteral("Not found Excel file ")
                                                   : QStringLiteral("Not found Database "))
                + values.DatabaseName + u'!');
            return result;
        }
        // Otherwise a file of that name lies in the configuration folder but not at the named path:
        // as the original did, go on with the server branches below.
    }
    if (!opened) {
        if (!values.DataSourceName.isEmpty()) {
            if (connection.State() == ObjectState::Open)
                connection.Close();
            if (Status s = connection.Open(BuildConnectionString(SourceKind::Odbc, values)))
                return trap(*s);
            state.gDataSourceKind = QStringLiteral("ODBC");
        } else {
            if (values.UserName.isEmpty()) {
                prompt.warn(QStringLiteral("Not found user name in section Database and key UserName (ATE.INI)!"));
                return result;
            }
            if (values.ServerName.isEmpty()) {
                prompt.warn(QStringLiteral("Not found server name in section Database and key ServerName (ATE.INI)!"));
                return result;
            }
            if (connection.State() == ObjectState::Open)
                connection.Close();
            if (Status s = connection.Open(BuildConnectionString(SourceKind::SqlServer, values)))
                return trap(*s);
            state.gDataSourceKind = QStringLiteral("MSSQL");
        }
    }

    Recordset rs;
    const QString sql = QStringLiteral("SELECT ") + state.gColATEID + QStringLiteral(" AS ATEx FROM ")
        + state.gTableName + QStringLiteral(" GROUP BY ") + state.gColATEID + QStringLiteral(" ORDER BY ")
        + state.gColATEID + u';';
    if (Status s = rs.Open(sql, connection, Recordset::Count::Skip))
        return trap(*s);
    while (!rs.Eof()) {
        const Recordset::FieldResult field = rs.Fields(QStringLiteral("ATEx"));
        if (field.error)
            return trap(*field.error);
        if (!field.value.isNull()) {
            const QString text = field.value.toString();
            if (!text.isEmpty())
                result.testers << text;
        }
        if (Status s = rs.MoveNext())
            return trap(*s);
    }
    result.testers = MergeTesters(result.testers);
    result.testers << kAll;
    result.selected = kAll;
    const QString saved = state.registry.read(QStringLiteral("SourceFilter"));
    for (const QString& tester : std::as_const(result.testers)) {
        if (!saved.isEmpty() && tester.compare(saved, Qt::CaseInsensitive) == 0)
            result.selected = tester;
    }
    rs.Close();
    result.ok = true;
    return result;
}

IniDatabase ReadIniDatabase(const QString& product, const AppState& state)
{
    const IniFile ate(ConfigFilePath(state.gINIPath, kAteIni));
    const QString section = QStringLiteral("Database");
    IniDatabase values;
    values.DatabaseName = ate.value(section, QStringLiteral("DatabaseName"));
    values.DataSourceName = ate.value(section, QStringLiteral("DataSourceName"));
    values.UserName = ate.value(section, QStringLiteral("UserName"));
    values.Password = ate.value(section, QStringLiteral("Password"));
    values.ServerName = ate.value(section, QStringLiteral("ServerName"));
    values.TableName = ReadINI(product, QStringLiteral("TableName"), ConfigFilePath(state.gINIPath, kProductsIni));
    return values;
}

} // namespace moldrin::data
