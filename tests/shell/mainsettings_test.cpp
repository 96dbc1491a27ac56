// Tests of the main window's settings rules: defaults, corrections, the write order, a round trip.
#include "shell/mainsettings.h"

#include "qtprinters.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

namespace
{

class Settings : public ::testing::Test
{
protected:
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    void Set(const QString& name, const QString& value) { ASSERT_TRUE(state.registry.write(name, value)); }
};

} // namespace

TEST_F(Settings, CleanMachineDefaults)
{
    state.gRulesBlinkEnable = false;
    state.gHistogramBarWidth = 10;
    const LoadedMainSettings loaded = LoadSettings(state);
    MainWindowValues values;
    values.passOnly = 1;
    loaded.applyTo(values);
    EXPECT_EQ(values.range, "All");
    EXPECT_EQ(values.xBarSize, "5");
    EXPECT_EQ(values.chartType, "X-Bar-R-Median-s");
    EXPECT_EQ(values.labelFormat, "#,##0.00");
    EXPECT_EQ(values.labelSize, 38);
    EXPECT_EQ(values.passOnly, 1); // unusable value: box unchanged
    EXPECT_FALSE(loaded.showGrid.has_value());
    EXPECT_EQ(state.gHistogramBarWidth, 75);
    EXPECT_EQ(state.gParetoBarWidth, 75);
    EXPECT_TRUE(state.gRulesBlinkEnable);
    EXPECT_FALSE(state.gShowScatterSampleNumber);
    EXPECT_EQ(state.gRulesSetup, kDefaultRulesSetup);
    EXPECT_EQ(state.gRuleFlags, AppState::DefaultRuleFlags());
    EXPECT_FALSE(state.gCustomEnd.isValid());
}

TEST_F(Settings, GroupSizeAndNumbersAreCorrected)
{
    for (const auto& [stored, expected] : { std::pair { "30", "5" }, { "1", "5" }, { "12", "12" }, { "2", "2" },
             { "25", "25" }, { "26", "5" }, { "abc", "5" }, { "7.9", "7" } }) {
        Set("XBarSize", stored);
        EXPECT_EQ(LoadSettings(state).xBarSize, expected) << stored;
    }
    Set("HistogramBarWidth", "0");
    Set("ParetoBarWidth", "60");
    Set("XBarAxisLabelPosition", "41.8");
    LoadedMainSettings loaded = LoadSettings(state);
    EXPECT_EQ(state.gHistogramBarWidth, 75);
    EXPECT_EQ(state.gParetoBarWidth, 60);
    EXPECT_EQ(loaded.labelSize, 41);
    Set("ParetoBarWidth", "wide");
    Set("XBarAxisLabelPosition", "big");
    loaded = LoadSettings(state);
    EXPECT_EQ(state.gParetoBarWidth, 75);
    EXPECT_EQ(loaded.labelSize, 38);
}

TEST_F(Settings, CheckBoxesAndBooleans)
{
    Set("IgnoreZero", "1");
    Set("PassOnly", "5");
    Set("LastDataOnly", "x");
    Set("HideUSL/LSL", "2");
    Set("ShowGrid", "0");
    Set("ShowHideScatterSampleNumber", "True");
    Set("RulesBlinkEnable", "False");
    const LoadedMainSettings loaded = LoadSettings(state);
    EXPECT_EQ(loaded.acceptZero, 1);
    EXPECT_FALSE(loaded.passOnly.has_value());
    EXPECT_FALSE(loaded.lastDataOnly.has_value());
    EXPECT_EQ(loaded.showSpec, 2);
    EXPECT_EQ(loaded.showGrid, 0);
    EXPECT_TRUE(state.gShowScatterSampleNumber);
    EXPECT_FALSE(state.gRulesBlinkEnable);
    EXPECT_EQ(ReadBoolean("false"), false);
    EXPECT_EQ(ReadBoolean("-1"), true);
    EXPECT_FALSE(ReadBoolean("maybe").has_value());
}

TEST_F(Settings, RulesSetupNeedsExactly131Characters)
{
    QString custom = kDefaultRulesSetup;
    custom[0] = '0';
    custom[65] = '0';
    const QString text = RulesSetupText(custom);
    ASSERT_EQ(text.size(), 131);
    Set("RulesSetup", text);
    LoadSettings(state);
    EXPECT_EQ(state.gRulesSetup, custom);
    EXPECT_EQ(state.gRuleFlags.size(), 66);
    EXPECT_EQ(state.gRuleFlags.first(), "0");
    EXPECT_EQ(state.gRuleFlags.last(), "0");
    for (const QString& wrong : { text.left(130), text + "," }) {
        Set("RulesSetup", wrong);
        LoadSettings(state);
        EXPECT_EQ(state.gRulesSetup, kDefaultRulesSetup);
        EXPECT_EQ(state.gRuleFlags, AppState::DefaultRuleFlags());
    }
    // 131 characters with a piece of two ("10") and an empty one: later flags keep their places.
    QStringList pieces = text.split(',');
    pieces[0] = "10";
    pieces[1] = "";
    const QString uneven = pieces.join(',');
    ASSERT_EQ(uneven.size(), 131);
    Set("RulesSetup", uneven);
    LoadSettings(state);
    ASSERT_EQ(state.gRulesSetup.size(), 66);
    EXPECT_EQ(state.gRulesSetup.mid(2), custom.mid(2)); // nothing shifted
    EXPECT_EQ(state.gRulesSetup[0], QChar('1')); // "10" sets its first character
    EXPECT_EQ(kDefaultRulesSetup[1], QChar('1'));
    EXPECT_EQ(state.gRulesSetup[1], QChar('0')); // an empty piece is no "1": its rule is off
}

TEST_F(Settings, SaveWritesNineteenValuesInOrderAndReadsBack)
{
    state.gINIPath = "/site/config";
    state.gCustomStart = QDate(2026, 2, 3);
    state.gShowScatterSampleNumber = true;
    state.gParetoBarWidth = 50;
    MainWindowValues values;
    values.range = "Last 7 Days";
    values.sourceFilter = "ATE-02";
    values.snFilter = "SN1";
    values.xBarSize = "8";
    values.acceptZero = 1;
    values.showSpec = 1;
    values.chartType = "X-Bar-s";
    values.labelFormat = "#,##0.000";
    values.labelSize = 44;
    values.showZones = 1;
    const auto writes = MainSettingsToSave(state, values);
    QStringList names;
    for (const auto& w : writes)
        names << w.first;
    EXPECT_EQ(names,
        QStringList({ "INIPath", "Range", "SourceFilter", "SNFilter", "XBarSize", "IgnoreZero", "PassOnly",
            "LastDataOnly", "HideUSL/LSL", "CustomStart", "CustomEnd", "ShowHideScatterSampleNumber",
            "HistogramBarWidth", "ParetoBarWidth", "ChartType", "XBarLabelFormat", "XBarAxisLabelPosition", "ShowGrid",
            "ShowABCZone" }));
    EXPECT_EQ(writes[9].second, "2026-02-03");
    EXPECT_EQ(writes[10].second, "1899-12-30");
    EXPECT_EQ(writes[11].second, "True");

    SaveSettings(state, values);
    EXPECT_EQ(state.registry.read("INIPath"), "/site/config");
    EXPECT_EQ(state.registry.read("SourceFilter"), "ATE-02");

    AppState next(state.registry.path());
    next.gCustomEnd = QDate(2020, 1, 1);
    MainWindowValues restored;
    LoadSettings(next).applyTo(restored);
    // INIPath and SourceFilter are restored by the configuration folder and the data source.
    next.gINIPath = next.registry.read("INIPath");
    restored.sourceFilter = next.registry.read("SourceFilter");
    EXPECT_EQ(MainSettingsToSave(next, restored), MainSettingsToSave(state, values));
    EXPECT_FALSE(next.gCustomEnd.isValid()); // the saved date 0 reads back as "none chosen"
}

TEST(SettingsDates, ShortDateTextsReadInTheSystemOrder)
{
    EXPECT_EQ(ReadDate("03/02/2026", "DD/MM"), QDate(2026, 2, 3));
    EXPECT_EQ(ReadDate("03/02/2026", "MM/DD"), QDate(2026, 3, 2));
    EXPECT_FALSE(ReadDate("soon", "DD/MM").has_value());
    EXPECT_FALSE(ReadDate("", "DD/MM").has_value());
}
