// moldrin-report --kind Pareto: the ranking of every parameter of the product as JSON or PNG.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "distribution/paretoplot.h"
#include "shell/mainsettings.h"

#include <QJsonArray>
#include <QJsonObject>

namespace moldrin::cli
{

namespace
{

bool WriteParetoJson(QIODevice& device, const ChartModel& chart, const ParetoOutcome& outcome)
{
    JsonOut j(device);
    j.raw("{\"chartType\":\"Pareto\"");
    j.raw(",\"records\":").number(double(outcome.records));
    WriteSkipped(j, outcome.skipped);
    j.raw(",\"pointCount\":").number(double(outcome.ranking.items.size()));
    j.raw(",\"header\":").value(QJsonArray::fromStringList(chart.header));
    j.raw(",\"xTitle\":").string(outcome.xTitle);
    j.raw(",\"figures\":")
        .value(QJsonObject { { "Total", double(outcome.records) }, { "GrandTotal", outcome.ranking.total } });
    j.raw(",\"panel\":").value(PanelJson({ QStringLiteral("Total:") }, { outcome.countText }));
    j.raw(",\n\"items\":[");
    for (qsizetype i = 0; i < outcome.ranking.items.size(); ++i) {
        const ParetoItem& item = outcome.ranking.items[i];
        j.raw(i ? ",\n{\"name\":" : "\n{\"name\":").string(item.name);
        j.raw(",\"sum\":").number(item.sum);
        j.raw(",\"percent\":").number(item.percent);
        j.raw(",\"cumulative\":").number(item.cumulative).raw("}");
    }
    j.raw("],\n\"series\":");
    WriteSeries(j, chart);
    j.raw("}\n");
    return j.flush();
}

} // namespace

int ParetoReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    LoadSettings(s); // the bar width, as the window finds it
    const data::PlotSelection selection = SelectionFor(session, o, 0);
    ChartModel chart = BuildParetoChartTemplate();
    data::PromptHost host(prompt);
    const ParetoOutcome outcome = PlotPareto(
        s, chart, selection, host, o.paretoPerParameter ? ParetoReading::PerParameter : ParetoReading::Auto);
    TellSkipped(err, outcome.skipped);
    if (!outcome.failure.isEmpty())
        return kExitMessage;
    if (const StepResult r = WriteChart(
            chart, o, [&](QIODevice& file) { return WriteParetoJson(file, chart, outcome); }, out, err))
        return *r;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
