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
#include <QUrl>

#include <algorithm>
#include <cctype>

#include <sqlite3.h>

namespace moldrin::data
{

namespace
{

// A database in write-ahead-log mode: bytes 18 and 19 of its header are 2.
bool IsWalDatabase(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = f.read(20);
    return header.size() == 20 && header.startsWith("SQLite format 3") && header[18] == 2 && header[19] == 2;
}

// Text compared without regard to letter case: both sides in capitals as the program writes them (full
// case mapping: "straße" is "STRASSE"), then folded. ASCII text is compared as SQLite's NOCASE does.
int CompareFolded(void*, int sizeA, const void* a, int sizeB, const void* b)
{
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    const int common = std::min(sizeA, sizeB);
    bool ascii = true;
    for (int i = 0; i < sizeA && ascii; ++i)
        ascii = x[i] < 0x80;
    for (int i = 0; i < sizeB && ascii; ++i)
        ascii = y[i] < 0x80;
    if (!ascii) {
        const auto fold = [](const void* text, int size) {
            return QString::fromUtf8(static_cast<const char*>(text), size)
                .toUpper()
                .toCaseFolded()
                .replace(QChar(0xDF), QStringLiteral("ss"));
        };
        return fold(a, sizeA).compare(fold(b, sizeB));
    }
    for (int i = 0; i < common; ++i) {
        const int cx = std::tolower(x[i]), cy = std::tolower(y[i]);
        if (cx != cy)
            return cx - cy;
    }
    return sizeA - sizeB;
}

} // namespace

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
    mImmutable = {};
    mSchema = {};
    mDbms.clear();
    mWritableSession.reset();
}

Status Connection::Reconnect()
{
    std::function<bool()> progress = mProgress;
    const QString connectionString = mConnectionString;
    Status status = Open(connectionString);
    if (!status)
        SetProgressCallback(std::move(progress));
    return status;
}

DataError Connection::engineError(const QSqlError& error, bool duringFetch) const
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (text.isEmpty())
        text = QStringLiteral("Unspecified error");
    const long number = ClassifyError(mEngine, error.nativeErrorCode(), text, duringFetch);
    return { number, ScrubPassword(text, mPassword), IsConnectionLost(error.nativeErrorCode(), text) };
}

Status Connection::Open(const QString& connectionString)
{
    Close();
    mConnectionString = connectionString;
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

// Read-only, and nothing written beside the file either. A database in WAL mode whose log exists (a
// writer has it open) is read through that log, a consistent snapshot; one without a log holds all its
// data in the file and is read as immutable, which needs no log or shared-memory file of its own, so
// none is created beside it (nor fails to be, in a folder the user may only read).
Status Connection::openSQLiteFile(const QString& path)
{
    dropEngine();
    mEngine = QStringLiteral("SQLITE");
    mDbms = QStringLiteral("SQLite");
    mDialect = Dialect::SQLite;
    // Never create a database: a missing file is an error.
    if (!QFileInfo(path).isFile())
        return DataError { kErrConnect, QStringLiteral("Could not find file '") + path + QStringLiteral("'.") };
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), mName);
    if (!db.isValid())
        return DataError { kErrConnect, kNotFoundProvider };
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const bool immutable = IsWalDatabase(absolute) && !QFileInfo::exists(absolute + QStringLiteral("-wal"));
    db.setDatabaseName(QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded)
        + (immutable ? QStringLiteral("?mode=ro&immutable=1") : QStringLiteral("?mode=ro")));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    if (!db.open())
        return DataError { kErrConnect, db.lastError().text() };
    if (immutable) {
        const QFileInfo file(absolute);
        mImmutable = { absolute, file.size(), file.lastModified() };
    }
    return finishOpen();
}

bool Connection::SnapshotOutdated() const
{
    if (!mOpen || mImmutable.path.isEmpty())
        return false;
    const QFileInfo file(mImmutable.path);
    return QFileInfo::exists(mImmutable.path + QStringLiteral("-wal")) || file.size() != mImmutable.size
        || file.lastModified() != mImmutable.modified;
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

void Connection::dropEngine()
{
    if (!QSqlDatabase::contains(mName))
        return;
    {
        QSqlDatabase old = QSqlDatabase::database(mName, false);
        old.close();
    }
    QSqlDatabase::removeDatabase(mName);
}

Status Connection::finishOpen()
{
    QSqlDatabase db = QSqlDatabase::database(mName, false);
    if (mEngine == QLatin1String("SQLITE")) {
        QSqlQuery check(db);
        // Reading the schema fails on a file that is no database.
        if (!check.exec(QStringLiteral("SELECT count(*) FROM sqlite_master"))) {
            DataError e = engineError(check.lastError(), false);
            e.number = kErrConnect;
            return e;
        }
        // Large sorts (the chart statement orders by start time) may use helper threads: one fewer than
        // the machine's cores, so the reading thread keeps one.
        check.exec(QStringLiteral("PRAGMA threads = %1").arg(std::clamp(QThread::idealThreadCount() - 1, 0, 4)));
        if (sqlite3* handle = SqliteHandle(db))
            sqlite3_create_collation_v2(handle, kFoldedCollation, SQLITE_UTF8, nullptr, CompareFolded, nullptr);
    }
    if (mDialect == Dialect::PostgreSQL || mDialect == Dialect::MySQL)
        readSchema();
    if (mDialect == Dialect::MySQL) {
        // Qt's ODBC layer hands a bound text to the MariaDB driver with its terminating zero, which the server
        // keeps as part of the value: the values are quoted in the statement instead, by the rules the server
        // applies to this session.
        QSqlQuery mode(db);
        const bool noBackslash = mode.exec(QStringLiteral("SELECT @@SESSION.sql_mode")) && mode.next()
            && mode.value(0).toString().contains(QLatin1String("NO_BACKSLASH_ESCAPES"), Qt::CaseInsensitive);
        mSchema.literals = noBackslash ? Literals::Quoted : Literals::QuotedBackslashEscapes;
    }
    return makeSessionReadOnly();
}

// The tables and columns of the schema the statements read, for names written in other letter case and
// for the text columns compared without regard to it.
void Connection::readSchema()
{
    QSqlQuery q(QSqlDatabase::database(mName, false));
    q.setForwardOnly(true);
    const QString schema
        = mDialect == Dialect::MySQL ? QStringLiteral("DATABASE()") : QStringLiteral("current_schema()");
    if (!q.exec(QStringLiteral("SELECT table_name, column_name, data_type FROM information_schema.columns "
                               "WHERE table_schema = ")
            + schema))
        return;
    static const QStringList kTextTypes
        = { QStringLiteral("text"), QStringLiteral("character"), QStringLiteral("varchar"), QStringLiteral("char"),
              QStringLiteral("tinytext"), QStringLiteral("mediumtext"), QStringLiteral("longtext") };
    while (q.next()) {
        const QString table = q.value(0).toString(), column = q.value(1).toString();
        const QString type = q.value(2).toString().toLower();
        mSchema.names.insert(table.toLower(), table);
        if (!mSchema.names.contains(column.toLower()))
            mSchema.names.insert(column.toLower(), column);
        if (std::any_of(kTextTypes.begin(), kTextTypes.end(), [&](const QString& t) { return type.startsWith(t); }))
            mSchema.textColumns.insert(table.toLower() + u'.' + column.toLower());
    }
}

} // namespace moldrin::data
