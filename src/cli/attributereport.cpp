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

bool WriteAttributeJson(
    QIODevice& device, const ChartModel& chart, const QString& kind, const AttributePlotOutcome& outcome)
{
    ReportPanel panel = PanelForReport(outcome.result.panel);
    if (outcome.result.valueTextEndsWithBreak)
        panel.values << QString();
    const int points = int(outcome.result.data.size());
    JsonOut j(device);
    j.raw("{\"chartType\":").string(kind);
    j.raw(",\"records\":").number(double(outcome.records));
    j.raw(",\"pointCount\":").number(points);
    j.raw(",\"figures\":").value(panel.figures);
    if (outcome.result.laney)
        j.raw(",\"limits\":")
            .value(QJsonObject { { "source", "computed" }, { "method", "Laney" },
                { "sigmaZ", panel.figures.value(QStringLiteral("SigmaZ")) } });
    // The lower limit each subgroup was given before a negative one was drawn at 0.
    QJsonArray computedLcl;
    for (double lcl : outcome.result.lclComputed)
        computedLcl.append(lcl);
    j.raw(",\"computedLCL\":").value(computedLcl);
    j.raw(",\"panel\":").value(PanelJson(panel.captions, panel.values));
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

ReportPanel PanelForReport(const std::vector<PanelLine>& lines)
{
    ReportPanel panel;
    for (const PanelLine& line : lines) {
        panel.captions << line.caption;
        panel.values << line.value;
        bool number = false;
        const double v = QString(line.value).remove(QLatin1Char(',')).toDouble(&number);
        if (!line.figure.isEmpty())
            panel.figures.insert(line.figure, number ? QJsonValue(v) : QJsonValue(line.value));
    }
    return panel;
}

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
    const AttributePlotOutcome outcome = PlotAttributeChart(s, chart, selection, kind, o.zones, host, o.laney);
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
