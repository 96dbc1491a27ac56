// Connection and Recordset: engine selection, read-only opening, streaming results and error mapping.
#include "data/access/connection.h"

#include "data/access/fileloaders.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include <odbcinst.h>
#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

namespace moldrin::data
{

namespace
{

const QString kMdbThroughOdbc = QStringLiteral(
    "Access databases are read from their file: name the .mdb file in DatabaseName instead of an ODBC data source.");
const QString kNotFoundProvider = QStringLiteral("Provider cannot be found. It may not be properly installed.");

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

sqlite3* SqliteHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.constData());
}

// Appends "KEY=value;" when the value is not empty (empty keys would override the DSN's own).
void AddKey(QString& s, const char* key, const QString& value)
{
    if (!value.isEmpty())
        s += u';' + QLatin1String(key) + u'=' + value;
}

bool IsReadStatement(const QString& sql)
{
    static const QRegularExpression start(
        QStringLiteral(R"(^[\s(]*(SELECT|WITH)\b)"), QRegularExpression::CaseInsensitiveOption);
    return start.match(sql).hasMatch();
}

} // namespace

long ClassifyError(const QString& engine, const QString& nativeCode, const QString& text, bool duringFetch)
{
    const QString t = text.toLower();
    // Before the name checks: "operator does not exist" is a type error, not a missing name.
    if (t.contains(QLatin1String("invalid input syntax")) || t.contains(QLatin1String("operator does not exist"))
        || (t.contains(QLatin1String("function ")) && t.contains(QLatin1String("does not exist")))
        || t.contains(QLatin1String("conversion failed")) || t.contains(QLatin1String("datatype mismatch"))
        || t.contains(QLatin1String("type mismatch")) || nativeCode.startsWith(QLatin1String("22"))
        || nativeCode == QLatin1String("42804") || nativeCode == QLatin1String("42883")
        || nativeCode == QLatin1String("07006")
        || (engine == QLatin1String("SQLITE") && nativeCode == QLatin1String("20")))
        return kErrInvalidData2;
    if (t.contains(QLatin1String("no such column")) || t.contains(QLatin1String("no such table"))
        || t.contains(QLatin1String("does not exist")) || t.contains(QLatin1String("invalid column name"))
        || t.contains(QLatin1String("invalid object name")) || nativeCode == QLatin1String("42703")
        || nativeCode == QLatin1String("42P01") || nativeCode.startsWith(QLatin1String("42S"))
        || nativeCode == QLatin1String("07002"))
        return kErrInvalidData1;
    if (duringFetch)
        return kErrUnspecified;
    return kErrCommand;
}

QString ScrubPassword(QString text, const QString& password)
{
    static const QRegularExpression keyed(
        QStringLiteral(R"(\b(PWD|Password)\s*=\s*[^;]*)"), QRegularExpression::CaseInsensitiveOption);
    text.replace(keyed, QStringLiteral("\\1=***"));
    if (!password.isEmpty())
        text.replace(password, QStringLiteral("***"));
    return text;
}

QDateTime WallClock(QDate day, QTime time)
{
    return QDateTime(day, time, Qt::UTC);
}

namespace
{

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

// "yyyy-MM-dd", then optionally a blank or 'T', "HH:mm", ":ss" and a fraction of a second (kept to the
// millisecond). Years 1 to 9999 of the Gregorian calendar, as QDate takes them from such text.
template <class Text> std::optional<WallTime> ParseIso(const Text& text, qsizetype size)
{
    if (size != 10 && size != 16 && (size < 19 || size == 20 || size > 29))
        return std::nullopt;
    bool ok = true;
    auto digits = [&](qsizetype from, qsizetype count) {
        int v = 0;
        for (qsizetype i = from; i < from + count; ++i) {
            const auto c = text[i];
            ok = ok && c >= '0' && c <= '9';
            v = v * 10 + int(c - '0');
        }
        return v;
    };
    WallTime w;
    w.year = digits(0, 4);
    w.month = digits(5, 2);
    w.day = digits(8, 2);
    ok = ok && text[4] == '-' && text[7] == '-';
    if (size > 10) {
        w.hour = digits(11, 2);
        w.minute = digits(14, 2);
        ok = ok && (text[10] == ' ' || text[10] == 'T') && text[13] == ':';
    }
    if (size > 16) {
        w.second = digits(17, 2);
        ok = ok && text[16] == ':';
    }
    if (size > 19) {
        ok = ok && text[19] == '.';
        const qsizetype kept = std::min<qsizetype>(size - 20, 3);
        w.millisecond = digits(20, kept) * (kept == 1 ? 100 : kept == 2 ? 10 : 1);
        digits(20 + kept, size - 20 - kept);
    }
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (!ok || w.year < 1 || w.month < 1 || w.month > 12 || w.day < 1
        || w.day > kDays[w.month - 1] + (w.month == 2 && IsLeapYear(w.year)) || w.hour > 23 || w.minute > 59
        || w.second > 59)
        return std::nullopt;
    return w;
}

} // namespace

std::optional<QDateTime> ParseIsoDateTime(QStringView text)
{
    const auto w = ParseIso(text.utf16(), text.size());
    return w ? std::optional(w->toDateTime()) : std::nullopt;
}

std::optional<WallTime> ParseIsoWallTime(std::string_view text)
{
    return ParseIso(text.data(), qsizetype(text.size()));
}

std::optional<double> SqliteNumberText(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral(R"(^-?(?:0|[1-9]\d{0,18})$)"));
    bool ok = false;
    if (integer.match(text).hasMatch()) {
        const qlonglong whole = text.toLongLong(&ok);
        return ok ? std::optional<double>(double(whole)) : std::nullopt;
    }
    const double real = text.toDouble(&ok);
    if (!ok || !std::isfinite(real))
        return std::nullopt;
    // SQLite writes a real number to 15 significant digits and always with a decimal point.
    QString written = QString::number(real, 'g', 15);
    if (!written.contains(u'.')) {
        const qsizetype exponent = written.indexOf(u'e');
        written.insert(exponent < 0 ? written.size() : exponent, QStringLiteral(".0"));
    }
    return written == text ? std::optional<double>(real) : std::nullopt;
}

QVariant NormalizeValue(const QVariant& raw, bool textNumbers)
{
    if (!raw.isValid() || raw.isNull())
        return {};
    switch (raw.typeId()) {
    case QMetaType::QDateTime: {
        const QDateTime when = raw.toDateTime();
        return when.timeSpec() == Qt::UTC ? raw : QVariant(WallClock(when.date(), when.time()));
    }
    case QMetaType::QDate:
        return WallClock(raw.toDate(), QTime(0, 0));
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Float:
    case QMetaType::Double:
        return raw.toDouble();
    default:
        break;
    }
    QString text = raw.toString();
    if (textNumbers) {
        if (const auto number = SqliteNumberText(text))
            return *number;
    }
    if (const auto when = ParseIsoDateTime(text))
        return *when;
    return text;
}

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

Status Connection::openOdbcString(const QString& odbcString)
{
    {
        QSqlDatabase old = QSqlDatabase::database(mName, false);
        if (old.isValid())
            old.close();
    }
    QSqlDatabase::removeDatabase(mName);
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
    QString base = dsn;
    AddKey(base, "UID", p.value(QStringLiteral("UID")));
    AddKey(base, "PWD", p.value(QStringLiteral("PWD")));
    if (Status s = openOdbcString(OdbcDriverString(p)))
        return s;
    mDbms = OdbcInfo(QSqlDatabase::database(mName, false), SQL_DBMS_NAME);
    if (mDbms.compare(QLatin1String("MDBTOOLS"), Qt::CaseInsensitive) == 0)
        return DataError { kErrConnect, kMdbThroughOdbc };
    QString database = p.value(QStringLiteral("Database"));
    if (mDbms == QLatin1String("SQLite")) {
        mDialect = Dialect::SQLite;
        // The SQLite driver ignores the access mode; only a read-only URI keeps it from writing.
        if (database.isEmpty())
            database = OdbcInstValue(dsn, QStringLiteral("Database"), "odbc.ini");
        if (!database.isEmpty() && !database.startsWith(QLatin1String("file:"))) {
            if (!QFileInfo(database).isFile())
                return DataError { kErrConnect,
                    QStringLiteral("Could not find file '") + database + QStringLiteral("'.") };
            QString ro = base;
            AddKey(ro, "DATABASE",
                QStringLiteral("file:") + QFileInfo(database).absoluteFilePath() + QStringLiteral("?mode=ro"));
            // StepAPI=1: rows come from sqlite3_step one at a time instead of a result held whole.
            mNumbersAsText = true;
            if (Status s = openOdbcString(ro + QStringLiteral(";StepAPI=1;")))
                return s;
        }
    } else if (mDbms == QLatin1String("PostgreSQL")) {
        mDialect = Dialect::PostgreSQL;
        QString ro = base;
        AddKey(ro, "DATABASE", database);
        // psqlODBC would otherwise fetch a whole result into memory; a cursor keeps it to one block.
        ro += QStringLiteral(";ReadOnly=1;ConnSettings=SET default_transaction_read_only%3Don;UseDeclareFetch=1;"
                             "Fetch=1000;");
        if (Status s = openOdbcString(ro))
            return s;
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

// The rows of one executed statement, from the engine behind the connection.
class RowCursor
{
public:
    virtual ~RowCursor() = default;
    // Moves to the next row; false at the end or on an error (then `error` is set).
    virtual bool next(Status& error) = 0;
    virtual QVariant value(int index) const = 0;
    virtual Recordset::RawField raw(int /*index*/) const { return {}; }
    // True for a column whose numbers the engine hands over as text.
    virtual bool numbersAsText(int /*index*/) const { return false; }
    virtual QStringList names() const = 0;
};

namespace
{

// SQLite (files and the loaded Access and Excel tables) read through its own API: values come as
// numbers and UTF-8 text without the generic layer's per-row variant list.
class SqliteCursor : public RowCursor
{
public:
    explicit SqliteCursor(sqlite3* db)
        : mDb(db)
    {
    }
    ~SqliteCursor() override { sqlite3_finalize(mStmt); }
    Status exec(const QString& sql)
    {
        const QByteArray text = sql.toUtf8();
        if (sqlite3_prepare_v2(mDb, text.constData(), int(text.size()), &mStmt, nullptr) != SQLITE_OK)
            return error(false);
        mLast.resize(std::size_t(sqlite3_column_count(mStmt)));
        return {};
    }
    bool next(Status& status) override
    {
        const int rc = sqlite3_step(mStmt);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            status = error(true);
        return false;
    }
    QVariant value(int index) const override
    {
        switch (sqlite3_column_type(mStmt, index)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_column_double(mStmt, index);
        default: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStmt, index));
            const int size = sqlite3_column_bytes(mStmt, index);
            // Start times are ISO text here: read straight from the bytes, without a QString between.
            if (const auto when = ParseIso(text, size))
                return when->toDateTime();
            // A column that repeats its text (the tester) shares one string instead of making a new one.
            Remembered& last = mLast[std::size_t(index)];
            if (last.bytes.size() != std::size_t(size)
                || std::memcmp(last.bytes.data(), text, std::size_t(size)) != 0) {
                last.bytes.assign(text, std::size_t(size));
                last.text = QString::fromUtf8(text, size);
            }
            return last.text;
        }
        }
    }
    Recordset::RawField raw(int index) const override
    {
        using Kind = Recordset::RawField::Kind;
        switch (sqlite3_column_type(mStmt, index)) {
        case SQLITE_NULL:
            return { Kind::Null, 0, {} };
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return { Kind::Number, sqlite3_column_double(mStmt, index), {} };
        case SQLITE_TEXT: {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(mStmt, index));
            return { Kind::Text, 0, std::string_view(text, std::size_t(sqlite3_column_bytes(mStmt, index))) };
        }
        default:
            return {};
        }
    }
    QStringList names() const override
    {
        QStringList out;
        for (int i = 0; i < sqlite3_column_count(mStmt); ++i)
            out << QString::fromUtf8(sqlite3_column_name(mStmt, i));
        return out;
    }

private:
    DataError error(bool duringFetch) const
    {
        const QString text = QString::fromUtf8(sqlite3_errmsg(mDb));
        if (sqlite3_errcode(mDb) == SQLITE_INTERRUPT)
            return { kErrInterrupted, QStringLiteral("Operation has been cancelled by the user.") };
        return { ClassifyError(QStringLiteral("SQLITE"), QString::number(sqlite3_errcode(mDb)), text, duringFetch),
            text };
    }
    struct Remembered {
        std::string bytes;
        QString text;
    };
    sqlite3* mDb;
    sqlite3_stmt* mStmt = nullptr;
    mutable std::vector<Remembered> mLast; // per column: the last text read
};

// Every other engine through Qt SQL.
class QtSqlCursor : public RowCursor
{
public:
    QtSqlCursor(const QSqlDatabase& db, const Connection& connection)
        : mQuery(db)
        , mConnection(connection)
    {
        mQuery.setForwardOnly(true);
        mQuery.setNumericalPrecisionPolicy(QSql::LowPrecisionDouble);
    }
    Status exec(const QString& sql)
    {
        if (!mQuery.exec(sql))
            return mConnection.engineError(mQuery.lastError(), false);
        if (mConnection.numbersMayComeAsText())
            mUntyped = UntypedColumns();
        return {};
    }
    bool numbersAsText(int index) const override { return index < mUntyped.size() && mUntyped[index]; }
    bool next(Status& status) override
    {
        if (mQuery.next())
            return true;
        if (mQuery.lastError().isValid())
            status = mConnection.engineError(mQuery.lastError(), true);
        return false;
    }
    QVariant value(int index) const override { return mQuery.value(index); }
    QStringList names() const override
    {
        QStringList out;
        const QSqlRecord record = mQuery.record();
        for (int i = 0; i < record.count(); ++i)
            out << record.fieldName(i);
        return out;
    }

private:
    // The columns for which the driver reports no type of its own: the SQLite driver names them "varchar"
    // in lower case (declared columns carry their declared type name).
    QList<bool> UntypedColumns() const
    {
        QList<bool> untyped(mQuery.record().count(), false);
        const QVariant handle = mQuery.result()->handle();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "void*") != 0)
            return untyped;
        SQLHANDLE statement = *static_cast<const SQLHANDLE*>(handle.constData());
        for (qsizetype i = 0; i < untyped.size(); ++i) {
            SQLCHAR name[64] = { 0 };
            SQLSMALLINT length = 0;
            if (SQL_SUCCEEDED(SQLColAttribute(
                    statement, SQLUSMALLINT(i + 1), SQL_DESC_TYPE_NAME, name, sizeof name, &length, nullptr)))
                untyped[i] = qstrcmp(reinterpret_cast<const char*>(name), "varchar") == 0;
        }
        return untyped;
    }
    QSqlQuery mQuery;
    const Connection& mConnection;
    QList<bool> mUntyped;
};

} // namespace

Recordset::Recordset() = default;
Recordset::~Recordset()
{
    Close();
}

void Recordset::Close()
{
    mCursor.reset();
    if (mConnection)
        std::erase(mConnection->mRecordsets, this);
    mConnection = nullptr;
    mCount = 0;
    mEof = true;
    mNames.clear();
}

Status Recordset::execute()
{
    mCursor.reset();
    QSqlDatabase db = QSqlDatabase::database(mConnection->connectionName(), false);
    Status status;
    if (sqlite3* handle = SqliteHandle(db)) {
        auto cursor = std::make_unique<SqliteCursor>(handle);
        status = cursor->exec(mSql);
        mCursor = std::move(cursor);
    } else {
        auto cursor = std::make_unique<QtSqlCursor>(db, *mConnection);
        status = cursor->exec(mSql);
        mCursor = std::move(cursor);
    }
    if (status) {
        mCursor.reset();
        return status;
    }
    mNames = mCursor->names();
    mEof = !mCursor->next(status);
    return status;
}

Status Recordset::Open(const QString& sql, Connection& connection, Count count)
{
    Close();
    if (connection.State() != ObjectState::Open)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    if (sql.trimmed().isEmpty())
        return DataError { kErrCommand, QStringLiteral("Command text was not set for the command object.") };
    AdaptedStatement adapted = AdaptStatement(sql, connection.StatementDialect(), connection.schema());
    if (adapted.error)
        return adapted.error;
    // Nothing the program sends writes: refuse anything but a query before it reaches an engine.
    if (!IsReadStatement(sql))
        return DataError { kErrCommand, QStringLiteral("Operation must use an updateable query.") };
    mConnection = &connection;
    connection.mRecordsets.push_back(this);
    mSql = std::move(adapted.sql);
    mCount = -1;
    if (count == Count::Exact) {
        QSqlQuery counter(QSqlDatabase::database(connection.connectionName(), false));
        counter.setForwardOnly(true);
        if (!counter.exec(CountStatement(mSql)) || !counter.next()) {
            const DataError e = connection.engineError(counter.lastError(), false);
            Close();
            return e;
        }
        mCount = static_cast<long>(counter.value(0).toLongLong());
    }
    if (Status s = execute()) {
        Close();
        return s;
    }
    return {};
}

Status Recordset::MoveNext()
{
    if (!mCursor || mEof)
        return DataError { kErrNoCurrentRecord,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                           "Requested operation requires a current record.") };
    Status status;
    mEof = !mCursor->next(status);
    return status;
}

Status Recordset::MoveFirst()
{
    if (!mConnection)
        return DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") };
    if (Status s = execute())
        return s;
    if (mEof)
        return DataError { kErrNoCurrentRecord,
            QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                           "Requested operation requires a current record.") };
    return {};
}

Recordset::FieldResult Recordset::Fields(const QString& alias) const
{
    return Field(FieldIndex(alias));
}

Recordset::FieldResult Recordset::Field(int index) const
{
    if (!mCursor)
        return { {}, DataError { kErrCommand, QStringLiteral("Operation is not allowed when the object is closed.") } };
    if (index < 0 || index >= mNames.size())
        return { {},
            DataError { kErrInvalidData1,
                QStringLiteral("Item cannot be found in the collection corresponding to the requested "
                               "name or ordinal.") } };
    if (mEof)
        return { {},
            DataError { kErrNoCurrentRecord,
                QStringLiteral("Either BOF or EOF is True, or the current record has been deleted. "
                               "Requested operation requires a current record.") } };
    return { NormalizeValue(mCursor->value(index), mCursor->numbersAsText(index)), {} };
}

Recordset::RawField Recordset::Raw(int index) const
{
    if (!mCursor || mEof || index < 0 || index >= mNames.size())
        return {};
    return mCursor->raw(index);
}

QStringList Recordset::FieldNames() const
{
    return mNames;
}

int Recordset::FieldIndex(const QString& alias) const
{
    for (int i = 0; i < mNames.size(); ++i)
        if (mNames[i].compare(alias, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace moldrin::data
