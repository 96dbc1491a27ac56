// moldrin-report --watch and --watch-once on a demo database that the demo's writer appends to.
#include "reportrun.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>

#include <cmath>
#include <csignal>
#include <sys/stat.h>
#include <tuple>

using namespace moldrin;
using namespace moldrin::test;

namespace
{

class Watch : public Report
{
protected:
    QTemporaryDir site;

    void SetUp() override
    {
        ASSERT_TRUE(CopyDemoConfiguration(site.path()));
        ASSERT_TRUE(GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, site.path(), 600));
    }
    QStringList WatchArgs(const QStringList& more) const
    {
        return QStringList { "--config", site.path(), "--product", "PSU-100" } + more;
    }
    // The demo's writer: a subgroup of units every `every` seconds, the first parameter shifted from the
    // start with `shifted`.
    void StartWriter(QProcess& writer, double every, bool shifted) const
    {
        QStringList args { "--append-every", QString::number(every), "--product", "PSU-100" };
        if (shifted)
            args << "--shift-after"
                 << "0";
        writer.start(MOLDRIN_DEMO_DATA_EXE, args << site.path());
        ASSERT_TRUE(writer.waitForStarted());
    }
    // Waits for `lines` lines of the writer's (one per interval written).
    static void WaitForAppends(QProcess& writer, int lines)
    {
        QElapsedTimer clock;
        clock.start();
        int seen = 0;
        while (seen < lines && clock.elapsed() < 20000) {
            writer.waitForReadyRead(200);
            while (writer.canReadLine()) {
                writer.readLine();
                ++seen;
            }
        }
        ASSERT_EQ(seen, lines);
    }
    static void Stop(QProcess& p)
    {
        ::kill(pid_t(p.processId()), SIGTERM);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
    }
};

QList<QJsonObject> Lines(const QString& out)
{
    QList<QJsonObject> lines;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8());
        EXPECT_TRUE(doc.isObject()) << qPrintable(line);
        lines << doc.object();
    }
    return lines;
}

// Every mark line names its point once: a mark is raised once, never again.
void ExpectEachMarkOnce(const QList<QJsonObject>& lines)
{
    QSet<QString> seen;
    for (const QJsonObject& o : lines) {
        for (const char* key : { "time", "product", "parameter", "chart", "point", "rules", "value", "serials" })
            EXPECT_TRUE(o.contains(QLatin1String(key))) << key;
        const QString id = o["parameter"].toString() + '|' + o["chart"].toString() + '|'
            + QString::number(o["point"].toInt()) + '|' + o["rules"].toString();
        EXPECT_FALSE(seen.contains(id)) << "raised again: " << qPrintable(id);
        seen.insert(id);
    }
}

// The writer appends while the report watches; the shift raises marks on the first parameter, each once,
// with the serial numbers of the subgroup; SIGTERM ends the watch with 0.
TEST_F(Watch, ShiftWrittenWhileWatchingRaisesItsMarksOnce)
{
    QProcess report;
    report.setProcessEnvironment(Environment());
    report.start(MOLDRIN_REPORT_EXE, WatchArgs({ "--watch", "1" }));
    ASSERT_TRUE(report.waitForStarted());
    QThread::msleep(1500); // the first read: its marks are taken as seen
    QProcess writer;
    StartWriter(writer, 0.5, true);
    WaitForAppends(writer, 10);
    Stop(writer);
    QThread::msleep(2500); // a read after the last units
    Stop(report);
    const QString out = QString::fromUtf8(report.readAllStandardOutput());
    const QList<QJsonObject> lines = Lines(out);
    ExpectEachMarkOnce(lines);
    bool shiftSeen = false;
    for (const QJsonObject& o : lines) {
        EXPECT_EQ(o["product"].toString(), "PSU-100");
        EXPECT_FALSE(o.contains("error")) << qPrintable(o["error"].toString());
        if (o["parameter"].toString().contains("5V") && o["chart"].toString() == "X-Bar"
            && o["rules"].toString().contains("R1+")) {
            shiftSeen = true;
            EXPECT_EQ(o["serials"].toArray().size(), 5);
            EXPECT_TRUE(o["serials"].toArray().first().toString().contains('L'));
            // The mean as the chart shows it: four decimals at a magnitude of 5, not the computed double.
            const double value = o["value"].toDouble();
            EXPECT_EQ(value, std::round(value * 1e4) / 1e4) << value;
        }
    }
    EXPECT_TRUE(shiftSeen) << qPrintable(out);
}

// Cron: the first run keeps the marks as seen, a run without new rows raises nothing, a run after the
// shift raises its marks, the next one nothing again.
TEST_F(Watch, WatchOnceRaisesEachMarkOnceAcrossRuns)
{
    const QString state = site.filePath("watch.state");
    const QStringList args = WatchArgs({ "--watch-once", "--state", state });
    ProgramRun run = Start(args);
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(run.err.contains("there is none yet")) << qPrintable(run.err);
    ASSERT_TRUE(QFile::exists(state));
    run = Start(args);
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, "");

    QProcess writer;
    StartWriter(writer, 0.2, true);
    WaitForAppends(writer, 3);
    Stop(writer);
    run = Start(args);
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    const QList<QJsonObject> raised = Lines(run.out);
    EXPECT_FALSE(raised.isEmpty());
    ExpectEachMarkOnce(raised);
    run = Start(args);
    ASSERT_EQ(run.code, 0) << qPrintable(run.err);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    // A state cut short, or made for another selection, is not used: the run says so, reads the product from
    // the start, takes its marks as seen and leaves a state the next run goes on from.
    QFile f(state);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray whole = f.readAll();
    f.close();
    for (const auto& [bytes, more, why] : { std::tuple { whole.left(whole.size() - 7), QStringList(), "damaged" },
             std::tuple { whole, QStringList { "--chart", "X-Bar-s" }, "another selection" } }) {
        WriteFile(state, bytes);
        run = Start(args + more);
        EXPECT_EQ(run.code, 0) << qPrintable(run.err);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.contains(why)) << qPrintable(run.err);
        run = Start(args + more);
        EXPECT_EQ(run.code, 0) << qPrintable(run.err);
        EXPECT_EQ(run.err, "");
    }
}

// The state's file (inode) of a --watch run: -1 while there is none.
long long StateFileId(const QString& file)
{
    struct stat st = {};
    return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? (long long)st.st_ino : -1;
}

// --watch with a state: written after the first read, not again while no rows come nor soon after new ones,
// and at SIGTERM; a run for cron goes on from it without raising a mark twice.
TEST_F(Watch, StateIsWrittenWhenItChangedAtMostEverySoOftenAndAtTheEnd)
{
    const QString state = site.filePath("watch.state");
    QProcess report;
    report.setProcessEnvironment(Environment());
    report.start(MOLDRIN_REPORT_EXE, WatchArgs({ "--watch", "1", "--state", state }));
    ASSERT_TRUE(report.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    while (StateFileId(state) < 0 && clock.elapsed() < 20000)
        QThread::msleep(50);
    const long long first = StateFileId(state);
    ASSERT_GE(first, 0);
    QThread::msleep(2500); // two reads without new rows
    EXPECT_EQ(StateFileId(state), first);
    QProcess writer;
    StartWriter(writer, 0.2, true);
    WaitForAppends(writer, 3);
    Stop(writer);
    QThread::msleep(1500); // a read after the new units
    EXPECT_EQ(StateFileId(state), first);
    Stop(report);
    EXPECT_NE(StateFileId(state), first);
    const QList<QJsonObject> raised = Lines(QString::fromUtf8(report.readAllStandardOutput()));
    EXPECT_FALSE(raised.isEmpty());
    const ProgramRun run = Start(WatchArgs({ "--watch-once", "--state", state }));
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
}

// A read that fails (another program holds the database locked longer than a read waits) is a line of its
// own and the watch goes on; the next read after the lock is released reads again.
TEST_F(Watch, FailedReadIsALineAndTheWatchGoesOn)
{
    QProcess report;
    report.setProcessEnvironment(Environment());
    report.start(MOLDRIN_REPORT_EXE, WatchArgs({ "--watch", "1" }));
    ASSERT_TRUE(report.waitForStarted());
    QThread::msleep(1500);
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
        locker.setDatabaseName(site.filePath("results.db"));
        ASSERT_TRUE(locker.open());
        QSqlQuery q(locker);
        ASSERT_TRUE(q.exec("BEGIN EXCLUSIVE"));
        ASSERT_TRUE(q.exec("DELETE FROM PSU100_Results WHERE rowid < 0"));
        QThread::msleep(8000);
        ASSERT_TRUE(q.exec("COMMIT"));
        q = QSqlQuery();
        locker.close();
    }
    QSqlDatabase::removeDatabase("locker");
    QProcess writer;
    StartWriter(writer, 0.3, true);
    WaitForAppends(writer, 5);
    Stop(writer);
    QThread::msleep(2500);
    Stop(report);
    const QList<QJsonObject> lines = Lines(QString::fromUtf8(report.readAllStandardOutput()));
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.front().contains("error"));
    EXPECT_TRUE(lines.front()["error"].toString().contains("locked")) << qPrintable(lines.front()["error"].toString());
    EXPECT_FALSE(lines.back().contains("error")) << "no read after the file came back";
}

// SIGTERM while the first read of a large table runs: the read stops and the run ends with 0, without a
// failure line.
TEST_F(Watch, SigtermDuringAReadEndsCleanly)
{
    QProcess generator;
    generator.start(MOLDRIN_DEMO_DATA_EXE, { "--units", "300000", "--product", "PSU-100", site.path() });
    ASSERT_TRUE(generator.waitForFinished(120000));
    QProcess report;
    report.setProcessEnvironment(Environment());
    QElapsedTimer clock;
    clock.start();
    report.start(MOLDRIN_REPORT_EXE, WatchArgs({ "--watch", "60" }));
    ASSERT_TRUE(report.waitForStarted());
    QThread::msleep(400);
    Stop(report);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(QString::fromUtf8(report.readAllStandardOutput()), "");
}

TEST_F(Watch, UsageErrors)
{
    EXPECT_EQ(Start(WatchArgs({ "--watch-once" })).code, 2);
    EXPECT_EQ(Start(WatchArgs({ "--watch", "0" })).code, 2);
    EXPECT_EQ(Start(WatchArgs({ "--watch", "5", "--parameter", "Output" })).code, 2);
    EXPECT_EQ(Start(WatchArgs({ "--json", "-", "--state", "x" })).code, 2);
}

} // namespace
