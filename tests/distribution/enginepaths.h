// The histogram and the Pareto drawn twice on one connection, once from every reading and once from the
// engine's sums, and the comparison of the two drawings.
#pragma once

#include "bothpaths.h"
#include "distribution/histogramplot.h"
#include "distribution/paretoplot.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cmath>

namespace moldrin::test
{

// A reading of the second and third column made from one of the first: what the filters act on (null, 0,
// 999, -999) kept, the others moved and scaled so that the three parameters rank apart.
inline double Derived(double v, double scale, double offset)
{
    return std::isnan(v) || v == 0 || std::fabs(v) == 999 ? v : v * scale + offset;
}

// The rows with three parameter columns: V as given, W and X derived from it.
inline QList<ResultRow> ThreeColumns(QList<ResultRow> rows)
{
    for (ResultRow& r : rows) {
        const double v = r.values[0];
        r.values = { v, Derived(v, 2.5, -3), Derived(v, -0.125, 0.001) };
    }
    return rows;
}

// MixedRows(1200) with its readings moved near 1e9 (spread by about 0.05); zeros, sentinels and NaN kept.
inline QList<ResultRow> NearOneBillionRows()
{
    QList<ResultRow> rows = MixedRows(1200);
    for (ResultRow& r : rows)
        if (!std::isnan(r.values[0]) && std::fabs(r.values[0]) < 100 && r.values[0] != 0)
            r.values[0] += 1e9;
    return rows;
}

// PrepareChart's state with the parameters V, W and X (limits on V only) and the cell table in `temp`.
inline data::PlotSelection PrepareDistribution(AppState& state, const QString& temp)
{
    data::PlotSelection sel = PrepareChart(state, temp);
    state.gParamColumn = { "V", "W", "X" };
    state.gParamName = { "Volts", "Watts", "Extra" };
    state.gSpecField4 = { "V", "W", "" };
    state.gUSL = { 5.12, 999, 999 };
    state.gLSL = { 4.9, -999, -999 };
    return sel;
}

struct HistogramRun {
    HistogramOutcome out;
    ChartModel chart = BuildHistogramChartTemplate();
    QStringList messages, cellTable;
};

inline HistogramRun HistogramOnce(AppState& state, const data::PlotSelection& sel, std::int64_t cells, bool engine)
{
    HistogramRun run;
    RecordingHost host;
    state.gServerSide = engine;
    run.out = PlotHistogram(state, run.chart, sel, cells, host);
    state.gServerSide = false;
    for (const auto& m : host.scripted.messages)
        run.messages << m.text;
    QFile table(state.gTempFile3);
    if (table.open(QIODevice::ReadOnly))
        run.cellTable = QString::fromUtf8(table.readAll()).split(u'\n');
    return run;
}

// Points of the same series alike: x and y to rounding far below the digits shown, labels to the letter. The
// series `loose` may end one point apart: its last step, at mean + 3 SD, is left out where rounding puts it past
// the end, which the last bit of the mean and the standard deviation decide.
inline void ExpectSameSeries(const ChartModel& a, const ChartModel& b, int loose = -1)
{
    ASSERT_EQ(a.seriesCount(), b.seriesCount());
    for (int s = 0; s < a.seriesCount(); ++s) {
        const PointList& p = a.series[s].points;
        const PointList& q = b.series[s].points;
        if (s == loose)
            EXPECT_LE(std::abs(p.size() - q.size()), 1) << "series " << s;
        else
            ASSERT_EQ(p.size(), q.size()) << "series " << s;
        for (int i = 0; i < std::min(p.size(), q.size()); ++i) {
            EXPECT_NEAR(p.x(i), q.x(i), 1e-9 * std::max(1.0, std::fabs(p.x(i)))) << "series " << s << " point " << i;
            EXPECT_NEAR(p.y(i), q.y(i), 1e-9 * std::max(1.0, std::fabs(p.y(i)))) << "series " << s << " point " << i;
            EXPECT_EQ(p.label(i), q.label(i)) << "series " << s << " point " << i;
        }
    }
}

inline std::string Joined(const QStringList& lines)
{
    return lines.join(u'|').toStdString();
}

// Panel texts alike to the letter, but where a figure is 0 to its 4 decimals and shown with the digits of its
// rounding noise (the skewness of readings placed symmetrically): the two paths sum in another order.
inline void ExpectSamePanel(const QStringList& client, const QStringList& engine)
{
    ASSERT_EQ(client.size(), engine.size());
    for (qsizetype i = 0; i < client.size(); ++i) {
        if (client[i] == engine[i])
            continue;
        const double a = QString(client[i]).remove(u',').toDouble(), b = QString(engine[i]).remove(u',').toDouble();
        EXPECT_TRUE(std::fabs(a) < 5e-5 && std::fabs(a - b) < 1e-9)
            << "line " << i << ": " << client[i].toStdString() << " against " << engine[i].toStdString();
    }
}

// The same histogram: messages, counts, panel, cells and the cell table file to the letter, the bars, curves and
// markers; and the engine did sum the readings unless `engineSums` is false (then the note says why).
inline void ExpectSameHistogram(const HistogramRun& client, const HistogramRun& engine, bool engineSums = true)
{
    EXPECT_EQ(engine.out.engine, engineSums) << qPrintable(engine.out.note);
    EXPECT_EQ(engine.out.note.isEmpty(), engineSums) << qPrintable(engine.out.note);
    EXPECT_EQ(Joined(client.messages), Joined(engine.messages));
    EXPECT_EQ(client.out.records, engine.out.records);
    EXPECT_EQ(client.out.skipped.notNumbers, engine.out.skipped.notNumbers);
    EXPECT_EQ(client.out.skipped.unreadableTimes, engine.out.skipped.unreadableTimes);
    EXPECT_EQ(client.out.drawn, engine.out.drawn);
    EXPECT_EQ(client.out.histogram.end, engine.out.histogram.end);
    ExpectSamePanel(client.out.histogram.panelValues, engine.out.histogram.panelValues);
    EXPECT_EQ(Joined(client.out.histogram.cellTableLines), Joined(engine.out.histogram.cellTableLines));
    EXPECT_EQ(Joined(client.cellTable), Joined(engine.cellTable));
    EXPECT_NEAR(client.chart.left.maximum, engine.chart.left.maximum, 1e-9 * client.chart.left.maximum);
    ExpectSameSeries(client.chart, engine.chart, kHistogramDataCurve);
}

struct ParetoRun {
    ParetoOutcome out;
    ChartModel chart = BuildParetoChartTemplate();
};

inline ParetoRun ParetoOnce(AppState& state, const data::PlotSelection& sel, ParetoReading reading, bool engine)
{
    ParetoRun run;
    RecordingHost host;
    state.gServerSide = engine;
    run.out = PlotPareto(state, run.chart, sel, host, reading);
    state.gServerSide = false;
    return run;
}

// The same Pareto: count, order, labels (the sums to their "#,##0.###"), bars and line; and the engine did sum
// the readings unless `engineSums` is false.
inline void ExpectSamePareto(const ParetoRun& client, const ParetoRun& engine, bool engineSums = true)
{
    EXPECT_EQ(engine.out.engine, engineSums) << qPrintable(engine.out.note);
    EXPECT_EQ(engine.out.note.isEmpty(), engineSums) << qPrintable(engine.out.note);
    EXPECT_EQ(client.out.failure, engine.out.failure);
    EXPECT_EQ(client.out.records, engine.out.records);
    EXPECT_EQ(client.out.countText, engine.out.countText);
    EXPECT_EQ(client.out.skipped.notNumbers, engine.out.skipped.notNumbers);
    EXPECT_EQ(client.out.skipped.unreadableTimes, engine.out.skipped.unreadableTimes);
    ASSERT_EQ(client.out.ranking.items.size(), engine.out.ranking.items.size());
    for (qsizetype i = 0; i < client.out.ranking.items.size(); ++i) {
        const ParetoItem &a = client.out.ranking.items[i], &b = engine.out.ranking.items[i];
        EXPECT_EQ(a.label, b.label);
        EXPECT_NEAR(a.sum, b.sum, 1e-12 * std::max(1.0, std::fabs(a.sum)));
    }
    ExpectSameSeries(client.chart, engine.chart);
}

// Under each filter (ForEachFilter): the histogram of every parameter at 7 and 20 cells, and the Pareto read
// both ways, alike on both paths.
inline void ExpectDistributionPathsAgree(AppState& state, data::PlotSelection sel, bool lastData = true)
{
    ForEachFilter(sel, lastData, [&](const std::string& filter) {
        for (int parameter = 0; parameter < state.gParamColumn.size(); ++parameter)
            for (std::int64_t cells : { 7, 20 }) {
                SCOPED_TRACE(
                    filter + ", parameter " + std::to_string(parameter) + ", " + std::to_string(cells) + " cells");
                sel.parameterIndex = parameter;
                const HistogramRun client = HistogramOnce(state, sel, cells, false);
                ASSERT_TRUE(client.out.drawn) << Joined(client.messages);
                ExpectSameHistogram(client, HistogramOnce(state, sel, cells, true));
            }
        sel.parameterIndex = 0;
        for (ParetoReading reading : { ParetoReading::Auto, ParetoReading::PerParameter }) {
            SCOPED_TRACE(filter + (reading == ParetoReading::Auto ? ", Pareto" : ", Pareto each"));
            const ParetoRun client = ParetoOnce(state, sel, reading, false);
            ASSERT_TRUE(client.out.drawn) << client.out.failure.toStdString();
            ExpectSamePareto(client, ParetoOnce(state, sel, reading, true));
        }
    });
}

} // namespace moldrin::test
