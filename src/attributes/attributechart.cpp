// The attribute charts' table, template and plot function: rows read once, computed, drawn and marked.
#include "attributes/attributechart.h"

#include "common/chartlook.h"
#include "common/nodata.h"
#include "common/reading.h"
#include "data/access/connection.h"
#include "data/config/querybuilder.h"
#include "data/loader/plotfunction.h"
#include "rules/rulemarks.h"

#include <algorithm>
#include <array>

namespace moldrin
{

namespace
{

const std::array<AttributeKindTraits, 4>& Table()
{
    static const std::array<AttributeKindTraits, 4> table { {
        { AttributeKind::P, QStringLiteral("P Chart"), QStringLiteral("p Chart"), QStringLiteral("frmP_Chart"),
            QStringLiteral("ocxP_Chart"), QStringLiteral("Rate of Nonconforming"), QStringLiteral("P"), false,
            kClSilver, -16, QStringLiteral("Laney p\u2032 Chart") },
        { AttributeKind::NP, QStringLiteral("NP Chart"), QStringLiteral("np Chart"), QStringLiteral("frmNP_Chart"),
            QStringLiteral("ocxNP_Chart"), QStringLiteral("Number of Nonconforming"), QStringLiteral("NP"), true,
            kClGray, -16, {} },
        { AttributeKind::C, QStringLiteral("C Chart"), QStringLiteral("c Chart"), QStringLiteral("frmC_Chart"),
            QStringLiteral("ocxC_Chart"), QStringLiteral("Y Title"), QStringLiteral("C"), true, kClGray, -15, {} },
        { AttributeKind::U, QStringLiteral("U Chart"), QStringLiteral("u Chart"), QStringLiteral("frmU_Chart"),
            QStringLiteral("ocxU_Chart"), QStringLiteral("Nonconforming/Unit"), QStringLiteral("U"), false, kClGray,
            -16, QStringLiteral("Laney u\u2032 Chart") },
    } };
    return table;
}

} // namespace

ChartSeries LabelledLine(const QString& title, OleColour colour, PenStyle pen, int markOffset)
{
    ChartSeries s;
    s.kind = SeriesKind::Line;
    s.title = title;
    s.colour = colour;
    s.pen = pen;
    s.horizontalAxis = HorizontalAxis::Bottom;
    s.marks.visible = true;
    s.marks.transparent = true;
    s.marks.offset = markOffset;
    return s;
}

ChartSeries RuleArrows(const QString& title, PointerStyle pointer, int markOffset)
{
    ChartSeries s = LabelledLine(title, kClRed, PenStyle::Solid, markOffset);
    s.kind = SeriesKind::Points;
    s.pointer = pointer;
    s.pointerColour = kClRed;
    s.marks.italic = true;
    return s;
}

void AppendLine(ChartSeries& s, const std::vector<LinePoint>& line)
{
    for (const LinePoint& p : line)
        s.addXY(p.x, p.y, p.label);
}

namespace
{

// The rules on the points against their limit and zone lines (each line's point i is subgroup i's; with
// constant limits its first point holds for all), the centre line's first point for R4; the marks on
// series 5 and 6 at x = point index + 1.
RuleEvaluation EvaluateAttributeRules(
    ChartModel& chart, const AttributeChartResult& r, bool constantLimits, const AppState& state)
{
    const auto line
        = [&](const AttributeLine& l) { return constantLimits ? RuleLine(l.front().y) : RuleLine(LineValues(l)); };
    const std::vector<double> points = LineValues(r.data);
    const RuleInput input { points,
        { line(r.ucl), line(r.lcl), line(r.zones[0]), line(r.zones[1]), line(r.zones[2]), line(r.zones[3]),
            RuleLine(r.centre.front().y) },
        EnabledRuleGroups(state.gRulesSetup, { kColumnAttribute }) };
    RuleEvaluation e;
    e.centre = EvaluateRules(input);
    e.centreMarks = PlaceRuleMarks(chart, kAttrData, AxisId::Left, kAttrUpArrow, kAttrDownArrow, 1, e.centre);
    e.completed = true;
    e.timerEnabled = RuleBlinkTimerEnabled(state.gRulesBlinkEnable, e.centreMarks);
    return e;
}

} // namespace

const AttributeKindTraits& Traits(AttributeKind kind)
{
    return Table()[std::size_t(kind)];
}

std::optional<AttributeKind> AttributeKindFromText(const QString& queryKind)
{
    for (const AttributeKindTraits& t : Table())
        if (t.queryKind == queryKind)
            return t.kind;
    return std::nullopt;
}

ChartModel BuildAttributeChartTemplate(AttributeKind kind)
{
    const AttributeKindTraits& t = Traits(kind);
    ChartModel c;
    ChartSeries data = LabelledLine(QStringLiteral("Data"), t.dataColour, PenStyle::Solid, 0);
    data.pointer = PointerStyle::Diamond;
    data.frameColour = kClGray; // the outline keeps silver points visible on white
    data.marks.visible = false;
    c.series << data;
    ChartSeries mean = LabelledLine(QStringLiteral("Mean"), kClNavy, PenStyle::Dot, 0);
    mean.marks.fontColour = kClGray;
    mean.marks.bold = true;
    c.series << mean;
    c.series << LabelledLine(QStringLiteral("UCL"), kClMaroon, PenStyle::Dot, t.uclMarkOffset);
    c.series << LabelledLine(QStringLiteral("LCL"), kClMaroon, PenStyle::Dot, 3);
    c.series << LabelledLine(QStringLiteral("Zone"), kClMaroon, PenStyle::Dot, 3);
    c.series << RuleArrows(QStringLiteral("Up Arrow"), PointerStyle::DownTriangle, 8);
    c.series << RuleArrows(QStringLiteral("Down Arrow"), PointerStyle::Triangle, -23);

    c.header = QStringList { t.caption };
    c.bottom.title = QStringLiteral("Sub-Group Number    ");
    c.bottom.labelFormat = QStringLiteral("#,##0");
    c.bottom.increment = 1;
    c.left.labelFormat = kDefaultAxisLabelFormat;
    c.left.labelSize = kDefaultLabelArea;
    c.left.title = t.axisTitle;
    return c;
}

void ClearAttributeChart(ChartModel& chart)
{
    chart.header = chart.header.mid(0, 1);
    for (int i = chart.seriesCount() - 1; i >= kAttrTemplateSeriesCount; --i)
        chart.removeSeries(i);
    chart.clearAllPoints();
    for (int i : { kAttrUpArrow, kAttrDownArrow })
        if (ChartSeries* s = chart.seriesAt(i))
            s->marks.visible = true;
}

void FillAttributeChart(ChartModel& chart, const AttributeChartResult& r)
{
    AppendLine(chart.series[kAttrData], r.data);
    AppendLine(chart.series[kAttrMean], r.centre);
    AppendLine(chart.series[kAttrUCL], r.ucl);
    AppendLine(chart.series[kAttrLCL], r.lcl);
    for (std::size_t z = 0; z < r.zones.size(); ++z) {
        const int index = chart.copySeries(kAttrZone);
        // The two upper zone lines carry their labels below the line.
        if (z == 0 || z == 2)
            chart.series[index].marks.offset = -15;
        AppendLine(chart.series[index], r.zones[z]);
    }
    const ChartSeries& ucl = chart.series[kAttrUCL];
    const ChartSeries& lcl = chart.series[kAttrLCL];
    if (!r.data.empty() && ucl.count() > 0 && lcl.count() > 0)
        chart.left.increment = (*ucl.maxY() - *lcl.minY()) / double(r.data.size());
    for (const PanelLine& line : r.panel) {
        chart.panelCaptions << line.caption;
        chart.panelValues << line.value;
    }
}

AttributePlotOutcome PlotAttributeChart(AppState& state, ChartModel& chart, const data::PlotSelection& s,
    AttributeKind kind, bool showZones, data::PlotHost& host, bool laney)
{
    const AttributeKindTraits& t = Traits(kind);
    Prompt& prompt = host.prompt();
    AttributePlotOutcome out;
    laney = laney && !t.laneyCaption.isEmpty();
    chart.header = QStringList { laney ? t.laneyCaption : t.caption, data::ChartTitleLine(state, s) };

    const QString sql = data::GetSQL(state, s.query, QString(), s.range.trimmed(), data::TesterFilter(s),
        state.gColTestStartTime, QString(), QString(), false, t.queryKind);
    if (!state.gConnection) {
        prompt.warn(QStringLiteral("Operation is not allowed when the object is closed.!"));
        return out;
    }
    data::Recordset rs;
    if (const data::Status e = rs.Open(sql, *state.gConnection, data::Recordset::Count::TimesWhileRead)) {
        prompt.warn(e->description + QStringLiteral("!"));
        return out;
    }
    // One row a subgroup: they are kept, and both passes of p and u go over these same rows. A row with a
    // count or size that is no number (text, a date) is left out like a null one, and its fields counted.
    std::vector<AttributeRow> rows;
    const int nonconforming = rs.FieldIndex(QStringLiteral("NonConformitiesX"));
    const int size = kind == AttributeKind::C ? -1 : rs.FieldIndex(QStringLiteral("SubGroupX"));
    const auto read = [&](int field, double& v, bool& usable) -> bool {
        const data::Recordset::FieldResult f = rs.Field(field);
        if (f.error) {
            prompt.warn(f.error->description + QStringLiteral("!"));
            return false;
        }
        const FieldReading r = ReadingOf(f.value);
        out.skipped.notNumbers += r.kind == FieldReading::Kind::NotANumber ? 1 : 0;
        usable = usable && r.isNumber();
        v = r.value;
        return true;
    };
    for (; !rs.Eof(); ++out.records) {
        AttributeRow row;
        bool usable = true;
        if (!read(nonconforming, row.nonconforming, usable) || (size >= 0 && !read(size, row.size, usable)))
            return out;
        if (usable)
            rows.push_back(row);
        if (const data::Status e = rs.MoveNext()) {
            prompt.warn(e->description + QStringLiteral("!"));
            return out;
        }
    }
    out.skipped.unreadableTimes = rs.UnreadableTimes(); // complete now that every row was read
    rs.Close();
    if (rows.empty()) {
        prompt.warn(kNoDataCollection);
        return out;
    }

    out.result = ComputeAttributeChart(kind, rows, showZones, laney);
    if (!out.result.failure.isEmpty()) {
        // A failed np check shows its message as it stands; no line has been drawn.
        prompt.warn(out.result.checkFailed ? out.result.failure : out.result.failure + QStringLiteral("!"));
        return out;
    }
    FillAttributeChart(chart, out.result);
    out.plotted = true;
    if (showZones)
        out.rules = EvaluateAttributeRules(chart, out.result, t.constantLimits, state);
    return out;
}

} // namespace moldrin
