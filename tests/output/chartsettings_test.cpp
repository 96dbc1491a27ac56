// The stored look of the charts: the rules of the stored texts and the tables the windows and moldrin-report
// read.
#include "common/chartlook.h"
#include "output/chartsettings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

TEST(ChartLook, TheRulesOfTheStoredTexts)
{
    EXPECT_EQ(LabelFormatFromText(""), "#,##0.00");
    EXPECT_EQ(LabelFormatFromText("", "#,##0"), "#,##0");
    EXPECT_EQ(LabelFormatFromText("0.0"), "0.0");

    // The label area: the integer part of a number a screen can hold, else the default.
    for (const auto& [text, area] : { std::pair { "40.7", 40 }, { " 52 ", 52 }, { "10000", 10000 }, { "10000.5", 38 },
             { "1e12", 38 }, { "-1e300", 38 }, { "wide", 38 }, { "", 38 }, { "nan", 38 } })
        EXPECT_EQ(LabelAreaFromText(text), area) << text;

    for (const auto& [text, on] : { std::pair<const char*, std::optional<bool>> { "1", true }, { " 0 ", false },
             { "2", std::nullopt }, { "0.5", std::nullopt }, { "", std::nullopt }, { "True", std::nullopt } })
        EXPECT_EQ(CheckFromText(text), on) << text;

    for (const auto& [text, width] :
        { std::pair { "40", 40 }, { "39.6", 40 }, { "0", 75 }, { "", 75 }, { "40000", 75 }, { "-5", -5 }, { "x", 75 } })
        EXPECT_EQ(BarWidthFromText(text), width) << text;
    EXPECT_EQ(BarWidthPercent(-5), 1);
    EXPECT_EQ(BarWidthPercent(250), 100);
}

// What a chart window finds stored is what moldrin-report draws: each kind's names, axes and rules.
TEST(ChartSettings, StoredValuesReachTheirAxes)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("settings"));
    store.write("NP_LabelFormat", "0.0");
    store.write("ShowGridNP_Chart", "1");
    store.write("NP_AxisLabelPosition", "61.9");
    store.write("ScatterX_LabelFormat", "0.000");
    store.write("Scatter_AxisLabelPosition", "1e30");
    store.write("HistogramY_LabelFormat", "#,##0");

    ChartModel np;
    ApplyStoredChartSettings(store, "NP Chart", np);
    EXPECT_EQ(np.left.labelFormat, "0.0");
    EXPECT_TRUE(np.left.gridVisible);
    EXPECT_EQ(np.left.labelSize, 61);

    ChartModel scatter;
    scatter.left.labelSize = 20;
    ApplyStoredChartSettings(store, "Scatter", scatter);
    EXPECT_EQ(scatter.bottom.labelFormat, "0.000");
    EXPECT_EQ(scatter.left.labelFormat, kDefaultAxisLabelFormat);
    EXPECT_EQ(scatter.left.labelSize, kDefaultLabelArea);

    ChartModel histogram;
    ApplyStoredChartSettings(store, "Histogram", histogram);
    EXPECT_EQ(histogram.left.labelFormat, "#,##0");
    EXPECT_EQ(histogram.bottom.labelFormat, kDefaultAxisLabelFormat);

    // A grid value that is no 0 or 1 leaves the chart's grid as it was.
    store.write("ShowGridNP_Chart", "2");
    ApplyStoredChartSettings(store, "NP Chart", np);
    EXPECT_TRUE(np.left.gridVisible);

    EXPECT_EQ(ChartSettingName("U Chart", ChartSettingKind::Grid), "ShowGridU_Chart");
    EXPECT_EQ(ChartSettingName("Histogram", ChartSettingKind::Grid), "");
    EXPECT_TRUE(ChartSettings("Pareto").isEmpty());
    // Written back as the chart holds them.
    QStringList written;
    for (const ChartSetting& s : ChartSettings("NP Chart"))
        written << s.name + "=" + ChartSettingText(s, np);
    EXPECT_EQ(written, QStringList({ "NP_LabelFormat=0.0", "ShowGridNP_Chart=1", "NP_AxisLabelPosition=61" }));
}
