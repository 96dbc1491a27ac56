// ConnectDataSource: kind selection, the described messages, opening and the tester list.
#include "data/access/connectdatasource.h"

#include "common/appstate.h"
#include "common/prompt.h"
#include "data/access/connection.h"
#include "data/config/configfiles.h"
#include "data/config/inifile.h"

#include <QFileInfo>

#include <algorithm>
#include <optional>

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

namespace
{

// How opening the source ended: opened, refused with a message already given, or failed in the engine.
struct Opened {
    bool ok = false;
    Status error;
};

Opened Reopen(Connection& connection, SourceKind kind, const IniDatabase& values)
{
    if (connection.State() == ObjectState::Open)
        connection.Close();
    return { false, connection.Open(BuildConnectionString(kind, values)) };
}

// The file kinds: the file named in ATE.INI, relative names taken from the configuration folder, letter case
// as on Windows. Not opened (and no message) when a file of that name lies in the configuration folder but
// not at the named path: as the original did, the server branches follow.
std::optional<Opened> OpenFile(
    SourceKind kind, const IniDatabase& values, AppState& state, Connection& connection, Prompt& prompt)
{
    IniDatabase resolved = values;
    resolved.DatabaseName = ConfigFilePath(state.gINIPath, values.DatabaseName);
    if (QFileInfo(resolved.DatabaseName).isFile()) {
        Opened o = Reopen(connection, kind, resolved);
        if (o.error)
            return o;
        state.gDataSourceKind = KindName(kind);
        if (kind == SourceKind::Excel)
            state.gTableName = u'[' + values.TableName + QStringLiteral("$]");
        return Opened { true, {} };
    }
    if (QFileInfo(ConfigFilePath(state.gINIPath, LastComponent(values.DatabaseName))).isFile())
        return std::nullopt;
    prompt.warn(
        (kind == SourceKind::Excel ? QStringLiteral("Not found Excel file ") : QStringLiteral("Not found Database "))
        + values.DatabaseName + u'!');
    return Opened {};
}

// An ODBC data source, else SQL Server (which needs a user and a server name).
Opened OpenServer(const IniDatabase& values, AppState& state, Connection& connection, Prompt& prompt)
{
    if (!values.DataSourceName.isEmpty()) {
        Opened o = Reopen(connection, SourceKind::Odbc, values);
        if (o.error)
            return o;
        state.gDataSourceKind = QStringLiteral("ODBC");
        return { true, {} };
    }
    if (values.UserName.isEmpty()) {
        prompt.warn(QStringLiteral("Not found user name in section Database and key UserName (ATE.INI)!"));
        return {};
    }
    if (values.ServerName.isEmpty()) {
        prompt.warn(QStringLiteral("Not found server name in section Database and key ServerName (ATE.INI)!"));
        return {};
    }
    Opened o = Reopen(connection, SourceKind::SqlServer, values);
    if (o.error)
        return o;
    state.gDataSourceKind = QStringLiteral("MSSQL");
    return { true, {} };
}

// The tester list's items in statement order, without nulls and empty texts.
Status ReadTesters(const AppState& state, Connection& connection, QStringList& testers)
{
    Recordset rs;
    const QString sql = QStringLiteral("SELECT ") + state.gColATEID + QStringLiteral(" AS ATEx FROM ")
        + state.gTableName + QStringLiteral(" GROUP BY ") + state.gColATEID + QStringLiteral(" ORDER BY ")
        + state.gColATEID + u';';
    if (Status s = rs.Open(sql, connection, Recordset::Count::Skip))
        return s;
    while (!rs.Eof()) {
        const Recordset::FieldResult field = rs.Fields(QStringLiteral("ATEx"));
        if (field.error)
            return field.error;
        if (!field.value.isNull()) {
            const QString text = field.value.toString();
            if (!text.isEmpty())
                testers << text;
        }
        if (Status s = rs.MoveNext())
            return s;
    }
    return {};
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
    // A worksheet's name is bracketed with its '$': it must be a plain name there.
    if (!IsTableOrColumnName(values.TableName)
        || (KindOf(values) == SourceKind::Excel && values.TableName.contains(u'['))) {
        state.gTableName.clear();
        prompt.warn(NotANameMessage(product, QStringLiteral("TableName"), values.TableName));
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

    const SourceKind kind = KindOf(values);
    std::optional<Opened> opened;
    if (kind == SourceKind::Access || kind == SourceKind::Excel || kind == SourceKind::SQLite)
        opened = OpenFile(kind, values, state, connection, prompt);
    if (!opened)
        opened = OpenServer(values, state, connection, prompt);
    if (opened->error)
        return trap(*opened->error);
    if (!opened->ok)
        return result;

    if (Status s = ReadTesters(state, connection, result.testers))
        return trap(*s);
    result.testers = MergeTesters(result.testers);
    result.testers << kAll;
    result.selected = kAll;
    const QString saved = state.registry.read(QStringLiteral("SourceFilter"));
    for (const QString& tester : std::as_const(result.testers)) {
        if (!saved.isEmpty() && tester.compare(saved, Qt::CaseInsensitive) == 0)
            result.selected = tester;
    }
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
