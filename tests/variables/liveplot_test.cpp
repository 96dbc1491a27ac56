// Tests of the live variables chart on a SQLite database in WAL mode that a writer appends to between reads:
// the extended chart against a plot from the start, late rows, new marks.
#include "variables/liveplot.h"
#include "variables/liveproduct.h"

#include "data/access/connection.h"
#include "data/loader/tempfiles.h"
#include "plothost.h"
#include "resultstable.h"
#include "variables/variableschart.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace moldrin;
using namespace moldrin::data;

namespace
{

const QDateTime kT0(QDate(2026, 11, 1), QTime(8, 0));

// Readings around 10 that follow no pattern a rule looks for.
double Noise(int i)
{
    return 10.0 + 0.01 * double((i * 37 + 11) % 29 - 14);
}

// The writer: another connection, which appends rows as a tester does, in WAL mode.
class Writer
{
public:
    explicit Writer(const QString& path)
        : mPath(path)
    {
    }
    ~Writer()
    {
        close();
        QSqlDatabase::removeDatabase(QStringLiteral("live-writer"));
    }
    // `keepOpen`: the writer stays connected (its log beside the file); else its close folds the log in.
    void append(const QList<test::ResultRow>& rows, bool keepOpen = true)
    {
        QSqlDatabase db = QSqlDatabase::contains(QStringLiteral("live-writer"))
            ? QSqlDatabase::database(QStringLiteral("live-writer"))
            : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("live-writer"));
        db.setDatabaseName(mPath);
        ASSERT_TRUE(db.isOpen() || db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec(QStringLiteral("PRAGMA journal_mode=WAL")));
        ASSERT_TRUE(q.prepare(QStringLiteral("INSERT INTO Results VALUES (?, ?, ?, 'PASS', 'FT1', ?)")));
        for (const test::ResultRow& r : rows) {
            q.addBindValue(r.serial);
            q.addBindValue(r.tester);
            q.addBindValue(r.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
            q.addBindValue(r.values.isEmpty() ? QVariant(QStringLiteral("n/a")) : QVariant(r.values.front()));
            ASSERT_TRUE(q.exec()) << qPrintable(q.lastError().text());
        }
        q = QSqlQuery();
        if (!keepOpen)
            close();
    }
    void close()
    {
        if (QSqlDatabase::contains(QStringLiteral("live-writer")))
            QSqlDatabase::database(QStringLiteral("live-writer"), false).close();
    }

private:
    QString mPath;
};

// Unit `i` of a tester, `seconds` and a fraction after kT0; no value: a text that is no reading.
test::ResultRow Unit(int i, int seconds, std::optional<double> value)
{
    return { QStringLiteral("SN%1").arg(i, 5, 10, QChar('0')), i % 3 ? "ATE-02" : "ATE-01",
        kT0.addSecs(seconds).addMSecs(i * 137 % 1000), value ? QList<double> { *value } : QList<double> {} };
}

// `count` units a minute apart from kT0.
QList<test::ResultRow> UnitsAMinuteApart(int count)
{
    QList<test::ResultRow> rows;
    for (int i = 0; i < count; ++i)
        rows << Unit(i, 60 * i, Noise(i));
    return rows;
}

struct Fixture {
    QTemporaryDir dir;
    QString path = dir.filePath("results.db");
    AppState state { dir.filePath("settings") };
    ChartModel chart = BuildVariablesChartTemplate();
    test::RecordingHost host;
    PlotSelection sel;

    explicit Fixture(const QString& chartType, int size = 5)
    {
        EXPECT_EQ(test::WriteResultsTable(path, { "V" }, {}), "");
        qputenv("TEMP", dir.path().toLocal8Bit());
        PrepareTempFiles(state);
        state.gParamColumn = { "V" };
        state.gSpecField4 = { "V" };
        state.gLSL = { 9.0 };
        state.gUSL = { 11.0 };
        state.gSampleSize = size;
        state.gRulesSetup = QString(66, QChar('1'));
        host.state = &state;
        sel.product = "PSU-100";
        sel.parameterItem = "Output";
        sel.range = "All";
        sel.chartType = chartType;
        sel.uslText = "11";
        sel.lslText = "9";
        sel.showZones = true;
        sel.showSpec = true;
    }
    bool connect() { return test::ConnectResults(state, path); }
};

// The chart, figures and marks PlotVariablesChart draws from the rows now in the file, on a connection of
// its own.
struct FullPlot {
    ChartModel chart = BuildVariablesChartTemplate();
    VariablesPlotOutcome outcome;
};
FullPlot PlotFromStart(Fixture& f)
{
    FullPlot full;
    const auto live = f.state.gConnection;
    EXPECT_TRUE(f.connect());
    test::RecordingHost host;
    full.outcome = PlotVariablesChart(f.state, full.chart, f.sel, host);
    f.state.gConnection = live;
    return full;
}

void ExpectSameMarks(const RuleMarks& a, const RuleMarks& b, const char* which)
{
    ASSERT_EQ(a.size(), b.size()) << which;
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i], b[i]) << which << " point " << i + 1;
}

// Every series point for point, the figures and panel, the counts and the marks.
void ExpectSamePlot(const ChartModel& liveChart, const VariablesPlotOutcome& live, const FullPlot& full)
{
    EXPECT_EQ(live.records, full.outcome.records);
    EXPECT_EQ(live.pointCount, full.outcome.pointCount);
    EXPECT_EQ(live.skipped.notNumbers, full.outcome.skipped.notNumbers);
    EXPECT_EQ(live.limits.panelValues, full.outcome.limits.panelValues);
    EXPECT_EQ(live.stat.StdDev, full.outcome.stat.StdDev);
    EXPECT_EQ(live.limits.UCLCentre.value(), full.outcome.limits.UCLCentre.value());
    ASSERT_EQ(liveChart.seriesCount(), full.chart.seriesCount());
    for (int s = 0; s < liveChart.seriesCount(); ++s) {
        const PointList& a = liveChart.series[s].points;
        const PointList& b = full.chart.series[s].points;
        ASSERT_EQ(a.size(), b.size()) << "series " << s;
        for (int i = 0; i < a.size(); ++i) {
            EXPECT_EQ(a.x(i), b.x(i)) << "series " << s << " point " << i;
            EXPECT_EQ(a.y(i), b.y(i)) << "series " << s << " point " << i;
            EXPECT_EQ(a.label(i), b.label(i)) << "series " << s << " point " << i;
        }
    }
    for (const auto& [a, b] :
        { std::pair { &liveChart.left, &full.chart.left }, std::pair { &liveChart.custom0, &full.chart.custom0 } }) {
        EXPECT_EQ(a->automatic, b->automatic);
        EXPECT_EQ(a->minimum, b->minimum);
        EXPECT_EQ(a->maximum, b->maximum);
        EXPECT_EQ(a->increment, b->increment);
    }
    // The live chart keeps its page or follows the last one; the plot from the start shows the first.
    if (liveChart.currentPage() == full.chart.currentPage())
        EXPECT_EQ(liveChart.header, full.chart.header);
    else
        EXPECT_EQ(liveChart.currentPage(), liveChart.pageCount());
    ExpectSameMarks(live.rules.centre, full.outcome.rules.centre, "centre");
    ExpectSameMarks(live.rules.variation, full.outcome.rules.variation, "variation");
}

// A mark as a line of the watch tells it.
QString MarkLine(const NewRuleMark& m)
{
    return QStringLiteral("%1 %2 %3 %4 %5 %6")
        .arg(int(m.chart))
        .arg(m.point)
        .arg(m.rules)
        .arg(m.value, 0, 'g', 17)
        .arg(m.time ? m.time->toDateTime().toString(Qt::ISODateWithMs) : QString(), m.serials.join(u','));
}

QStringList MarkLines(const ProductRead& read)
{
    QStringList lines;
    for (const ProductMark& m : read.marks)
        lines << QString::number(m.parameter) + u' ' + MarkLine(m.mark);
    return lines;
}

class LivePlotSteps : public testing::TestWithParam<QString>
{
};

// The first rows, and a writer's step: units in order, units a tester uploads late (within the overlap), two
// rows with the same start time and tester, a value that is no reading, the same unit twice.
QList<test::ResultRow> FirstRows()
{
    QList<test::ResultRow> first;
    for (int i = 0; i < 23; ++i)
        first << Unit(i, 30 * i, Noise(i));
    return first;
}
QList<test::ResultRow> StepRows(int step, int& unit)
{
    const int now = 30 * unit;
    QList<test::ResultRow> rows;
    for (int k = 0; k < 7; ++k, ++unit)
        rows << Unit(unit, 30 * unit, Noise(unit) + (step >= 3 ? 0.25 : 0.0));
    rows << Unit(unit, now - 75, Noise(unit)); // late: before rows already read
    rows << Unit(unit + 1, now - 40, Noise(unit + 1)); // late, before the first row of the step
    rows << Unit(unit + 2, 30 * (unit - 4), Noise(unit + 2)); // the start time and tester of another unit
    unit += 3;
    if (step == 1)
        rows << Unit(unit++, now + 5, std::nullopt);
    if (step == 2)
        rows << rows.front();
    return rows;
}

// The writer appends in steps: units in order, units a tester uploads late (within the overlap), two rows
// with the same start time and tester, a value that is no reading, the same unit twice. The reader opened
// the file while no writer had it open (read as immutable), so the first rows written after it must be seen.
TEST_P(LivePlotSteps, ExtendedChartEqualsAPlotFromTheStartAfterEveryStep)
{
    Fixture f(GetParam());
    Writer writer(f.path);
    writer.append(FirstRows(), false);
    ASSERT_TRUE(f.connect());
    LivePlot live(120);
    LiveOutcome out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure) << qPrintable(out.failure->description);
    EXPECT_TRUE(out.fromStart);
    ExpectSamePlot(f.chart, out.plot, PlotFromStart(f));

    int unit = 23;
    std::set<std::tuple<int, std::int64_t, QString>> raised;
    for (int step = 0; step < 6; ++step) {
        writer.append(StepRows(step, unit), step % 2 == 0);
        out = live.Refresh(f.state, f.chart, f.sel, f.host);
        ASSERT_FALSE(out.failure) << qPrintable(out.failure->description);
        EXPECT_FALSE(out.fromStart);
        SCOPED_TRACE(step);
        ExpectSamePlot(f.chart, out.plot, PlotFromStart(f));
        for (const NewRuleMark& m : out.newMarks)
            for (const QString& code : m.rules.split(u','))
                EXPECT_TRUE(raised.insert({ int(m.chart), m.point, code }).second)
                    << "raised again: point " << m.point << " " << qPrintable(code);
    }
    EXPECT_FALSE(raised.empty()) << "the shift raised no mark";
    writer.close();
}

// The state a run leaves, taken by the next run's charts.
QByteArray Saved(const LiveProduct& live)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    live.Save(out);
    return bytes;
}
QString Restored(LiveProduct& live, const QByteArray& bytes, AppState& state)
{
    QDataStream in(bytes);
    return live.Restore(in, state);
}

// Runs that each go on from the state the run before saved, as --watch-once does from cron, with the
// writer's steps between them: each run raises the marks a product kept live raises in the same step, and
// its chart equals a plot from the start.
TEST_P(LivePlotSteps, RunsGoingOnFromTheSavedStateEqualOneKeptLive)
{
    Fixture f(GetParam());
    Writer writer(f.path);
    writer.append(FirstRows(), false);
    ASSERT_TRUE(f.connect());
    LiveProduct kept({ f.sel }, 120);
    ProductRead keptRead = kept.Refresh(f.state, f.host);
    ASSERT_FALSE(keptRead.failure);
    QByteArray state;
    {
        LiveProduct run({ f.sel }, 120);
        EXPECT_FALSE(Restored(run, QByteArray(), f.state).isEmpty()) << "no state: read from the start";
        const ProductRead read = run.Refresh(f.state, f.host);
        ASSERT_FALSE(read.failure);
        EXPECT_TRUE(read.fromStart);
        state = Saved(run);
    }
    int unit = 23;
    int marks = 0;
    for (int step = 0; step < 6; ++step) {
        SCOPED_TRACE(step);
        writer.append(StepRows(step, unit), step % 2 == 0);
        keptRead = kept.Refresh(f.state, f.host);
        ASSERT_FALSE(keptRead.failure);
        LiveProduct run({ f.sel }, 120);
        ASSERT_EQ(Restored(run, state, f.state), "");
        const ProductRead read = run.Refresh(f.state, f.host);
        ASSERT_FALSE(read.failure) << qPrintable(read.failure->description);
        EXPECT_FALSE(read.fromStart);
        EXPECT_EQ(MarkLines(read), MarkLines(keptRead));
        marks += int(read.marks.size());
        ExpectSamePlot(run.chart(0), run.outcome(0), PlotFromStart(f));
        state = Saved(run);
    }
    EXPECT_GT(marks, 0) << "the shift raised no mark";
    writer.close();
}

// A state made for other settings, or damaged, is not used: the run reads from the range's start.
TEST(LiveProductState, StateOfAnotherSelectionOrDamagedIsRefused)
{
    Fixture f(QStringLiteral("X-Bar-R"));
    Writer writer(f.path);
    writer.append(FirstRows());
    ASSERT_TRUE(f.connect());
    LiveProduct first({ f.sel });
    ASSERT_FALSE(first.Refresh(f.state, f.host).failure);
    const QByteArray state = Saved(first);

    PlotSelection other = f.sel;
    other.chartType = QStringLiteral("X-Bar-s");
    LiveProduct another({ other });
    EXPECT_EQ(Restored(another, state, f.state), "it was made for another selection");
    f.state.gSampleSize = 4;
    LiveProduct smaller({ f.sel });
    EXPECT_EQ(Restored(smaller, state, f.state), "it was made for another selection");
    f.state.gSampleSize = 5;
    for (const qsizetype cut : { qsizetype(3), state.size() / 2, state.size() - 1 }) {
        LiveProduct damaged({ f.sel });
        EXPECT_EQ(Restored(damaged, state.left(cut), f.state), "it is damaged") << cut;
        const ProductRead read = damaged.Refresh(f.state, f.host);
        ASSERT_FALSE(read.failure);
        EXPECT_TRUE(read.fromStart);
        ExpectSamePlot(damaged.chart(0), damaged.outcome(0), PlotFromStart(f));
    }
}

INSTANTIATE_TEST_SUITE_P(ChartTypes, LivePlotSteps,
    testing::Values(QStringLiteral("X-Bar-R"), QStringLiteral("X-Bar-R-Median-s"), QStringLiteral("Individual-MR")));

// A run of eight points above the centre line that begins before a read and ends after it is a new mark
// of the next read, on old and new points alike; a read without new rows raises nothing again.
TEST(LivePlot, RunAcrossTwoReadsIsRaisedOnceWithItsPointsAndSerials)
{
    Fixture f(QStringLiteral("Individual-MR"));
    f.state.gRulesSetup = QString(66, QChar('0'));
    f.state.gRulesSetup[6 * int(RuleGroup::R4Upper) + kColumnIndividual - 1] = QChar('1');
    Writer writer(f.path);
    QList<test::ResultRow> rows;
    for (int i = 0; i < 40; ++i)
        rows << Unit(i, 60 * i, Noise(i));
    for (int i = 40; i < 45; ++i)
        rows << Unit(i, 60 * i, 10.2);
    writer.append(rows);
    ASSERT_TRUE(f.connect());
    LivePlot live;
    LiveOutcome out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    EXPECT_TRUE(out.newMarks.empty()) << "the marks of the first read are taken as seen";

    rows.clear();
    for (int i = 45; i < 50; ++i)
        rows << Unit(i, 60 * i, 10.2);
    rows << Unit(50, 60 * 50, 9.8);
    writer.append(rows);
    out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    QList<std::int64_t> points;
    for (const NewRuleMark& m : out.newMarks) {
        EXPECT_EQ(m.chart, LimitChart::Centre);
        EXPECT_EQ(m.rules, "R4+");
        EXPECT_EQ(m.value, 10.2);
        ASSERT_TRUE(m.time.has_value());
        EXPECT_EQ(m.time->minute, int(m.point - 1) % 60);
        EXPECT_EQ(m.serials, QStringList { QStringLiteral("SN%1").arg(m.point - 1, 5, 10, QChar('0')) });
        points << m.point;
    }
    EXPECT_EQ(points, (QList<std::int64_t> { 41, 42, 43, 44, 45, 46, 47, 48, 49, 50 }));

    out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    EXPECT_TRUE(out.newMarks.empty());
    EXPECT_EQ(out.plot.pointCount, 51);
}

// A shift moves the recomputed centre line: the chart marks the old points below it as a plot from the
// start does, but only marks that a window of the new points reaches are raised.
TEST(LivePlot, MarksThatOnlyRecomputedLimitsPutOnOldPointsAreNotRaised)
{
    Fixture f(QStringLiteral("Individual-MR"));
    f.state.gRulesSetup = QString(66, QChar('0'));
    f.state.gRulesSetup[6 * int(RuleGroup::R4Lower) + kColumnIndividual - 1] = QChar('1');
    Writer writer(f.path);
    QList<test::ResultRow> rows;
    for (int i = 0; i < 60; ++i)
        rows << Unit(i, 60 * i, Noise(i));
    writer.append(rows);
    ASSERT_TRUE(f.connect());
    LivePlot live;
    LiveOutcome out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);

    rows.clear();
    for (int i = 60; i < 120; ++i)
        rows << Unit(i, 60 * i, Noise(i) + 2);
    rows << Unit(120, 60 * 120, 10.0);
    writer.append(rows);
    out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    ASSERT_TRUE(out.plot.rules.centre[0] & kR4Below) << "the old points lie below the new centre";
    ASSERT_FALSE(out.newMarks.empty());
    // The read left the points of the units more than ten minutes before the last one as they were: 49.
    // The first point a window of the others reaches is point 50 - 13.
    for (const NewRuleMark& m : out.newMarks)
        EXPECT_GE(m.point, 50 - std::int64_t(kLongestRuleWindow - 1)) << m.rules.toStdString();
    EXPECT_EQ(out.newMarks.front().point, 37);
}

// A unit uploaded further back than the overlap is found by the count of the rows before it, and the chart
// is plotted again from the start; the marks raised before are not raised again. The same for a product.
TEST(LivePlot, RowFurtherBackThanTheOverlapBringsAPlotFromTheStart)
{
    Fixture f(QStringLiteral("Individual-MR"));
    f.state.gRulesSetup = QString(66, QChar('0'));
    f.state.gRulesSetup[6 * int(RuleGroup::R1Upper) + kColumnIndividual - 1] = QChar('1');
    Writer writer(f.path);
    QList<test::ResultRow> rows;
    for (int i = 0; i < 60; ++i)
        rows << Unit(i, 60 * i, i == 12 ? 12.0 : Noise(i));
    writer.append(rows);
    ASSERT_TRUE(f.connect());
    LivePlot live(300);
    LiveProduct product({ f.sel }, 300);
    ASSERT_FALSE(live.Refresh(f.state, f.chart, f.sel, f.host).failure);
    ASSERT_TRUE(product.Refresh(f.state, f.host).changed);
    // A read of the rows it holds leaves the state to keep as it was; late rows within the overlap change it.
    EXPECT_FALSE(product.Refresh(f.state, f.host).changed);
    writer.append({ Unit(60, 60 * 59 - 299, 10.0), Unit(61, 60 * 59 - 299, 10.0) });
    LiveOutcome out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    EXPECT_FALSE(out.fromStart) << "rows within the overlap need no plot from the start";
    ProductRead read = product.Refresh(f.state, f.host);
    ASSERT_FALSE(read.failure);
    EXPECT_FALSE(read.fromStart);
    EXPECT_TRUE(read.changed);
    EXPECT_FALSE(product.Refresh(f.state, f.host).changed);

    // A unit of ten minutes in, and an outlier after the last.
    writer.append({ Unit(62, 60 * 10 + 10, 10.0), Unit(63, 60 * 59 + 30, 14.0) });
    out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    EXPECT_TRUE(out.fromStart);
    const FullPlot full = PlotFromStart(f);
    EXPECT_EQ(full.outcome.records, 64);
    ExpectSamePlot(f.chart, out.plot, full);
    read = product.Refresh(f.state, f.host);
    ASSERT_FALSE(read.failure);
    EXPECT_TRUE(read.fromStart);
    EXPECT_TRUE(read.changed);
    ExpectSamePlot(product.chart(0), product.outcome(0), full);
    // Point 13's mark, taken as seen at the first read, moved to point 14 with the unit read before it: it
    // is not raised again; the outlier is.
    ASSERT_TRUE(full.outcome.rules.centre[13] & kR1Above);
    ASSERT_EQ(out.newMarks.size(), 1u);
    EXPECT_EQ(out.newMarks.front().point, 64);
    EXPECT_EQ(out.newMarks.front().rules, "R1+");
    EXPECT_EQ(MarkLines(read), QStringList { "0 " + MarkLine(out.newMarks.front()) });
}

// The late-row count through the start-time index or with the table scanned: after a count that was not cheap
// the other plan is tried, then the cheaper kept; both find a late row and only a late row.
TEST(LivePlot, LateRowCountGivesTheSameAnswerWithEitherPlan)
{
    LateRowCheck plan;
    EXPECT_FALSE(plan.scan());
    plan.done(0, 500, false); // the index took 500 ms: the scan is tried
    EXPECT_TRUE(plan.scan());
    plan.done(1000, 1200, true);
    EXPECT_TRUE(plan.scan());
    plan.done(2000, 2900, true); // the scan now dearer than the index was
    EXPECT_FALSE(plan.scan());
    plan.done(3000, 3005, false);
    EXPECT_FALSE(plan.scan());
    LateRowCheck noChoice;
    noChoice.done(0, 500);
    EXPECT_FALSE(noChoice.scan());

    Fixture f(QStringLiteral("Individual-MR"));
    Writer writer(f.path);
    writer.append(UnitsAMinuteApart(60));
    ASSERT_TRUE(f.connect());
    const auto statement = [&](const QString& interval) { return ProductReadingsSQL(f.state, f.sel, 1, interval); };
    const std::optional<WallTime> from = ParseIsoWallTime(kT0.addSecs(60 * 50).toString(Qt::ISODate).toStdString());
    ASSERT_TRUE(from);
    for (const bool scan : { false, true }) {
        SCOPED_TRACE(scan ? "scanned" : "through the index");
        LateRowCheck check;
        if (scan)
            check.done(0, 500, false);
        ASSERT_EQ(check.scan(), scan);
        bool late = true;
        // Units 0 to 49 lie before the second the read starts in.
        ASSERT_FALSE(FindLateRows(f.state, f.sel.range, {}, *from, 50, statement, check, late));
        EXPECT_FALSE(late);
        EXPECT_EQ(check.scan(), scan) << "a cheap count keeps its plan";
        ASSERT_FALSE(FindLateRows(f.state, f.sel.range, {}, *from, 49, statement, check, late));
        EXPECT_TRUE(late);
    }
}

// A read takes the rows from the second the overlap starts in: those of that second before the overlap
// were read before and are not counted twice.
TEST(LivePlot, RowsOfTheSecondBeforeTheOverlapAreNotCountedTwice)
{
    Fixture f(QStringLiteral("Individual-MR"));
    Writer writer(f.path);
    QList<test::ResultRow> rows;
    for (const auto& [i, ms] :
        { std::pair { 0, 100 }, std::pair { 1, 2200 }, std::pair { 2, 2500 }, std::pair { 3, 3300 } })
        rows << test::ResultRow { QStringLiteral("SN%1").arg(i), "ATE-01", kT0.addMSecs(ms), { 10.0 + i } };
    writer.append(rows);
    ASSERT_TRUE(f.connect());
    LivePlot live(1);
    ASSERT_FALSE(live.Refresh(f.state, f.chart, f.sel, f.host).failure);
    writer.append({ test::ResultRow { "SN4", "ATE-01", kT0.addMSecs(4000), { 9.0 } } });
    const LiveOutcome out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure);
    ExpectSamePlot(f.chart, out.plot, PlotFromStart(f));
    EXPECT_EQ(out.plot.records, 5);
}

// The page a person looks at is kept; the last page, when it was shown, is followed.
TEST(LivePlot, PageIsKeptOrFollowsTheLastPage)
{
    Fixture f(QStringLiteral("Individual-MR"));
    Writer writer(f.path);
    writer.append(UnitsAMinuteApart(200));
    ASSERT_TRUE(f.connect());
    LivePlot live;
    ASSERT_FALSE(live.Refresh(f.state, f.chart, f.sel, f.host).failure);
    ASSERT_EQ(f.chart.pageCount(), 3);
    f.chart.setPage(2);
    writer.append({ Unit(200, 60 * 200, 10.0), Unit(201, 60 * 201, 10.0), Unit(202, 60 * 202, 10.0),
        Unit(203, 60 * 203, 10.0), Unit(204, 60 * 204, 10.0) });
    ASSERT_FALSE(live.Refresh(f.state, f.chart, f.sel, f.host).failure);
    EXPECT_EQ(f.chart.currentPage(), 2);
    f.chart.setPage(3);
    QList<test::ResultRow> more;
    for (int i = 205; i < 260; ++i)
        more << Unit(i, 60 * i, Noise(i));
    writer.append(more);
    ASSERT_FALSE(live.Refresh(f.state, f.chart, f.sel, f.host).failure);
    EXPECT_EQ(f.chart.pageCount(), 4);
    EXPECT_EQ(f.chart.currentPage(), 4);
}

// A read that fails leaves the chart as the read before drew it; the next read goes on from there.
TEST(LivePlot, FailedReadKeepsTheChartAndTheNextReadGoesOn)
{
    Fixture f(QStringLiteral("X-Bar-R"));
    Writer writer(f.path);
    QList<test::ResultRow> rows;
    for (int i = 0; i < 30; ++i)
        rows << Unit(i, 60 * i, Noise(i));
    writer.append(rows, false);
    ASSERT_TRUE(f.connect());
    LivePlot live;
    ASSERT_FALSE(live.Refresh(f.state, f.chart, f.sel, f.host).failure);
    const int points = f.chart.series[kSeriesXBar].count();
    const QString moved = f.path + ".away";
    // The file goes away (a share unmounted): the connection made again finds none.
    ASSERT_TRUE(QFile::rename(f.path, moved));
    LiveOutcome out = live.Refresh(f.state, f.chart, f.sel, f.host);
    EXPECT_TRUE(out.failure);
    EXPECT_EQ(f.chart.series[kSeriesXBar].count(), points);
    ASSERT_TRUE(QFile::rename(moved, f.path));
    writer.append({ Unit(30, 1800, 10.0), Unit(31, 1860, 10.0), Unit(32, 1920, 10.0), Unit(33, 1980, 10.0),
                      Unit(34, 2040, 10.0) },
        false);
    out = live.Refresh(f.state, f.chart, f.sel, f.host);
    ASSERT_FALSE(out.failure) << qPrintable(out.failure->description);
    ExpectSamePlot(f.chart, out.plot, PlotFromStart(f));
}

} // namespace
