// Screening: figures worked by hand, readings skipped as the chart statements skip them, the tester
// comparison, and rule hits equal to the marks of the X-Bar chart the main window plots.
#include "common/rounding.h"
#include "data/access/connection.h"
#include "data/config/querybuilder.h"
#include "data/loader/tempfiles.h"
#include "plothost.h"
#include "resultstable.h"
#include "screening/screening.h"
#include "testsupport.h"
#include "variables/spcconstants.h"
#include "variables/variableschart.h"
#include "variables/variablesplot.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace moldrin;
using namespace moldrin::data;
using namespace moldrin::screening;
using moldrin::test::Near;

namespace
{

const double kNaN = std::nan("");

struct Row {
    explicit Row(QString testerName = {}, QList<double> readings = {})
        : tester(std::move(testerName))
        , values(std::move(readings))
    {
    }
    QString tester;
    QList<double> values; // NaN: null
    QString verdict = QStringLiteral("PASS");
    int second = -1; // start time offset; -1: one minute after the row before
    QString serial; // "": SN + row number
};

// A results table `Results` with the parameter columns `columns`, in a SQLite file.
QString MakeDatabase(const QTemporaryDir& dir, const QStringList& columns, const QList<Row>& rows)
{
    const QString path = dir.filePath("results.db");
    QList<test::ResultRow> written;
    const QDateTime t0(QDate(2026, 11, 1), QTime(8, 0));
    for (int i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        written << test::ResultRow { r.serial.isEmpty() ? QStringLiteral("SN%1").arg(i, 4, 10, QChar('0')) : r.serial,
            r.tester, t0.addSecs(r.second >= 0 ? r.second : 60 * i), r.values, r.verdict };
    }
    EXPECT_EQ(test::WriteResultsTable(path, columns, written), "");
    return path;
}

class Host : public ScreenHost
{
public:
    ScriptedPrompt scripted;
    QList<long> progress;
    AppState* stopIn = nullptr; // sets gStopPlot at the first progress call with rows
    Prompt& prompt() override { return scripted; }
    void Progress(long rows) override
    {
        progress << rows;
        if (stopIn && rows > 0)
            stopIn->gStopPlot = true;
    }
};

struct Fixture {
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    Host host;
    PlotSelection sel;

    // `limits`: per column {LSL, USL}.
    Fixture(const QStringList& columns, const QList<std::pair<double, double>>& limits, const QList<Row>& rows)
    {
        EXPECT_TRUE(test::ConnectResults(state, MakeDatabase(dir, columns, rows)));
        state.gParamColumn = columns;
        for (const auto& [lsl, usl] : limits) {
            state.gLSL << lsl;
            state.gUSL << usl;
        }
        for (const QString& c : columns) {
            state.gParamName << c + " name";
            state.gSpecField4 << "V";
        }
        state.gSampleSize = 5;
        sel.product = "PSU-100";
        sel.range = "All";
        sel.chartType = kChartXBarR;
        sel.query.acceptZero = false;
    }
    ScreenResult screen()
    {
        QStringList items;
        for (const QString& c : state.gParamColumn)
            items << c + " item";
        return ScreenParameters(state, sel, items, host);
    }
    // The rows and the mean of the main chart statement GetSQL writes for one parameter.
    std::pair<long, double> chartStatementRows(int parameter)
    {
        Recordset rs;
        const QString sql = GetSQL(state, sel.query, state.gParamColumn[parameter], sel.range, sel.tester,
            state.gColTestStartTime + ", " + state.gColATEID, sel.serialFilter.toUpper(),
            PassCondition(state, sel.passOnly), sel.lastDataOnly);
        EXPECT_FALSE(rs.Open(sql, *state.gConnection));
        long rows = 0;
        double sum = 0;
        for (; !rs.Eof(); rs.MoveNext(), ++rows)
            sum += rs.Fields("ValueX").value.toDouble();
        return { rows, rows ? sum / double(rows) : 0.0 };
    }
};

const ParameterScreen& ByColumn(const ScreenResult& r, const QString& column)
{
    for (const ParameterScreen& p : r.parameters)
        if (p.column == column)
            return p;
    static const ParameterScreen none;
    ADD_FAILURE() << "no parameter " << column.toStdString();
    return none;
}

void ExpectFigure(const Figure& f, double expected, const char* what)
{
    ASSERT_TRUE(f.isNumber()) << what;
    EXPECT_CLOSE(f.value(), expected) << what;
}

void ExpectNA(const Figure& f, const char* what)
{
    EXPECT_TRUE(f.isNA()) << what;
}

// A, B and C carry the same readings 8, 10, 12, 10, 14, 6 against both limits, the USL only and no limit.
// Mean 10, squared deviations 40: SD sqrt(8) = 2.8284. Moving ranges 2, 2, 2, 4, 8: MR-bar 3.6, estSigma
// 3.6 / 1.128 = 3.1915. With LSL 4, USL 13: Cp 9 / (6 * 3.1915) = 0.47, CpU 3 / (3 * 3.1915) = 0.3133,
// CpL 6 / (3 * 3.1915) = 0.6267, CpK 0.3133; Pp 9 / (6 * 2.8284) = 0.5303, PpK 3 / (3 * 2.8284) = 0.3536.
// 14 lies above 13: one reading out of six, 166,666.6667 ppm.
const QList<double> kA { 8, 10, 12, 10, 14, 6 };

// Rows of ATE-01 and ATE-02 taking turns, one value list per parameter column.
QList<Row> Rows(const QList<QList<double>>& columns)
{
    QList<Row> rows;
    for (int i = 0; i < columns[0].size(); ++i) {
        Row r(i % 2 ? "ATE-02" : "ATE-01");
        for (const QList<double>& c : columns)
            r.values << c[i];
        rows << r;
    }
    return rows;
}

QList<Row> HandWorkedRows()
{
    const QList<double> d { 5, 5, 5, 5, 5, 5 };
    const QList<double> e { 7, kNaN, 999, -999, 0, 8 };
    const QList<double> f { kNaN, kNaN, 3, kNaN, kNaN, kNaN };
    const QList<double> g(6, kNaN);
    return Rows({ kA, kA, kA, d, e, f, g });
}

} // namespace

TEST(Screening, HandWorkedFiguresAndEveryNACase)
{
    Fixture fx({ "A", "B", "C", "D", "E", "F", "G" },
        { { 4, 13 }, { -999, 13 }, { -999, 999 }, { 4, 6 }, { -999, 999 }, { 0, 10 }, { 0, 10 } }, HandWorkedRows());
    const ScreenResult r = fx.screen();
    ASSERT_TRUE(r.completed);
    EXPECT_TRUE(fx.host.scripted.messages.isEmpty());
    EXPECT_EQ(r.records, 6);
    EXPECT_EQ(r.testers, (QStringList { "ATE-01", "ATE-02" }));
    ASSERT_EQ(r.parameters.size(), 7);

    const ParameterScreen& a = ByColumn(r, "A");
    EXPECT_EQ(a.item, "A item");
    EXPECT_EQ(a.name, "A name");
    EXPECT_EQ(a.n, 6);
    ExpectFigure(a.mean, 10, "mean");
    ExpectFigure(a.stdDev, 2.8284, "stdDev");
    ExpectFigure(a.estSigma, 3.1915, "estSigma");
    ExpectFigure(a.cp, 0.47, "Cp");
    ExpectFigure(a.cpk, 0.3133, "CpK");
    ExpectFigure(a.pp, 0.5303, "Pp");
    ExpectFigure(a.ppk, 0.3536, "PpK");
    EXPECT_EQ(a.outOfSpec, 1);
    ExpectFigure(a.ppm, 166666.6667, "ppm");
    ExpectFigure(a.lsl, 4, "LSL");
    ExpectFigure(a.usl, 13, "USL");
    // Testers: ATE-01 read 8, 12, 14 (mean 11.3333, SD 3.0551), ATE-02 10, 10, 6 (8.6667, 2.3094).
    ASSERT_EQ(a.testers.size(), 2);
    EXPECT_EQ(a.testers[0].tester, "ATE-01");
    EXPECT_EQ(a.testers[0].n, 3);
    ExpectFigure(a.testers[0].mean, 11.3333, "tester mean");
    ExpectFigure(a.testers[0].stdDev, 3.0551, "tester SD");
    ExpectFigure(a.testers[1].mean, 8.6667, "tester mean");
    ExpectFigure(a.testers[1].stdDev, 2.3094, "tester SD");
    EXPECT_EQ(a.subgroups, 1); // six readings, groups of five

    // Only the USL: Cp and Pp need both limits; CpK is CpU, PpK is PpU.
    const ParameterScreen& b = ByColumn(r, "B");
    ExpectNA(b.cp, "Cp");
    ExpectFigure(b.cpk, 0.3133, "CpK");
    ExpectNA(b.pp, "Pp");
    ExpectFigure(b.ppk, 0.3536, "PpK");
    ExpectNA(b.lsl, "LSL");
    EXPECT_EQ(b.outOfSpec, 1);

    // No limit: no capability, no reading counted as out of its limits.
    const ParameterScreen& c = ByColumn(r, "C");
    for (const Figure* f : { &c.cp, &c.cpk, &c.pp, &c.ppk, &c.lsl, &c.usl })
        ExpectNA(*f, "capability without limits");
    EXPECT_EQ(c.outOfSpec, 0);
    ExpectFigure(c.ppm, 0, "ppm");
    ExpectFigure(c.stdDev, 2.8284, "stdDev");

    // Equal readings: sigma 0, so no index, as the panel shows.
    const ParameterScreen& d = ByColumn(r, "D");
    ExpectFigure(d.stdDev, 0, "stdDev");
    ExpectFigure(d.estSigma, 0, "estSigma");
    for (const Figure* f : { &d.cp, &d.cpk, &d.pp, &d.ppk })
        ExpectNA(*f, "capability at sigma 0");

    // Null, 999, -999 and 0 (Accept Zero unchecked) are skipped: 7 and 8 remain.
    const ParameterScreen& e = ByColumn(r, "E");
    EXPECT_EQ(e.n, 2);
    ExpectFigure(e.mean, 7.5, "mean");
    ExpectFigure(e.stdDev, 0.7071, "stdDev");
    ExpectFigure(e.estSigma, 0.8865, "estSigma");
    EXPECT_EQ(e.subgroups, 0);
    ExpectNA(e.ucl, "UCL without a subgroup");

    // One reading: a mean, no spread.
    const ParameterScreen& f = ByColumn(r, "F");
    EXPECT_EQ(f.n, 1);
    ExpectFigure(f.mean, 3, "mean");
    for (const Figure* x : { &f.stdDev, &f.estSigma, &f.cp, &f.cpk, &f.pp, &f.ppk, &f.testerP })
        ExpectNA(*x, "one reading");
    ASSERT_EQ(f.testers.size(), 1);
    ExpectNA(f.testers[0].stdDev, "one reading of a tester");

    // No reading at all.
    const ParameterScreen& g = ByColumn(r, "G");
    EXPECT_EQ(g.n, 0);
    for (const Figure* x : { &g.mean, &g.stdDev, &g.estSigma, &g.cpk, &g.ppm, &g.testerP })
        ExpectNA(*x, "no reading");
    EXPECT_TRUE(g.testers.isEmpty());

    // Ranked by CpK, "N/A" last in list order: A and B (0.3133, list order kept), then C, D, E, F, G.
    QStringList order;
    for (const ParameterScreen& p : r.parameters)
        order << p.column;
    EXPECT_EQ(order, (QStringList { "A", "B", "C", "D", "E", "F", "G" }));
    EXPECT_EQ(r.parameters[0].index, 0);

    // With Accept Zero the 0 of E is a reading.
    fx.sel.query.acceptZero = true;
    EXPECT_EQ(ByColumn(fx.screen(), "E").n, 3);
}

// For every selection the screen keeps, per parameter, exactly the readings of that parameter's chart
// statement: same count, same mean.
TEST(Screening, ReadingsAreThoseOfEachParametersChartStatement)
{
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<int> pick(0, 19);
    std::normal_distribution<double> normal(0, 1);
    QList<Row> rows;
    for (int i = 0; i < 300; ++i) {
        Row r;
        r.tester = QStringList { "ATE-01", "ATE-02", "ATE-03" }[i % 3];
        r.verdict = pick(rng) < 3 ? "FAIL" : "PASS";
        // Every tenth row repeats serial number, tester and start time of the row before: the last-data
        // forms merge the two.
        if (i % 10 == 9) {
            r.serial = rows.last().serial;
            r.tester = rows.last().tester;
            r.second = rows.last().second;
        } else {
            r.serial = QStringLiteral("SN%1").arg(i);
            r.second = 60 * i;
        }
        for (int c = 0; c < 3; ++c) {
            const int k = pick(rng);
            r.values << (k == 0 ? kNaN : k == 1 ? 999 : k == 2 ? -999 : k == 3 ? 0 : 5 + c + normal(rng));
        }
        rows << r;
    }
    Fixture fx({ "P1", "P2", "P3" }, { { 4, 6 }, { -999, 8 }, { -999, 999 } }, rows);
    for (bool acceptZero : { false, true })
        for (bool lastData : { false, true })
            for (bool passOnly : { false, true })
                for (const QString& tester : { QString(), QStringLiteral("ATE-02") }) {
                    fx.sel.query.acceptZero = acceptZero;
                    fx.sel.lastDataOnly = lastData;
                    fx.sel.passOnly = passOnly;
                    fx.sel.tester = tester;
                    const ScreenResult r = fx.screen();
                    ASSERT_TRUE(r.completed);
                    for (int i = 0; i < 3; ++i) {
                        const auto [n, mean] = fx.chartStatementRows(i);
                        const ParameterScreen& p = ByColumn(r, fx.state.gParamColumn[i]);
                        SCOPED_TRACE(QStringLiteral("zero %1 last %2 pass %3 tester %4 column %5")
                                         .arg(acceptZero)
                                         .arg(lastData)
                                         .arg(passOnly)
                                         .arg(tester, p.column)
                                         .toStdString());
                        EXPECT_EQ(p.n, n);
                        ExpectFigure(p.mean, Round4(mean), "mean");
                    }
                }
}

TEST(Screening, StatementOfEveryParameterWithTheChartStatementsPieces)
{
    AppState state { QString() };
    state.gTableName = "Results";
    state.gDataSourceKind = "ACCESS";
    state.gParamColumn = { "V1", "V2" };
    PlotSelection sel;
    sel.range = "Today";
    sel.tester = "ATE 3";
    sel.serialFilter = "sn7";
    sel.passOnly = true;
    sel.query.today = QDate(2026, 12, 6);
    sel.query.testIdText = "FT2";
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    const QString where = " FROM Results WHERE [PassFail] = 'PASS' AND [ATEID] = 'ATE 3' AND [SerialNumber] = 'SN7' "
                          "AND [TestStartTime] BETWEEN #06/Dec/2026# AND #06/Dec/2026 23:59:59# AND [TestID] = 'FT2' ";
    EXPECT_EQ(ScreenStatement(state, sel, 2),
        "SELECT [ATEID] AS ATEX, CASE WHEN [V1] IS NOT NULL AND [V1] <> 999 AND [V1] <> -999 AND [V1] <> 0 THEN "
        "[V1] END AS Value1, CASE WHEN [V2] IS NOT NULL AND [V2] <> 999 AND [V2] <> -999 AND [V2] <> 0 THEN "
        "[V2] END AS Value2"
            + where + "ORDER BY [TestStartTime], [ATEID];");
    // Only the parameters of the list: a Spec section read in part leaves empty slots behind them.
    state.gParamColumn << QString();
    EXPECT_FALSE(ScreenStatement(state, sel, 2).contains("[]"));
    EXPECT_FALSE(ScreenStatement(state, sel, 1).contains("[V2]"));
    sel.lastDataOnly = true;
    sel.query.acceptZero = true;
    EXPECT_EQ(ScreenStatement(state, sel, 2),
        "SELECT [ATEID] AS ATEX, MAX(CASE WHEN [V1] IS NOT NULL AND [V1] <> 999 AND [V1] <> -999 THEN [V1] END) "
        "AS Value1, MAX(CASE WHEN [V2] IS NOT NULL AND [V2] <> 999 AND [V2] <> -999 THEN [V2] END) AS Value2"
            + where + "GROUP BY [SerialNumber], [ATEID], [TestStartTime] ORDER BY [TestStartTime], [ATEID];");
    QLocale::setDefault(QLocale::system());
}

namespace
{

// Readings of `testers` testers taking turns, normal with sigma 1, tester 1 offset by `offset`.
ParameterScreen Testers(int testers, int perTester, double offset, unsigned seed)
{
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> normal(100, 1);
    ParameterAccumulator acc(kNoLowerLimit, kNoUpperLimit, kChartXBarR, 5);
    ScriptedPrompt prompt;
    for (int i = 0; i < testers * perTester; ++i) {
        const int t = i % testers;
        acc.add(normal(rng) + (t == 1 ? offset : 0.0), t);
    }
    const ParameterScreen p = acc.finish({ "T0", "T1", "T2", "T3" }, kDefaultRulesSetup, prompt);
    EXPECT_TRUE(prompt.messages.isEmpty());
    return p;
}

} // namespace

TEST(Screening, TesterComparison)
{
    // Hand-worked analysis of variance: {1, 2, 3} and {4, 5, 6}: SSB 13.5, SSW 4, F = 13.5 on 1 and 4
    // degrees of freedom, p = 1 - t (t² + 6) / (t² + 4)^1.5 with t² = 13.5: 0.0213116411.
    ParameterAccumulator small(kNoLowerLimit, kNoUpperLimit, kChartXBarR, 5);
    ScriptedPrompt prompt;
    for (double x : { 1, 2, 3 })
        small.add(x, 0);
    for (double x : { 4, 5, 6 })
        small.add(x, 1);
    const ParameterScreen s = small.finish({ "T0", "T1" }, kDefaultRulesSetup, prompt);
    ExpectFigure(s.testerP, 0.0213116411287565, "p");
    // p is above 0.001: not flagged, although the means lie 3 apart (estSigma 1 / 1.128).
    EXPECT_FALSE(s.testerDiffers);

    // The same readings times 2^1000 (6e301: their squares overflow): the same p, and their spread.
    ParameterAccumulator large(kNoLowerLimit, kNoUpperLimit, kChartXBarR, 5);
    for (int i = 1; i <= 6; ++i)
        large.add(i * 0x1p1000, i <= 3 ? 0 : 1);
    const ParameterScreen l = large.finish({ "T0", "T1" }, kDefaultRulesSetup, prompt);
    ASSERT_TRUE(l.testerP.isNumber());
    EXPECT_EQ(l.testerP.value(), s.testerP.value());
    ASSERT_TRUE(l.stdDev.isNumber());
    EXPECT_CLOSE(l.stdDev.value(), std::sqrt(3.5) * 0x1p1000, 1e-12);

    // ±1e308: the moving ranges (2e308) lie beyond the largest double, sigma within it.
    ParameterAccumulator far(1.0, -1.0, kChartXBarR, 2);
    for (int i = 0; i < 8; ++i)
        far.add(i % 2 ? -1e308 : 1e308, 0);
    const ParameterScreen f = far.finish({ "T0" }, kDefaultRulesSetup, prompt);
    ASSERT_TRUE(f.estSigma.isNumber());
    EXPECT_CLOSE(f.estSigma.value(), 1e308 / SpcRow(2)->d2 * 2, 1e-12);

    // One tester reading two sigma high among four: found.
    const ParameterScreen offset = Testers(4, 250, 2.0, 1);
    ASSERT_TRUE(offset.testerP.isNumber());
    EXPECT_LT(offset.testerP.value(), 1e-12);
    EXPECT_TRUE(offset.testerDiffers);
    ASSERT_EQ(offset.testers.size(), 4);
    EXPECT_EQ(offset.testers[1].tester, "T1");
    EXPECT_GT(offset.testers[1].mean.value() - offset.testers[0].mean.value(), 1.5);

    // The same distribution on every tester: not flagged, for several samples.
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const ParameterScreen same = Testers(4, 250, 0.0, seed);
        ASSERT_TRUE(same.testerP.isNumber());
        EXPECT_GT(same.testerP.value(), 0.001) << seed;
        EXPECT_FALSE(same.testerDiffers) << seed;
    }

    // A small offset on many readings is significant but less than one sigma: not flagged.
    const ParameterScreen slight = Testers(4, 5000, 0.3, 3);
    EXPECT_LT(slight.testerP.value(), 0.001);
    EXPECT_FALSE(slight.testerDiffers);

    // One tester only: no comparison.
    const ParameterScreen one = Testers(1, 100, 0.0, 2);
    ExpectNA(one.testerP, "one tester");
    EXPECT_FALSE(one.testerDiffers);
}

TEST(Screening, StandardDeviationStaysExactFarFromZero)
{
    // 2,400,000,000 Hz ± 100: running sums of x and x² would lose every digit.
    ParameterAccumulator acc(kNoLowerLimit, kNoUpperLimit, kChartXBarR, 5);
    ScriptedPrompt prompt;
    for (double d : { -100.0, 0.0, 100.0, 0.0 })
        acc.add(2.4e9 + d, 0);
    const ParameterScreen p = acc.finish({ "T0" }, kDefaultRulesSetup, prompt);
    ExpectFigure(p.stdDev, 81.6497, "stdDev"); // sqrt(20000 / 3)
    ExpectFigure(p.mean, 2.4e9, "mean");
}

namespace
{

// The rule codes the main window's X-Bar chart marks, counted per rule as the screen counts them.
std::array<std::int64_t, kRuleHitCount> PlottedRuleHits(Fixture& fx, const QString& chartType)
{
    test::RecordingHost host;
    ChartModel chart = BuildVariablesChartTemplate();
    PlotSelection s = fx.sel;
    s.parameterIndex = 0;
    s.parameterItem = "P";
    s.chartType = chartType;
    s.showZones = true;
    s.uslText = "N/A";
    s.lslText = "N/A";
    const VariablesPlotOutcome out = PlotVariablesChart(fx.state, chart, s, host);
    EXPECT_TRUE(out.plotted);
    EXPECT_TRUE(host.scripted.messages.isEmpty());
    QMap<int, QString> marks;
    for (int series : { kSeriesUpArrow, kSeriesDownArrow })
        for (const ChartPoint& p : chart.series[series].points)
            marks[int(p.x)] += p.label + ",";
    std::array<std::int64_t, kRuleHitCount> hits {};
    for (const QString& m : marks)
        for (int r = 0; r < kRuleHitCount; ++r)
            if (m.contains(QStringLiteral("R%1").arg(r + 1)))
                ++hits[std::size_t(r)];
    return hits;
}

} // namespace

TEST(Screening, RuleHitsAreTheMarksOfTheXBarChart)
{
    // A process with a shift, a slow rise, a run of equal readings and alternating subgroups: every rule
    // has something to find.
    std::mt19937_64 rng(11);
    std::normal_distribution<double> normal(0, 1);
    QList<Row> rows;
    for (int i = 0; i < 700; ++i) {
        double v = 50 + normal(rng);
        if (i >= 150 && i < 230)
            v += 2.5; // a shift
        if (i >= 300 && i < 345)
            v = 47 + 0.15 * (i - 300) + 0.05 * normal(rng); // a rise
        if (i >= 400 && i < 450)
            v = 50.5; // equal readings
        if (i >= 500 && i < 600)
            v = 50 + ((i / 5) % 2 ? 1.2 : -1.2) + 0.1 * normal(rng); // subgroups alternating
        if (i == 650)
            v += 12; // an outlier
        rows << Row(i % 3 ? "ATE-01" : "ATE-02", { v });
    }
    Fixture fx({ "P" }, { { -999, 999 } }, rows);
    qputenv("TEMP", fx.dir.path().toLocal8Bit());
    PrepareTempFiles(fx.state);
    struct Case {
        QString chartType;
        int size;
        QString setup;
    };
    // The default set-up, and one with only R1+ on X-Bar charts and R4 both sides: the stored set-up counts.
    QString some(66, '0');
    some[6 * 0 + 1] = '1';
    some[6 * 6 + 1] = '1';
    some[6 * 7 + 1] = '1';
    const QList<Case> cases { { kChartXBarR, 5, kDefaultRulesSetup }, { kChartXBarS, 5, kDefaultRulesSetup },
        { kChartXBarRMedianS, 5, kDefaultRulesSetup }, { kChartXBarR, 3, some } };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chartType.toStdString() + " " + std::to_string(c.size));
        fx.state.gSampleSize = c.size;
        fx.state.gRulesSetup = c.setup;
        fx.sel.chartType = c.chartType;
        const ScreenResult r = fx.screen();
        ASSERT_TRUE(r.completed);
        EXPECT_EQ(r.chartType, c.chartType);
        const auto expected = PlottedRuleHits(fx, c.chartType);
        EXPECT_EQ(r.parameters[0].ruleHits, expected);
        EXPECT_EQ(r.parameters[0].subgroups, 700 / c.size);
        if (&c == &cases.front()) {
            for (int k = 0; k < kRuleHitCount; ++k)
                EXPECT_GT(expected[std::size_t(k)], 0) << "R" << k + 1;
        } else if (c.setup != kDefaultRulesSetup) {
            EXPECT_EQ(expected[1] + expected[2] + expected[4] + expected[5] + expected[6], 0);
            EXPECT_GT(expected[0] * expected[3], 0);
        }
    }

    // A Median chart has no X-Bar series: the screen counts the marks of X-Bar-R.
    fx.state.gSampleSize = 5;
    fx.state.gRulesSetup = kDefaultRulesSetup;
    fx.sel.chartType = kChartMedianR;
    const ScreenResult median = fx.screen();
    EXPECT_EQ(median.chartType, kChartXBarR);
    EXPECT_EQ(median.parameters[0].ruleHits, PlottedRuleHits(fx, kChartXBarR));
}

TEST(Screening, ProgressStopAndAFailedRead)
{
    QList<Row> rows;
    for (int i = 0; i < 10000; ++i)
        rows << Row("ATE-01", { double(i % 7) });
    Fixture fx({ "P" }, { { -999, 999 } }, rows);
    ScreenResult r = fx.screen();
    ASSERT_TRUE(r.completed);
    EXPECT_EQ(r.records, 10000);
    EXPECT_EQ(fx.host.progress.mid(fx.host.progress.indexOf(4096)), (QList<long> { 4096, 8192 }));

    fx.host.stopIn = &fx.state;
    r = fx.screen();
    EXPECT_TRUE(r.stopped);
    EXPECT_FALSE(r.completed);
    EXPECT_TRUE(r.parameters.isEmpty());
    EXPECT_TRUE(fx.host.scripted.messages.isEmpty());
    fx.host.stopIn = nullptr;

    // A column the table lacks: the subgroup loader's message, and no figures.
    fx.state.gParamColumn = { "NOPE" };
    r = fx.screen();
    EXPECT_FALSE(r.completed);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(fx.host.scripted.texts(), QStringList { "Invalid data in 'ATE.ini' or 'Products.ini'.  " });
}

TEST(Screening, TestersAreNamedWithoutRegardToCaseAndBlanks)
{
    QList<Row> rows;
    for (const char* tester : { "ATE-02", "ate-02", " ATE-02 ", "ATE-01", "Ate-01", "ATE-10" })
        rows << Row(tester, { 1.0 + rows.size() });
    Fixture fx({ "P" }, { { -999, 999 } }, rows);
    const ScreenResult r = fx.screen();
    ASSERT_TRUE(r.completed);
    EXPECT_EQ(r.testers, (QStringList { "ATE-01", "ATE-02", "ATE-10" }));
    const QList<TesterFigures>& t = r.parameters[0].testers;
    ASSERT_EQ(t.size(), 3);
    EXPECT_EQ(t[0].n, 2);
    ExpectFigure(t[0].mean, 4.5, "ATE-01 reads 4 and 5");
    EXPECT_EQ(t[1].n, 3);
    EXPECT_EQ(t[2].n, 1);
}

TEST(Screening, CsvShape)
{
    Fixture fx({ "A", "C" }, { { 4, 13 }, { -999, 999 } }, Rows({ kA, kA }));
    fx.state.gParamName[0] = "Output, \"5V\"";
    const ScreenResult r = fx.screen();
    ASSERT_TRUE(r.completed);
    const QStringList lines = QString::fromUtf8(ScreenCsv(r)).split('\n');
    ASSERT_EQ(lines.size(), 4); // header, two parameters, the empty rest after the last LF
    EXPECT_EQ(lines[0],
        "parameter,name,column,unit,LSL,USL,n,mean,stdDev,estSigma,Cp,CpK,Pp,PpK,outOfSpec,ppm,"
        "R1,R2,R3,R4,R5,R6,R7,testerP,testerDiffers,ATE-01 n,ATE-01 mean,ATE-01 stdDev,ATE-02 n,"
        "ATE-02 mean,ATE-02 stdDev");
    EXPECT_TRUE(lines[1].startsWith("A item,\"Output, \"\"5V\"\"\",A,V,4,13,6,10,2.8284,3.1915,0.47,0.3133,0.5303,"
                                    "0.3536,1,166666.6667,0,0,0,0,0,0,0,"))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(",false,3,11.3333,3.0551,3,8.6667,2.3094")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].startsWith("C item,C name,C,V,N/A,N/A,6,10,2.8284,3.1915,N/A,N/A,N/A,N/A,0,0,"));
    EXPECT_EQ(lines[3], "");
}
