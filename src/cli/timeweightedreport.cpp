// moldrin-report --kind EWMA | CUSUM: the chart of the selection's readings or subgroup means as JSON, PNG or PDF.
#include "cli/attributereport.h"
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "output/chartsettings.h"
#include "shell/chartrules.h"
#include "timeweighted/timeweightedplot.h"

namespace moldrin::cli
{

namespace
{

// The mark codes of one side of each point ("E+", "C-"; "" for none), written as they go.
void WriteShiftMarks(JsonWriter& j, const std::vector<ShiftMark>& marks, bool upper, int pointCount)
{
    auto next = marks.begin();
    j.beginArray();
    for (int i = 0; i < pointCount; ++i) {
        while (next != marks.end() && (next->point < std::size_t(i) || next->upper != upper))
            ++next;
        const bool marked = next != marks.end() && next->point == std::size_t(i);
        j.string(marked ? next->code : QString());
    }
    j.endArray();
}

bool WriteTimeWeightedJson(
    QIODevice& device, const ChartModel& chart, const QString& kind, int groupSize, const TimeWeightedOutcome& outcome)
{
    const TimeWeightedResult& r = outcome.result;
    const ReportPanel panel = PanelForReport(r.panel);
    const int points = int(r.statistic.size());
    JsonWriter j(device);
    j.beginObject().key("chartType").string(kind);
    j.key("subgroupSize").number(groupSize);
    j.key("records").number(double(outcome.records));
    j.key("pointCount").number(points);
    WriteFigures(j, panel.figures);
    // Where the target and the sigma the limits stand on come from.
    j.key("limits").beginObject().key("method").string(kind);
    j.key("sigmaFrom").string(outcome.basis.sigmaFrom);
    j.key("source").string(std::string_view("computed"));
    j.key("targetFrom").string(outcome.basis.targetFrom).endObject();
    WritePanel(j, panel.captions, panel.values);
    WriteSeries(j, chart);
    j.lineBreak().key("rules").beginObject().key("upper");
    WriteShiftMarks(j, r.marks, true, points);
    j.key("lower");
    WriteShiftMarks(j, r.marks, false, points);
    j.endObject().endObject();
    return j.finish();
}

} // namespace

int TimeWeightedReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    int index = 0;
    if (const StepResult r = ChosenParameter(session, o, err, index))
        return *r;
    const TimeWeightedKind kind = *TimeWeightedKindFromText(o.kind);
    // The points are those of the main chart of the options' type and size, whose rules apply here too.
    QStringList notices;
    const ChartSelection chosen = ApplyChartRules({ o.chart, o.size }, true, notices);
    for (const QString& notice : notices)
        StderrPrompt().inform(notice);
    s.gSampleSize = chosen.sampleSize;
    data::PlotSelection selection = SelectionFor(session, o, index);
    selection.chartType = chosen.chartType;

    TimeWeightedSettings settings = StoredSettings(s.registry, kind);
    settings.lambda = o.lambda.value_or(settings.lambda);
    settings.widthL = o.widthL.value_or(settings.widthL);
    settings.k = o.k.value_or(settings.k);
    settings.h = o.h.value_or(settings.h);

    ChartModel chart = BuildTimeWeightedChartTemplate(kind);
    ApplyStoredChartSettings(s.registry, o.kind, chart);
    data::PromptHost host(prompt);
    const TimeWeightedOutcome outcome = PlotTimeWeightedChart(s, chart, selection, settings, host);
    if (!outcome.plotted)
        return kExitMessage;
    const int groupSize = chosen.chartType == kChartIndividualMR ? 1 : chosen.sampleSize;
    if (const StepResult r = WriteChart(
            chart, o, [&](QIODevice& file) { return WriteTimeWeightedJson(file, chart, o.kind, groupSize, outcome); },
            out, err))
        return *r;
    if (o.failOnRules && outcome.marksPlaced)
        return kExitRules;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
