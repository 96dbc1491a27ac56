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
    ReportPanel panel = PanelForReport(outcome.result.panel);
    if (outcome.result.valueTextEndsWithBreak)
        panel.values << QString();
    const int points = int(outcome.result.data.size());
    JsonWriter j(device);
    j.beginObject().key("chartType").string(kind);
    j.key("records").number(double(outcome.records));
    WriteSkipped(j, outcome.skipped);
    j.key("pointCount").number(points);
    WriteFigures(j, panel.figures);
    if (outcome.result.laney) {
        j.key("limits").beginObject().key("method").string(std::string_view("Laney"));
        j.key("sigmaZ").scalar(panel.figure(QStringLiteral("SigmaZ")));
        j.key("source").string(std::string_view("computed")).endObject();
    }
    // The lower limit each subgroup was given before a negative one was drawn at 0.
    j.key("computedLCL").beginArray();
    for (double lcl : outcome.result.lclComputed)
        j.number(lcl);
    j.endArray();
    WritePanel(j, panel.captions, panel.values);
    WriteSeries(j, chart);
    j.lineBreak().key("rules").beginObject().key("upper");
    WriteMarks(j, outcome.rules.centre, MarkSide::Upper, points);
    j.key("lower");
    WriteMarks(j, outcome.rules.centre, MarkSide::Lower, points);
    j.endObject().endObject();
    return j.finish();
}

} // namespace

ReportPanel PanelForReport(const std::vector<PanelLine>& lines)
{
    ReportPanel panel;
    for (const PanelLine& line : lines) {
        panel.captions << line.caption;
        panel.values << line.value;
        if (!line.figure.isEmpty())
            panel.figures.append({ line.figure, PanelFigure(line.value) });
    }
    return panel;
}

JsonScalar ReportPanel::figure(const QString& name) const
{
    for (const auto& [key, value] : figures)
        if (key == name)
            return value;
    return {};
}

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
    const AttributePlotOutcome outcome = PlotAttributeChart(s, chart, selection, kind, o.zones, host, o.laney);
    TellSkipped(err, outcome.skipped);
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
