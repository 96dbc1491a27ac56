// The histogram chart: its template, and the plot that reads the selection's values, computes and fills it.
#include "distribution/histogramplot.h"

#include "common/chartlook.h"
#include "common/nodata.h"
#include "common/reading.h"
#include "common/rounding.h"
#include "data/access/connection.h"
#include "data/config/configfiles.h"
#include "data/loader/plotfunction.h"
#include "data/loader/resultreader.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>
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
    {
        data::Recordset rs;
        const QString sql = data::SelectionSQL(state, selection, QString(), QStringLiteral("Histogram"));
        if (const data::Status e = rs.Open(sql, *state.gConnection, data::Recordset::Count::TimesWhileRead))
            return fail(e->description);
        const int field = rs.FieldIndex(QStringLiteral("ValueX"));
        while (!rs.Eof()) {
            double x = 0;
            bool notANumber = false;
            if (const data::Status e = data::FieldNumber(rs, field, x, notANumber))
                return fail(e->description);
            if (notANumber)
                ++out.skipped.notNumbers;
            else
                values.append(x);
            if (const data::Status e = rs.MoveNext())
                return fail(e->description);
            if (values.count() % kYieldEvery == 0)
                host.KeepResponsive(long(values.count()));
        }
        out.skipped.unreadableTimes = rs.UnreadableTimes();
    }
    out.records = values.count();
    if (out.records == 0) {
        out.message = kNoDataCollection;
        host.prompt().warn(out.message);
        return out;
    }

    const int i = selection.parameterIndex;
    out.histogram
        = ComputeHistogram(values, state.gUSL.value(i, kNoUpperLimit), state.gLSL.value(i, kNoLowerLimit), cells);
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
