// ODBC result sets read in blocks of bound columns: typed buffers the driver fills a block of rows at a time,
// on a thread of their own, the next block while the caller reads the current one.
#include "data/access/rowcursor.h"

#include <QSqlDriver>
#include <QSqlError>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include <sql.h>
#include <sqlext.h>

namespace moldrin::data
{

namespace
{

constexpr SQLULEN kRowsPerBlock = 1024;
constexpr std::size_t kBlockBytes = std::size_t(4) << 20; // bound buffers of one block, at most
// A text whose declared width is at most this many characters is bound whole.
constexpr SQLULEN kWholeTextChars = 65535;
// UTF-16 units bound per text value where the driver hands a longer value whole afterwards.
constexpr SQLLEN kNarrowTextUnits = 128;

enum class Kind { Number, Timestamp, Date, Time, Text };

std::optional<Kind> KindOf(SQLSMALLINT type)
{
    switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_DECIMAL:
    case SQL_NUMERIC:
        return Kind::Number;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
        return Kind::Timestamp;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        return Kind::Date;
    case SQL_TYPE_TIME:
    case SQL_TIME:
        return Kind::Time;
    case SQL_REAL: // Qt's ODBC driver reads a single-precision number as its text ("0.1")
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_LONGVARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
    case SQL_WLONGVARCHAR:
        return Kind::Text;
    default:
        return std::nullopt; // binary, GUID, intervals ...: read through Qt SQL
    }
}

// One result column: where its values and their lengths (or null indicators) lie in a block's buffer.
struct Column {
    Kind kind = Kind::Number;
    SQLSMALLINT cType = SQL_C_DOUBLE;
    SQLLEN width = sizeof(double); // bytes per row
    std::size_t data = 0; // offsets in a block's buffer
    std::size_t lengths = 0;
    std::unordered_map<SQLULEN, std::u16string> whole[2]; // per block: rows whose text was longer than its buffer
    mutable std::string utf8; // the current row's text as UTF-8
    mutable SQLULEN utf8Row = SQLULEN(-1);
};

// A block of rows as the reading thread handed it over; no rows at the end of the result or after an error.
struct Block {
    bool ready = false; // filled, and not yet given back by the reader
    SQLULEN rows = 0;
    Status error;
};

// The texts of the diagnostic records of a handle, joined as Qt's ODBC driver joins them; `native` is the
// last record's native code.
void AddDiagnostics(SQLSMALLINT type, SQLHANDLE handle, QString& text, SQLINTEGER& native)
{
    SQLWCHAR state[SQL_SQLSTATE_SIZE + 1];
    std::vector<SQLWCHAR> message(SQL_MAX_MESSAGE_LENGTH);
    for (SQLSMALLINT i = 1;; ++i) {
        SQLSMALLINT size = 0;
        SQLINTEGER code = 0;
        SQLRETURN r = SQLGetDiagRecW(type, handle, i, state, &code, message.data(), SQLSMALLINT(message.size()), &size);
        if (r == SQL_SUCCESS_WITH_INFO && size >= SQLSMALLINT(message.size())) {
            message.resize(std::size_t(size) + 1);
            r = SQLGetDiagRecW(type, handle, i, state, &code, message.data(), SQLSMALLINT(message.size()), &size);
        }
        if (!SQL_SUCCEEDED(r))
            return;
        native = code;
        const QString one = QString::fromUtf16(reinterpret_cast<const char16_t*>(message.data()), size);
        if (one != text)
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) + one;
    }
}

SQLWCHAR* Wide(const QString& s)
{
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(s.utf16()));
}

class OdbcCursor : public RowCursor
{
public:
    OdbcCursor(const Connection& connection, SQLHDBC dbc)
        : mConnection(connection)
        , mDbc(dbc)
    {
    }
    ~OdbcCursor() override
    {
        if (mWorker.joinable()) {
            bool inCall = false;
            {
                const std::lock_guard lock(mMutex);
                mStop = true;
                inCall = mInCall;
            }
            mChanged.notify_all();
            // A statement given up early (Stop Plot) need not be waited for.
            if (inCall)
                SQLCancel(mStmt);
            mWorker.join();
        }
        if (mStmt)
            SQLFreeHandle(SQL_HANDLE_STMT, mStmt);
    }

    // Runs the statement; false with no error when a column has a type not bound here.
    bool exec(const QString& sql, const QStringList& parameters, Status& status)
    {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, mDbc, &mStmt))) {
            status = error(SQL_HANDLE_DBC, mDbc, false);
            return false;
        }
        SQLSetStmtAttr(mStmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
        SQLSetStmtAttr(mStmt, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
        mSql = sql;
        mParameters = parameters;
        mParameterLengths.reserve(std::size_t(mParameters.size())); // bound by address
        SQLRETURN r = SQLPrepareW(mStmt, Wide(mSql), SQLINTEGER(mSql.size()));
        for (qsizetype i = 0; SQL_SUCCEEDED(r) && i < mParameters.size(); ++i) {
            const QString& value = mParameters[i];
            mParameterLengths.push_back(SQLLEN(value.size() * 2));
            r = SQLBindParameter(mStmt, SQLUSMALLINT(i + 1), SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR,
                SQLULEN(std::max<qsizetype>(1, value.size())), 0, Wide(value), mParameterLengths.back(),
                &mParameterLengths.back());
        }
        if (!SQL_SUCCEEDED(r)) {
            status = error(SQL_HANDLE_STMT, mStmt, false);
            return false;
        }
        mWorker = std::thread([this] { work(); });
        std::unique_lock lock(mMutex);
        waitFor(lock, [this] { return mStage != Stage::Running; });
        if (mStage == Stage::Described)
            return true;
        status = mCancelled ? interrupted() : mFailure;
        return false;
    }

    bool next(Status& status) override
    {
        ++mPosition;
        if (mBlock >= 0 && ++mRow < mBlocks[mBlock].rows)
            return true;
        if (mEnd)
            return false;
        const int block = mBlock < 0 ? 0 : 1 - mBlock;
        {
            std::unique_lock lock(mMutex);
            if (mBlock >= 0)
                mBlocks[mBlock].ready = false; // the reading thread may fill it again
            mChanged.notify_all();
            waitFor(lock, [this, block] { return mCancelled || mBlocks[block].ready; });
            if (mCancelled) {
                mEnd = true;
                status = interrupted();
                return false;
            }
        }
        mBlock = block;
        mRow = 0;
        ReleaseVectorUpperState(); // the caller steps the block's rows with plain code
        if (mBlocks[block].rows > 0)
            return true;
        mEnd = true;
        if (mBlocks[block].error)
            status = mCancelled ? interrupted() : mBlocks[block].error;
        return false;
    }

    QVariant value(int index) const override
    {
        const Column& c = mColumns[std::size_t(index)];
        if (length(c) == SQL_NULL_DATA)
            return {};
        const char* at = valueAt(c);
        switch (c.kind) {
        case Kind::Number:
            return *reinterpret_cast<const double*>(at);
        case Kind::Timestamp: {
            const auto& t = *reinterpret_cast<const SQL_TIMESTAMP_STRUCT*>(at);
            return WallClock(
                QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second, int(t.fraction / 1000000)));
        }
        case Kind::Date: {
            const auto& d = *reinterpret_cast<const SQL_DATE_STRUCT*>(at);
            return WallClock(QDate(d.year, d.month, d.day), QTime(0, 0));
        }
        case Kind::Time: {
            const auto& t = *reinterpret_cast<const SQL_TIME_STRUCT*>(at);
            return QTime(t.hour, t.minute, t.second);
        }
        case Kind::Text:
            break;
        }
        const std::u16string_view s = textAt(c);
        return QString::fromUtf16(s.data(), qsizetype(s.size()));
    }

    Recordset::RawField raw(int index) const override
    {
        using RawKind = Recordset::RawField::Kind;
        const Column& c = mColumns[std::size_t(index)];
        if (length(c) == SQL_NULL_DATA)
            return { RawKind::Null, 0, {}, {} };
        const char* at = valueAt(c);
        switch (c.kind) {
        case Kind::Number:
            return { RawKind::Number, *reinterpret_cast<const double*>(at), {}, {} };
        case Kind::Timestamp: {
            const auto& t = *reinterpret_cast<const SQL_TIMESTAMP_STRUCT*>(at);
            const WallTime w { t.year, t.month, t.day, t.hour, t.minute, t.second, int(t.fraction / 1000000) };
            if (!QDate::isValid(w.year, w.month, w.day) || !QTime::isValid(w.hour, w.minute, w.second, w.millisecond))
                return {};
            return { RawKind::Time, 0, {}, w };
        }
        case Kind::Text:
            return { RawKind::Text, 0, utf8At(c), {} };
        case Kind::Date:
        case Kind::Time:
            break;
        }
        return {};
    }

    QStringList names() const override { return mNames; }

private:
    enum class Stage { Running, Described, Unsupported, Failed };

    static DataError interrupted()
    {
        return { kErrInterrupted, QStringLiteral("Operation has been cancelled by the user.") };
    }

    // Waits until `done` holds. Meanwhile the connection's progress callback (if any) is called; when it asks
    // to stop, the statement is cancelled.
    template <class Done> void waitFor(std::unique_lock<std::mutex>& lock, Done done)
    {
        const std::function<bool()>& progress = mConnection.progressCallback();
        if (!progress) {
            mChanged.wait(lock, done);
            return;
        }
        while (!mChanged.wait_for(lock, std::chrono::milliseconds(20), done)) {
            lock.unlock();
            const bool go = mCancelled || progress();
            lock.lock();
            if (!go && !mCancelled) {
                mCancelled = true;
                if (mInCall)
                    SQLCancel(mStmt);
                mChanged.notify_all(); // the reading thread stops after its block
            }
        }
    }

    // The reading thread: runs the statement, binds its columns, then fills the two blocks in turn.
    void work()
    {
        SQLRETURN r = SQL_ERROR;
        if (enterCall())
            r = SQLExecute(mStmt);
        Status status;
        const bool executed = SQL_SUCCEEDED(r) || r == SQL_NO_DATA;
        if (!executed)
            status = error(SQL_HANDLE_STMT, mStmt, false);
        const bool bound = executed && describe(status);
        {
            const std::lock_guard lock(mMutex);
            mInCall = false;
            mStage = bound ? Stage::Described : status ? Stage::Failed : Stage::Unsupported;
            mFailure = status;
        }
        mChanged.notify_all();
        for (int block = 0; bound; block = 1 - block) {
            {
                std::unique_lock lock(mMutex);
                mChanged.wait(lock, [this, block] { return mStop || mCancelled || !mBlocks[block].ready; });
                if (mStop || mCancelled)
                    return;
            }
            Block filled = fill(block);
            const bool last = filled.rows == 0;
            {
                const std::lock_guard lock(mMutex);
                mBlocks[block] = std::move(filled);
                mBlocks[block].ready = true;
            }
            mChanged.notify_all();
            if (last)
                return;
        }
    }

    bool enterCall()
    {
        const std::lock_guard lock(mMutex);
        mInCall = !mStop;
        return mInCall;
    }

    Block fill(int block)
    {
        char* base = mBuffer.data() + std::size_t(block) * mBlockBytes;
        for (std::size_t i = 0; i < mColumns.size(); ++i) {
            Column& c = mColumns[i];
            c.whole[block].clear();
            SQLBindCol(mStmt, SQLUSMALLINT(i + 1), c.cType, base + c.data, c.width,
                reinterpret_cast<SQLLEN*>(base + c.lengths));
        }
        Block out;
        ReleaseVectorUpperState();
        const SQLRETURN r = SQLFetch(mStmt);
        if (r == SQL_NO_DATA)
            return out;
        if (!SQL_SUCCEEDED(r)) {
            out.error = error(SQL_HANDLE_STMT, mStmt, true);
            return out;
        }
        out.rows = mFetched;
        if (Status s = readLongTexts(block, base)) {
            out.rows = 0;
            out.error = s;
        }
        return out;
    }

    // Finds the columns of the result and lays out a block's buffer; false with no error when one has a type
    // not bound here.
    bool describe(Status& status)
    {
        SQLSMALLINT count = 0;
        SQLNumResultCols(mStmt, &count);
        SQLCHAR driver[64] = { 0 };
        SQLGetInfo(mDbc, SQL_DRIVER_NAME, driver, sizeof driver, nullptr);
        // psqlODBC hands a value longer than its buffer whole after positioning on its row; the other drivers
        // are given buffers as wide as the declared width, which their engines hold to.
        mRereads = qstrncmp(reinterpret_cast<const char*>(driver), "psqlodbc", 8) == 0;
        std::size_t rowBytes = 0;
        for (SQLSMALLINT i = 1; i <= count; ++i) {
            SQLWCHAR name[256];
            SQLSMALLINT nameSize = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            if (!SQL_SUCCEEDED(SQLDescribeColW(mStmt, SQLUSMALLINT(i), name, SQLSMALLINT(std::size(name)), &nameSize,
                    &type, &size, &digits, &nullable))) {
                status = error(SQL_HANDLE_STMT, mStmt, false);
                return false;
            }
            mNames << QString::fromUtf16(reinterpret_cast<const char16_t*>(name), std::min<SQLSMALLINT>(nameSize, 255));
            const std::optional<Kind> kind = KindOf(type);
            Column c;
            if (!kind || !bindWidth(c, *kind, size))
                return false;
            rowBytes += std::size_t(c.width) + sizeof(SQLLEN);
            mColumns.push_back(std::move(c));
        }
        const SQLULEN rows
            = std::clamp<SQLULEN>(SQLULEN(kBlockBytes / std::max<std::size_t>(1, rowBytes)), 1, kRowsPerBlock);
        const auto aligned = [](std::size_t n) { return (n + 15) & ~std::size_t(15); };
        for (Column& c : mColumns) {
            c.data = mBlockBytes;
            c.lengths = c.data + aligned(std::size_t(rows) * std::size_t(c.width));
            mBlockBytes = c.lengths + aligned(std::size_t(rows) * sizeof(SQLLEN));
        }
        mBuffer.resize(2 * mBlockBytes);
        SQLSetStmtAttr(mStmt, SQL_ATTR_ROW_BIND_TYPE, reinterpret_cast<SQLPOINTER>(SQL_BIND_BY_COLUMN), 0);
        SQLSetStmtAttr(mStmt, SQL_ATTR_ROW_ARRAY_SIZE, reinterpret_cast<SQLPOINTER>(rows), 0);
        SQLSetStmtAttr(mStmt, SQL_ATTR_ROWS_FETCHED_PTR, &mFetched, 0);
        return true;
    }

    // The C type and width of a column; false for a text of no known width on a driver that cannot hand a
    // longer value afterwards.
    bool bindWidth(Column& c, Kind kind, SQLULEN declared) const
    {
        c.kind = kind;
        switch (kind) {
        case Kind::Number:
            c.cType = SQL_C_DOUBLE;
            c.width = sizeof(double);
            return true;
        case Kind::Timestamp:
            c.cType = SQL_C_TYPE_TIMESTAMP;
            c.width = sizeof(SQL_TIMESTAMP_STRUCT);
            return true;
        case Kind::Date:
            c.cType = SQL_C_TYPE_DATE;
            c.width = sizeof(SQL_DATE_STRUCT);
            return true;
        case Kind::Time:
            c.cType = SQL_C_TYPE_TIME;
            c.width = sizeof(SQL_TIME_STRUCT);
            return true;
        case Kind::Text:
            break;
        }
        // Wide characters, as Qt reads them: the same text whatever the locale and the driver's character set.
        c.cType = SQL_C_WCHAR;
        const bool known = declared > 0 && declared <= kWholeTextChars;
        if (!known && !mRereads)
            return false;
        // A character may take two UTF-16 units, and the buffer holds a terminating zero.
        const SQLLEN whole = known ? SQLLEN(2 * declared + 1) : kNarrowTextUnits;
        c.width = SQLLEN(sizeof(SQLWCHAR)) * (mRereads ? std::min(whole, kNarrowTextUnits) : whole);
        return true;
    }

    // Texts longer than their buffer, read whole; an error when the driver cannot give them.
    Status readLongTexts(int block, const char* base)
    {
        for (std::size_t i = 0; i < mColumns.size(); ++i) {
            Column& c = mColumns[i];
            const auto* lengths = reinterpret_cast<const SQLLEN*>(base + c.lengths);
            for (SQLULEN row = 0; c.kind == Kind::Text && row < mFetched; ++row) {
                const SQLLEN length = lengths[row];
                if (length == SQL_NULL_DATA || (length != SQL_NO_TOTAL && length <= c.width - SQLLEN(sizeof(SQLWCHAR))))
                    continue;
                std::u16string whole;
                if (!readWhole(row, SQLUSMALLINT(i + 1), whole)
                    || (length != SQL_NO_TOTAL && SQLLEN(whole.size() * 2) != length))
                    return DataError { kErrUnspecified,
                        QStringLiteral("The ODBC driver could not return the whole text of column %1 (%2 bytes).")
                            .arg(mNames.value(qsizetype(i)))
                            .arg(length) };
                c.whole[block].emplace(row, std::move(whole));
            }
        }
        return {};
    }

    bool readWhole(SQLULEN row, SQLUSMALLINT column, std::u16string& out)
    {
        if (!SQL_SUCCEEDED(SQLSetPos(mStmt, SQLSETPOSIROW(row + 1), SQL_POSITION, SQL_LOCK_NO_CHANGE)))
            return false;
        std::vector<SQLWCHAR> part(4096);
        for (;;) {
            SQLLEN length = 0;
            const SQLRETURN r = SQLGetData(mStmt, column, SQL_C_WCHAR, part.data(), SQLLEN(part.size() * 2), &length);
            if (r == SQL_NO_DATA)
                return true;
            if (!SQL_SUCCEEDED(r))
                return false;
            const bool more = length == SQL_NO_TOTAL || length >= SQLLEN(part.size() * 2);
            out.append(
                reinterpret_cast<const char16_t*>(part.data()), more ? part.size() - 1 : std::size_t(length) / 2);
            if (!more)
                return true;
        }
    }

    const char* blockBase() const { return mBuffer.data() + std::size_t(mBlock) * mBlockBytes; }
    SQLLEN length(const Column& c) const { return reinterpret_cast<const SQLLEN*>(blockBase() + c.lengths)[mRow]; }
    const char* valueAt(const Column& c) const
    {
        return blockBase() + c.data + std::size_t(mRow) * std::size_t(c.width);
    }

    std::u16string_view textAt(const Column& c) const
    {
        const auto& whole = c.whole[mBlock];
        if (!whole.empty()) {
            if (const auto found = whole.find(mRow); found != whole.end())
                return found->second;
        }
        return { reinterpret_cast<const char16_t*>(valueAt(c)), std::size_t(length(c)) / 2 };
    }

    // The current row's text as UTF-8, made once per row.
    std::string_view utf8At(const Column& c) const
    {
        if (c.utf8Row != mPosition) {
            const std::u16string_view s = textAt(c);
            c.utf8.resize(s.size());
            bool ascii = true;
            for (std::size_t k = 0; k < s.size() && ascii; ++k) {
                ascii = s[k] < 0x80;
                c.utf8[k] = char(s[k]);
            }
            if (!ascii)
                c.utf8 = QString::fromUtf16(s.data(), qsizetype(s.size())).toStdString();
            c.utf8Row = mPosition;
        }
        return c.utf8;
    }

    DataError error(SQLSMALLINT type, SQLHANDLE handle, bool duringFetch) const
    {
        QString text;
        SQLINTEGER native = -1;
        AddDiagnostics(SQL_HANDLE_DBC, mDbc, text, native);
        if (type == SQL_HANDLE_STMT)
            AddDiagnostics(type, handle, text, native);
        return mConnection.engineError(
            QSqlError(QString(), text, QSqlError::StatementError, native == -1 ? QString() : QString::number(native)),
            duringFetch);
    }

    const Connection& mConnection;
    SQLHDBC mDbc;
    SQLHSTMT mStmt = nullptr;
    QString mSql;
    QStringList mParameters;
    std::vector<SQLLEN> mParameterLengths;
    QStringList mNames;
    std::vector<Column> mColumns;
    bool mRereads = false;
    std::vector<char> mBuffer; // two blocks
    std::size_t mBlockBytes = 0;
    SQLULEN mFetched = 0; // rows of the block just fetched

    std::thread mWorker;
    std::mutex mMutex;
    std::condition_variable mChanged;
    // Under mMutex:
    Stage mStage = Stage::Running;
    Status mFailure;
    Block mBlocks[2];
    // The reading thread waits for the driver to run the statement. Only then is it cancelled: a fetch of one
    // block is short, and a driver may not take a cancel in the middle of one (MariaDB's crashes). A reader
    // stopped while a block is fetched ends when the fetch returns.
    bool mInCall = false;
    bool mStop = false;
    bool mCancelled = false;

    // The reader's own:
    int mBlock = -1; // the block being read
    SQLULEN mRow = 0; // in it
    SQLULEN mPosition = 0; // rows moved over
    bool mEnd = false;
};

} // namespace

void* OdbcHandle(const QSqlDatabase& db)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // QODBC hands out the SQLHDBC as a void* (SQLHANDLE's underlying type).
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "SQLHANDLE") != 0 && qstrcmp(handle.typeName(), "void*") != 0))
        return nullptr;
    return *static_cast<const SQLHANDLE*>(handle.constData());
}

std::unique_ptr<RowCursor> ExecuteOdbcStatement(
    const Connection& connection, void* dbc, const QString& sql, const QStringList& parameters, Status& status)
{
    auto cursor = std::make_unique<OdbcCursor>(connection, dbc);
    if (!cursor->exec(sql, parameters, status))
        return nullptr;
    return cursor;
}

} // namespace moldrin::data
