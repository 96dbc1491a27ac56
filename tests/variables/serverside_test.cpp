// Subgroups formed by SQLite against the same chart read reading by reading.
#include "bothpaths.h"
#include "testsupport.h"
#include "variables/rawdata.h"
#include "variables/subgroupquery.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

using SqliteFixture = test::SqliteResults;

// Every chart type, size and filter; a start time that is no time is counted on both paths.
TEST(ServerSideSubgroups, SqliteGivesTheChartOfEveryReading)
{
    SqliteFixture f(test::MixedRows(1200));
    f.Change("UPDATE Results SET TestStartTime = 'n/a' WHERE rowid = 100");
    ASSERT_TRUE(f.Connect());
    test::ExpectBothPathsAgree(f.state, f.sel);
}

// The engine puts each subgroup's readings in order with a network of its own for every size: the medians are
// the client's at every size, odd and even, with ties (readings of four digits).
TEST(ServerSideSubgroups, MediansOfEverySizeAreTheClients)
{
    SqliteFixture f(test::MixedRows(1200));
    ASSERT_TRUE(f.Connect());
    f.sel.chartType = kChartMedianR;
    for (int size = 2; size <= 25; ++size) {
        SCOPED_TRACE("size " + std::to_string(size));
        f.state.gSampleSize = size;
        test::ExpectSamePlot(test::PlotOnce(f.state, f.sel, false), test::PlotOnce(f.state, f.sel, true));
    }
}

// Stages split the engine's points by their first reading's day, as the readings' points.
TEST(ServerSideSubgroups, StagesSplitTheEnginesPointsAlike)
{
    SqliteFixture f(test::MixedRows(600, 3 * 3600)); // 37 days
    ASSERT_TRUE(f.Connect());
    LimitChoice stages;
    stages.stages = { QDate(2026, 11, 10), QDate(2026, 11, 20) };
    for (const QString& type : { kChartXBarS, kChartIndividualMR }) {
        f.sel.chartType = type;
        f.state.gSampleSize = 5;
        const test::OnePlot client = test::PlotOnce(f.state, f.sel, false, stages);
        const test::OnePlot engine = test::PlotOnce(f.state, f.sel, true, stages);
        EXPECT_EQ(client.out.stages.size(), 3u);
        test::ExpectSamePlot(client, engine);
    }
}

// A value that is no number is skipped and counted by the client; the engine cannot tell "5.012" stored as text
// from "n/a" as the client reads them, so the readings are read here, and the note says so. Its row comes
// after the first subgroups: what was plotted of them is not kept, and nothing is told twice.
TEST(ServerSideSubgroups, ValuesThatAreNoNumberAreReadByTheClient)
{
    SqliteFixture f(test::MixedRows(300));
    f.Change("UPDATE Results SET V = CASE rowid WHEN 20 THEN 'n/a' ELSE '5.012' END WHERE rowid IN (20, 21)");
    ASSERT_TRUE(f.Connect());
    f.sel.chartType = kChartXBarR;
    f.state.gSampleSize = 5;
    for (const bool reversed : { false, true }) {
        SCOPED_TRACE(reversed ? "limits reversed" : "limits in order");
        if (reversed)
            std::swap(f.sel.uslText, f.sel.lslText);
        const test::OnePlot client = test::PlotOnce(f.state, f.sel, false);
        const test::OnePlot engine = test::PlotOnce(f.state, f.sel, true);
        EXPECT_EQ(client.out.skipped.notNumbers, 1);
        EXPECT_EQ(engine.out.skipped.notNumbers, 1);
        EXPECT_FALSE(engine.out.engine);
        EXPECT_EQ(engine.out.note.toStdString(),
            "The readings were read, not summed by the engine: some values of the column are no number.");
        EXPECT_EQ(client.out.limits.panelValues, engine.out.limits.panelValues);
        EXPECT_EQ(client.out.pointCount, engine.out.pointCount);
        EXPECT_EQ(client.messages, engine.messages);
        EXPECT_EQ(engine.messages.size(), reversed ? 1 : 0);
    }
}

TEST(ServerSideSubgroups, StopPlotEndsAfterThePointBeingPlotted)
{
    SqliteFixture f(test::MixedRows(300));
    ASSERT_TRUE(f.Connect());
    f.sel.chartType = kChartXBarR;
    f.state.gSampleSize = 5;
    f.state.gServerSide = true;
    ChartModel chart = BuildVariablesChartTemplate();
    test::RecordingHost host;
    host.state = &f.state;
    host.stopOnReset = true;
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, chart, f.sel, host);
    EXPECT_TRUE(out.engine);
    EXPECT_TRUE(out.stopped);
    EXPECT_FALSE(out.plotted);
    EXPECT_EQ(out.pointCount, 1);
    EXPECT_TRUE(host.scripted.messages.isEmpty());
}

TEST(ServerSideSubgroups, TooFewReadingsGiveTheMessageOfTheClient)
{
    SqliteFixture f(test::MixedRows(4)); // no whole subgroup of 5; one reading of SN00001
    ASSERT_TRUE(f.Connect());
    for (const QString& type : { kChartXBarR, kChartIndividualMR }) {
        f.sel.chartType = type;
        f.state.gSampleSize = type == kChartIndividualMR ? 2 : 5;
        f.sel.serialFilter = type == kChartIndividualMR ? "SN00001" : "";
        const test::OnePlot client = test::PlotOnce(f.state, f.sel, false);
        const test::OnePlot engine = test::PlotOnce(f.state, f.sel, true);
        EXPECT_FALSE(engine.out.plotted);
        ASSERT_EQ(engine.messages.size(), 1);
        EXPECT_EQ(client.messages, engine.messages);
        EXPECT_EQ(client.out.records, engine.out.records);
    }
}

// What the engine cannot number as the client reads is refused before any statement runs.
TEST(ServerSideSubgroups, EnginesThatCannotFormTheSubgroupsAreRefused)
{
    const QString jet
        = "SELECT [SerialNumber] AS SNX, [ATEID] AS ATEX, [TestStartTime] AS DateX, [V] AS ValueX FROM [Results] "
          "WHERE [V] IS NOT NULL ORDER BY [TestStartTime], [ATEID];";
    AdaptedStatement selection = AdaptStatement(jet, Dialect::PostgreSQL);
    const SelectedColumn column { "[Results]", "V", false };
    EXPECT_TRUE(
        SubgroupStatements(selection, Dialect::PostgreSQL, "PostgreSQL", {}, column, 5, true).refusal.isEmpty());
    Schema text;
    text.textColumns.insert("results.v");
    EXPECT_EQ(
        SubgroupStatements(selection, Dialect::PostgreSQL, "PostgreSQL", text, column, 5, true).refusal.toStdString(),
        "the column V holds text");
    selection = AdaptStatement(jet, Dialect::Native);
    EXPECT_FALSE(SubgroupStatements(selection, Dialect::Native, "ACCESS", {}, column, 5, true).refusal.isEmpty());
    EXPECT_TRUE(
        SubgroupStatements(selection, Dialect::Native, "Microsoft SQL Server", {}, column, 5, true).refusal.isEmpty());
}

// The raw data window's lines for a point of the engine's chart are the listing's lines of its readings.
TEST(ServerSideSubgroups, APointsReadingsAreTheListingsLines)
{
    SqliteFixture f(test::MixedRows(600));
    ASSERT_TRUE(f.Connect());
    for (const QString& type : { kChartXBarR, kChartIndividualMR }) {
        SCOPED_TRACE(type.toStdString());
        const bool individual = type == kChartIndividualMR;
        f.sel.chartType = type;
        f.state.gSampleSize = 5;
        ASSERT_TRUE(test::PlotOnce(f.state, f.sel, false).out.plotted);
        QString error;
        const QStringList listing = ReadListingLines(f.state.gTempFile1, &error);
        ASSERT_TRUE(error.isEmpty()) << qPrintable(error);
        const test::OnePlot engine = test::PlotOnce(f.state, f.sel, true);
        ASSERT_TRUE(engine.out.engine);
        EXPECT_FALSE(QFile::exists(f.state.gTempFile1)); // the listing of the plot before is not this chart's
        const int n = individual ? 1 : 5;
        for (int point : { 0, 7, int(engine.out.pointCount) - 1 }) {
            QStringList lines;
            const Status read = EngineReadingLines(f.state, *engine.out.engine, individual, point, lines);
            ASSERT_FALSE(read) << qPrintable(read->description);
            ASSERT_EQ(lines.size(), n);
            EXPECT_EQ(lines, listing.mid(point * n, n)) << "point " << point;
        }
    }
}

// Readings near the largest double: their squared deviations overflow the engine's doubles, so the readings
// are read here, and the chart is theirs.
TEST(ServerSideSubgroups, SumsTheEngineCannotHoldAreLeftToTheClient)
{
    QList<test::ResultRow> rows = test::MixedRows(200);
    for (test::ResultRow& r : rows)
        if (!std::isnan(r.values[0]) && std::fabs(r.values[0]) < 100)
            r.values[0] *= 1e306;
    SqliteFixture f(rows);
    ASSERT_TRUE(f.Connect());
    f.sel.uslText = f.sel.lslText = "N/A";
    f.sel.chartType = kChartXBarS;
    f.state.gSampleSize = 5;
    const test::OnePlot client = test::PlotOnce(f.state, f.sel, false);
    const test::OnePlot engine = test::PlotOnce(f.state, f.sel, true);
    ASSERT_TRUE(client.out.plotted);
    EXPECT_FALSE(engine.out.engine);
    EXPECT_EQ(engine.out.note.toStdString(),
        "The readings were read, not summed by the engine: the readings are too large for the engine's sums.");
    EXPECT_EQ(client.out.limits.panelValues, engine.out.limits.panelValues);
}

// Readings far from zero that drift far more than they spread, and readings near 1e-9: the engine's squared
// deviations keep the digits the client's keep (a shift shared by all subgroups, or sums of squares, lose them).
TEST(ServerSideSubgroups, ReadingsFarFromZeroOrTinyKeepTheirDigits)
{
    for (const bool tiny : { false, true }) {
        SCOPED_TRACE(tiny ? "near 1e-9" : "near 1e9, drifting");
        SqliteFixture f(test::FarFromZeroRows(tiny));
        ASSERT_TRUE(f.Connect());
        f.sel.uslText = f.sel.lslText = "N/A";
        test::ExpectBothPathsAgree(f.state, f.sel, false);
    }
}
