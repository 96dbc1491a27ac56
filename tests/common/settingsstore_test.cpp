#include "common/settingsstore.h"

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

TEST(SettingsStore, EnvironmentNamesTheFile)
{
    qputenv("MOLDRIN_SETTINGS_FILE", "/tmp/x/moldrin-settings");
    EXPECT_EQ(SettingsStore::defaultPath().toStdString(), "/tmp/x/moldrin-settings");
    qunsetenv("MOLDRIN_SETTINGS_FILE");
    qputenv("XDG_CONFIG_HOME", "/tmp/cfg");
    EXPECT_EQ(SettingsStore::defaultPath().toStdString(), "/tmp/cfg/Tolvane/Moldrin/settings");
}
