// moldrin-report --screen: every parameter of the product in one read, written as JSON, CSV and HTML.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "cli/screenhtml.h"
#include "screening/screening.h"
#include "shell/chartrules.h"

#include <algorithm>
#include <functional>

namespace moldrin::cli
{

namespace
{

using screening::ParameterScreen;
using screening::ScreenResult;

// The report has no window: messages go to the prompt, progress nowhere.
class ReportScreenHost : public screening::ScreenHost
{
public:
    explicit ReportScreenHost(Prompt& prompt)
        : mPrompt(prompt)
    {
    }
    Prompt& prompt() override { return mPrompt; }

private:
    Prompt& mPrompt;
};

bool WriteAll(QIODevice& device, const QByteArray& bytes)
{
    return device.write(bytes) == bytes.size();
}

void WriteFigure(JsonOut& j, const char* name, const Figure& f)
{
    j.raw(name).value(FigureJson(f));
}

void WriteParameter(JsonOut& j, const ParameterScreen& p)
{
    j.raw("{\"index\":").number(p.index);
    j.raw(",\"parameter\":").string(p.item);
    j.raw(",\"name\":").string(p.name);
    j.raw(",\"column\":").string(p.column);
    j.raw(",\"unit\":").string(p.unit);
    WriteFigure(j, ",\"LSL\":", p.lsl);
    WriteFigure(j, ",\"USL\":", p.usl);
    j.raw(",\"n\":").number(double(p.n));
    WriteFigure(j, ",\"mean\":", p.mean);
    WriteFigure(j, ",\"stdDev\":", p.stdDev);
    WriteFigure(j, ",\"estSigma\":", p.estSigma);
    WriteFigure(j, ",\"Cp\":", p.cp);
    WriteFigure(j, ",\"CpK\":", p.cpk);
    WriteFigure(j, ",\"Pp\":", p.pp);
    WriteFigure(j, ",\"PpK\":", p.ppk);
    j.raw(",\"outOfSpec\":").number(double(p.outOfSpec));
    WriteFigure(j, ",\"ppm\":", p.ppm);
    j.raw(",\"ruleHits\":{");
    for (int r = 0; r < screening::kRuleHitCount; ++r)
        j.raw(r ? ",\"R" : "\"R").number(r + 1).raw("\":").number(double(p.ruleHits[std::size_t(r)]));
    j.raw("},\"subgroups\":").number(double(p.subgroups));
    WriteFigure(j, ",\"xBar\":{\"UCL\":", p.ucl);
    WriteFigure(j, ",\"CL\":", p.centre);
    WriteFigure(j, ",\"LCL\":", p.lcl);
    j.raw("},\"trend\":[");
    for (qsizetype i = 0; i < p.trend.size(); ++i)
        (i ? j.raw(",") : j).number(p.trend[i]);
    j.raw("],\"testers\":[");
    for (qsizetype i = 0; i < p.testers.size(); ++i) {
        const screening::TesterFigures& t = p.testers[i];
        j.raw(i ? ",{\"tester\":" : "{\"tester\":").string(t.tester);
        j.raw(",\"n\":").number(double(t.n));
        WriteFigure(j, ",\"mean\":", t.mean);
        WriteFigure(j, ",\"stdDev\":", t.stdDev);
        j.raw("}");
    }
    j.raw("]");
    WriteFigure(j, ",\"testerP\":", p.testerP);
    j.raw(",\"testerDiffers\":").raw(p.testerDiffers ? "true" : "false");
    j.raw("}");
}

bool WriteScreenJson(QIODevice& device, const ScreenPage& page)
{
    const ScreenResult& r = page.result;
    JsonOut j(device);
    j.raw("{\"product\":").string(page.product);
    j.raw(",\"selection\":{");
    for (qsizetype i = 0; i < page.selection.size(); ++i)
        (i ? j.raw(",") : j).string(page.selection[i].key).raw(":").value(page.selection[i].value);
    j.raw("},\"records\":").number(double(r.records));
    j.raw(",\"testers\":[");
    for (qsizetype i = 0; i < r.testers.size(); ++i)
        (i ? j.raw(",") : j).string(r.testers[i]);
    j.raw("],\n\"parameters\":[");
    for (qsizetype i = 0; i < r.parameters.size(); ++i) {
        j.raw(i ? ",\n" : "\n");
        WriteParameter(j, r.parameters[i]);
    }
    j.raw("]}\n");
    return j.flush();
}

} // namespace

int ScreenReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    if (!ParametersUsable(session))
        return Fail(err, kExitMessage,
            QStringLiteral("product ") + session.product + QStringLiteral(" has no usable test parameters"));
    // The chart type and group size rules announce their corrections; they do not end the run.
    QStringList notices;
    const ChartSelection chosen = ApplyChartRules({ o.chart, o.size }, true, notices);
    for (const QString& notice : notices)
        StderrPrompt().inform(notice);
    s.gSampleSize = chosen.sampleSize;
    data::PlotSelection sel = SelectionFor(session, o, -1);
    sel.chartType = chosen.chartType;

    if (o.screenSql) {
        out << screening::ScreenStatement(s, sel, session.lists.parameterList.size()) << '\n';
        out.flush();
        return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
    }

    ReportScreenHost host(prompt);
    ScreenPage page;
    page.product = session.product;
    page.result = screening::ScreenParameters(s, sel, session.lists.parameterList, host);
    const ScreenResult& r = page.result;
    if (!r.completed)
        return kExitMessage;
    page.selection = screening::ScreenSelection(s, sel, r);

    const QList<std::pair<QString, std::function<bool(QIODevice&)>>> outputs {
        { o.jsonFile, [&](QIODevice& d) { return WriteScreenJson(d, page); } },
        { o.csvFile, [&](QIODevice& d) { return WriteAll(d, screening::ScreenCsv(r)); } },
        { o.htmlFile, [&](QIODevice& d) { return WriteAll(d, ScreenHtml(page)); } }
    };
    for (const auto& [file, write] : outputs) {
        if (file.isEmpty())
            continue;
        if (const int code = WriteJsonFile(file, write, out, err); code != kExitDone)
            return code;
    }
    if (r.records == 0)
        prompt.inform(data::kNoSubgroupData);

    const auto any = [&r](auto test) { return std::any_of(r.parameters.begin(), r.parameters.end(), test); };
    const bool belowCpk = o.failBelowCpk
        && any([&o](const ParameterScreen& p) { return p.cpk.isNumber() && p.cpk.value() < *o.failBelowCpk; });
    const bool ruleHits = o.failOnRules && any([](const ParameterScreen& p) { return p.anyRuleHit(); });
    if (belowCpk || ruleHits)
        return kExitRules;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace moldrin::cli
