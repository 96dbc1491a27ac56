// The variables chart plotted twice on one connection, once from every reading and once from the engine's
// subgroups, and the comparison of the two plots.
#pragma once

#include "data/loader/tempfiles.h"
#include "plothost.h"
#include "resultstable.h"
#include "variables/variableschart.h"
#include "variables/variablesplot.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace moldrin::test
{

// Readings about 5.0 with what the filters act on: zeros, 999 and -999, nulls, failed units, units tested
// twice, two units starting at the same time and now and then on the same tester (ties the order breaks);
// a pair every `apart` seconds.
inline QList<ResultRow> MixedRows(int count, int apart = 60)
{
    std::mt19937 gen(20261208);
    std::normal_distribution<double> reading(5.0, 0.05);
    QList<ResultRow> rows;
    const QDateTime t0(QDate(2026, 11, 1), QTime(8, 0));
    for (int i = 0; i < count; ++i) {
        ResultRow r;
        r.serial = QStringLiteral("SN%1").arg(i % (count * 3 / 4), 5, 10, QChar('0'));
        r.tester = QStringLiteral("ATE-%1").arg((i % 10 == 9 ? i - 1 : i) % 3 + 1, 2, 10, QChar('0'));
        r.start = t0.addSecs(qint64(apart) * (i / 2));
        double v = std::round(reading(gen) * 1000) / 1000;
        if (i % 37 == 5)
            v = 0;
        else if (i % 41 == 7)
            v = 999;
        else if (i % 43 == 11)
            v = -999;
        else if (i % 47 == 13)
            v = std::nan("");
        r.values = { v };
        r.verdict = i % 13 == 3 ? QStringLiteral("FAIL") : QStringLiteral("PASS");
        rows << r;
    }
    return rows;
}

// MixedRows(1200) with its readings moved near 1e9 and drifting by 1000 a row (a million over the table, far
// more than they spread), or scaled to near 1e-9; zeros, sentinels and NaN kept.
inline QList<ResultRow> FarFromZeroRows(bool tiny)
{
    QList<ResultRow> rows = MixedRows(1200);
    for (qsizetype i = 0; i < rows.size(); ++i) {
        double& v = rows[i].values[0];
        if (!std::isnan(v) && std::fabs(v) < 100 && v != 0)
            v = tiny ? v * 1e-9 : 1e9 + 1000.0 * double(i) + (v - 5);
    }
    return rows;
}

// The rows as INSERTs of literal values into `table` (SerialNumber, ATEID, TestStartTime, PassFail, TestID, the
// values), a hundred rows each, for a server.
inline QStringList InsertStatements(const QString& table, const QList<ResultRow>& rows)
{
    QStringList statements, values;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const ResultRow& r = rows[i];
        QStringList readings;
        for (double v : r.values)
            readings << (std::isnan(v) ? QStringLiteral("NULL") : QString::number(v, 'g', 17));
        values << QStringLiteral("('%1', '%2', '%3', '%4', 'FT1', %5)")
                      .arg(r.serial, r.tester, r.start.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), r.verdict,
                          readings.join(QStringLiteral(", ")));
        if (values.size() == 100 || i + 1 == rows.size()) {
            statements << QStringLiteral("INSERT INTO ") + table + QStringLiteral(" VALUES ")
                    + values.join(QStringLiteral(", "));
            values.clear();
        }
    }
    return statements;
}

// The state's listings in `temp` and the parameter column V; the selection of its chart with limit lines and
// zones.
inline data::PlotSelection PrepareChart(AppState& state, const QString& temp)
{
    qputenv("TEMP", temp.toLocal8Bit());
    data::PrepareTempFiles(state);
    state.gParamColumn = { "V" };
    state.gSpecField4 = { "V" };
    data::PlotSelection sel;
    sel.product = "PSU-100";
    sel.parameterItem = "Output";
    sel.range = "All";
    sel.uslText = "5.12";
    sel.lslText = "4.9";
    sel.showSpec = true;
    sel.showZones = true;
    return sel;
}

struct OnePlot {
    VariablesPlotOutcome out;
    ChartModel chart = BuildVariablesChartTemplate();
    QStringList messages;
};

inline OnePlot PlotOnce(
    AppState& state, const data::PlotSelection& sel, bool serverSide, const LimitChoice& choice = {})
{
    OnePlot p;
    RecordingHost host;
    host.state = &state;
    state.gServerSide = serverSide;
    p.out = PlotVariablesChart(state, p.chart, sel, host, choice);
    for (const auto& m : host.scripted.messages)
        p.messages << m.text;
    state.gServerSide = false;
    return p;
}

// The same chart: points (to rounding far below the panel's digits), their labels and rule marks, lines,
// panel texts, messages, counts and dates; and the engine did form the subgroups.
inline void ExpectSamePlot(const OnePlot& client, const OnePlot& engine)
{
    EXPECT_TRUE(engine.out.engine) << qPrintable(engine.out.note);
    EXPECT_TRUE(engine.out.note.isEmpty()) << qPrintable(engine.out.note);
    EXPECT_EQ(client.out.plotted, engine.out.plotted);
    EXPECT_EQ(client.out.records, engine.out.records);
    EXPECT_EQ(client.out.pointCount, engine.out.pointCount);
    EXPECT_EQ(client.out.skipped.unreadableTimes, engine.out.skipped.unreadableTimes);
    EXPECT_EQ(client.out.first, engine.out.first);
    EXPECT_EQ(client.out.last, engine.out.last);
    EXPECT_EQ(client.out.limits.panelValues, engine.out.limits.panelValues);
    EXPECT_EQ(client.out.rules.centreMarks, engine.out.rules.centreMarks);
    EXPECT_EQ(client.out.rules.variationMarks, engine.out.rules.variationMarks);
    EXPECT_EQ(client.messages.join(u'|').toStdString(), engine.messages.join(u'|').toStdString());
    ASSERT_EQ(client.chart.seriesCount(), engine.chart.seriesCount());
    for (int s = 0; s < client.chart.seriesCount(); ++s) {
        const PointList& a = client.chart.series[s].points;
        const PointList& b = engine.chart.series[s].points;
        ASSERT_EQ(a.size(), b.size()) << "series " << s;
        for (int i = 0; i < a.size(); ++i) {
            EXPECT_NEAR(a.y(i), b.y(i), 1e-9 * std::max(1.0, std::fabs(a.y(i)))) << "series " << s << " point " << i;
            EXPECT_EQ(a.label(i), b.label(i)) << "series " << s << " point " << i;
            EXPECT_EQ(a.x(i), b.x(i));
        }
    }
}

// Calls `each(name)` with `sel` under each filter: zeros left out or kept, passed units only, the last data's
// grouping (unless `lastData` is false).
template <class Each> void ForEachFilter(data::PlotSelection& sel, bool lastData, Each each)
{
    struct Filter {
        const char* name;
        bool acceptZero, passOnly, lastDataOnly;
    };
    for (const Filter& f :
        { Filter { "zeros left out", false, false, false }, Filter { "zeros kept", true, false, false },
            Filter { "pass only", false, true, false }, Filter { "last data", false, false, true } }) {
        if (f.lastDataOnly && !lastData)
            continue;
        sel.query.acceptZero = f.acceptZero;
        sel.passOnly = f.passOnly;
        sel.lastDataOnly = f.lastDataOnly;
        each(std::string(f.name));
    }
}

// Every chart type at sizes 2, 5 and 25 with each filter (ForEachFilter) on the selection's data: the two
// paths plot the same chart.
inline void ExpectBothPathsAgree(AppState& state, data::PlotSelection sel, bool lastData = true)
{
    ForEachFilter(sel, lastData, [&](const std::string& filter) {
        for (const QString& type : ChartTypes()) {
            for (int size : { 2, 5, 25 }) {
                if (type == kChartIndividualMR && size != 2)
                    continue; // one reading a point whatever the size
                SCOPED_TRACE(filter + ", " + type.toStdString() + ", size " + std::to_string(size));
                sel.chartType = type;
                state.gSampleSize = size;
                const OnePlot client = PlotOnce(state, sel, false);
                const OnePlot engine = PlotOnce(state, sel, true);
                ASSERT_TRUE(client.out.plotted) << client.messages.join(u'|').toStdString();
                ExpectSamePlot(client, engine);
            }
        }
    });
}

// Runs `sql` on the SQLite file `db` behind the program's back.
inline void ChangeTable(const QString& db, const QString& sql)
{
    {
        QSqlDatabase w = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("changer"));
        w.setDatabaseName(db);
        ASSERT_TRUE(w.open());
        QSqlQuery q(w);
        ASSERT_TRUE(q.exec(sql)) << qPrintable(q.lastError().text());
        w.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("changer"));
}

// A results table with the parameter columns `columns` in an SQLite file of a private folder, and the state
// and selection of PrepareChart on it.
struct SqliteResults {
    QTemporaryDir dir;
    AppState state { dir.filePath("settings") };
    data::PlotSelection sel;
    QString db = dir.filePath("results.db");

    explicit SqliteResults(const QList<ResultRow>& rows, const QStringList& columns = { "V" })
    {
        EXPECT_EQ(WriteResultsTable(db, columns, rows), "");
        sel = PrepareChart(state, dir.path());
    }
    void Change(const QString& sql) { ChangeTable(db, sql); }
    bool Connect() { return ConnectResults(state, db); }
};

} // namespace moldrin::test
