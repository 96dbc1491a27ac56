// moldrin-report --kind Histogram: the histogram of the selection as JSON or PNG.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "cli/runfolder.h"
#include "common/rounding.h"
#include "data/config/configfiles.h"
#include "distribution/histogramplot.h"
#include "output/chartsettings.h"
#include "shell/mainsettings.h"

namespace moldrin::cli
{

namespace
{

JsonScalar LimitFigure(double limit)
{
    return IsLimitSentinel(limit) ? JsonScalar(QStringLiteral("N/A")) : JsonScalar(limit);
}

bool WriteHistogramJson(
    QIODevice& device, const ChartModel& chart, const HistogramOutcome& outcome, double usl, double lsl)
{
    const Histogram& h = outcome.histogram;
    // The names of the panel's figures, line by line (the empty line has none).
    static const char* const kNames[] = { "Total", "CellWidth", "StdDev", "Range", "Skewness", "Kurtosis", nullptr,
        "Pp", "PR", "PpK", "PpU", "PpL", "Zu", "Zl" };
    QList<std::pair<QString, JsonScalar>> figures { { "Mean", Round4(h.stats.mean) }, { "USL", LimitFigure(usl) },
        { "LSL", LimitFigure(lsl) } };
    for (qsizetype i = 0; i < h.panelValues.size() && i < qsizetype(std::size(kNames)); ++i)
        if (kNames[i])
            figures.append({ QLatin1String(kNames[i]), PanelFigure(h.panelValues[i]) });

    JsonWriter j(device);
    j.beginObject().key("chartType").string(std::string_view("Histogram"));
    j.key("records").number(double(outcome.records));
    WriteSkipped(j, outcome.skipped);
    j.key("pointCount").number(double(h.cells.size()));
    WriteFigures(j, figures);
    WritePanel(j, HistogramPanelCaptions(), h.panelValues);
    WriteSeries(j, chart);
    j.lineBreak().key("cells").beginArray();
    for (const HistogramCell& c : h.cells) {
        j.lineBreak().beginObject().key("lower").number(c.lower).key("upper").number(c.upper);
        j.key("count").number(double(c.count)).endObject();
    }
    j.endArray().endObject();
    return j.finish();
}

} // namespace

int HistogramReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    int index = 0;
    if (const StepResult r = ChosenParameter(session, o, err, index))
        return *r;
    const ListingFolder cellTable(s);
    const std::int64_t cells = o.cells.value_or(HistogramCellsSetting(s.registry.read(kHistogramCellNumberSetting)));

    LoadSettings(s); // the bar width, as the window finds it
    ChartModel chart = BuildHistogramChartTemplate();
    ApplyStoredChartSettings(s.registry, o.kind, chart);
    data::PromptHost host(prompt);
    s.gServerSide = o.serverSide || data::SiteServerSide(s.gINIPath);
    const HistogramOutcome outcome = PlotHistogram(s, chart, SelectionFor(session, o, index), cells, host);
    if (!outcome.note.isEmpty())
        err << "moldrin-report: " << outcome.note << Qt::endl;
    TellSkipped(err, outcome.skipped);
    if (!outcome.drawn) {
        if (outcome.message.isEmpty())
            err << "moldrin-report: the histogram draws nothing: the mean or the standard deviation of the readings "
                   "is 0"
                << Qt::endl;
        return kExitMessage;
    }
    const double usl = s.gUSL.value(index, kNoUpperLimit), lsl = s.gLSL.value(index, kNoLowerLimit);
    if (const StepResult r = WriteChart(
            chart, o, [&](QIODevice& file) { return WriteHistogramJson(file, chart, outcome, usl, lsl); }, out, err))
        return *r;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
