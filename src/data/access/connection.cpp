// Connection: engine selection, opening SQLite files and loaded workbooks read-only, closing.
#include "data/access/connection.h"

#include "data/access/fileloaders.h"
#include "data/access/rowcursor.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

#include <algorithm>

#include <sqlite3.h>

namespace moldrin::data
{

Connection::Connection()
    : mName(QStringLiteral("moldrin-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
}

Connection::~Connection()
{
    Close();
}

void Connection::Close()
{
    while (!mRecordsets.empty())
        mRecordsets.back()->Close();
    SetProgressCallback({});
    if (QSqlDatabase::contains(mName)) {
        {
            QSqlDatabase db = QSqlDatabase::database(mName, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(mName);
    }
    mOpen = false;
    mNumbersAsText = false;
    mSchema = {};
    mDbms.clear();
}

DataError Connection::engineError(const QSqlError& error, bool duringFetch) const
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("Unspecified error");
    const long number = ClassifyError(mEngine, error.nativeErrorCode(), text, duringFetch);
    return { number, ScrubPassword(text, mPassword) };
}

Status Connection::Open(const QString& connectionString)
{
    Close();
    const ParsedConnectionString parsed = ParseConnectionString(connectionString);
    mPassword = parsed.has(QStringLiteral("PWD")) ? parsed.value(QStringLiteral("PWD"))
                                                  : parsed.value(QStringLiteral("Password"));
    SourceKind kind;
    if (!KindFromConnectionString(parsed, &kind))
        return DataError { kErrConnect, kNotFoundProvider };
    mKind = kind;
    Status result;
    switch (kind) {
    case SourceKind::SQLite:
        result = openSQLiteFile(parsed.value(QStringLiteral("Data Source")));
        break;
    case SourceKind::Access:
    case SourceKind::Excel:
        result = openLoaded(parsed.value(QStringLiteral("Data Source")));
        break;
    case SourceKind::Odbc:
        result = openOdbc(parsed);
        break;
    case SourceKind::SqlServer:
        result = openSqlServer(parsed);
        break;
    }
    if (result) {
        Close();
        result->description = ScrubPassword(result->description, mPassword);
        return result;
    }
    mOpen = true;
    return {};
}

void Connection::SetProgressCallback(std::function<bool()> callback)
{
    mProgress = std::move(callback);
    if (!QSqlDatabase::contains(mName))
        return;
    sqlite3* handle = SqliteHandle(QSqlDatabase::database(mName, false));
    if (!handle)
        return;
    // About a millisecond of engine work between two calls.
    constexpr int kStepsBetweenCalls = 20000;
    if (!mProgress) {
        sqlite3_progress_handler(handle, 0, nullptr, nullptr);
        return;
    }
    sqlite3_progress_handler(
        handle, kStepsBetweenCalls, [](void* self) { return static_cast<Connection*>(self)->mProgress() ? 0 : 1; },
        this);
}

Status Connection::openSQLiteFile(const QString& path)
{
    mEngine = QStringLiteral("SQLITE");
    mDbms = QStringLiteral("SQLite");
    mDialect = Dialect::SQLite;
    // Never create a database: a missing file is an error.
    if (!QFileInfo(path).isFile())
        return DataError { kErrConnect, QStringLiteral("Could not find file '") + path + QStringLiteral("'.") };
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mName);
    if (!db.isValid())
        return DataError { kErrConnect, kNotFoundProvider };
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!db.open())
        return DataError { kErrConnect, db.lastError().text() };
    return finishOpen();
}

Status Connection::openLoaded(const QString& path)
{
    mEngine = QStringLiteral("SQLITE");
    mDialect = Dialect::SQLite;
    mDbms = mKind == SourceKind::Access ? QStringLiteral("ACCESS") : QStringLiteral("EXCEL");
    if (!QFileInfo(path).isFile())
        return DataError { kErrConnect, QStringLiteral("Could not find file '") + path + QStringLiteral("'.") };
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mName);
    db.setDatabaseName(QStringLiteral(":memory:"));
    if (!db.open())
        return DataError { kErrConnect, db.lastError().text() };
    sqlite3* handle = SqliteHandle(db);
    if (!handle)
        return DataError { kErrConnect, kNotFoundProvider };
    Status loaded;
    if (mKind == SourceKind::Access) {
        loaded = LoadAccessFile(path, handle);
    } else {
        QFile f(path);
        QByteArray magic;
        if (f.open(QIODevice::ReadOnly))
            magic = f.read(4);
        loaded = magic == QByteArray("PK\x03\x04", 4) ? LoadXlsxFile(path, handle) : LoadXlsFile(path, handle);
    }
    if (loaded)
        return loaded;
    return finishOpen();
}

Status Connection::finishOpen()
{
    QSqlDatabase db = QSqlDatabase::database(mName, false);
    if (mEngine == QLatin1String("SQLITE")) {
        QSqlQuery check(db);
        // Reading the schema fails on a file that is no database; query_only refuses writes on any file.
        if (!check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))
            || !check.exec(QStringLiteral("PRAGMA query_only = 1"))) {
            DataError e = engineError(check.lastError(), false);
            e.number = kErrConnect;
            return e;
        }
        // Large sorts (the chart statement orders by start time) may use helper threads: one fewer than
        // the machine's cores, so the reading thread keeps one.
        check.exec(QStringLiteral("PRAGMA threads = %1").arg(std::clamp(QThread::idealThreadCount() - 1, 0, 4)));
    }
    if (mDialect == Dialect::PostgreSQL) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (q.exec(QStringLiteral("SELECT table_name, column_name, data_type FROM information_schema.columns "
                                  "WHERE table_schema = current_schema()"))) {
            while (q.next()) {
                const QString table = q.value(0).toString(), column = q.value(1).toString();
                const QString type = q.value(2).toString();
                mSchema.names.insert(table.toLower(), table);
                if (!mSchema.names.contains(column.toLower()))
                    mSchema.names.insert(column.toLower(), column);
                if (type == QLatin1String("text") || type.startsWith(QLatin1String("character")))
                    mSchema.textColumns.insert(table.toLower() + u'.' + column.toLower());
            }
        }
    }
    return {};
}

} // namespace moldrin::data
