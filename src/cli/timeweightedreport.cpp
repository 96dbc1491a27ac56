// moldrin-report --kind EWMA | CUSUM: the chart of the selection's readings or subgroup means as JSON, PNG or PDF.
#include "cli/attributereport.h"
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "shell/chartrules.h"
#include "timeweighted/timeweightedplot.h"

#include <QJsonObject>

namespace moldrin::cli
{

namespace
{

// The mark codes of one side of each point ("E+", "C-"; "" for none), written as they go.
void WriteShiftMarks(JsonOut& j, const std::vector<ShiftMark>& marks, bool upper, int pointCount)
{
    auto next = marks.begin();
    j.raw("[");
    for (int i = 0; i < pointCount; ++i) {
        while (next != marks.end() && (next->point < std::size_t(i) || next->upper != upper))
            ++next;
        const bool marked = next != marks.end() && next->point == std::size_t(i);
        (i ? j.raw(",") : j).string(marked ? next->code : QString());
    }
    j.raw("]");
}

bool WriteTimeWeightedJson(
    QIODevice& device, const ChartModel& chart, const QString& kind, int groupSize, const TimeWeightedOutcome& outcome)
{
    const TimeWeightedResult& r = outcome.result;
    const ReportPanel panel = PanelForReport(r.panel);
    const int points = int(r.statistic.size());
    JsonOut j(device);
    j.raw("{\"chartType\":").string(kind);
    j.raw(",\"subgroupSize\":").number(groupSize);
    j.raw(",\"records\":").number(double(outcome.records));
    j.raw(",\"pointCount\":").number(points);
    j.raw(",\"figures\":").value(panel.figures);
    // Where the target and the sigma the limits stand on come from.
    j.raw(",\"limits\":")
        .value(QJsonObject { { "source", "computed" }, { "method", kind }, { "targetFrom", outcome.basis.targetFrom },
            { "sigmaFrom", outcome.basis.sigmaFrom } });
    j.raw(",\"panel\":").value(PanelJson(panel.captions, panel.values));
    j.raw(",\n\"series\":");
    WriteSeries(j, chart);
    j.raw(",\n\"rules\":{\"upper\":");
    WriteShiftMarks(j, r.marks, true, points);
    j.raw(",\"lower\":");
    WriteShiftMarks(j, r.marks, false, points);
    j.raw("}}\n");
    return j.flush();
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
