// The histogram chart: its template, and the plot that reads the selection's values, computes and fills it.
#include "distribution/histogramplot.h"

#include "common/chartlook.h"
#include "common/compensatedsum.h"
#include "common/nodata.h"
#include "common/reading.h"
#include "common/rounding.h"
#include "data/access/connection.h"
#include "data/access/enginesql.h"
#include "data/config/configfiles.h"
#include "data/loader/plotfunction.h"
#include "data/loader/resultreader.h"
#include "distribution/cellsearch.h"
#include "distribution/histogramquery.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace moldrin
{

namespace
{

constexpr std::int64_t kYieldEvery = 4096; // values between two KeepResponsive calls

ChartSeries Series(const QString& title, SeriesKind kind, OleColour colour, PenStyle pen = PenStyle::Solid)
{
    ChartSeries s;
    s.kind = kind;
    s.title = title;
    s.colour = colour;
    s.pen = pen;
    s.horizontalAxis = HorizontalAxis::Bottom;
    return s;
}

// A marker line whose upper point's label is shown in `textColour` on a box of colour `box`, so it stays
// readable over the bars and curves.
ChartSeries Marker(
    const QString& title, OleColour colour, PenStyle pen, OleColour textColour, bool bold, OleColour box = kClWhite)
{
    ChartSeries s = Series(title, SeriesKind::Line, colour, pen);
    s.marks.visible = true;
    s.marks.fontColour = textColour;
    s.marks.bold = bold;
    s.marks.colour = s.marks.backColour = box;
    return s;
}

// The cell table file, replaced; "" when written, else the failure's description.
QString WriteCellTable(const QString& path, const QStringList& lines)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return file.errorString();
    QTextStream out(&file);
    for (const QString& line : lines)
        out << line << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush())
        return file.errorString();
    return {};
}

void Fill(ChartModel& chart, const Histogram& h)
{
    ChartSeries& bars = chart.series[kHistogramBars];
    for (const HistogramCell& c : h.cells)
        bars.addXY(c.lower, double(c.count));
    for (const auto& [index, curve] :
        { std::pair { kHistogramDataCurve, &h.dataCurve }, { kHistogramSpecCurve, &h.specCurve } })
        for (const HistogramPoint& p : *curve)
            chart.series[index].addXY(p.x, p.y, p.label);
    for (int k = 0; k < kHistogramMarkers; ++k) {
        const HistogramMarker& m = h.markers[std::size_t(k)];
        if (!m.drawn)
            continue;
        ChartSeries& line = chart.series[kHistogramFirstMarker + k];
        line.addXY(m.value, 0, QStringLiteral(" "));
        line.addXY(m.value, m.height, m.label);
    }
    chart.left.setRange(0, h.axisMaximum);
}

// The readings of the selection's "Histogram" statement, read here.
data::Status ReadValues(AppState& state, const data::PlotSelection& selection, data::PlotHost& host,
    HistogramValues& values, SkippedRows& skipped)
{
    data::Recordset rs;
    const QString sql = data::SelectionSQL(state, selection, QString(), QStringLiteral("Histogram"));
    if (data::Status e = rs.Open(sql, *state.gConnection, data::Recordset::Count::TimesWhileRead))
        return e;
    const int field = rs.FieldIndex(QStringLiteral("ValueX"));
    while (!rs.Eof()) {
        double x = 0;
        bool notANumber = false;
        if (data::Status e = data::FieldNumber(rs, field, x, notANumber))
            return e;
        if (notANumber)
            ++skipped.notNumbers;
        else
            values.append(x);
        if (data::Status e = rs.MoveNext())
            return e;
        if (values.count() % kYieldEvery == 0)
            host.KeepResponsive(long(values.count()));
    }
    skipped.unreadableTimes = rs.UnreadableTimes();
    return {};
}

// The fields of the engine's two statements, in the order they are read.
const QStringList kExtremesFields { QStringLiteral("CountX"), QStringLiteral("BadX"), QStringLiteral("LowX"),
    QStringLiteral("HighX"), QStringLiteral("MeanX") };
const QStringList kCellFields { QStringLiteral("CellX"), QStringLiteral("EdgeX"), QStringLiteral("CountX"),
    QStringLiteral("D1X"), QStringLiteral("D2X"), QStringLiteral("D3X"), QStringLiteral("D4X") };

// The readings counted into `grid`'s cells and their deviations summed in the engine (HistogramCellsStatement).
data::Status ReadCells(
    AppState& state, const HistogramQuery& q, const HistogramCellGrid& grid, HistogramSums& sums, QString& why)
{
    data::Recordset rs;
    if (data::Status e = rs.Open(
            HistogramCellsStatement(q, grid, sums.shift, sums.scale), *state.gConnection, data::Recordset::Count::Skip))
        return e;
    std::array<CompensatedSum, 4> powers;
    sums.placed.assign(std::size_t(grid.cells), 0);
    std::int64_t counted = 0;
    std::vector<std::optional<double>> f;
    for (bool bad = false; !rs.Eof();) {
        if (data::Status e = data::FieldNumbers(rs, kCellFields, f, bad))
            return e;
        const double cell = f[0].value_or(-2);
        const auto times = std::int64_t(f[2].value_or(0));
        if (bad || cell < -1 || cell >= double(grid.cells) || (cell == -1 && !f[1])) {
            why = QStringLiteral("the engine placed readings outside the cells");
            return {};
        }
        if (cell >= 0)
            sums.placed[std::size_t(cell)] += times;
        else
            sums.unplaced.emplace_back(*f[1], times);
        counted += times;
        for (std::size_t k = 0; k < powers.size(); ++k)
            powers[k].add(f[3 + k].value_or(0));
        if (data::Status e = rs.MoveNext())
            return e;
    }
    if (counted != sums.readings)
        why = QStringLiteral("the rows changed while the engine summed them");
    for (std::size_t k = 0; k < powers.size(); ++k)
        sums.powers[k] = powers[k].value();
    return {};
}

// The engine's figures of the readings of the selection's "Histogram" statement, for `cells` cells; `why` says
// why the engine could not give them as they are computed here (the readings are then to be read).
data::Status ReadSums(AppState& state, const data::PlotSelection& selection, std::int64_t cells, HistogramSums& sums,
    SkippedRows& skipped, QString& why)
{
    const data::Connection& c = *state.gConnection;
    const HistogramQuery q = HistogramStatements(
        data::AdaptStatement(data::SelectionSQL(state, selection, QString(), QStringLiteral("Histogram")),
            c.StatementDialect(), c.schema()),
        c.StatementDialect(), c.DbmsName(), c.schema(), state.gTableName,
        state.gParamColumn.value(selection.parameterIndex));
    why = q.refusal;
    if (!why.isEmpty())
        return {};
    data::Recordset rs;
    if (data::Status e = rs.Open(q.extremes, *state.gConnection, data::Recordset::Count::TimesOnly))
        return e;
    std::vector<std::optional<double>> f;
    bool bad = false;
    if (data::Status e = data::FieldNumbers(rs, kExtremesFields, f, bad))
        return e;
    skipped.unreadableTimes = rs.UnreadableTimes();
    if (bad || f[1].value_or(0) > 0) {
        why = QStringLiteral("some values of the column are no number");
        return {};
    }
    sums.readings = std::int64_t(f[0].value_or(0));
    if (sums.readings == 0)
        return {};
    sums.low = f[2].value_or(0);
    sums.high = f[3].value_or(0);
    const double mean = f[4].value_or(0) / kHistogramMeanScale;
    if (!std::isfinite(sums.high - sums.low) || !std::isfinite(mean)) {
        why = QStringLiteral("the readings are too large for the engine's sums");
        return {};
    }
    if (sums.low == sums.high)
        return {}; // no spread: the computation fails before it needs more
    sums.shift = std::clamp(mean, sums.low, sums.high);
    sums.scale = std::ldexp(1.0, -std::clamp(std::ilogb(sums.high - sums.low) + 1, -1000, 1000));
    // Cells the computation refuses are never counted; the moments are summed over one.
    HistogramCellGrid grid { sums.low, sums.high, cells >= 1 && cells <= kMaxHistogramCells ? cells : 1, 0 };
    // Twice the client's margin: a reading the engine places is one the client places alike.
    grid.tolerance = 2 * CellSearch(grid.low, grid.high, grid.cells).tolerance();
    return ReadCells(state, q, grid, sums, why);
}

// The readings, the computation and the drawing; the outcome says how far it got.
HistogramOutcome ReadAndDraw(
    AppState& state, ChartModel& chart, const data::PlotSelection& selection, std::int64_t cells, data::PlotHost& host)
{
    HistogramOutcome out;
    auto fail = [&](const QString& description) {
        out.message = description + QStringLiteral("!");
        host.prompt().warn(out.message);
        return out;
    };
    if (!state.gConnection)
        return fail(QStringLiteral("Operation is not allowed when the object is closed"));

    HistogramValues values;
    HistogramSums sums;
    const HistogramReadings* readings = &values;
    if (state.gServerSide) {
        QString why;
        if (const data::Status e = ReadSums(state, selection, cells, sums, out.skipped, why))
            return fail(e->description);
        if (why.isEmpty()) {
            readings = &sums;
            out.engine = true;
        } else {
            out.skipped = {};
            out.note = data::kReadNotSummedNote + why + u'.';
        }
    }
    if (!out.engine)
        if (const data::Status e = ReadValues(state, selection, host, values, out.skipped))
            return fail(e->description);
    out.records = readings->count();
    if (out.records == 0) {
        out.message = kNoDataCollection;
        host.prompt().warn(out.message);
        return out;
    }

    const int i = selection.parameterIndex;
    out.histogram
        = ComputeHistogram(*readings, state.gUSL.value(i, kNoUpperLimit), state.gLSL.value(i, kNoLowerLimit), cells);
    const Histogram& h = out.histogram;
    if (h.end == HistogramEnd::Failed)
        return fail(h.failure);
    chart.clearAllPoints();
    out.chartCleared = true;
    if (h.end == HistogramEnd::FailedCleared)
        return fail(h.failure);
    if (const QString error = WriteCellTable(state.gTempFile3, h.cellTableLines); !error.isEmpty())
        return fail(error);
    Fill(chart, h);
    chart.series[kHistogramBars].barWidthPercent = BarWidthPercent(state.gHistogramBarWidth);
    chart.panelCaptions = HistogramPanelCaptions();
    chart.panelValues = h.panelValues;
    out.drawn = true;
    return out;
}

} // namespace

ChartModel BuildHistogramChartTemplate()
{
    ChartModel chart;
    ChartSeries bars = Series(QStringLiteral("Data"), SeriesKind::Bar, kClOrange);
    bars.barWidthPercent = kDefaultBarWidth;
    bars.barFromX = true; // each cell's bar from its lower edge to the next
    bars.valueFormat = QStringLiteral("#,##0");
    chart.series = {
        bars,
        Series(QStringLiteral("Standard Distribution UCL LCL"), SeriesKind::Line, kClBlue),
        Series(QStringLiteral("Standard Distribution USL LSL"), SeriesKind::Line, kClBlack, PenStyle::Dot),
        Marker(QStringLiteral("LSL"), kClRed, PenStyle::Solid, kClRed, true),
        Marker(QStringLiteral("USL"), kClRed, PenStyle::Solid, kClRed, true),
        Marker(QStringLiteral("Mean"), kClBlue, PenStyle::Dot, kClBlue, false),
        Marker(QStringLiteral("-3SD"), kClMaroon, PenStyle::Dot, kClBlack, false, kClSilver),
        Marker(QStringLiteral("+3SD"), kClMaroon, PenStyle::Dot, kClBlack, false, kClSilver),
        Marker(QStringLiteral("-2D"), kClMaroon, PenStyle::Dot, kClMaroon, false),
        Marker(QStringLiteral("+2D"), kClMaroon, PenStyle::Dot, kClMaroon, false),
        Marker(QStringLiteral("-1D"), kClMaroon, PenStyle::Dot, kClMaroon, false),
        Marker(QStringLiteral("+1D"), kClMaroon, PenStyle::Dot, kClMaroon, false),
    };
    chart.header = QStringList { QStringLiteral("Histogram Chart"), QString() };
    chart.left.title = QStringLiteral("Frequency");
    chart.left.labelFormat = QStringLiteral("#,##0");
    chart.left.wholeNumbers = true; // counts
    chart.left.labelSize = kDefaultLabelArea;
    chart.left.automatic = false;
    chart.top.visible = false;
    return chart;
}

std::int64_t HistogramCellsSetting(const QString& storedText)
{
    constexpr std::int64_t kDefault = 20;
    if (!data::IsNumericText(storedText))
        return kDefault;
    const double cells = IntPart(storedText.trimmed().toDouble());
    constexpr double kLimit = 9.0e18;
    if (cells >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (cells <= -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    return std::int64_t(cells);
}

HistogramOutcome PlotHistogram(
    AppState& state, ChartModel& chart, const data::PlotSelection& selection, std::int64_t cells, data::PlotHost& host)
{
    chart.header = QStringList { chart.header.value(0, QStringLiteral("Histogram Chart")),
        data::ChartTitleLine(state, selection) };
    const HistogramOutcome out = ReadAndDraw(state, chart, selection, cells, host);
    // The cell table is the one of the bars shown: with none shown it lists nothing, never the table of an
    // earlier drawing (another parameter's). A table that cannot be emptied is removed.
    if (!out.drawn && chart.series[kHistogramBars].points.isEmpty() && !WriteCellTable(state.gTempFile3, {}).isEmpty())
        QFile::remove(state.gTempFile3);
    return out;
}

} // namespace moldrin
