// moldrin-report --screen: every parameter of the product in one read, written as JSON, CSV and HTML.
#include "cli/jsonreport.h"
#include "cli/report.h"
#include "cli/screenhtml.h"
#include "screening/screening.h"

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

void WriteFigure(JsonWriter& j, const char* name, const Figure& f)
{
    j.key(name).scalar(FigureValue(f));
}

void WriteParameter(JsonWriter& j, const ParameterScreen& p)
{
    j.beginObject().key("index").number(p.index);
    j.key("parameter").string(p.item).key("name").string(p.name);
    j.key("column").string(p.column).key("unit").string(p.unit);
    WriteFigure(j, "LSL", p.lsl);
    WriteFigure(j, "USL", p.usl);
    j.key("n").number(double(p.n));
    const std::pair<const char*, const Figure*> figures[] { { "mean", &p.mean }, { "stdDev", &p.stdDev },
        { "estSigma", &p.estSigma }, { "Cp", &p.cp }, { "CpK", &p.cpk }, { "Pp", &p.pp }, { "PpK", &p.ppk } };
    for (const auto& [name, figure] : figures)
        WriteFigure(j, name, *figure);
    j.key("outOfSpec").number(double(p.outOfSpec));
    WriteFigure(j, "ppm", p.ppm);
    j.key("ruleHits").beginObject();
    for (int r = 0; r < screening::kRuleHitCount; ++r)
        j.key(QStringLiteral("R") + QString::number(r + 1)).number(double(p.ruleHits[std::size_t(r)]));
    j.endObject().key("subgroups").number(double(p.subgroups));
    j.key("xBar").beginObject();
    WriteFigure(j, "UCL", p.ucl);
    WriteFigure(j, "CL", p.centre);
    WriteFigure(j, "LCL", p.lcl);
    j.endObject().key("trend").beginArray();
    for (double v : p.trend)
        j.number(v);
    j.endArray().key("testers").beginArray();
    for (const screening::TesterFigures& t : p.testers) {
        j.beginObject().key("tester").string(t.tester).key("n").number(double(t.n));
        WriteFigure(j, "mean", t.mean);
        WriteFigure(j, "stdDev", t.stdDev);
        j.endObject();
    }
    j.endArray();
    WriteFigure(j, "testerP", p.testerP);
    j.key("testerDiffers").boolean(p.testerDiffers).endObject();
}

bool WriteScreenJson(QIODevice& device, const ScreenPage& page)
{
    const ScreenResult& r = page.result;
    JsonWriter j(device);
    j.beginObject().key("product").string(page.product);
    j.key("selection").beginObject();
    for (const screening::SelectionEntry& entry : page.selection)
        j.key(entry.key).value(entry.value);
    j.endObject().key("records").number(double(r.records));
    WriteSkipped(j, r.skipped);
    j.key("testers").strings(r.testers);
    j.lineBreak().key("parameters").beginArray();
    for (const ParameterScreen& p : r.parameters) {
        j.lineBreak();
        WriteParameter(j, p);
    }
    j.endArray().endObject();
    return j.finish();
}

} // namespace

int ScreenReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    QString chartType;
    if (const StepResult r = EveryParameterChart(session, o, err, chartType))
        return *r;
    data::PlotSelection sel = SelectionFor(session, o, -1);
    sel.chartType = chartType;

    if (o.screenSql) {
        out << screening::ScreenStatement(s, sel, session.lists.parameterList.size()) << '\n';
        return Finished(prompt, out, err);
    }

    ReportScreenHost host(prompt);
    ScreenPage page;
    page.product = session.product;
    page.result = screening::ScreenParameters(s, sel, session.lists.parameterList, host);
    TellSkipped(err, page.result.skipped);
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
        if (const int code = WriteReportFile(file, write, out, err); code != kExitDone)
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
