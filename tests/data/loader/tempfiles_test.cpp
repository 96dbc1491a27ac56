#include "data/loader/tempfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utime.h>

using namespace moldrin;

namespace
{

void Touch(const QString& path, const QDateTime& when)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("x");
    f.close();
    utimbuf t { when.toSecsSinceEpoch(), when.toSecsSinceEpoch() };
    ASSERT_EQ(utime(QFile::encodeName(path).constData(), &t), 0);
}

} // namespace

TEST(TempFiles, StaleListingsGoTodaysStayAndNamesAreDistinct)
{
    QTemporaryDir dir;
    qputenv("TEMP", dir.path().toLocal8Bit());
    const QDateTime now = QDateTime::currentDateTime();
    Touch(dir.filePath("~1234567.spc"), now.addDays(-3));
    Touch(dir.filePath("~7654321.spc"), now);
    Touch(dir.filePath("keep.spc"), now.addDays(-3));
    AppState state(dir.filePath("settings"));
    data::PrepareTempFiles(state, now.date());
    EXPECT_FALSE(QFile::exists(dir.filePath("~1234567.spc")));
    EXPECT_TRUE(QFile::exists(dir.filePath("~7654321.spc")));
    EXPECT_TRUE(QFile::exists(dir.filePath("keep.spc")));
    const QStringList names { state.gTempFile1, state.gTempFile2, state.gTempFile3 };
    for (const QString& n : names) {
        EXPECT_TRUE(n.startsWith(dir.path() + "/~")) << n.toStdString();
        EXPECT_TRUE(n.endsWith(".spc"));
        EXPECT_EQ(QFileInfo(n).fileName().size(), 12); // ~ + 7 digits + .spc
    }
    EXPECT_NE(names[0], names[1]);
    EXPECT_NE(names[1], names[2]);
    EXPECT_NE(names[0], names[2]);
    qunsetenv("TEMP");
}

TEST(TempFiles, WithoutTempTheSystemFolderNeverTheWorkingFolder)
{
    QTemporaryDir work, system;
    const QString oldCurrent = QDir::currentPath();
    const QByteArray oldTmpDir = qgetenv("TMPDIR");
    ASSERT_TRUE(QDir::setCurrent(work.path()));
    qputenv("TMPDIR", system.path().toLocal8Bit());
    const QDateTime old = QDateTime::currentDateTime().addDays(-3);
    Touch(work.filePath("~1234567.spc"), old);
    Touch(system.filePath("~7654321.spc"), old);
    for (const char* temp : { "", "/no/such/folder" }) {
        qputenv("TEMP", temp);
        EXPECT_EQ(data::TempFolder(), QDir(system.path()).absolutePath());
        AppState state(system.filePath("settings"));
        data::PrepareTempFiles(state);
        EXPECT_TRUE(state.gTempFile1.startsWith(QDir(system.path()).absolutePath() + "/~"))
            << state.gTempFile1.toStdString();
    }
    // Stale listings go only in the temporary folder; the user's files in the working folder stay.
    EXPECT_TRUE(QFile::exists(work.filePath("~1234567.spc")));
    EXPECT_FALSE(QFile::exists(system.filePath("~7654321.spc")));
    qunsetenv("TEMP");
    oldTmpDir.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", oldTmpDir);
    QDir::setCurrent(oldCurrent);
}

TEST(TempFiles, ListingLines)
{
    EXPECT_EQ(
        data::ListingHeading("T100: [Output voltage]").toStdString(), "S/N\tT100: [Output voltage]\tATE ID\tDate");
    const auto line = [](std::string_view serial, double value, const char* format, std::string_view tester,
                          std::optional<data::WallTime> start, bool dayFirst) {
        std::string out = "(before)";
        data::AppendListingLine(out, serial, value, NumberFormat(format), tester, start, dayFirst);
        return out;
    };
    const data::WallTime t { 2026, 12, 6, 14, 5 };
    EXPECT_EQ(line("SN001", 5.01234, "#,##0.000#", "ATE-01", t, true),
        "(before)SN001          \t\t5.0123\tATE-01\t06/12/2026 02:05 PM");
    EXPECT_EQ(line("ABCDEFGHIJKLMNOPQRST", 1234.5, "#,##0.000", "ATE 3", t, false),
        "(before)ABCDEFGHIJKL...\t\t1,234.500\tATE 3\t12/06/2026 02:05 PM");
    EXPECT_EQ(line("ABCDEFGHIJKLMNO", 0, "#,##0.000#", "A", t, true).substr(0, 25), "(before)ABCDEFGHIJKLMNO\t\t");
    // Midnight and noon on the 12-hour clock; characters, not bytes, are padded and cut.
    // A reading below 0.001 keeps its digits; halves of the format's last digit go away from zero.
    EXPECT_EQ(line("A", -0.00005, "#,##0.000#", "T", data::WallTime { 2026, 1, 2, 0, 0 }, true),
        "(before)A              \t\t-0.00005\tT\t02/01/2026 12:00 AM");
    EXPECT_EQ(line("A", -2.00005, "#,##0.000#", "T", t, true).substr(0, 33), "(before)A              \t\t-2.0001\t");
    EXPECT_EQ(line("A", 1, "#,##0.000#", "T", data::WallTime { 2026, 1, 2, 12, 59 }, false).substr(33),
        "01/02/2026 12:59 PM");
    EXPECT_EQ(line("SÉRIE", 1, "#,##0.000", "Mâcon", std::nullopt, true), "(before)SÉRIE          \t\t1.000\tMâcon\t");
    EXPECT_EQ(line("ÉÉÉÉÉÉÉÉÉÉÉÉÉÉÉÉ", 1, "#,##0.000", "T", std::nullopt, true).substr(8, 30), "ÉÉÉÉÉÉÉÉÉÉÉÉ...\t\t1");
}
