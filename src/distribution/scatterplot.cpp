// The scatter chart's plot function: reads the pairs of the selection, runs the computation, fills the chart.
#include "distribution/scatterplot.h"

#include "common/chartlook.h"
#include "data/config/querybuilder.h"
#include "data/loader/plotfunction.h"
#include "data/loader/resultreader.h"

#include <vector>

namespace moldrin
{

using namespace moldrin::data;

namespace
{

// "Name[ source][ (unit)]": the axis title of a parameter.
QString AxisTitle(const AppState& state, int parameter, const QString& source)
{
    QString title = state.gParamName.value(parameter);
    if (!source.isEmpty())
        title += QLatin1Char(' ') + source;
    const QString unit = state.gSpecField4.value(parameter);
    if (!unit.isEmpty())
        title += QStringLiteral(" (") + unit + QLatin1Char(')');
    return title;
}

// The statement of the X or Y readings: one column (separate sources, with its tester) or "X:::Y".
QString ScatterStatement(AppState& state, const PlotSelection& s, const QString& parameter, const QString& source)
{
    return GetSQL(state, s.query, parameter, s.range.trimmed(), s.tester, QString(), s.serialFilter.toUpper(),
        PassCondition(state, s.passOnly), s.lastDataOnly, QStringLiteral("Scatter"), source);
}

// Reads the pairs into the data series (numbered from 1) and their sums: one statement with ValueX and ValueY,
// or, with separate sources, the X result whole and then the Y result, the k-th X reading meeting the k-th Y
// reading up to the shorter result (not every engine keeps two results open on one connection).
Status ReadPairs(AppState& state, const PlotSelection& s, const ScatterInputs& in, PlotHost& host, ChartSeries& data,
    ScatterSums& pairs)
{
    const QString& columnX = state.gParamColumn[in.xParameter];
    const QString& columnY = state.gParamColumn[in.yParameter];
    const QString valueX = QStringLiteral("ValueX");
    ResultReader rows(state, host);
    // Every row of the open result in turn, while `more` holds.
    auto each = [&](auto&& row, auto&& more) -> Status {
        while (!rows.atEnd() && more()) {
            if (Status e = row())
                return e;
            if (Status e = rows.next())
                return e;
        }
        return {};
    };
    auto add = [&](double x, double y) {
        pairs.add(x, y);
        data.points.appendNumbered(x, y, pairs.count());
    };
    auto always = [] { return true; };
    if (!in.separate()) {
        if (Status e = rows.open(ScatterStatement(state, s, columnX + QStringLiteral(":::") + columnY, {})))
            return e;
        const int fx = rows.field(valueX), fy = rows.field(QStringLiteral("ValueY"));
        return each(
            [&]() -> Status {
                double x = 0, y = 0;
                if (Status e = FieldNumber(rows.result(), fx, x); e || (e = FieldNumber(rows.result(), fy, y)))
                    return e;
                add(x, y);
                return {};
            },
            always);
    }
    std::vector<double> xs;
    if (Status e = rows.open(ScatterStatement(state, s, columnX, in.sourceX)))
        return e;
    const int fx = rows.field(valueX);
    auto readX = [&]() -> Status {
        double x = 0;
        if (Status e = FieldNumber(rows.result(), fx, x))
            return e;
        xs.push_back(x);
        return {};
    };
    if (Status e = each(readX, always); e || (e = rows.open(ScatterStatement(state, s, columnY, in.sourceY))))
        return e;
    const int fy = rows.field(valueX);
    return each(
        [&]() -> Status {
            double y = 0;
            if (Status e = FieldNumber(rows.result(), fy, y))
                return e;
            add(xs[std::size_t(pairs.count())], y);
            return {};
        },
        [&] { return std::size_t(pairs.count()) < xs.size(); });
}

} // namespace

ChartModel BuildScatterChartTemplate()
{
    ChartModel chart;
    chart.header = { QStringLiteral("Regression Chart"), QString() };
    ChartSeries data;
    data.kind = SeriesKind::Points;
    data.title = QStringLiteral("Data");
    data.pointer = PointerStyle::Rectangle;
    data.colour = kClWhite;
    data.pointerColour = kClWhite;
    data.frameColour = kClBlack;
    data.horizontalAxis = HorizontalAxis::Bottom;
    data.marks.visible = true;
    data.marks.offset = 8;
    ChartSeries slope;
    slope.kind = SeriesKind::Line;
    slope.title = QStringLiteral("Slope");
    slope.colour = kClGray;
    slope.penColour = kClGray;
    slope.horizontalAxis = HorizontalAxis::Bottom;
    chart.series = { data, slope };
    chart.left.title = QStringLiteral("Y");
    chart.bottom.title = QStringLiteral("X");
    chart.left.labelFormat = chart.bottom.labelFormat = kDefaultAxisLabelFormat;
    chart.left.labelSize = kDefaultLabelArea;
    chart.bottom.labelSize = 20;
    chart.top.visible = false;
    return chart;
}

ScatterOutcome PlotScatter(
    AppState& state, ChartModel& chart, const PlotSelection& s, const ScatterInputs& in, PlotHost& host)
{
    ScatterOutcome out;
    auto fail = [&](const QString& message) {
        host.prompt().warn(message);
        out.failure = message;
        return out;
    };
    ChartSeries* data = chart.seriesAt(kScatterSeriesData);
    ChartSeries* line = chart.seriesAt(kScatterSeriesSlope);
    if (!data || !line)
        return fail(QStringLiteral("Subscript out of range!"));
    data->clear();
    line->clear();
    host.ChartReset();
    const qsizetype parameters = state.gParamColumn.size();
    if (in.xParameter < 0 || in.yParameter < 0 || in.xParameter >= parameters || in.yParameter >= parameters)
        return fail(QStringLiteral("Subscript out of range!"));
    state.gStopPlot = false; // a stop left over from the main chart must not cut these statements short

    ScatterSums pairs;
    const Status error = ReadPairs(state, s, in, host, *data, pairs);
    out.pairs = long(pairs.count());
    if (error)
        return fail(error->description + QLatin1Char('!'));

    // The second read, over the pairs the chart keeps.
    ScatterDeviations deviations(pairs);
    for (int i = 0; i < data->count(); ++i)
        deviations.add(data->points.x(i), data->points.y(i));
    out.result = ComputeScatter(pairs, deviations);
    if (!out.result.failure.isEmpty())
        return fail(out.result.failure);
    const ScatterStatistics& stat = out.result.stat;

    if (chart.header.size() < 2)
        chart.header.resize(2);
    chart.header[1] = data::ChartTitleLine(state, s);
    chart.left.title = AxisTitle(state, in.yParameter, in.sourceY);
    chart.bottom.title = AxisTitle(state, in.xParameter, in.sourceX);
    const auto ends = RegressionLine(
        stat.slope, stat.intercept, chart.axisMinimum(AxisId::Bottom), chart.axisMaximum(AxisId::Bottom));
    for (const RegressionPoint& p : ends)
        line->addXY(p.x, p.y);
    out.drawn = true;
    return out;
}

} // namespace moldrin
