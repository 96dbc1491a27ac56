// Tests of the variables chart's plot function on SQLite tables: subgroups, listings, limits, rules, messages.
#include "variables/variablesplot.h"

#include "common/rounding.h"
#include "data/access/connection.h"
#include "data/loader/tempfiles.h"
#include "plothost.h"
#include "resultstable.h"
#include "testsupport.h"
#include "variables/variableschart.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

using test::RecordingHost;

// A results table of `values` (null where NaN) one minute apart, in a SQLite file.
QString MakeDatabase(const QTemporaryDir& dir, const QList<double>& values, const QString& serialPrefix = "SN")
{
    const QString path = dir.filePath("results.db");
    QList<test::ResultRow> rows;
    const QDateTime t0(QDate(2026, 11, 1), QTime(8, 0));
    for (int i = 0; i < values.size(); ++i)
        rows << test::ResultRow { QStringLiteral("%1%2").arg(serialPrefix).arg(i, 3, 10, QChar('0')),
            i % 2 ? "ATE-02" : "ATE-01", t0.addSecs(60 * i), { values[i] } };
    EXPECT_EQ(test::WriteResultsTable(path, { "V" }, rows), "");
    return path;
}

struct Fixture {
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    ChartModel chart = BuildVariablesChartTemplate();
    RecordingHost host;
    PlotSelection sel;

    explicit Fixture(const QList<double>& values, const QString& serialPrefix = "SN")
    {
        const QString db = MakeDatabase(dir, values, serialPrefix);
        qputenv("TEMP", dir.path().toLocal8Bit());
        PrepareTempFiles(state);
        EXPECT_TRUE(test::ConnectResults(state, db));
        state.gParamColumn = { "V" };
        state.gSpecField4 = { "V" };
        state.gLSL = { -999 };
        state.gUSL = { 999 };
        state.gSampleSize = 5;
        host.state = &state;
        sel.product = "PSU-100";
        sel.parameterItem = "Output";
        sel.range = "All";
        sel.chartType = "X-Bar-R";
        sel.uslText = "N/A";
        sel.lslText = "N/A";
        sel.query.acceptZero = true;
    }
    QStringList listing() const
    {
        QFile f(state.gTempFile1);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly | QIODevice::Text));
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }
};

QList<double> Ramp(int n)
{
    QList<double> v;
    for (int i = 0; i < n; ++i)
        v << 10.0 + (i % 5) * 0.5;
    return v;
}

} // namespace

TEST(SampleLoader, OnlyWholeSubgroupsAreUsedAndListed)
{
    Fixture f(Ramp(23));
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_EQ(out.records, 23);
    EXPECT_EQ(out.pointCount, 4);
    EXPECT_TRUE(out.plotted);
    EXPECT_EQ(f.chart.series[kSeriesXBar].count(), 4);
    EXPECT_EQ(f.chart.series[kSeriesRange].points[3].label.toStdString(), "4");
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesXBar].points[0].y, 11.0);
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesRange].points[0].y, 2.0);
    const QStringList lines = f.listing();
    ASSERT_EQ(lines.size(), 21); // heading + 20 readings
    EXPECT_EQ(lines[0].toStdString(), "S/N\tOutput\tATE ID\tDate");
    EXPECT_EQ(lines[1].toStdString(), "SN000          \t\t10.000\tATE-01\t01/11/2026 08:00 AM");
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
    EXPECT_GT(f.chart.seriesCount(), kTemplateSeriesCount); // limit lines drawn
    EXPECT_EQ(f.state.gChartTitle.toStdString(), "PSU-100 Output");
    // The panel's figures go with the chart onto exported and printed pages.
    EXPECT_EQ(f.chart.panelCaptions, PanelCaptions());
    EXPECT_EQ(f.chart.panelValues, out.limits.panelValues);
    EXPECT_FALSE(f.chart.panelValues.isEmpty());
}

TEST(SampleLoader, TooFewRecordsGiveTheNoDataMessageAndNoListing)
{
    Fixture f(Ramp(4));
    f.chart.panelValues = QStringList { "figures of the plot before" };
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_FALSE(out.plotted);
    EXPECT_TRUE(f.chart.panelValues.isEmpty());
    ASSERT_EQ(f.host.scripted.messages.size(), 1);
    EXPECT_EQ(f.host.scripted.messages[0].text, kNoSubgroupData);
    EXPECT_EQ(f.host.scripted.messages[0].icon, PromptIcon::Information);
    EXPECT_FALSE(QFile::exists(f.state.gTempFile1));
    EXPECT_EQ(f.chart.series[kSeriesXBar].count(), 0);

    f.sel.chartType = "Individual-MR";
    Fixture g({ 5.0 });
    g.sel.chartType = "Individual-MR";
    PlotVariablesChart(g.state, g.chart, g.sel, g.host);
    ASSERT_EQ(g.host.scripted.messages.size(), 1);
    EXPECT_EQ(g.host.scripted.messages[0].text, kNoIndividualData);
}

TEST(SampleLoader, ReversedLimitsAreReportedOnceAndExchanged)
{
    Fixture f(Ramp(10));
    f.sel.uslText = "3";
    f.sel.lslText = "5";
    f.sel.showSpec = true;
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    ASSERT_EQ(f.host.scripted.texts(), QStringList { "USL value greater then LSL!" });
    ASSERT_TRUE(out.limits.USL.isNumber());
    EXPECT_DOUBLE_EQ(out.limits.USL.value(), 5.0);
    EXPECT_DOUBLE_EQ(out.limits.LSL.value(), 3.0);
}

TEST(SampleLoader, NullAndSentinelReadingsNeverReachTheSubgroups)
{
    // The statement's validity clause drops them, so they neither count nor enter a subgroup.
    Fixture f({ 2, 4, NAN, 999, 5, 1, 1, -999, 1, 1 });
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_EQ(out.records, 7);
    EXPECT_EQ(out.pointCount, 1);
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesXBar].points[0].y, 13.0 / 5.0);
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesRange].points[0].y, 4.0);
}

TEST(SampleLoader, LongSerialsAreCutInTheListing)
{
    Fixture f(Ramp(5), "ABCDEFGHIJKLMNOPQ");
    PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_TRUE(f.listing()[1].startsWith("ABCDEFGHIJKL...\t\t"));
}

TEST(SampleLoader, AStopKeepsThePointsSoFarAndDrawsNoLimits)
{
    Fixture f(Ramp(50));
    f.host.stopOnReset = true;
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_TRUE(out.stopped);
    EXPECT_FALSE(out.plotted);
    EXPECT_EQ(f.chart.series[kSeriesXBar].count(), 1);
    EXPECT_EQ(f.chart.seriesCount(), kTemplateSeriesCount);
}

TEST(SampleLoader, AStopWhileTheEngineSortsEndsThePlotQuietly)
{
    // Enough rows that the sort before the first row outlasts one responsiveness interval.
    QList<double> values;
    for (int i = 0; i < 150000; ++i)
        values << 10.0 + (i * 7919 % 1000) * 0.001;
    for (const QString chart : { "X-Bar-R", "Individual-MR" }) {
        Fixture f(values);
        f.sel.chartType = chart;
        f.host.stopOnResponsive = true;
        const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
        EXPECT_TRUE(out.stopped) << chart.toStdString();
        EXPECT_FALSE(out.plotted);
        EXPECT_TRUE(f.host.scripted.messages.isEmpty()) << f.host.scripted.texts().join('|').toStdString();
        EXPECT_GE(f.host.progress.size(), 1);
        EXPECT_LT(out.pointCount, 5000); // stopped long before the end, in the sort or soon after
    }
}

TEST(SampleLoader, ProgressCountsTheReadingsRead)
{
    // Every 4096 readings the window hears how many were read so far (0 while the engine prepares).
    for (const QString chart : { "X-Bar-R", "Individual-MR" }) {
        Fixture f(Ramp(10000));
        f.sel.chartType = chart;
        const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
        EXPECT_TRUE(out.plotted);
        QList<long> reading = f.host.progress;
        reading.removeAll(0);
        EXPECT_EQ(reading, (QList<long> { 4096, 8192 })) << chart.toStdString();
    }
}

TEST(SampleLoader, IndividualChartUsesEveryReading)
{
    Fixture f({ 5, 7, 4 });
    f.sel.chartType = "Individual-MR";
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_TRUE(out.plotted);
    EXPECT_EQ(f.chart.series[kSeriesRange].count(), 3);
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesRange].points[2].y, 3.0);
    ASSERT_TRUE(out.limits.AverageVariation.isNumber());
    EXPECT_DOUBLE_EQ(out.limits.AverageVariation.value(), 2.5);
    EXPECT_EQ(f.listing()[1].toStdString(), "SN000          \t\t5.000\tATE-01\t01/11/2026 08:00 AM");
}

TEST(SampleLoader, AnUnknownColumnIsReportedAsInvalidConfiguration)
{
    Fixture f(Ramp(10));
    f.state.gParamColumn = { "NO_SUCH" };
    PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    ASSERT_EQ(f.host.scripted.messages.size(), 1);
    EXPECT_EQ(f.host.scripted.messages[0].text.toStdString(), "Invalid data in 'ATE.ini' or 'Products.ini'.  ");
}

// Runs the statements on the results table of a fixture.
void EditResults(const QTemporaryDir& dir, const QStringList& edits)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("results-editor"));
        db.setDatabaseName(dir.filePath("results.db"));
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        for (const QString& edit : edits)
            ASSERT_TRUE(q.exec(edit)) << edit.toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("results-editor"));
}

TEST(SampleLoader, FieldsStoredInOtherFormsReadAsTheirValuesGive)
{
    // Plain ASCII text, ISO dates and numbers are read from what the engine holds; text with other
    // characters, a date in another ISO form and a reading stored as text go through the field's value.
    // Both give what the value gives: trimmed testers, trimmed serials in capitals; a text that reads as a
    // number is that number, one that does not is no reading and its row is skipped.
    Fixture f(Ramp(11));
    EditResults(f.dir,
        { QString::fromUtf8("UPDATE Results SET ATEID = '  Mâcon  ' WHERE rowid = 1"),
            "UPDATE Results SET SerialNumber = ' sn-b ' WHERE rowid = 2",
            "UPDATE Results SET TestStartTime = '2026-11-01T08:02' WHERE rowid = 3",
            "UPDATE Results SET V = 'ten' WHERE rowid = 4", "UPDATE Results SET V = ' 12.5 ' WHERE rowid = 10" });
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_EQ(out.records, 11);
    EXPECT_EQ(out.skipped.notNumbers, 1);
    ASSERT_EQ(out.pointCount, 2);
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesXBar].points[0].y, (10 + 10.5 + 11 + 12 + 10) / 5.0);
    EXPECT_DOUBLE_EQ(f.chart.series[kSeriesXBar].points[1].y, (10.5 + 11 + 11.5 + 12.5 + 10) / 5.0);
    const QStringList lines = f.listing();
    ASSERT_EQ(lines.size(), 11);
    EXPECT_EQ(lines[1].toStdString(), "SN000          \t\t10.000\tMâcon\t01/11/2026 08:00 AM");
    EXPECT_EQ(lines[2].toStdString(), "SN-B           \t\t10.500\tATE-02\t01/11/2026 08:01 AM");
    EXPECT_EQ(lines[3].toStdString(), "SN002          \t\t11.000\tATE-01\t01/11/2026 08:02 AM");
    EXPECT_EQ(lines[4].toStdString(), "SN004          \t\t12.000\tATE-01\t01/11/2026 08:04 AM");
    QFile values(f.state.gTempFile2);
    ASSERT_TRUE(values.open(QIODevice::ReadOnly));
    EXPECT_EQ(values.readAll().split('\n').mid(0, 5), QByteArrayList({ "10", "10.5", "11", "12", "10" }));
}

// Texts that are no number, and NaN and infinities, are skipped and counted on both chart kinds: never 0,
// never a figure that is not finite.
TEST(SampleLoader, FieldsThatAreNoNumberAreSkippedAndCounted)
{
    for (const char* chartType : { "X-Bar-R", "Individual-MR" }) {
        Fixture f(Ramp(15));
        EditResults(f.dir,
            { "UPDATE Results SET V = 'abc' WHERE rowid = 2", "UPDATE Results SET V = 'n/a' WHERE rowid = 3",
                "UPDATE Results SET V = '5,05' WHERE rowid = 6", "UPDATE Results SET V = 'NaN' WHERE rowid = 8",
                "UPDATE Results SET V = 'Inf' WHERE rowid = 9", "UPDATE Results SET V = '1e999' WHERE rowid = 12" });
        f.sel.chartType = chartType;
        const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
        EXPECT_EQ(out.records, 15) << chartType;
        EXPECT_EQ(out.skipped.notNumbers, 6) << chartType;
        EXPECT_EQ(out.skipped.unreadableTimes, 0) << chartType;
        ASSERT_TRUE(out.plotted) << chartType;
        // The nine readings left, of rows 1, 4, 5, 7, 10, 11 and 13 to 15.
        const double mean = (10 + 11.5 + 12 + 10.5 + 12 + 10 + 11 + 11.5 + 12) / 9.0;
        if (QString(chartType) == "Individual-MR") {
            EXPECT_EQ(out.pointCount, 9);
            EXPECT_DOUBLE_EQ(out.limits.XDoubleBar.value(), Round4(mean));
        } else {
            EXPECT_EQ(out.pointCount, 1);
            EXPECT_DOUBLE_EQ(f.chart.series[kSeriesXBar].points[0].y, (10 + 11.5 + 12 + 10.5 + 12) / 5.0);
        }
        for (const QString& line : out.limits.panelValues)
            EXPECT_FALSE(line.contains("nan") || line.contains("inf")) << line.toStdString();
    }
}

// Rows whose start time is no time lie in no date range: the plot counts them.
TEST(SampleLoader, RowsWithUnreadableTimesAreCounted)
{
    Fixture f(Ramp(12));
    EditResults(f.dir, { "UPDATE Results SET TestStartTime = 'n/a' WHERE rowid IN (2, 7)" });
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_EQ(out.records, 10);
    EXPECT_EQ(out.skipped.unreadableTimes, 2);
    EXPECT_EQ(out.pointCount, 2);
}

TEST(SampleLoader, ZonesRunTheRulesOfBothChartsOnTheDrawnLines)
{
    // Ten subgroups of the same mean 11 and range 2: every mean on the centre line, seven equal in a row.
    Fixture f(Ramp(50));
    f.sel.showZones = true;
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    ASSERT_TRUE(out.plotted && out.rules.completed);
    EXPECT_TRUE(f.host.scripted.messages.isEmpty());
    // R6 on the centre chart (points 0 to 8: the last point belongs to no window); the default set-up has
    // no R6 for ranges, and no point lies beyond a line.
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(RuleMarkText(out.rules.centre[i], MarkSide::Upper), i < 9 ? "R6" : "") << i;
    EXPECT_FALSE(out.rules.variation.anyMarked());
    EXPECT_EQ(f.chart.series[kSeriesUpArrow].count(), 9);
    EXPECT_TRUE(out.rules.centreMarks && !out.rules.variationMarks && out.rules.timerEnabled);
    EXPECT_EQ(f.chart.seriesCount(), kTemplateSeriesCount + 14 + 2); // lines, then the variation chart's arrows
}

TEST(SampleLoader, FailuresOfTheFiguresAndLimitsReachThePromptAndDrawNoLines)
{
    // No constants for subgroups of 26: the process figures and the limits both fail; nothing is judged.
    Fixture f(Ramp(60));
    f.state.gSampleSize = 26;
    f.sel.showZones = true;
    const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
    EXPECT_TRUE(out.plotted);
    EXPECT_EQ(out.pointCount, 2);
    EXPECT_EQ(f.host.scripted.texts(), (QStringList { "Subscript out of range!", "Subscript out of range!" }));
    EXPECT_FALSE(out.limits.completed);
    EXPECT_FALSE(out.rules.completed);
    EXPECT_EQ(f.chart.seriesCount(), kTemplateSeriesCount);
}

TEST(SampleLoader, ATemporaryFolderThatCannotBeWrittenCostsTheListingNotTheChart)
{
    for (const char* chartType : { "X-Bar-R", "Individual-MR" }) {
        SCOPED_TRACE(chartType);
        Fixture f(Ramp(23));
        f.sel.chartType = chartType;
        // The names PrepareTempFiles chose, in a folder that is gone (as a folder that cannot be written).
        const QString folder = f.dir.filePath("gone");
        f.state.gTempFile1 = QDir(folder).filePath("~1.spc");
        f.state.gTempFile2 = QDir(folder).filePath("~2.spc");
        const VariablesPlotOutcome out = PlotVariablesChart(f.state, f.chart, f.sel, f.host);
        EXPECT_TRUE(out.plotted);
        EXPECT_GT(f.chart.seriesCount(), kTemplateSeriesCount); // limit lines drawn
        ASSERT_EQ(f.host.scripted.messages.size(), 1);
        EXPECT_TRUE(f.host.scripted.messages[0].text.startsWith(
            QStringLiteral("The readings could not be listed in the temporary folder ") + folder))
            << qPrintable(f.host.scripted.messages[0].text);
        EXPECT_FALSE(f.host.scripted.messages[0].text.contains(QStringLiteral("INI")));
    }
}
