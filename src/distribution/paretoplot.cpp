// The Pareto chart's plot function: sums every parameter's readings, ranks them, fills the chart.
#include "distribution/paretoplot.h"

#include "common/chartlook.h"
#include "common/compensatedsum.h"
#include "common/figure.h"
#include "common/numberformat.h"
#include "data/access/enginesql.h"
#include "data/config/configfiles.h"
#include "data/config/inifile.h"
#include "data/config/querybuilder.h"
#include "data/loader/plotfunction.h"
#include "data/loader/resultreader.h"
#include "distribution/paretoquery.h"

#include <algorithm>
#include <vector>

namespace moldrin
{

using namespace moldrin::data;

namespace
{

// Per parameter the sum of its readings; the rows of parameter 0 are counted.
struct Sums {
    std::vector<CompensatedSum> sums;
    long records = 0;
    SkippedRows skipped; // fields that are no number (of every parameter), rows outside any date range
};

// One statement per parameter, as each parameter's Pareto statement gives its rows.
Status ReadPerParameter(AppState& state, const PlotSelection& s, PlotHost& host, Sums& out)
{
    ResultReader rows(state, host);
    for (std::size_t i = 0; i < out.sums.size(); ++i) {
        const QString sql
            = GetSQL(state, s.query, state.gParamColumn[qsizetype(i)], s.range.trimmed(), s.tester, QString(),
                s.serialFilter.toUpper(), PassCondition(state, s.passOnly), s.lastDataOnly, QStringLiteral("Pareto"));
        // Every parameter's statement leaves out the same rows for their time: counted once.
        if (Status e = rows.open(sql, i == 0 ? Recordset::Count::TimesWhileRead : Recordset::Count::Skip))
            return e;
        for (const int field = rows.field(QStringLiteral("ValueX")); !rows.atEnd();) {
            double v = 0;
            bool skip = false;
            if (Status e = FieldNumber(rows.result(), field, v, skip))
                return e;
            if (skip) {
                ++out.skipped.notNumbers;
            } else {
                out.sums[i].add(v);
                if (i == 0)
                    ++out.records;
            }
            if (Status e = rows.next())
                return e;
        }
        if (i == 0)
            out.skipped.unreadableTimes = rows.result().UnreadableTimes();
    }
    return {};
}

// Every column in one pass; a reading counts for its parameter where that parameter's statement would
// return it (not null, not 999 or -999).
Status ReadOnePass(AppState& state, const PlotSelection& s, PlotHost& host, Sums& out)
{
    ResultReader rows(state, host);
    if (Status e = rows.open(GetParetoColumnsSQL(state, s.query, state.gParamColumn.mid(0, qsizetype(out.sums.size())),
                                 s.range.trimmed(), s.tester, s.serialFilter.toUpper()),
            Recordset::Count::TimesWhileRead))
        return e;
    std::vector<int> fields;
    for (std::size_t i = 0; i < out.sums.size(); ++i)
        fields.push_back(rows.field(QStringLiteral("Value") + QString::number(i)));
    while (!rows.atEnd()) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            std::optional<double> v;
            bool skip = false;
            if (Status e = FieldNumber(rows.result(), fields[i], v, skip))
                return e;
            out.skipped.notNumbers += skip ? 1 : 0;
            if (!v || IsLimitSentinel(*v))
                continue;
            out.sums[i].add(*v);
            if (i == 0)
                ++out.records;
        }
        if (Status e = rows.next())
            return e;
    }
    out.skipped.unreadableTimes = rows.result().UnreadableTimes();
    return {};
}

// Why the engine cannot sum the parameters' columns as they are summed here; "" where it can.
QString EngineRefusal(const AppState& state, qsizetype parameters)
{
    const Connection& c = *state.gConnection;
    for (qsizetype i = 0; i < parameters; ++i)
        if (QString why = data::EngineRefusal(
                c.StatementDialect(), c.DbmsName(), c.schema(), state.gTableName, state.gParamColumn[i]);
            !why.isEmpty())
            return why;
    return {};
}

// The sums formed by the engine in one statement, as ReadOnePass (`onePass`) or ReadPerParameter reads them;
// `why` says why the engine did not (the readings are then to be read).
Status ReadOnEngine(AppState& state, const PlotSelection& s, bool onePass, Sums& out, QString& why)
{
    const Connection& c = *state.gConnection;
    const Dialect dialect = c.StatementDialect();
    const int count = int(out.sums.size());
    why = EngineRefusal(state, count);
    if (!why.isEmpty())
        return {};
    AdaptedStatement sums;
    if (onePass) {
        sums = ParetoColumnSums(AdaptStatement(GetParetoColumnsSQL(state, s.query, state.gParamColumn.mid(0, count),
                                                   s.range.trimmed(), s.tester, s.serialFilter.toUpper()),
                                    dialect, c.schema()),
            dialect, count);
    } else {
        QList<AdaptedStatement> each;
        for (int i = 0; i < count; ++i)
            each << AdaptStatement(GetSQL(state, s.query, state.gParamColumn[i], s.range.trimmed(), s.tester, QString(),
                                       s.serialFilter.toUpper(), PassCondition(state, s.passOnly), s.lastDataOnly,
                                       QStringLiteral("Pareto")),
                dialect, c.schema());
        sums = ParetoParameterSums(each, dialect);
    }
    Recordset rs;
    if (Status e = rs.Open(sums, *state.gConnection, Recordset::Count::TimesOnly))
        return e;
    out.skipped.unreadableTimes = rs.UnreadableTimes();
    // One row of every column's sum, or one row a parameter.
    QStringList fields { QStringLiteral("CountX"), QStringLiteral("BadX") };
    if (onePass)
        for (int i = 0; i < count; ++i)
            fields << QStringLiteral("Sum") + QString::number(i);
    else
        fields << QStringLiteral("SumX");
    bool bad = false;
    std::vector<std::optional<double>> f;
    for (int row = 0; !rs.Eof(); ++row) {
        if (Status e = FieldNumbers(rs, fields, f, bad))
            return e;
        bad = bad || f[1].value_or(0) > 0;
        const int first = onePass ? 0 : row, last = onePass ? count : std::min(row + 1, count);
        for (int i = first; i < last; ++i)
            out.sums[std::size_t(i)].add(f[std::size_t(2 + i - first)].value_or(0));
        if (row == 0)
            out.records = long(f[0].value_or(0));
        if (Status e = rs.MoveNext())
            return e;
    }
    if (bad)
        why = QStringLiteral("some values of the columns are no number");
    return {};
}

// The parameters of the list: after a Spec section without its end marker the per-parameter tables keep
// empty slots past them, which name no column.
qsizetype ListedParameters(const AppState& state)
{
    qsizetype n = state.gParamColumn.size();
    while (n > 0 && state.gParamColumn[n - 1].isEmpty())
        --n;
    return n;
}

// The percent axis: 0 to 105 as the template has it, widened to hold every bar and the cumulative line,
// which negative sums take below 0 or past 100.
void FitPercentAxis(ChartAxis& axis, const QList<ParetoItem>& items)
{
    double low = 0, high = 100;
    for (const ParetoItem& item : items) {
        low = std::min({ low, item.percent, item.cumulative });
        high = std::max({ high, item.percent, item.cumulative });
    }
    const double margin = (high - low) * 0.05;
    axis.setRange(low < 0 ? low - margin : 0, high + margin);
}

} // namespace

ChartModel BuildParetoChartTemplate()
{
    ChartModel chart;
    chart.header = { QStringLiteral("Pareto Chart"), QString() };
    ChartSeries bars;
    bars.kind = SeriesKind::Bar;
    bars.title = QStringLiteral("Data");
    bars.colour = kClOrange;
    bars.barWidthPercent = kDefaultBarWidth;
    bars.horizontalAxis = HorizontalAxis::Bottom;
    ChartSeries percent;
    percent.kind = SeriesKind::Line;
    percent.title = QStringLiteral("Percent");
    percent.colour = kClGray;
    percent.penColour = kClGray;
    percent.pointer = PointerStyle::Rectangle;
    percent.pointerColour = kClOrange;
    percent.horizontalAxis = HorizontalAxis::Bottom;
    chart.series = { bars, percent };
    chart.left.setRange(0, 105);
    chart.left.increment = 10;
    chart.left.labelFormat = QStringLiteral("#,###");
    chart.left.title = QStringLiteral("Percent");
    chart.bottom.pointLabels = true;
    chart.top.visible = false;
    return chart;
}

ParetoOutcome PlotPareto(
    AppState& state, ChartModel& chart, const PlotSelection& s, PlotHost& host, ParetoReading reading)
{
    ParetoOutcome out;
    auto fail = [&](const QString& message) {
        host.prompt().warn(message);
        out.failure = message;
        return out;
    };
    ChartSeries* bars = chart.seriesAt(kParetoSeriesData);
    ChartSeries* line = chart.seriesAt(kParetoSeriesPercent);
    if (!bars || !line)
        return fail(QStringLiteral("Subscript out of range!"));
    bars->clear();
    line->clear();
    host.ChartReset();
    state.gStopPlot = false; // a stop left over from the main chart must not cut these statements short

    Sums read;
    const qsizetype parameters = ListedParameters(state);
    read.sums.resize(std::size_t(parameters));
    const bool onePass = reading == ParetoReading::Auto && !s.lastDataOnly;
    if (state.gServerSide && state.gConnection && !read.sums.empty()) {
        QString why;
        if (const Status e = ReadOnEngine(state, s, onePass, read, why))
            return fail(e->description + QLatin1Char('!'));
        out.engine = why.isEmpty();
        if (!out.engine) {
            read = Sums {};
            read.sums.resize(std::size_t(parameters));
            out.note = kReadNotSummedNote + why + u'.';
        }
    }
    const Status error = read.sums.empty() || out.engine ? Status {}
        : onePass                                        ? ReadOnePass(state, s, host, read)
                                                         : ReadPerParameter(state, s, host, read);
    if (error)
        return fail(error->description + QLatin1Char('!'));
    out.records = read.records;
    out.skipped = read.skipped;
    out.countText = FormatNumber(double(out.records), QStringLiteral("#,##0"));

    std::vector<double> sums;
    for (const CompensatedSum& sum : read.sums)
        sums.push_back(sum.value());
    QStringList names = state.gParamName;
    names.resize(parameters);
    out.ranking = RankPareto(names, sums);
    if (!out.ranking.failure.isEmpty())
        return fail(out.ranking.failure);

    for (const ParetoItem& item : out.ranking.items) {
        bars->add(item.percent, item.label);
        line->add(item.cumulative);
    }
    FitPercentAxis(chart.left, out.ranking.items);
    const QString product = s.product.trimmed();
    if (chart.header.size() < 2)
        chart.header.resize(2);
    chart.header[1] = data::ChartTitleLine(state, s);
    out.xTitle = ReadINI(product, QStringLiteral("ParetoTitleX"), ConfigFilePath(state.gINIPath, kProductsIni));
    if (chart.subFooter.isEmpty())
        chart.subFooter.append(QString());
    chart.subFooter[0] = out.xTitle;
    bars->barWidthPercent = BarWidthPercent(state.gParetoBarWidth);
    out.drawn = true;
    return out;
}

} // namespace moldrin
