// moldrin-report --kind "P Chart" | "NP Chart" | "C Chart" | "U Chart": the attribute chart as JSON, PNG or PDF.
#include "cli/attributereport.h"

#include "attributes/attributechart.h"
#include "cli/jsonreport.h"
#include "data/loader/plotfunction.h"
#include "output/chartsettings.h"
#include "rules/rulesetup.h"

namespace moldrin::cli
{

namespace
{

bool WriteAttributeJson(
    QIODevice& device, const ChartModel& chart, const QString& kind, const AttributePlotOutcome& outcome)
{
    QList<std::pair<QString, JsonScalar>> figures;
    QStringList captions, values;
    for (const PanelLine& line : outcome.result.panel) {
        captions << line.caption;
        values << line.value;
        if (!line.figure.isEmpty())
            figures.append({ line.figure, PanelFigure(line.value) });
    }
    if (outcome.result.valueTextEndsWithBreak)
        values << QString();
    const int points = int(outcome.result.data.size());
    JsonWriter j(device);
    j.beginObject().key("chartType").string(kind);
    j.key("records").number(double(outcome.records));
    j.key("pointCount").number(points);
    WriteFigures(j, figures);
    // The lower limit each subgroup was given before a negative one was drawn at 0.
    j.key("computedLCL").beginArray();
    for (double lcl : outcome.result.lclComputed)
        j.number(lcl);
    j.endArray();
    WritePanel(j, captions, values);
    WriteSeries(j, chart);
    j.lineBreak().key("rules").beginObject().key("upper");
    WriteMarks(j, outcome.rules.centre, MarkSide::Upper, points);
    j.key("lower");
    WriteMarks(j, outcome.rules.centre, MarkSide::Lower, points);
    j.endObject().endObject();
    return j.finish();
}

} // namespace

int AttributeReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    const AttributeKind kind = *AttributeKindFromText(o.kind);
    LoadStoredRulesSetup(s);
    const data::PlotSelection selection = SelectionFor(session, o, -1);
    ChartModel chart = BuildAttributeChartTemplate(kind);
    ApplyStoredChartSettings(s.registry, o.kind, chart);
    if (kind == AttributeKind::C && !s.gCChartYAxisTitle.isEmpty())
        chart.left.title = s.gCChartYAxisTitle;
    data::PromptHost host(prompt);
    const AttributePlotOutcome outcome = PlotAttributeChart(s, chart, selection, kind, o.zones, host);
    if (!outcome.plotted)
        return kExitMessage;
    if (const StepResult r = WriteChart(
            chart, o, [&](QIODevice& file) { return WriteAttributeJson(file, chart, o.kind, outcome); }, out, err))
        return *r;
    if (o.failOnRules && outcome.rules.centreMarks)
        return kExitRules;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
