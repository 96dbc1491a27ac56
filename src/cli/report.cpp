// moldrin-report's run: loading the configuration and product, then the chosen command.
#include "report.h"

#include "cli/jsonreport.h"
#include "cli/limitsoptions.h"
#include "cli/runfolder.h"
#include "common/dates.h"
#include "common/numberformat.h"
#include "common/savefile.h"
#include "data/access/connectdatasource.h"
#include "data/access/connection.h"
#include "data/config/configfiles.h"
#include "data/config/datasourcekind.h"
#include "data/config/inifile.h"
#include "data/config/querybuilder.h"
#include "data/loader/plotfunction.h"
#include "output/print/chartprinting.h"
#include "rules/rulesetup.h"
#include "shell/chartrules.h"
#include "shell/mainsettings.h"
#include "timeweighted/timeweightedplot.h"
#include "variables/controllimits.h"
#include "variables/variableschart.h"
#include "variables/variablesplot.h"
#include "variables/view/chartview.h"

#include <QFile>

#include <QFileInfo>

namespace moldrin::cli
{

namespace
{

using namespace moldrin::data;

bool LimitAbsent(double lsl, double usl)
{
    return lsl == kNoLowerLimit || lsl == kNoUpperLimit || usl == kNoLowerLimit || usl == kNoUpperLimit;
}

} // namespace

bool ParametersUsable(const ReportSession& s)
{
    return s.lists.parameterListEnabled && !s.lists.parameterList.isEmpty()
        && s.state.gParamColumn.size() >= s.lists.parameterList.size();
}

StepResult OpenConfiguration(ReportSession& session, const ReportOptions& options, QTextStream& err)
{
    if (!options.configDir.isEmpty() && !QFileInfo(options.configDir).isDir())
        return Fail(err, kExitUsage, QStringLiteral("no such folder: ") + options.configDir);
    const QString products = LocateConfigFolder(session.state, session.lists, options.configDir).value_or(QString());
    if (products.isEmpty() && !QFileInfo(ConfigFilePath(session.state.gINIPath, kAteIni)).isFile())
        return Fail(err, kExitMessage, QStringLiteral("no ATE.INI and PRODUCTS.INI in ") + session.state.gINIPath);
    FillProductList(session.lists, products);
    if (session.lists.productList.size() >= 2)
        return std::nullopt;
    // Every command starts from a product: an empty, unreadable or unusable ATE.INI ends the run here.
    const QString ini = ConfigFilePath(session.state.gINIPath, kAteIni);
    QFile file(ini);
    if (!file.open(QIODevice::ReadOnly))
        return Fail(
            err, kExitMessage, QStringLiteral("cannot read ") + ini + QStringLiteral(": ") + file.errorString());
    return Fail(err, kExitMessage, ini + QStringLiteral(" lists no products"));
}

StepResult SelectProduct(ReportSession& session, const ReportOptions& options, Prompt& prompt, QTextStream& err)
{
    const QStringList& list = session.lists.productList;
    int index = options.product.isEmpty() ? 1 : -1;
    for (int pass = 0; pass < 2 && index < 0; ++pass) {
        for (int i = 1; i < list.size() && index < 0; ++i) {
            const bool same = pass == 0
                ? list[i].trimmed() == options.product.trimmed()
                : list[i].trimmed().compare(options.product.trimmed(), Qt::CaseInsensitive) == 0;
            if (same)
                index = i;
        }
    }
    if (index < 0 || list[index].trimmed().isEmpty())
        return Fail(err, kExitUsage, QStringLiteral("unknown product ") + options.product);
    session.lists.productIndex = index;
    session.product = list[index].trimmed();

    RefillTestIdList(session.state, session.lists);
    if (!LoadColumnNames(session.state, prompt, session.product))
        return kExitMessage;
    LoadProductSpec(session.state, prompt, session.lists, session.product);
    // The display names; the Spec section's messages were given just above.
    ScriptedPrompt quiet;
    GetTestParameterName(session.state, quiet, session.lists);
    return std::nullopt;
}

int FindParameter(const ReportSession& session, const QString& text)
{
    if (!ParametersUsable(session))
        return -1;
    const QString wanted = text.trimmed();
    const qsizetype count = session.lists.parameterList.size();
    const QStringList* tables[]
        = { &session.lists.parameterList, &session.state.gParamName, &session.state.gParamColumn };
    for (Qt::CaseSensitivity cs : { Qt::CaseSensitive, Qt::CaseInsensitive }) {
        for (const QStringList* table : tables) {
            for (qsizetype i = 0; i < count && i < table->size(); ++i) {
                if (table->at(i).trimmed().compare(wanted, cs) == 0)
                    return static_cast<int>(i);
            }
        }
    }
    return -1;
}

StepResult FindParameters(
    const ReportSession& session, const ReportOptions& options, QList<int>& indexes, QTextStream& err)
{
    for (const QString& text : options.parameters) {
        const int i = FindParameter(session, text);
        if (i < 0)
            return Fail(err, kExitUsage, QStringLiteral("unknown parameter ") + text);
        indexes << i;
    }
    return std::nullopt;
}

StepResult ConnectStep(ReportSession& session, Prompt& prompt)
{
    AppState& s = session.state;
    const ConnectResult r = ConnectDataSource(session.product, ReadIniDatabase(session.product, s), s, prompt);
    if (!r.ok)
        return kExitMessage;
    session.testers = r.testers;
    return std::nullopt;
}

StepResult SelectionSql(ReportSession& session, const ReportOptions& o, QString& sql, QTextStream& err)
{
    AppState& s = session.state;
    const bool attribute = o.kind.endsWith(QLatin1String(" Chart"));
    const QString tester = o.tester == kAllItem ? QString() : o.tester;
    QString parameter, xSource;
    if (!attribute) {
        if (!ParametersUsable(session))
            return Fail(err, kExitMessage,
                QStringLiteral("product ") + session.product + QStringLiteral(" has no usable test parameters"));
        QList<int> chosen;
        if (const StepResult r = FindParameters(session, o, chosen, err))
            return r;
        if (chosen.isEmpty())
            chosen << 0;
        parameter = s.gParamColumn[chosen[0]];
        if (chosen.size() == 2) {
            parameter += QStringLiteral(":::") + s.gParamColumn[chosen[1]];
        } else if (o.kind == QLatin1String("Scatter")) {
            if (tester.isEmpty())
                return Fail(
                    err, kExitUsage, QStringLiteral("--kind Scatter needs two --parameter options or a --tester"));
            xSource = tester;
        }
        s.gChartTitle = session.product + QStringLiteral(" - ") + session.lists.parameterList[chosen[0]];
    }
    if (o.range == QLatin1String("Custom")) {
        s.gCustomStart = o.from;
        s.gCustomEnd = o.to;
    }

    QueryWindowInputs window;
    window.acceptZero = o.acceptZero;
    window.testIdText = o.testId.isEmpty() ? session.lists.testIdText : o.testId;
    if (attribute) {
        sql = GetSQL(s, window, QString(), o.range, tester, s.gColTestStartTime, QString(), QString(), false, o.kind);
        return std::nullopt;
    }
    // The EWMA and CUSUM read the main chart's statement.
    const QString kind = TimeWeightedKindFromText(o.kind) ? QString() : o.kind;
    const QString sort = kind.isEmpty() ? s.gColTestStartTime + QStringLiteral(", ") + s.gColATEID : QString();
    sql = GetSQL(s, window, parameter, o.range, tester, sort, o.serial.toUpper(), PassCondition(s, o.passOnly),
        o.lastDataOnly, kind, xSource, QString());
    return std::nullopt;
}

namespace
{

// `sql`: a statement as the query builder writes it, or one written for the engine (AdaptedStatement).
template <class Statement>
StepResult PrintRows(ReportSession& session, const Statement& sql, QTextStream& out, QTextStream& err)
{
    Recordset rs;
    if (const Status e = rs.Open(sql, *session.state.gConnection, Recordset::Count::Skip))
        return Fail(err, kExitMessage, e->description);
    const QStringList aliases = rs.FieldNames();
    out << aliases.join(u'\t') << '\n';
    while (!rs.Eof()) {
        QStringList cells;
        for (const QString& alias : aliases) {
            const QVariant v = rs.Fields(alias).value;
            if (v.isNull())
                cells << QString();
            else if (v.typeId() == QMetaType::QDateTime)
                cells << v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            else if (v.typeId() == QMetaType::Double)
                cells << NumberText(v.toDouble());
            else
                cells << v.toString();
        }
        out << cells.join(u'\t') << '\n';
        if (out.status() != QTextStream::Ok)
            return std::nullopt; // the caller names the failure
        if (const Status e = rs.MoveNext())
            return Fail(err, kExitMessage, e->description);
    }
    return std::nullopt;
}

// A statement written for the engine with its bound values in place of its '?', as quoted literals: to read
// or to run in the engine's own client.
QString StatementWithValues(const AdaptedStatement& statement)
{
    QString text;
    qsizetype next = 0;
    bool quoted = false;
    for (const QChar c : statement.sql) {
        if (c == u'\'')
            quoted = !quoted;
        if (c == u'?' && !quoted && next < statement.parameters.size()) {
            QString value = statement.parameters[next++];
            text += u'\'' + value.replace(u'\'', QStringLiteral("''")) + u'\'';
        } else {
            text += c;
        }
    }
    return text;
}

// --sql and --rows with --server-side: the statement whose rows are the main chart's subgroups, as the engine
// is given it, or its rows.
StepResult EngineStatement(ReportSession& session, const ReportOptions& o, QTextStream& out, QTextStream& err)
{
    int index = 0;
    if (const StepResult r = ChosenParameter(session, o, err, index))
        return r;
    QStringList notices;
    const ChartSelection chosen = ApplyChartRules({ o.chart, o.size }, true, notices);
    session.state.gSampleSize = chosen.sampleSize;
    const SubgroupQuery q = EngineQuery(session.state, VariablesSelectionFor(session, o, index, chosen.chartType));
    if (!q.refusal.isEmpty())
        return Fail(err, kExitMessage, QStringLiteral("the engine does not form the subgroups: ") + q.refusal);
    if (o.command == ReportCommand::Rows)
        return PrintRows(session, q.subgroups, out, err);
    out << StatementWithValues(q.subgroups) << '\n';
    return std::nullopt;
}

void ListParameters(const ReportSession& session, QTextStream& out)
{
    if (!ParametersUsable(session))
        return;
    const AppState& s = session.state;
    for (qsizetype i = 0; i < session.lists.parameterList.size(); ++i) {
        const bool absent = LimitAbsent(s.gLSL[i], s.gUSL[i]);
        auto limit = [&](double v, double sentinel) {
            return v == sentinel || (absent && (v == kNoLowerLimit || v == kNoUpperLimit)) ? QStringLiteral("N/A")
                                                                                           : QString::number(v);
        };
        out << session.lists.parameterList[i] << '\t' << s.gParamColumn[i] << '\t' << limit(s.gLSL[i], kNoLowerLimit)
            << '\t' << limit(s.gUSL[i], kNoUpperLimit) << '\t' << s.gSpecField4[i] << '\n';
    }
}

int WriteFailed(QTextStream& err, const QString& file, const QString& failure)
{
    return Fail(err, kExitMessage, QStringLiteral("cannot write ") + file + QStringLiteral(": ") + failure);
}

QString OutputError(const QTextStream& out)
{
    return out.device() ? out.device()->errorString() : QStringLiteral("write error");
}

QString LimitText(double v, double sentinel)
{
    return v == sentinel ? QStringLiteral("N/A") : NumberText(v);
}

} // namespace

StepResult EveryParameterChart(ReportSession& session, const ReportOptions& o, QTextStream& err, QString& chartType)
{
    if (!ParametersUsable(session))
        return Fail(err, kExitMessage,
            QStringLiteral("product ") + session.product + QStringLiteral(" has no usable test parameters"));
    // The chart type and group size rules announce their corrections; they do not end the run.
    QStringList notices;
    const ChartSelection chosen = ApplyChartRules({ o.chart, o.size }, true, notices);
    for (const QString& notice : notices)
        StderrPrompt().inform(notice);
    session.state.gSampleSize = chosen.sampleSize;
    chartType = chosen.chartType;
    return {};
}

data::PlotSelection VariablesSelectionFor(
    ReportSession& session, const ReportOptions& o, int index, const QString& chartType)
{
    const AppState& s = session.state;
    PlotSelection sel = SelectionFor(session, o, index);
    sel.chartType = chartType;
    sel.uslText = LimitText(s.gUSL[index], kNoUpperLimit);
    sel.lslText = LimitText(s.gLSL[index], kNoLowerLimit);
    const bool bothAbsent = sel.uslText == QLatin1String("N/A") && sel.lslText == QLatin1String("N/A");
    sel.showSpec = o.showSpec && !bothAbsent;
    sel.showZones = o.zones;
    return sel;
}

namespace
{

// The main window's stored look of its chart (label format and area of the left axis and custom axis 0, the
// grid) as the window loads it, with the rest of its settings (the rule set-up among them).
void ApplyMainChartLook(AppState& state, ChartModel& chart)
{
    const LoadedMainSettings look = LoadSettings(state);
    chart.left.labelFormat = chart.custom0.labelFormat = look.labelFormat;
    chart.left.labelSize = chart.custom0.labelSize = look.labelSize;
    chart.left.gridVisible = chart.custom0.gridVisible = look.showGrid == 1;
}

int PlotReport(
    ReportSession& session, const ReportOptions& o, CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    AppState& s = session.state;
    int index = 0;
    if (const StepResult r = ChosenParameter(session, o, err, index))
        return *r;
    // The look and the rules the window would apply: a scheduled check and the window agree. Before the
    // selection, which sets the custom dates the stored ones would replace.
    ChartModel chart = BuildVariablesChartTemplate();
    ApplyMainChartLook(s, chart);
    // The chart type and group size rules announce their corrections; they do not end the run.
    QStringList notices;
    ChartSelection chosen = ApplyChartRules({ o.chart, o.size }, true, notices);
    for (const QString& notice : notices)
        StderrPrompt().inform(notice);
    s.gSampleSize = chosen.sampleSize;
    const ListingFolder listings(s);

    const PlotSelection sel = VariablesSelectionFor(session, o, index, chosen.chartType);

    ReportLimits limits(
        session, o, index, chosen.chartType, chosen.chartType == kChartIndividualMR ? 1 : chosen.sampleSize);
    if (const StepResult r = limits.Load(err))
        return *r;
    PromptHost host(prompt);
    s.gServerSide = o.serverSide || data::SiteServerSide(s.gINIPath);
    const VariablesPlotOutcome outcome = PlotVariablesChart(s, chart, sel, host, limits.choice());
    if (!outcome.note.isEmpty())
        err << "moldrin-report: " << outcome.note << Qt::endl;
    TellSkipped(err, outcome.skipped);
    if (!outcome.plotted)
        return kExitMessage;
    if (const StepResult r = limits.Save(outcome, sel.range, err))
        return *r;
    if (o.command == ReportCommand::Png) {
        chart.setPage(1);
        if (o.allPoints) {
            chart.maxPointsPerPage = 0;
            WritePageChangeCaption(chart, s.gChartTitle); // "... Page 1 of 1"
        }
    }
    if (o.command == ReportCommand::Pdf) {
        // The main chart prints by the printer dialog's page modes, with the selection's filter line.
        const MainChartFilters filters { sel.query.testIdText, o.serial, o.tester.isEmpty() ? kAllItem : o.tester };
        const QString failure = PrintMainChartToPdf(chart, o.pdfFile, o.printMode, filters, s.gChartTitle, o.zones);
        if (!failure.isEmpty())
            return WriteFailed(err, o.pdfFile, failure);
    } else if (const StepResult r = WriteChart(
                   chart, o,
                   [&](QIODevice& file) {
                       return WriteReportJson(file, chart, chosen.chartType, chosen.sampleSize, outcome,
                           PanelCaptions(), [&](JsonWriter& j) { limits.WriteJson(j, outcome); });
                   },
                   out, err)) {
        return *r;
    }
    if (o.failOnRules && (outcome.rules.centreMarks || outcome.rules.variationMarks))
        return kExitRules;
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

} // namespace

int Fail(QTextStream& err, int code, const QString& text)
{
    err << "moldrin-report: " << text << Qt::endl;
    return code;
}

StepResult ChosenParameter(const ReportSession& session, const ReportOptions& options, QTextStream& err, int& index)
{
    if (!ParametersUsable(session))
        return Fail(err, kExitMessage,
            QStringLiteral("product ") + session.product + QStringLiteral(" has no usable test parameters"));
    index = options.parameters.isEmpty() ? 0 : FindParameter(session, options.parameters.first());
    if (index < 0)
        return Fail(err, kExitUsage, QStringLiteral("unknown parameter ") + options.parameters.first());
    return std::nullopt;
}

data::PlotSelection SelectionFor(ReportSession& session, const ReportOptions& o, int parameterIndex)
{
    AppState& s = session.state;
    if (o.range == QLatin1String("Custom")) {
        s.gCustomStart = o.from;
        s.gCustomEnd = o.to;
    }
    data::PlotSelection sel;
    sel.product = session.product;
    sel.parameterIndex = parameterIndex;
    if (parameterIndex >= 0 && parameterIndex < session.lists.parameterList.size())
        sel.parameterItem = session.lists.parameterList[parameterIndex];
    sel.tester = o.tester;
    sel.range = o.range;
    sel.serialFilter = o.serial;
    sel.passOnly = o.passOnly;
    sel.lastDataOnly = o.lastDataOnly;
    sel.query.acceptZero = o.acceptZero;
    sel.query.testIdText = o.testId.isEmpty() ? session.lists.testIdText : o.testId;
    return sel;
}

StepResult WriteChart(ChartModel& chart, const ReportOptions& options, const std::function<bool(QIODevice&)>& writeJson,
    QTextStream& out, QTextStream& err)
{
    if (options.command == ReportCommand::Png) {
        const QString failure = WriteChartPng(chart, options.pngFile, QSize(options.width, options.height));
        if (!failure.isEmpty())
            return WriteFailed(err, options.pngFile, failure);
        return std::nullopt;
    }
    if (options.command == ReportCommand::Pdf) {
        const QString failure = PrintChartToPdf(chart, options.pdfFile, ChartOutputRowFor(options.kind));
        if (!failure.isEmpty())
            return WriteFailed(err, options.pdfFile, failure);
        return std::nullopt;
    }
    if (const int written = WriteReportFile(options.jsonFile, writeJson, out, err); written != kExitDone)
        return written;
    return std::nullopt;
}

int WriteReportFile(
    const QString& fileName, const std::function<bool(QIODevice&)>& write, QTextStream& out, QTextStream& err)
{
    QString failure;
    if (fileName == QLatin1String("-")) {
        QFile file;
        out.flush();
        if (!file.open(stdout, QIODevice::WriteOnly) || !write(file) || !file.flush())
            failure = file.errorString();
    } else {
        failure = SaveFileAtomically(fileName, write);
    }
    if (!failure.isEmpty())
        return Fail(err, kExitMessage, QStringLiteral("cannot write ") + fileName + QStringLiteral(": ") + failure);
    return kExitDone;
}

int Finished(const CountingPrompt& prompt, QTextStream& out, QTextStream& err)
{
    out.flush();
    if (out.status() != QTextStream::Ok)
        return Fail(err, kExitMessage, QStringLiteral("cannot write to standard output: ") + OutputError(out));
    return prompt.count > 0 ? int(kExitMessage) : int(kExitDone);
}

int RunReport(const ReportOptions& options, Prompt& userPrompt, QTextStream& out, QTextStream& err)
{
    ReportSession session;
    session.state.gDateOrder = DetectDateOrder();
    LoadStoredRulesSetup(session.state);
    CountingPrompt prompt(userPrompt);

    if (const StepResult r = OpenConfiguration(session, options, err))
        return *r;
    if (options.command == ReportCommand::ListProducts) {
        for (qsizetype i = 1; i < session.lists.productList.size(); ++i)
            out << session.lists.productList[i] << '\n';
        return Finished(prompt, out, err);
    }
    if (const StepResult r = SelectProduct(session, options, prompt, err))
        return *r;
    if (options.command == ReportCommand::ListParameters) {
        ListParameters(session, out);
        return Finished(prompt, out, err);
    }
    if (const StepResult r = ConnectStep(session, prompt))
        return *r;
    if (options.command == ReportCommand::ListTesters) {
        for (const QString& t : session.testers)
            out << t << '\n';
        return Finished(prompt, out, err);
    }
    if (options.command == ReportCommand::Screen)
        return ScreenReport(session, options, prompt, out, err);
    if (options.command == ReportCommand::Watch)
        return WatchReport(session, options, prompt, out, err);
    if (options.command == ReportCommand::Json || options.command == ReportCommand::Png
        || options.command == ReportCommand::Pdf) {
        if (options.kind.isEmpty())
            return PlotReport(session, options, prompt, out, err);
        const KindReport report = FindKindReport(options.kind);
        if (!report)
            return Fail(err, kExitUsage, QStringLiteral("--json, --png and --pdf do not draw --kind ") + options.kind);
        return report(session, options, prompt, out, err);
    }
    if (options.serverSide && options.kind.isEmpty()) {
        if (const StepResult r = EngineStatement(session, options, out, err))
            return *r;
        return Finished(prompt, out, err);
    }
    QString sql;
    if (const StepResult r = SelectionSql(session, options, sql, err))
        return *r;
    if (options.command == ReportCommand::Rows) {
        if (const StepResult r = PrintRows(session, sql, out, err))
            return *r;
    } else {
        out << sql << '\n';
    }
    return Finished(prompt, out, err);
}

} // namespace moldrin::cli
