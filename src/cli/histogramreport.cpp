// moldrin-report --kind Histogram: the histogram of the selection as JSON or PNG.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "common/rounding.h"
#include "distribution/histogramplot.h"
#include "shell/mainsettings.h"

#include <QJsonObject>
#include <QTemporaryDir>

namespace moldrin::cli
{

namespace
{

// A panel text as the number it shows ("1,234.5" is 1234.5); a text such as "N/A" stays a text.
QJsonValue PanelFigure(const QString& text)
{
    bool ok = false;
    const double v = QString(text).remove(QLatin1Char(',')).toDouble(&ok);
    return ok ? QJsonValue(v) : QJsonValue(text);
}

QJsonValue LimitFigure(double limit)
{
    return IsLimitSentinel(limit) ? QJsonValue("N/A") : QJsonValue(limit);
}

bool WriteHistogramJson(
    QIODevice& device, const ChartModel& chart, const HistogramOutcome& outcome, double usl, double lsl)
{
    const Histogram& h = outcome.histogram;
    // The names of the panel's figures, line by line (the empty line has none).
    static const char* const kNames[] = { "Total", "CellWidth", "StdDev", "Range", "Skewness", "Kurtosis", nullptr,
        "Pp", "PR", "PpK", "PpU", "PpL", "Zu", "Zl" };
    QJsonObject figures { { "Mean", Round4(h.stats.mean) }, { "USL", LimitFigure(usl) }, { "LSL", LimitFigure(lsl) } };
    for (qsizetype i = 0; i < h.panelValues.size() && i < qsizetype(std::size(kNames)); ++i)
        if (kNames[i])
            figures.insert(QLatin1String(kNames[i]), PanelFigure(h.panelValues[i]));

    JsonOut j(device);
    j.raw("{\"chartType\":\"Histogram\"");
    j.raw(",\"records\":").number(double(outcome.records));
    WriteSkipped(j, outcome.skipped);
    j.raw(",\"pointCount\":").number(double(h.cells.size()));
    j.raw(",\"figures\":").value(figures);
    j.raw(",\"panel\":").value(PanelJson(HistogramPanelCaptions(), h.panelValues));
    j.raw(",\n\"series\":");
    WriteSeries(j, chart);
    j.raw(",\n\"cells\":[");
    for (std::size_t k = 0; k < h.cells.size(); ++k) {
        const HistogramCell& c = h.cells[k];
        j.raw(k ? ",\n{\"lower\":" : "\n{\"lower\":").number(c.lower);
        j.raw(",\"upper\":").number(c.upper).raw(",\"count\":").number(double(c.count)).raw("}");
    }
    j.raw("]}\n");
    return j.flush();
}

} // namespace

int HistogramReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    int index = 0;
    if (const StepResult r = ChosenParameter(session, o, err, index))
        return *r;
    QTemporaryDir cellTable;
    UsePrivateTempFiles(s, cellTable);
    const std::int64_t cells = o.cells.value_or(HistogramCellsSetting(s.registry.read(kHistogramCellNumberSetting)));

    LoadSettings(s); // the bar width, as the window finds it
    ChartModel chart = BuildHistogramChartTemplate();
    ApplyHistogramWindowLook(s, chart);
    data::PromptHost host(prompt);
    const HistogramOutcome outcome = PlotHistogram(s, chart, SelectionFor(session, o, index), cells, host);
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
