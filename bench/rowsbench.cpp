// Runs statements as they are written on a data source the way the program reads rows (its cursors: block
// fetch through ODBC, SQLite's own API) and takes every column of every row, printing nothing: the cost of
// reading alone, without a chart (bench/odbc.sh runs it on the statements the servers logged). Usage:
//   moldrin-rows-bench CONNECTION_STRING FILE
// CONNECTION_STRING is one the program builds (e.g. "Provider=MSDASQL;UID=spc;PWD=;Database=spcdata;DSN=x;");
// FILE holds the statements, one a line, in the engine's own dialect. Prints the rows of each and the wall and
// CPU time of the whole run. With BENCH_STOP_AFTER_MS=N the program's stop (the progress callback saying
// stop) comes N ms after the start, and the time the statement took to end after it is printed.
#include "data/access/connection.h"
#include "data/access/rowcursor.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>

#include <sys/resource.h>

#include <cstdio>

using namespace moldrin;

namespace
{

double CpuSeconds(int who)
{
    rusage u {};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Every field of the current row, as a reader of many rows takes it: the engine's value where it can say
// it, else the field's value.
void ReadRow(const data::RowCursor& rows, int columns, double& sink)
{
    using Kind = data::Recordset::RawField::Kind;
    for (int i = 0; i < columns; ++i) {
        const data::Recordset::RawField raw = rows.raw(i);
        switch (raw.kind) {
        case Kind::Number:
            sink += raw.number;
            break;
        case Kind::Text:
            sink += double(raw.text.size());
            break;
        case Kind::Time:
            sink += raw.time.second;
            break;
        case Kind::Null:
            break;
        case Kind::Other:
            sink += double(rows.value(i).toString().size());
            break;
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s CONNECTION_STRING FILE\n", argv[0]);
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cannot read %s\n", argv[2]);
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    const double cpu = CpuSeconds(RUSAGE_SELF);
    data::Connection connection;
    if (const data::Status s = connection.Open(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "%s\n", qPrintable(s->description));
        return 1;
    }
    const qint64 stopAfter = qEnvironmentVariableIntValue("BENCH_STOP_AFTER_MS");
    QElapsedTimer sinceStop;
    if (stopAfter > 0)
        connection.SetProgressCallback([&] {
            if (clock.elapsed() < stopAfter)
                return true;
            if (!sinceStop.isValid())
                sinceStop.start();
            return false;
        });
    double sink = 0;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QString sql = QString::fromUtf8(line).trimmed();
        if (sql.isEmpty())
            continue;
        std::unique_ptr<data::RowCursor> cursor;
        data::Status s = data::ExecuteStatement(connection, sql, {}, cursor);
        long rows = 0;
        if (!s) {
            const int columns = int(cursor->names().size());
            for (; cursor->next(s); ++rows)
                ReadRow(*cursor, columns, sink);
        }
        cursor.reset();
        if (s && sinceStop.isValid()) {
            std::printf("stopped after %ld rows: the statement ended %lld ms after the stop\n", rows,
                static_cast<long long>(sinceStop.elapsed()));
            return 0;
        }
        if (s) {
            std::fprintf(stderr, "%s\n", qPrintable(s->description));
            return 1;
        }
        std::printf("%ld rows\n", rows);
    }
    std::printf("wall %.3f s, CPU %.3f s (checksum %g)\n", double(clock.elapsed()) / 1000.0,
        CpuSeconds(RUSAGE_SELF) - cpu, sink);
    return 0;
}
