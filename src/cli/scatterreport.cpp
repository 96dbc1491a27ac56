// moldrin-report --kind Scatter: the regression chart of two parameters as JSON or PNG.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "distribution/scatterplot.h"
#include "output/chartsettings.h"
#include "shell/mainsettings.h"

namespace moldrin::cli
{

namespace
{

bool WriteScatterJson(QIODevice& device, const ChartModel& chart, const ScatterOutcome& outcome)
{
    const ScatterFigures& f = outcome.result.figures;
    JsonWriter j(device);
    j.beginObject().key("chartType").string(std::string_view("Scatter"));
    j.key("records").number(double(outcome.pairs));
    j.key("pointCount").number(double(outcome.pairs));
    j.key("header").strings(chart.header);
    j.key("axisTitles").beginObject().key("bottom").string(chart.bottom.title);
    j.key("left").string(chart.left.title).endObject();
    // The panel's figures by caption.
    WriteFigures(j,
        { { "Total", double(f.total) }, { "XMean", f.xMean }, { "XStdDev", f.xStdDev }, { "YMean", f.yMean },
            { "YStdDev", f.yStdDev }, { "Intercept", f.intercept }, { "Slope", f.slope },
            { "Correlation", f.correlation }, { "XMin", f.xMin }, { "XMax", f.xMax }, { "XRange", f.xRange },
            { "YMin", f.yMin }, { "YMax", f.yMax }, { "YRange", f.yRange } });
    WritePanel(j, ScatterPanelCaptions(), outcome.result.panelValues);
    WriteSeries(j, chart);
    j.endObject();
    return j.finish();
}

} // namespace

int ScatterReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    QList<int> chosen;
    if (const StepResult r = FindParameters(session, o, chosen, err))
        return *r;
    ScatterInputs inputs { 0, 0, o.xSource, o.ySource };
    if (chosen.size() == 1 && inputs.separate())
        chosen << chosen.first(); // one parameter from two testers
    if (chosen.size() != 2)
        return Fail(err, kExitUsage,
            QStringLiteral("--kind Scatter needs two --parameter options, or one with --x-source and --y-source"));
    inputs.xParameter = chosen[0];
    inputs.yParameter = chosen[1];

    LoadSettings(s); // the sample-number flag, as the window finds it
    const data::PlotSelection selection = SelectionFor(session, o, chosen[0]);
    ChartModel chart = BuildScatterChartTemplate();
    ApplyStoredChartSettings(s.registry, o.kind, chart);
    chart.series[kScatterSeriesData].marks.visible = s.gShowScatterSampleNumber;
    data::PromptHost host(prompt);
    const ScatterOutcome outcome = PlotScatter(s, chart, selection, inputs, host);
    if (!outcome.failure.isEmpty())
        return kExitMessage;
    if (const StepResult r = WriteChart(
            chart, o, [&](QIODevice& file) { return WriteScatterJson(file, chart, outcome); }, out, err))
        return *r;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
