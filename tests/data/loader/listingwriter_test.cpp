// The listing writer: every reading in order across batch boundaries, nulls, and folders it cannot write.
#include "data/loader/listingwriter.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

QStringList Lines(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    EXPECT_EQ(lines.takeLast(), QString()); // every line ends with a line break
    return lines;
}

} // namespace

TEST(ListingWriter, EveryReadingInOrderAcrossBatches)
{
    QTemporaryDir dir;
    AppState state(dir.filePath("settings"));
    state.gTempFile1 = dir.filePath("~1.spc");
    state.gTempFile2 = dir.filePath("~2.spc");
    const long count = long(ListingWriter::kBatchSize * (ListingWriter::kMaxWaitingBatches + 3) + 7);
    const WallTime t0 { 2026, 11, 1, 13, 5 };
    {
        ListingWriter writer(state, "Output", NumberFormat("#,##0.000"));
        ASSERT_TRUE(writer.ok());
        for (long i = 0; i < count; ++i)
            writer.write({ "SN" + std::to_string(i), "ATE-01", i == 5 ? std::nullopt : std::optional(t0),
                i == 3 ? std::nullopt : std::optional(1000.0 + double(i) / 4) });
        writer.finish();
    }
    const QStringList readings = Lines(state.gTempFile1), values = Lines(state.gTempFile2);
    ASSERT_EQ(readings.size(), count + 1);
    ASSERT_EQ(values.size(), count);
    EXPECT_EQ(readings[0].toStdString(), "S/N\tOutput\tATE ID\tDate");
    EXPECT_EQ(readings[1].toStdString(), "SN0            \t\t1,000.000\tATE-01\t01/11/2026 01:05 PM");
    EXPECT_EQ(readings[4].toStdString(), "SN3            \t\t0.000\tATE-01\t01/11/2026 01:05 PM");
    // A reading without a start time lists no date.
    EXPECT_EQ(readings[6].toStdString(), "SN5            \t\t1,001.250\tATE-01\t");
    EXPECT_EQ(values[3], QString());
    EXPECT_EQ(values[5].toStdString(), "1001.25");
    for (long i = 0; i < count; i += 997)
        EXPECT_TRUE(readings[i + 1].startsWith(QStringLiteral("SN%1 ").arg(i))) << i;
    EXPECT_EQ(values.last(), NumberText(1000.0 + double(count - 1) / 4));
}

TEST(ListingWriter, AFolderThatCannotBeWrittenIsReportedBeforeAnyReading)
{
    QTemporaryDir dir;
    AppState state(dir.filePath("settings"));
    state.gTempFile1 = dir.filePath("missing/~1.spc");
    state.gTempFile2 = dir.filePath("~2.spc");
    ListingWriter writer(state, "Output", NumberFormat("#,##0.000"));
    EXPECT_FALSE(writer.ok());
    EXPECT_FALSE(writer.error().isEmpty());
    writer.write({ "SN1", "ATE-01", std::nullopt, 1.0 }); // ignored, no crash
    writer.finish();
}

namespace
{

// A folder of `kib` KiB that no one may write beyond, root included: a small tmpfs mounted in a mount
// namespace of this test process. False where it cannot be had (not root).
bool SmallFolder(const QString& path, int kib)
{
    if (geteuid() != 0)
        return false;
    static const bool privateMounts
        = unshare(CLONE_NEWNS) == 0 && mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    const QByteArray options = QByteArray("size=") + QByteArray::number(kib) + "k";
    return privateMounts && QDir().mkpath(path)
        && mount("tmpfs", QFile::encodeName(path).constData(), "tmpfs", 0, options.constData()) == 0;
}

} // namespace

TEST(ListingWriter, AFullFolderIsNamedWithItsReasonAndLeavesNoPartialListing)
{
    QTemporaryDir dir;
    const QString small = dir.filePath("small");
    if (!SmallFolder(small, 64))
        GTEST_SKIP() << "a full file system needs root here (a small tmpfs)";
    AppState state(dir.filePath("settings"));
    state.gTempFile1 = QDir(small).filePath("~1.spc");
    state.gTempFile2 = QDir(small).filePath("~2.spc");
    ListingWriter writer(state, "Output", NumberFormat("#,##0.000"));
    ASSERT_TRUE(writer.ok());
    // About 2 MB of lines into 64 KiB: every reading is still taken.
    for (long i = 0; i < 40000; ++i)
        writer.write({ "SN" + std::to_string(i), "ATE-01", std::nullopt, 1.0 + double(i) });
    writer.finish();
    EXPECT_EQ(writer.error(),
        QStringLiteral("The readings could not be listed in the temporary folder ") + small
            + QStringLiteral(" (No space left on device); the raw data window has no listing of this plot"))
        << qPrintable(writer.error());
    EXPECT_FALSE(QFile::exists(state.gTempFile1));
    EXPECT_FALSE(QFile::exists(state.gTempFile2));
    umount2(QFile::encodeName(small).constData(), MNT_DETACH);
}

TEST(ListingWriter, AFolderThatMayNotBeWrittenIsNamed)
{
    QTemporaryDir dir;
    const QString locked = dir.filePath("locked");
    ASSERT_TRUE(QDir().mkpath(locked));
    const bool root = geteuid() == 0;
    if (root)
        ASSERT_TRUE(SmallFolder(locked, 16)
            && mount(nullptr, QFile::encodeName(locked).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0);
    else
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    AppState state(dir.filePath("settings"));
    state.gTempFile1 = QDir(locked).filePath("~1.spc");
    state.gTempFile2 = QDir(locked).filePath("~2.spc");
    ListingWriter writer(state, "Output", NumberFormat("#,##0.000"));
    EXPECT_FALSE(writer.ok());
    EXPECT_TRUE(writer.error().startsWith(
        QStringLiteral("The readings could not be listed in the temporary folder ") + locked + QStringLiteral(" (")))
        << qPrintable(writer.error());
    EXPECT_TRUE(
        writer.error().contains(root ? QStringLiteral("Read-only file system") : QStringLiteral("Permission denied")))
        << qPrintable(writer.error());
    if (root)
        umount2(QFile::encodeName(locked).constData(), MNT_DETACH);
    else
        QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}
