// How moldrin-report writes and ends: reports replaced only by complete ones, output that cannot be written
// ending the run with 1, and no temporary folder left behind, however the run ends.
#include "fullfolder.h"
#include "reportrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

using moldrin::test::ProgramRun;
using moldrin::test::ReadFile;
using moldrin::test::Report;
using moldrin::test::WriteFile;

namespace
{

// The report folders of runs in `tmp`.
QStringList RunFolders(const QString& tmp)
{
    return QDir(tmp).entryList({ "moldrin-report-*" }, QDir::Dirs | QDir::NoDotAndDotDot);
}

} // namespace

// Every kind of report goes through a file beside its target: on a full disk the run ends with a message and
// 1, a report that was there keeps its bytes, a new one is not made, and nothing is left beside them.
TEST_F(Report, AFullDiskKeepsEveryReportThatWasThere)
{
    moldrin::test::FullFolder full;
    if (!full.problem().isEmpty())
        GTEST_SKIP() << full.problem().toStdString();
    const QList<std::pair<QStringList, QString>> cases { { { "--json" }, "chart.json" },
        { { "--kind", "Pareto", "--json" }, "pareto.json" }, { { "--kind", "Histogram", "--json" }, "hist.json" },
        { { "--screen", "--json" }, "screen.json" }, { { "--screen", "--csv" }, "screen.csv" },
        { { "--screen", "--html" }, "screen.html" }, { { "--png" }, "chart.png" },
        { { "--kind", "U Chart", "--png" }, "u.png" }, { { "--pdf" }, "chart.pdf" },
        { { "--kind", "Scatter", "--parameter", "VOUT_5V", "--parameter", "VOUT_3V3", "--pdf" }, "scatter.pdf" } };
    for (const auto& [args, name] : cases)
        WriteFile(full.filePath(name), "the report of yesterday: " + name.toUtf8());
    ASSERT_TRUE(full.Fill());

    for (const auto& [args, name] : cases) {
        const QString file = full.filePath(name);
        const ProgramRun r
            = Start(QStringList { "--config", demo, "--test-id", "<All>" } + args + QStringList { file });
        EXPECT_EQ(r.code, 1) << name.toStdString();
        EXPECT_TRUE(r.err.contains("moldrin-report: cannot write " + file + ": No space left on device\n")
            || (!full.onTmpfs() && r.err.contains("moldrin-report: cannot write " + file + ": ")))
            << r.err.toStdString();
        EXPECT_EQ(ReadFile(file), "the report of yesterday: " + name.toUtf8());
    }
    const ProgramRun fresh = Start({ "--config", demo, "--kind", "Pareto", "--json", full.filePath("new.json") });
    EXPECT_EQ(fresh.code, 1);
    QStringList expected;
    for (const auto& [args, name] : cases)
        expected << name;
    if (full.onTmpfs())
        expected << ".filler";
    expected.sort();
    EXPECT_EQ(QDir(full.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name), expected);
}

// Text and reports for standard output that cannot be written (a full disk, a closed pipe) end the run with
// a message and 1, not 0 with nothing written.
TEST_F(Report, StandardOutputThatCannotBeWrittenEndsTheRunWithOne)
{
    for (const QStringList& args :
        { QStringList { "--list-products" }, { "--list-parameters" }, { "--sql" }, { "--rows" }, { "--json", "-" },
            { "--kind", "Pareto", "--json", "-" }, { "--screen", "--csv", "-" }, { "--screen", "--sql" } }) {
        const ProgramRun r = Run(QStringList { "--config", demo } + args, Environment(), "/dev/full");
        EXPECT_EQ(r.code, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("moldrin-report: cannot write")) << r.err.toStdString();
    }
}

// A report named to a device or a pipe is written into it, never replaced by a file (as root, a rename over
// /dev/null would succeed).
TEST_F(Report, AReportIntoADeviceWritesIntoIt)
{
    for (const QStringList& args :
        { QStringList { "--json", "/dev/null" }, { "--kind", "Pareto", "--json", "/dev/null" },
            { "--screen", "--csv", "/dev/null" }, { "--png", "/dev/null" } }) {
        const ProgramRun r = Start(QStringList { "--config", demo } + args);
        EXPECT_EQ(r.code, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        struct stat st;
        ASSERT_EQ(::stat("/dev/null", &st), 0);
        EXPECT_TRUE(S_ISCHR(st.st_mode));
    }
}

// A run whose output pipe closes early, and a run ended by SIGTERM while it reads, remove their folder.
TEST_F(Report, NoFolderIsLeftWhenARunIsCutShort)
{
    QProcessEnvironment env = Environment();
    env.insert("TMPDIR", home.path());
    env.remove("TEMP");

    // A table large enough that the read is still going when the signal comes, and its report is far more
    // than a pipe holds.
    QTemporaryDir big;
    ASSERT_TRUE(moldrin::test::CopyDemoConfiguration(big.path()));
    QProcess generate;
    generate.start(MOLDRIN_DEMO_DATA_EXE, { "--units", "150000", "--product", "PSU-100", big.path() });
    ASSERT_TRUE(generate.waitForFinished(120000));

    QProcess pipe;
    pipe.setProcessEnvironment(env);
    pipe.start("bash",
        { "-c", "set -o pipefail; \"$0\" --config \"$1\" --chart Individual-MR --json - | head -c 100 >/dev/null",
            MOLDRIN_REPORT_EXE, big.path() });
    ASSERT_TRUE(pipe.waitForFinished(20000));
    EXPECT_EQ(pipe.exitCode(), 1);
    EXPECT_TRUE(pipe.readAllStandardError().contains("moldrin-report: cannot write -: Broken pipe"));
    EXPECT_EQ(RunFolders(home.path()), QStringList());

    QProcess report;
    report.setProcessEnvironment(env);
    report.start(
        MOLDRIN_REPORT_EXE, { "--config", big.path(), "--chart", "Individual-MR", "--json", home.filePath("r.json") });
    ASSERT_TRUE(report.waitForStarted());
    QElapsedTimer waited;
    waited.start();
    QString listing;
    while (listing.isEmpty() && waited.elapsed() < 20000) {
        for (const QString& folder : RunFolders(home.path()))
            if (QFile::exists(QDir(home.filePath(folder)).filePath("readings.spc")))
                listing = folder;
        QThread::msleep(2);
    }
    ASSERT_FALSE(listing.isEmpty()) << "the read was over before its listing was seen";
    report.terminate();
    ASSERT_TRUE(report.waitForFinished(20000));
    EXPECT_EQ(report.exitStatus(), QProcess::CrashExit);
    EXPECT_EQ(RunFolders(home.path()), QStringList());
    EXPECT_FALSE(QFile::exists(home.filePath("r.json")));
}

// Where the run cannot make its folder (a temporary folder in which nothing can be made), the chart is still
// written and the message names the folder the listing could not be written in.
TEST_F(Report, ATemporaryFolderThatTakesNothingCostsTheListingNotTheChart)
{
    const QStringList args { "--config", demo, "--test-id", "<All>", "--json" };
    const ProgramRun usual = Run(args + QStringList { home.filePath("usual.json") }, Environment());
    ASSERT_EQ(usual.code, 0) << usual.err.toStdString();

    QProcessEnvironment env = Environment();
    env.insert("TMPDIR", "/proc");
    env.insert("TEMP", "/proc");
    const ProgramRun r = Run(args + QStringList { home.filePath("chart.json") }, env);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.err.contains("The readings could not be listed in the temporary folder /proc ("))
        << r.err.toStdString();
    EXPECT_EQ(ReadFile(home.filePath("chart.json")), ReadFile(home.filePath("usual.json")));
}

// What a killed run left is removed at the next start; the folder of a run that still holds its lock, and a
// folder just made, are not.
TEST_F(Report, TheNextStartRemovesWhatDeadRunsLeft)
{
    const auto makeFolder = [&](const QString& name, bool lock, int minutesOld) {
        QDir(home.path()).mkpath(name);
        if (lock)
            WriteFile(QDir(home.filePath(name)).filePath(".lock"), {});
        WriteFile(QDir(home.filePath(name)).filePath("readings.spc"), "S/N\tV\n");
        const time_t when = time(nullptr) - minutesOld * 60;
        const utimbuf times { when, when };
        utime(QFile::encodeName(home.filePath(name)).constData(), &times);
    };
    makeFolder("moldrin-report-dead01", true, 5);
    makeFolder("moldrin-report-live01", true, 5);
    makeFolder("moldrin-report-young1", true, 0);
    makeFolder("moldrin-report-oldone", false, 2 * 24 * 60); // made before runs took a lock
    makeFolder("moldrin-report-recent", false, 60);
    makeFolder("other-program-dead01", true, 5);
    const int held
        = ::open(QFile::encodeName(QDir(home.filePath("moldrin-report-live01")).filePath(".lock")).constData(), O_RDWR);
    ASSERT_GE(held, 0);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    QProcessEnvironment env = Environment();
    env.insert("TMPDIR", home.path());
    env.remove("TEMP");
    const ProgramRun r = Run({ "--config", demo, "--list-products" }, env);
    ::close(held);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(RunFolders(home.path()),
        QStringList({ "moldrin-report-live01", "moldrin-report-recent", "moldrin-report-young1" }));
    EXPECT_TRUE(QFileInfo(home.filePath("other-program-dead01")).isDir());
}
