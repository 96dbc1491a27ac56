// The settings store: values by full path, a broken or missing file read as empty, a failed write that keeps
// the old file.
#include "common/settingsstore.h"

#include "fullfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

TEST(SettingsStore, ValuesSurviveANewStoreAndNamesStandAsTheyAre)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sub/settings");
    {
        SettingsStore s(path);
        EXPECT_TRUE(s.write("HideUSL/LSL", "1"));
        EXPECT_TRUE(s.WriteRegistry(kProgramKey + "\\Default Printer", "Office Laser"));
        EXPECT_TRUE(s.write("SNFilter", "SN 'A\"\n2"));
    }
    SettingsStore s(path);
    EXPECT_EQ(s.read("HideUSL/LSL").toStdString(), "1");
    EXPECT_EQ(s.ReadRegistry("HKLM\\SOFTWARE\\Tolvane\\Moldrin\\Default Printer").toStdString(), "Office Laser");
    EXPECT_EQ(s.read("SNFilter").toStdString(), "SN 'A\"\n2");
    EXPECT_EQ(s.read("Missing").toStdString(), "");
}

TEST(SettingsStore, MalformedOrMissingFileReadsEmpty)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("settings");
    SettingsStore s(path);
    EXPECT_EQ(s.read("Range").toStdString(), "");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("{not json");
    f.close();
    EXPECT_EQ(s.read("Range").toStdString(), "");
    EXPECT_TRUE(s.write("Range", "All")); // a write replaces the broken file
    EXPECT_EQ(s.read("Range").toStdString(), "All");
}

TEST(SettingsStore, UnwritableLocationFailsQuietly)
{
    SettingsStore s("/proc/no/such/place/settings");
    EXPECT_FALSE(s.write("Range", "All"));
    EXPECT_EQ(s.read("Range").toStdString(), "");
}

// On a full file system (or, without the right to mount one, in a read-only folder) a write fails and the
// file keeps every value it had; nothing else is left in the folder.
TEST(SettingsStore, AFullDiskKeepsTheOldFile)
{
    test::FullFolder full;
    if (!full.problem().isEmpty())
        GTEST_SKIP() << full.problem().toStdString();
    const QString path = full.filePath("settings");
    SettingsStore s(path);
    ASSERT_TRUE(s.write("Range", "All"));
    ASSERT_TRUE(s.WriteRegistry(kSaveConfigKey + "RulesSetup", QString(66, '1')));
    QFile before(path);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    ASSERT_TRUE(full.Fill());
    EXPECT_FALSE(s.write("SNFilter", QString(3000, 'x')));
    EXPECT_FALSE(s.write("Range", "Today"));
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_EQ(s.read("Range").toStdString(), "All");
    EXPECT_EQ(s.read("RulesSetup"), QString(66, '1'));
    EXPECT_EQ(QDir(full.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).size(),
        full.onTmpfs() ? 2 : 1); // the filler beside it on the tmpfs
}

TEST(SettingsStore, EnvironmentNamesTheFile)
{
    qputenv("MOLDRIN_SETTINGS_FILE", "/tmp/x/moldrin-settings");
    EXPECT_EQ(SettingsStore::defaultPath().toStdString(), "/tmp/x/moldrin-settings");
    qunsetenv("MOLDRIN_SETTINGS_FILE");
    qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(SettingsStore::defaultPath().toStdString(), "/tmp/cfg/Tolvane/Moldrin/settings");
}
