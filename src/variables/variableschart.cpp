// The variables chart's template, reset, page captions and data points.
#include "variables/variableschart.h"

#include "common/chartlook.h"

namespace moldrin
{

namespace
{

// The medians and s: the template's light grey 15658734 cannot be seen on the white plot area, so the same
// grey darkened to a contrast of 3:1 with white, still lighter than the means and ranges.
constexpr OleColour kMedianGrey = 0x949494;
constexpr OleColour kDarkGrey = 5987163;
constexpr OleColour kLimitPen = 4227327;
constexpr OleColour kArrowFrame = 6579300;
constexpr OleColour kCentreLineColour = 0xC00000;
constexpr OleColour kStageLineColour = 0x404040;

ChartSeries DataSeries(const QString& title, OleColour colour, VerticalAxis axis)
{
    ChartSeries s;
    s.kind = SeriesKind::Line;
    s.title = title;
    s.pointer = PointerStyle::Diamond;
    s.colour = colour;
    s.verticalAxis = axis;
    return s;
}

ChartSeries LimitSeries(const QString& title, OleColour colour, OleColour penColour, bool transparentMarks)
{
    ChartSeries s;
    s.kind = SeriesKind::Line;
    s.title = title;
    s.colour = colour;
    s.pen = PenStyle::Dot;
    s.penColour = penColour;
    s.marks.visible = true;
    s.marks.transparent = transparentMarks;
    return s;
}

ChartSeries ArrowSeries(const QString& title, PointerStyle pointer, int arrowLength)
{
    ChartSeries s;
    s.kind = SeriesKind::Points;
    s.title = title;
    s.pointer = pointer;
    s.colour = kClRed;
    s.pointerColour = kClRed;
    s.frameColour = kArrowFrame;
    s.marks.visible = true;
    s.marks.colour = kClYellow;
    s.marks.backColour = kClYellow;
    s.marks.italic = true;
    s.marks.shape = MarkShape::RoundRectangle;
    s.marks.transparent = true;
    s.marks.offset = arrowLength;
    return s;
}

QString Caption(const QString& title, const QString& wording, int page, int pages)
{
    return title + wording + QString::number(page) + QStringLiteral(" of ") + QString::number(pages);
}

struct AxisTitles {
    QString left, custom0, subHeader;
};

AxisTitles TitlesFor(const QString& chartType)
{
    const QString subgroup = QStringLiteral("Sub-Group Number");
    if (chartType == kChartXBarRMedianS)
        return { QStringLiteral("X-Bar & Median"), QStringLiteral("R & s"), subgroup };
    if (chartType == kChartMedianR)
        return { QStringLiteral("Median"), QStringLiteral("Range"), subgroup };
    if (chartType == kChartMedianS)
        return { QStringLiteral("Median"), QStringLiteral("s"), subgroup };
    if (chartType == kChartXBarR)
        return { QStringLiteral("X-Bar"), QStringLiteral("Range"), subgroup };
    if (chartType == kChartXBarS)
        return { QStringLiteral("X-Bar"), QStringLiteral("s"), subgroup };
    if (chartType == kChartIndividualMR)
        return { QStringLiteral("Individual"), QStringLiteral("Moving Range"), QStringLiteral("Sample Number") };
    const QString unknown = QStringLiteral("?????");
    return { unknown, unknown, unknown };
}

void AddDataPoints(ChartModel& chart, double median, double xbar, double s, double range, std::int64_t number)
{
    if (chart.seriesCount() < kTemplateSeriesCount)
        return;
    chart.series[kSeriesMedian].add(median);
    chart.series[kSeriesXBar].add(xbar);
    chart.series[kSeriesS].add(s);
    chart.series[kSeriesRange].addNumbered(range, number);
}

void SetIncrement(ChartAxis& axis, const ChartSeries& s)
{
    if (s.count() > 0)
        axis.increment = (*s.maxY() - *s.minY()) / s.count();
}

// Draws the limits' lines from point `first` to point `last` (see FillControlLimits).
void FillLines(ChartModel& chart, const ControlLimits& limits, int first, int last)
{
    for (const LimitLine& line : limits.lines) {
        int index = line.role == LineRole::LSL ? kSeriesLSL : line.role == LineRole::USL ? kSeriesUSL : -1;
        if (index < 0) {
            index = AddLimitLineSeries(
                chart, line.chart == LimitChart::Variation ? QStringLiteral("Range") : QStringLiteral("X-Bar"));
            chart.series[index].marks.offset = line.markOffset;
            if (line.role == LineRole::CL)
                chart.series[index].colour = chart.series[index].penColour = kCentreLineColour;
        }
        chart.series[index].addXY(first, line.y, line.first);
        chart.series[index].addXY(last, line.y, line.last);
    }
    SetIncrement(chart.left, chart.series[kSeriesXBar]);
    SetIncrement(chart.custom0, chart.series[kSeriesRange]);
    // Pages that leave the window (exported, printed) carry its statistics panel.
    chart.panelCaptions = PanelCaptions();
    chart.panelValues = limits.panelValues;
}

} // namespace

ChartModel BuildVariablesChartTemplate()
{
    ChartModel c;
    ChartSeries median = DataSeries(QStringLiteral("Median"), kMedianGrey, VerticalAxis::Left);
    median.handCursor = true;
    median.valueFormat = QStringLiteral("#,##0.##");
    c.series << median;
    c.series << LimitSeries(QStringLiteral("CL/LCL/UCL"), kClMaroon, kLimitPen, true);
    c.series << LimitSeries(QStringLiteral("LSL"), kClRed, kClRed, false);
    c.series << LimitSeries(QStringLiteral("USL"), kClRed, kClRed, false);
    c.series << DataSeries(QStringLiteral("s"), kMedianGrey, VerticalAxis::Custom0);
    ChartSeries xbar = DataSeries(QStringLiteral("X-Bar"), kDarkGrey, VerticalAxis::Left);
    xbar.handCursor = true;
    c.series << xbar;
    ChartSeries range = DataSeries(QStringLiteral("Range"), kDarkGrey, VerticalAxis::Custom0);
    range.horizontalAxis = HorizontalAxis::Bottom;
    c.series << range;
    c.series << ArrowSeries(QStringLiteral("Up Arrow"), PointerStyle::DownTriangle, 8);
    c.series << ArrowSeries(QStringLiteral("Down Arrow"), PointerStyle::Triangle, -23);

    for (ChartAxis* a : { &c.left, &c.custom0 }) {
        a->labelFormat = kDefaultAxisLabelFormat;
        a->labelSize = kDefaultLabelArea;
    }
    c.left.startPercent = 0;
    c.left.endPercent = 70;
    c.custom0.startPercent = 74;
    c.custom0.endPercent = 100;
    c.custom0.title = QStringLiteral("Range");
    c.bottom.labelFormat = QStringLiteral("#,##0");
    c.bottom.increment = 5;
    c.top.labelFormat = QStringLiteral("#,##0.##");
    c.maxPointsPerPage = kDefaultPointsPerPage;
    return c;
}

QString ResetPageCaption(const QString& chartTitle, int page, int pages)
{
    return Caption(chartTitle, QStringLiteral("  Chart Page: "), page, pages);
}

QString PageChangeCaption(const QString& chartTitle, int page, int pages)
{
    return Caption(chartTitle, QStringLiteral(" Control Chart Page "), page, pages);
}

QString RefreshPageCaption(const QString& chartTitle, int page, int pages)
{
    return Caption(chartTitle, QStringLiteral(" Chart Page: "), page, pages);
}

void WriteResetPageCaption(ChartModel& chart, const QString& chartTitle)
{
    chart.header = QStringList { ResetPageCaption(chartTitle, chart.currentPage(), chart.pageCount()) };
}

void WritePageChangeCaption(ChartModel& chart, const QString& chartTitle)
{
    chart.header = QStringList { PageChangeCaption(chartTitle, chart.currentPage(), chart.pageCount()) };
}

void WriteRefreshPageCaption(ChartModel& chart, const QString& chartTitle)
{
    chart.header = QStringList { RefreshPageCaption(chartTitle, chart.currentPage(), chart.pageCount()) };
}

void ResetVariablesChart(ChartModel& chart, const QString& chartType, const QString& unit, const QString& chartTitle)
{
    chart.visible = false;
    for (int i = chart.seriesCount() - 1; i >= kTemplateSeriesCount; --i)
        chart.removeSeries(i);
    chart.clearAllPoints();
    for (int i : { kSeriesUpArrow, kSeriesDownArrow })
        if (ChartSeries* s = chart.seriesAt(i))
            s->marks.visible = true;
    chart.maxPointsPerPage = kDefaultPointsPerPage;
    chart.setPage(1);
    chart.header.clear();
    WriteResetPageCaption(chart, chartTitle);
    chart.left.automatic = true;
    chart.custom0.automatic = true;

    const AxisTitles titles = TitlesFor(chartType);
    chart.left.title = unit.isEmpty() ? titles.left : titles.left + QStringLiteral(" (") + unit + QStringLiteral(")");
    chart.custom0.title = titles.custom0;
    chart.subHeader = QStringList { titles.subHeader };
    chart.visible = true;
}

int AddLimitLineSeries(ChartModel& chart, const QString& chartName, int templateIndex)
{
    const int index = chart.copySeries(templateIndex);
    if (index >= 0 && chartName == QLatin1String("Range"))
        chart.series[index].verticalAxis = VerticalAxis::Custom0;
    return index;
}

void FillControlLimits(ChartModel& chart, const ControlLimits& limits)
{
    if (chart.seriesCount() >= kTemplateSeriesCount)
        FillLines(chart, limits, 0, chart.series[0].count() - 1);
}

void FillStageLimits(ChartModel& chart, const ControlLimits& limits, int first, int last, const QDate& start)
{
    if (chart.seriesCount() < kTemplateSeriesCount)
        return;
    if (first > 0) {
        const ChartSeries& means = chart.series[kSeriesXBar];
        const int index = AddLimitLineSeries(chart, QStringLiteral("X-Bar"));
        ChartSeries& marker = chart.series[index];
        marker.colour = marker.penColour = kStageLineColour;
        marker.addXY(first - 0.5, *means.minY(), QString());
        marker.addXY(first - 0.5, *means.maxY(), QStringLiteral("  ") + start.toString(Qt::ISODate));
    }
    FillLines(chart, limits, first, last);
}

void AddSubgroupPoints(ChartModel& chart, const SubgroupPoint& point)
{
    AddDataPoints(chart, point.medianValue, point.centreValue, point.sValue, point.variationValue, point.number);
}

void AddIndividualPoints(ChartModel& chart, const IndividualPoint& point)
{
    AddDataPoints(chart, point.value, point.value, point.movingRange, point.movingRange, point.number);
}

} // namespace moldrin
