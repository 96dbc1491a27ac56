// Live monitoring's timings on a generated results table of PSU-100 (bench/live.sh runs it). Usage:
//   moldrin-live-bench refresh FOLDER [ROWS] [RUNS] [PAUSE_MS]  the first read, then RUNS times: ROWS new units
//                                                    written by another connection, one refresh timed; median;
//                                                    PAUSE_MS untimed between runs (the late-row count comes due)
//   moldrin-live-bench soak FOLDER INTERVALS [PAUSE_MS]  every parameter read INTERVALS times as --watch
//                                                    reads them, PAUSE_MS between reads (a writer may append
//                                                    meanwhile): resident, SQLite and allocator memory sampled
//   moldrin-live-bench append FOLDER ROWS            ROWS new units written once (for a --watch-once run)
// FOLDER holds the demo's two INI files and a database written by moldrin-demo-data.
#include "cli/report.h"
#include "variables/liveproduct.h"
#include "variables/variableschart.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <sqlite3.h>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace moldrin;

namespace
{

bool Connect(cli::ReportSession& session, const cli::ReportOptions& o, Prompt& prompt)
{
    QTextStream err(stderr);
    return !cli::OpenConfiguration(session, o, err) && !cli::SelectProduct(session, o, prompt, err)
        && !cli::ConnectStep(session, prompt);
}

// A field of /proc/self/status in KiB ("VmRSS", "RssAnon", "RssFile"); -1 where missing.
long StatusKiB(const QByteArray& field)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').front().toLong();
    return -1;
}

// `rows` new units as a tester writes them: copies of the last units with start times after the latest.
bool AppendUnits(const QString& database, const QString& table, int rows, int step)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(database).constData(), &db) != SQLITE_OK)
        return false;
    const QString sql = QStringLiteral(
        "PRAGMA journal_mode=WAL; INSERT INTO %1 SELECT 'B%2-' || rowid, ATEID, "
        "strftime('%Y-%m-%d %H:%M:%S', (SELECT MAX(TestStartTime) FROM %1), '+' || (rowid % %3 + 1) || ' seconds'), "
        "PassFail, TestID, VOUT_5V, VOUT_3V3, IDLE_CUR, LOAD_CUR, RIPPLE, EFFICIENCY, SW_FREQ, BOARD_TEMP, NULL, NULL, "
        "NULL, NULL, NULL, NULL, NULL FROM %1 WHERE rowid > (SELECT MAX(rowid) FROM %1) - %3;")
                            .arg(table)
                            .arg(step)
                            .arg(rows);
    char* error = nullptr;
    const bool ok = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        std::fprintf(stderr, "append: %s\n", error ? error : "?");
    sqlite3_free(error);
    sqlite3_close(db);
    return ok;
}

int Refresh(
    cli::ReportSession& session, const cli::ReportOptions& o, const QString& database, int rows, int runs, long pauseMs)
{
    data::PlotSelection sel = cli::VariablesSelectionFor(session, o, 0, QStringLiteral("X-Bar-R"));
    ChartModel chart = BuildVariablesChartTemplate();
    ScriptedPrompt prompt;
    data::PromptHost host(prompt);
    LivePlot live;
    QElapsedTimer clock;
    clock.start();
    LiveOutcome out = live.Refresh(session.state, chart, sel, host);
    std::printf(
        "first read: %ld readings, %ld points, %lld ms\n", out.plot.records, out.plot.pointCount, clock.elapsed());
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        if (run > 0 && pauseMs > 0)
            QThread::msleep(std::uint64_t(pauseMs));
        if (!AppendUnits(database, QStringLiteral("PSU100_Results"), rows, run))
            return 1;
        clock.restart();
        out = live.Refresh(session.state, chart, sel, host);
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        if (out.failure) {
            std::fprintf(stderr, "refresh failed: %s\n", qPrintable(out.failure->description));
            return 1;
        }
        times.push_back(ms);
        std::printf(
            "refresh %d: %ld readings, %ld points, %.1f ms\n", run + 1, out.plot.records, out.plot.pointCount, ms);
    }
    std::sort(times.begin(), times.end());
    std::printf("median refresh with %d new rows: %.1f ms\n", rows, times[times.size() / 2]);
    return 0;
}

// Every parameter read INTERVALS times as --watch reads them, `pauseMs` between reads. Each sample: the
// points of all charts, resident memory (anonymous, file-backed), SQLite's heap and the allocator's.
int Soak(cli::ReportSession& session, const cli::ReportOptions& o, long intervals, long pauseMs)
{
    QList<data::PlotSelection> selections;
    for (int i = 0; i < session.lists.parameterList.size(); ++i) {
        selections << cli::VariablesSelectionFor(session, o, i, QStringLiteral("X-Bar-R"));
        selections.back().showZones = true;
    }
    LiveProduct live(selections);
    ScriptedPrompt prompt;
    data::PromptHost host(prompt);
    QElapsedTimer clock;
    clock.start();
    const long every = std::max(1L, intervals / 20);
    for (long i = 1; i <= intervals; ++i) {
        const ProductRead read = live.Refresh(session.state, host);
        if (read.failure) {
            std::fprintf(stderr, "read %ld failed: %s\n", i, qPrintable(read.failure->description));
            return 1;
        }
        if (i == 1 || i % every == 0) {
            long points = 0;
            for (int k = 0; k < selections.size(); ++k)
                points += live.outcome(k).pointCount;
            const struct mallinfo2 heap = mallinfo2();
            std::printf("interval %ld, %lld s: %ld points of %d charts, resident %ld KiB (anonymous %ld, file %ld), "
                        "SQLite heap %lld KiB, malloc in use %zu KiB, free %zu KiB, mapped %zu KiB\n",
                i, clock.elapsed() / 1000, points, int(selections.size()), StatusKiB("VmRSS"), StatusKiB("RssAnon"),
                StatusKiB("RssFile"), sqlite3_memory_used() / 1024, heap.uordblks / 1024, heap.fordblks / 1024,
                heap.hblkhd / 1024);
            std::fflush(stdout);
        }
        if (pauseMs > 0)
            QThread::msleep(std::uint64_t(pauseMs));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QStringList modes { QStringLiteral("refresh"), QStringLiteral("soak"), QStringLiteral("append") };
    if (args.size() < 3 || !modes.contains(args[1])) {
        std::fprintf(stderr,
            "usage: moldrin-live-bench refresh FOLDER [ROWS] [RUNS] [PAUSE_MS] | soak FOLDER INTERVALS [PAUSE_MS] | "
            "append FOLDER "
            "ROWS\n");
        return 2;
    }
    if (args[1] == QLatin1String("append"))
        return AppendUnits(args[2] + QStringLiteral("/results.db"), QStringLiteral("PSU100_Results"),
                   args.value(3, QStringLiteral("100")).toInt(), 0)
            ? 0
            : 1;
    cli::ReportOptions o;
    o.configDir = args[2];
    o.product = QStringLiteral("PSU-100");
    o.chart = QStringLiteral("X-Bar-R");
    o.zones = true;
    o.testId = data::kAllItem;
    cli::ReportSession session;
    session.state.gDateOrder = DetectDateOrder();
    StderrPrompt prompt;
    if (!Connect(session, o, prompt))
        return 1;
    if (args[1] == QLatin1String("soak"))
        return Soak(
            session, o, args.value(3, QStringLiteral("1000")).toLong(), args.value(4, QStringLiteral("0")).toLong());
    return Refresh(session, o, args[2] + QStringLiteral("/results.db"), args.value(3, QStringLiteral("100")).toInt(),
        args.value(4, QStringLiteral("20")).toInt(), args.value(5, QStringLiteral("0")).toLong());
}
