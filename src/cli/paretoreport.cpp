// moldrin-report --kind Pareto: the ranking of every parameter of the product as JSON or PNG.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "data/config/configfiles.h"
#include "distribution/paretoplot.h"
#include "shell/mainsettings.h"

namespace moldrin::cli
{

namespace
{

bool WriteParetoJson(QIODevice& device, const ChartModel& chart, const ParetoOutcome& outcome)
{
    JsonWriter j(device);
    j.beginObject().key("chartType").string(std::string_view("Pareto"));
    j.key("records").number(double(outcome.records));
    WriteSkipped(j, outcome.skipped);
    j.key("pointCount").number(double(outcome.ranking.items.size()));
    j.key("header").strings(chart.header);
    j.key("xTitle").string(outcome.xTitle);
    WriteFigures(j, { { "Total", double(outcome.records) }, { "GrandTotal", outcome.ranking.total } });
    WritePanel(j, { QStringLiteral("Total:") }, { outcome.countText });
    j.lineBreak().key("items").beginArray();
    for (const ParetoItem& item : outcome.ranking.items) {
        j.lineBreak().beginObject().key("name").string(item.name).key("sum").number(item.sum);
        j.key("percent").number(item.percent).key("cumulative").number(item.cumulative).endObject();
    }
    j.endArray();
    WriteSeries(j, chart);
    j.endObject();
    return j.finish();
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
    s.gServerSide = o.serverSide || data::SiteServerSide(s.gINIPath);
    const ParetoOutcome outcome = PlotPareto(
        s, chart, selection, host, o.paretoPerParameter ? ParetoReading::PerParameter : ParetoReading::Auto);
    if (!outcome.note.isEmpty())
        err << "moldrin-report: " << outcome.note << Qt::endl;
    TellSkipped(err, outcome.skipped);
    if (!outcome.failure.isEmpty())
        return kExitMessage;
    if (const StepResult r = WriteChart(
            chart, o, [&](QIODevice& file) { return WriteParetoJson(file, chart, outcome); }, out, err))
        return *r;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
