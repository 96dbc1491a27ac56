// Building and parsing the provider connection strings.
#include "data/access/connectionstring.h"

namespace moldrin::data
{

namespace
{
bool IsSQLiteFile(const QString& name)
{
    const QString lower = name.trimmed().toLower();
    return lower.endsWith(QLatin1String(".db")) || lower.endsWith(QLatin1String(".sqlite"))
        || lower.endsWith(QLatin1String(".sqlite3"));
}
} // namespace

SourceKind KindOf(const IniDatabase& v)
{
    if (v.DatabaseName.contains(QLatin1String(".mdb"), Qt::CaseInsensitive))
        return SourceKind::Access;
    if (v.DatabaseName.contains(QLatin1String(".xls"), Qt::CaseInsensitive))
        return SourceKind::Excel;
    if (v.DataSourceName.isEmpty() && IsSQLiteFile(v.DatabaseName))
        return SourceKind::SQLite;
    if (!v.DataSourceName.isEmpty())
        return SourceKind::Odbc;
    return SourceKind::SqlServer;
}

QString KindName(SourceKind kind)
{
    switch (kind) {
    case SourceKind::Access:
    case SourceKind::Excel:
        return QStringLiteral("ACCESS");
    case SourceKind::Odbc:
        return QStringLiteral("ODBC");
    case SourceKind::SqlServer:
        return QStringLiteral("MSSQL");
    case SourceKind::SQLite:
        return QStringLiteral("SQLITE");
    }
    return {};
}

QString BuildConnectionString(SourceKind kind, const IniDatabase& v)
{
    switch (kind) {
    case SourceKind::Access:
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") + v.DatabaseName
            + QStringLiteral(";");
    case SourceKind::Excel:
        return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;") + QStringLiteral("Data Source=") + v.DatabaseName
            + QStringLiteral(";Extended Properties=\"Excel 8.0;HRD=YES;\"");
    case SourceKind::Odbc:
        return QStringLiteral("Provider=MSDASQL;") + QStringLiteral("UID=") + v.UserName + QStringLiteral(";")
            + QStringLiteral("PWD=") + v.Password + QStringLiteral(";") + QStringLiteral("Database=") + v.DatabaseName
            + QStringLiteral(";") + QStringLiteral("DSN=") + v.DataSourceName + QStringLiteral(";");
    case SourceKind::SqlServer:
        return QStringLiteral("Provider=SQLOLEDB;") + QStringLiteral("Network Library=DBMSSOCN;")
            + QStringLiteral("uid=") + v.UserName + QStringLiteral(";") + QStringLiteral("pwd=") + v.Password
            + QStringLiteral(";") + QStringLiteral("server=") + v.ServerName + QStringLiteral(";")
            + QStringLiteral("database=") + v.DatabaseName + QStringLiteral(";") + QStringLiteral("DSN=;");
    case SourceKind::SQLite:
        return QStringLiteral("Provider=SQLite;Data Source=") + v.DatabaseName + QStringLiteral(";");
    }
    return {};
}

ParsedConnectionString ParseConnectionString(const QString& text)
{
    ParsedConnectionString parsed;
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(u'=', i);
        if (eq < 0)
            break;
        const QString key = text.mid(i, eq - i).trimmed().toUpper();
        qsizetype j = eq + 1;
        QString value;
        // A value that starts with a quote runs to the matching quote.
        qsizetype k = j;
        while (k < n && text[k] == u' ')
            ++k;
        if (k < n && (text[k] == u'"' || text[k] == u'\'')) {
            const QChar q = text[k];
            const qsizetype close = text.indexOf(q, k + 1);
            if (close >= 0) {
                value = text.mid(k + 1, close - k - 1);
                j = close + 1;
                const qsizetype semi = text.indexOf(u';', j);
                j = semi < 0 ? n : semi + 1;
            } else {
                value = text.mid(k + 1);
                j = n;
            }
        } else {
            const qsizetype semi = text.indexOf(u';', j);
            value = text.mid(j, (semi < 0 ? n : semi) - j);
            j = semi < 0 ? n : semi + 1;
        }
        if (!key.isEmpty() && !parsed.keys.contains(key))
            parsed.keys.insert(key, value);
        i = j;
    }
    return parsed;
}

bool KindFromConnectionString(const ParsedConnectionString& p, SourceKind* kind)
{
    const QString provider = p.value(QStringLiteral("Provider")).trimmed().toUpper();
    const QString source = p.value(QStringLiteral("Data Source"));
    if (provider.startsWith(QLatin1String("MICROSOFT.JET.OLEDB"))
        || provider.startsWith(QLatin1String("MICROSOFT.ACE.OLEDB"))) {
        if (p.value(QStringLiteral("Extended Properties")).contains(QLatin1String("Excel"), Qt::CaseInsensitive)
            || source.contains(QLatin1String(".xls"), Qt::CaseInsensitive))
            *kind = SourceKind::Excel;
        else
            *kind = SourceKind::Access;
        return true;
    }
    if (provider == QLatin1String("SQLITE")) {
        *kind = SourceKind::SQLite;
        return true;
    }
    if (provider == QLatin1String("MSDASQL")) {
        *kind = SourceKind::Odbc;
        return true;
    }
    if (provider == QLatin1String("SQLOLEDB") || provider.startsWith(QLatin1String("SQLNCLI"))
        || provider.startsWith(QLatin1String("MSOLEDBSQL"))) {
        *kind = SourceKind::SqlServer;
        return true;
    }
    return false;
}

namespace
{
void AddKey(QString& s, const char* key, const QString& value)
{
    if (!value.isEmpty())
        s += u';' + QLatin1String(key) + u'=' + value;
}
} // namespace

QString OdbcDriverString(const ParsedConnectionString& p)
{
    QString s = p.value(QStringLiteral("DSN"));
    AddKey(s, "UID", p.value(QStringLiteral("UID")));
    AddKey(s, "PWD", p.value(QStringLiteral("PWD")));
    AddKey(s, "DATABASE", p.value(QStringLiteral("Database")));
    return s;
}

QString SqlServerDriverString(const ParsedConnectionString& p, const QString& driver)
{
    QString server = p.value(QStringLiteral("server")).trimmed();
    QString port;
    const qsizetype comma = server.indexOf(u',');
    if (comma >= 0) {
        port = server.mid(comma + 1).trimmed();
        server = server.left(comma).trimmed();
    }
    QString s = QStringLiteral("DRIVER=") + driver + QStringLiteral(";SERVER=") + server;
    AddKey(s, "PORT", port.isEmpty() && !server.contains(u'\\') ? QStringLiteral("1433") : port);
    AddKey(s, "DATABASE", p.value(QStringLiteral("database")));
    AddKey(s, "UID", p.value(QStringLiteral("uid")));
    AddKey(s, "PWD", p.value(QStringLiteral("pwd")));
    return s + QStringLiteral(";TDS_Version=7.4;ApplicationIntent=ReadOnly;");
}

} // namespace moldrin::data
