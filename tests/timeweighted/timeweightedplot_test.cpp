// The EWMA and CUSUM plot function on an SQLite results table: the main chart's points and sigma, the target,
// a given basis, the marks on the chart, and what it says when it cannot draw.
#include "data/loader/plotfunction.h"
#include "data/loader/tempfiles.h"
#include "resultstable.h"
#include "testsupport.h"
#include "timeweighted/timeweightedplot.h"
#include "variables/variableschart.h"
#include "variables/variablesplot.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace moldrin;
using moldrin::test::Near;

namespace
{

// Readings one minute apart: a process at 5.0 (sigma 0.05) whose mean moves up by 0.04 from reading 150 on.
QList<double> DriftingReadings()
{
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal(0, 0.05);
    QList<double> v;
    for (int i = 0; i < 240; ++i)
        v << std::round((5.0 + normal(rng) + (i >= 150 ? 0.04 : 0)) * 10000) / 10000;
    return v;
}

struct Fixture {
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    ScriptedPrompt prompt;
    data::PromptHost host { prompt };
    data::PlotSelection sel;

    explicit Fixture(const QList<double>& values = DriftingReadings())
    {
        QList<test::ResultRow> rows;
        const QDateTime t0(QDate(2026, 11, 1), QTime(8, 0));
        for (int i = 0; i < values.size(); ++i)
            rows << test::ResultRow { QStringLiteral("SN%1").arg(i), i % 3 ? "ATE-02" : "ATE-01", t0.addSecs(60 * i),
                { values[i] } };
        const QString path = dir.filePath("results.db");
        EXPECT_EQ(test::WriteResultsTable(path, { "V" }, rows), "");
        EXPECT_TRUE(test::ConnectResults(state, path));
        qputenv("TEMP", dir.path().toLocal8Bit());
        data::PrepareTempFiles(state);
        state.gParamColumn = { "V" };
        state.gSpecField4 = { "V" };
        state.gLSL = { 4.8 };
        state.gUSL = { 5.2 };
        state.gNominal = { std::nullopt };
        state.gSampleSize = 5;
        sel.product = "PSU-100";
        sel.parameterItem = "T100: [Output]";
        sel.range = "All";
        sel.chartType = kChartXBarR;
        sel.uslText = "5.2";
        sel.lslText = "4.8";
    }

    // The main chart of the same selection: its centre series and its process figures.
    VariablesPlotOutcome mainChart(ChartModel& chart)
    {
        ScriptedPrompt quiet;
        data::PromptHost mainHost(quiet);
        return PlotVariablesChart(state, chart, sel, mainHost);
    }
};

TimeWeightedSettings Settings(TimeWeightedKind kind)
{
    TimeWeightedSettings s;
    s.kind = kind;
    return s;
}

} // namespace

// The points are the main chart's (subgroup means, or readings for Individual-MR), judged with its own
// within sigma (R-bar/d2, s-bar/c4, MR-bar/d2) against the grand mean where no nominal is given.
TEST(TimeWeightedPlot, PointsAndSigmaAreTheMainChartsForEveryChartType)
{
    for (const QString& type : { kChartXBarR, kChartXBarS, kChartMedianR, kChartIndividualMR }) {
        Fixture f;
        f.sel.chartType = type;
        ChartModel main = BuildVariablesChartTemplate();
        const VariablesPlotOutcome reference = f.mainChart(main);
        ASSERT_TRUE(reference.plotted) << type.toStdString();
        const ChartSeries& means = main.series[kSeriesXBar];

        SelectionPoints read;
        ASSERT_TRUE(ReadSelectionPoints(f.state, f.sel, f.host, read));
        EXPECT_EQ(read.records, 240);
        EXPECT_EQ(read.groupSize, type == kChartIndividualMR ? 1 : 5);
        ASSERT_EQ(int(read.points.size()), type == kChartIndividualMR ? 240 : 48);
        for (int i = 0; i < means.count() && type != kChartMedianR; ++i) // Median-R plots medians
            EXPECT_EQ(read.points[std::size_t(i)], means.points.y(i)) << type.toStdString() << " " << i;
        const std::optional<ProcessBasis> basis = SelectionBasis(f.state, f.sel, read);
        ASSERT_TRUE(basis);
        EXPECT_EQ(Figure(basis->sigma), reference.stat.EstSigma) << type.toStdString();
        EXPECT_EQ(Figure(basis->target), reference.stat.XDoubleBar);
        EXPECT_EQ(basis->targetFrom, "mean");
        const char* from = type == kChartIndividualMR ? "MR-bar/d2" : type == kChartXBarS ? "s-bar/c4" : "R-bar/d2";
        EXPECT_EQ(basis->sigmaFrom, from);
        EXPECT_TRUE(f.prompt.messages.isEmpty());
    }
}

// With a nominal in the Spec line the drift is judged against it; the CUSUM sees the drift from reading 150
// on (subgroup 31), and its marks ride on the chart's arrows.
TEST(TimeWeightedPlot, NominalTargetAndMarksOnTheChart)
{
    Fixture f;
    f.state.gNominal = { 5.0 };
    ChartModel chart = BuildTimeWeightedChartTemplate(TimeWeightedKind::Cusum);
    const TimeWeightedOutcome out
        = PlotTimeWeightedChart(f.state, chart, f.sel, Settings(TimeWeightedKind::Cusum), f.host);
    ASSERT_TRUE(out.plotted);
    EXPECT_EQ(out.basis.target, 5.0);
    EXPECT_EQ(out.basis.targetFrom, "nominal");
    ASSERT_FALSE(out.result.marks.empty());
    EXPECT_GE(out.result.marks.front().point, 30u); // not before the drift (subgroup 31 starts at reading 150)
    const TimeWeightedLayout& at = LayoutOf(TimeWeightedKind::Cusum);
    const ChartSeries& up = chart.series[at.upArrow];
    ASSERT_EQ(up.count(), int(out.result.marks.size()));
    const ShiftMark& first = out.result.marks.front();
    EXPECT_EQ(up.points.x(0), double(first.point + 1));
    EXPECT_GT(up.points.y(0), chart.series[at.data].points.y(int(first.point)));
    EXPECT_EQ(up.points.label(0), "C+");
    EXPECT_TRUE(up.marks.ruleMarks);
    // The value axis leaves room above the highest sum for its mark.
    EXPECT_GT(chart.left.maximum, up.points.y(0));
    EXPECT_TRUE(out.marksPlaced);
    EXPECT_TRUE(out.timerEnabled);
    EXPECT_EQ(chart.header.value(1), data::ChartTitleLine(f.state, f.sel));
    EXPECT_EQ(chart.left.title, "CUSUM of T100: [Output] (V)");
    EXPECT_EQ(chart.bottom.title, "Sub-Group Number");

    f.state.gRulesBlinkEnable = false;
    ClearTimeWeightedChart(chart);
    EXPECT_TRUE(chart.left.automatic);
    const TimeWeightedOutcome still
        = PlotTimeWeightedChart(f.state, chart, f.sel, Settings(TimeWeightedKind::Cusum), f.host);
    EXPECT_TRUE(still.marksPlaced);
    EXPECT_FALSE(still.timerEnabled);
    EXPECT_EQ(chart.series[at.upArrow].count(), up.count()); // cleared before, not added twice
}

// Saved limits hand their target and sigma over: the points are judged against them, and the panel says so.
TEST(TimeWeightedPlot, AGivenBasisTakesThePlaceOfTheSelections)
{
    Fixture f;
    f.state.gNominal = { 5.0 };
    const ProcessBasis saved { 4.9, 0.5, QStringLiteral("saved"), QStringLiteral("saved") };
    ChartModel chart = BuildTimeWeightedChartTemplate(TimeWeightedKind::Ewma);
    const TimeWeightedOutcome out
        = PlotTimeWeightedChart(f.state, chart, f.sel, Settings(TimeWeightedKind::Ewma), f.host, saved);
    ASSERT_TRUE(out.plotted);
    EXPECT_EQ(out.basis.target, 4.9);
    EXPECT_EQ(out.basis.sigma, 0.5);
    const ChartSeries& centre = chart.series[LayoutOf(TimeWeightedKind::Ewma).centre];
    EXPECT_EQ(centre.points.y(0), 4.9);
    // A point's sigma is 0.5 / sqrt(5): the first limit is 3 of those times sqrt(0.2/1.8 (1 - 0.64)).
    const double first = 3 * 0.5 / std::sqrt(5.0) * std::sqrt(0.2 / 1.8 * 0.36);
    EXPECT_TRUE(Near(chart.series[LayoutOf(TimeWeightedKind::Ewma).ucl].points.y(0), 4.9 + first, 1e-12));
    EXPECT_NE(std::find_if(out.result.panel.begin(), out.result.panel.end(),
                  [](const PanelLine& l) { return l.caption == "Target from:" && l.value == "saved"; }),
        out.result.panel.end());
}

TEST(TimeWeightedPlot, NothingToDrawIsSaid)
{
    {
        Fixture f({ 5.0, 5.0, 5.0 }); // no whole subgroup of 5
        ChartModel chart = BuildTimeWeightedChartTemplate(TimeWeightedKind::Ewma);
        EXPECT_FALSE(PlotTimeWeightedChart(f.state, chart, f.sel, Settings(TimeWeightedKind::Ewma), f.host).plotted);
        ASSERT_EQ(f.prompt.messages.size(), 1);
        EXPECT_EQ(f.prompt.messages[0].text, kNoDataCollection);
    }
    {
        Fixture f(QList<double>(20, 5.0)); // readings that do not vary: no sigma
        ChartModel chart = BuildTimeWeightedChartTemplate(TimeWeightedKind::Cusum);
        EXPECT_FALSE(PlotTimeWeightedChart(f.state, chart, f.sel, Settings(TimeWeightedKind::Cusum), f.host).plotted);
        ASSERT_EQ(f.prompt.messages.size(), 1);
        EXPECT_EQ(f.prompt.messages[0].text, kNoSpread);
        EXPECT_EQ(chart.series[0].count(), 0);
    }
    {
        Fixture f;
        f.state.gParamColumn = { "NoSuchColumn" };
        ChartModel chart = BuildTimeWeightedChartTemplate(TimeWeightedKind::Ewma);
        const TimeWeightedOutcome out
            = PlotTimeWeightedChart(f.state, chart, f.sel, Settings(TimeWeightedKind::Ewma), f.host);
        EXPECT_FALSE(out.plotted);
        ASSERT_EQ(f.prompt.messages.size(), 1);
        EXPECT_TRUE(f.prompt.messages[0].text.contains("Products.ini")) << f.prompt.messages[0].text.toStdString();
    }
    {
        Fixture f;
        TimeWeightedSettings refused = Settings(TimeWeightedKind::Ewma);
        refused.lambda = 0;
        ChartModel chart = BuildTimeWeightedChartTemplate(TimeWeightedKind::Ewma);
        EXPECT_FALSE(PlotTimeWeightedChart(f.state, chart, f.sel, refused, f.host).plotted);
        ASSERT_EQ(f.prompt.messages.size(), 1);
        EXPECT_EQ(f.prompt.messages[0].text, kEwmaSettingsRefused);
    }
}

// moldrin-report starts from the settings the windows keep, read by the windows' own rule.
TEST(TimeWeightedPlot, StoredSettingsAsTheWindowsLoadThem)
{
    QTemporaryDir dir;
    SettingsStore store(dir.filePath("settings"));
    EXPECT_EQ(StoredSettings(store, TimeWeightedKind::Ewma).lambda, 0.2);
    store.write("EWMA_Lambda", " 0.1 ");
    store.write("EWMA_L", "9"); // beyond what the window's box takes
    store.write("CUSUM_K", "0");
    store.write("CUSUM_H", "five");
    const TimeWeightedSettings ewma = StoredSettings(store, TimeWeightedKind::Ewma);
    EXPECT_EQ(ewma.kind, TimeWeightedKind::Ewma);
    EXPECT_EQ(ewma.lambda, 0.1);
    EXPECT_EQ(ewma.widthL, 3);
    const TimeWeightedSettings cusum = StoredSettings(store, TimeWeightedKind::Cusum);
    EXPECT_EQ(cusum.kind, TimeWeightedKind::Cusum);
    EXPECT_EQ(cusum.k, 0);
    EXPECT_EQ(cusum.h, 5);
}
