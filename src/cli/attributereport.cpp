// moldrin-report --kind "P Chart" | "NP Chart" | "C Chart" | "U Chart": the attribute chart as JSON, PNG or PDF.
#include "cli/attributereport.h"

#include "attributes/attributechart.h"
#include "cli/jsonreport.h"
#include "data/loader/plotfunction.h"
#include "rules/rulesetup.h"

#include <QJsonArray>
#include <QJsonObject>

namespace moldrin::cli
{

namespace
{

// The number a panel value shows ("1,234.5": 1234.5), so a figure is what the panel says.
double PanelNumber(const QString& text)
{
    return QString(text).remove(QLatin1Char(',')).toDouble();
}

bool WriteAttributeJson(
    QIODevice& device, const ChartModel& chart, const QString& kind, const AttributePlotOutcome& outcome)
{
    QJsonObject figures;
    QStringList captions, values;
    for (const PanelLine& line : outcome.result.panel) {
        captions << line.caption;
        values << line.value;
        if (!line.figure.isEmpty())
            figures.insert(line.figure, PanelNumber(line.value));
    }
    if (outcome.result.valueTextEndsWithBreak)
        values << QString();
    const int points = int(outcome.result.data.size());
    JsonOut j(device);
    j.raw("{\"chartType\":").string(kind);
    j.raw(",\"records\":").number(double(outcome.records));
    j.raw(",\"pointCount\":").number(points);
    j.raw(",\"figures\":").value(figures);
    // The lower limit each subgroup was given before a negative one was drawn at 0.
    QJsonArray computedLcl;
    for (double lcl : outcome.result.lclComputed)
        computedLcl.append(lcl);
    j.raw(",\"computedLCL\":").value(computedLcl);
    j.raw(",\"panel\":").value(PanelJson(captions, values));
    j.raw(",\n\"series\":");
    WriteSeries(j, chart);
    j.raw(",\n\"rules\":{\"upper\":");
    WriteMarks(j, outcome.rules.centre, MarkSide::Upper, points);
    j.raw(",\"lower\":");
    WriteMarks(j, outcome.rules.centre, MarkSide::Lower, points);
    j.raw("}}\n");
    return j.flush();
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
