// The options of moldrin-report: declaration on the parser and reading into plain values.
#include "reportoptions.h"

#include "cli/limitsoptions.h"

#include "data/config/querybuilder.h"
#include "distribution/histogram.h"
#include "variables/statistics.h"

#include <cmath>

namespace moldrin::cli
{

namespace
{

QString Canonical(const QStringList& names, const QString& text)
{
    for (const QString& name : names) {
        if (name.compare(text.trimmed(), Qt::CaseInsensitive) == 0)
            return name;
    }
    return {};
}

std::optional<QDate> IsoDate(const QString& text)
{
    const QDate d = QDate::fromString(text.trimmed(), Qt::ISODate);
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

// --lambda and --width-l (EWMA), --k and --h (CUSUM): numbers the chart takes; --laney (p and u). "" when
// read, else the error.
QString ReadChartOptions(const QCommandLineParser& parser, ReportOptions& o)
{
    struct Option {
        const char* name;
        std::optional<double> ReportOptions::*value;
        const char* kind;
        double minimum; // above it (or from it with `fromMinimum`)
        bool fromMinimum;
        double maximum;
        const char* range;
    };
    static const Option kOptions[] = {
        { "lambda", &ReportOptions::lambda, "EWMA", 0, false, 1, "a number above 0 and up to 1" },
        { "width-l", &ReportOptions::widthL, "EWMA", 0, false, HUGE_VAL, "a number above 0" },
        { "k", &ReportOptions::k, "CUSUM", 0, true, HUGE_VAL, "a number of 0 or more" },
        { "cusum-h", &ReportOptions::h, "CUSUM", 0, false, HUGE_VAL, "a number above 0" },
    };
    for (const Option& option : kOptions) {
        const QString name = QLatin1String(option.name);
        if (!parser.isSet(name))
            continue;
        const QString written = name == QLatin1String("cusum-h") ? QStringLiteral("--h") : QStringLiteral("--") + name;
        if (o.kind != QLatin1String(option.kind))
            return written + QStringLiteral(" belongs to --kind ") + QLatin1String(option.kind);
        bool ok = false;
        const double v = parser.value(name).trimmed().toDouble(&ok);
        const bool above = option.fromMinimum ? v >= option.minimum : v > option.minimum;
        if (!ok || !std::isfinite(v) || !above || v > option.maximum)
            return written + QStringLiteral(" takes ") + QLatin1String(option.range);
        o.*option.value = v;
    }
    o.laney = parser.isSet("laney");
    if (o.laney && o.kind != QLatin1String("P Chart") && o.kind != QLatin1String("U Chart"))
        return QStringLiteral("--laney belongs to --kind \"P Chart\" or \"U Chart\"");
    return {};
}

} // namespace

const QStringList& ChartKinds()
{
    static const QStringList kinds { "Histogram", "Pareto", "Scatter", "P Chart", "NP Chart", "U Chart", "C Chart",
        "EWMA", "CUSUM" };
    return kinds;
}

QStringList ReportArguments(const QStringList& arguments)
{
    QStringList read = arguments;
    for (QString& a : read)
        if (a == QLatin1String("--h") || a.startsWith(QLatin1String("--h=")))
            a.replace(0, 3, QStringLiteral("--cusum-h"));
    return read;
}

void AddReportOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral("Checks a site's configuration and prints SPC selections."));
    // Not addHelpOption(): it also lists --help-all, whose Qt options this program does not take.
    parser.addOption({ { "h", "help" }, "Displays help on commandline options." });
    parser.addVersionOption();
    parser.addOptions({
        { "config", "Configuration folder holding ATE.INI and PRODUCTS.INI.", "DIR" },
        { "product", "Product name (default: the first product).", "NAME" },
        { "parameter", "Test parameter: list item, display name or column; twice for Scatter X and Y.", "TEXT" },
        { "range", "Range name (default: All).", "NAME" },
        { "from", "Start of the Custom range.", "YYYY-MM-DD" },
        { "to", "End of the Custom range.", "YYYY-MM-DD" },
        { "tester", "Tester (ATE) filter.", "NAME" },
        { "test-id", "Test ID filter.", "ID" },
        { "serial", "Serial number filter.", "SN" },
        { "pass-only", "Passing units only." },
        { "last-data-only", "The grouped (last data) form of the statement." },
        { "accept-zero", "Readings equal to 0 are kept." },
        { "server-side",
            "The variables chart's subgroups are formed by the engine (one row per subgroup), and the histogram's "
            "and the Pareto's readings summed there, as ATE.INI's [Database] ServerSideSubgroups=1 asks." },
        { "kind",
            "Chart kind: Histogram, Pareto, Scatter, \"P Chart\", \"NP Chart\", \"U Chart\", \"C Chart\", EWMA, "
            "CUSUM.",
            "KIND" },
        { "x-source", "Scatter: tester (source) of the X readings; with --y-source.", "NAME" },
        { "y-source", "Scatter: tester (source) of the Y readings; with --x-source.", "NAME" },
        { "pareto-read", "Pareto: one-pass (default) or per-parameter (one statement per parameter).", "HOW" },
        { "sql", "Print the statement of the selection." },
        { "list-products", "Print the products of ATE.INI." },
        { "list-parameters", "Print the product's parameters: item, column, LSL, USL, unit." },
        { "list-testers", "Connect and print the Source Filter list." },
        { "rows", "Connect and print the statement's rows, tab-separated under a header of the aliases." },
        { "chart", "Variables chart type (default: X-Bar-R-Median-s).", "TYPE" },
        { "size", "Subgroup size, 2 to 25 (default: 5).", "N" },
        { "show-spec", "Draw the USL and LSL lines (\"Show USL/LSL\")." },
        { "zones", "Draw the zones and run the rules (\"Show Zones\")." },
        { "json", "Plot the chart and write its report as JSON to FILE (- for standard output).", "FILE" },
        { "png", "Plot the chart and write its first page as a PNG image to FILE.", "FILE" },
        { "width", "Width of the PNG in pixels (default: 1200).", "W" },
        { "height", "Height of the PNG in pixels (default: 800).", "H" },
        { "all-points", "The PNG shows all points on one page." },
        { "cells", "Histogram cells (default: the histogram window's stored cell count, else 20).", "N" },
        { "lambda", "EWMA: weight of the newest point, above 0 and up to 1 (default: the window's, else 0.2).", "X" },
        { "width-l", "EWMA: width of the limits in sigmas (default: the window's, else 3).", "X" },
        { "k", "CUSUM: allowance in sigmas of a point, 0 or more (default: the window's, else 0.5).", "X" },
        { "cusum-h", "CUSUM: decision interval in sigmas of a point, written --h (default: the window's, else 5).",
            "X" },
        { "laney", "\"P Chart\", \"U Chart\": Laney's p' or u', the limits widened by sigma z." },
        { "fail-on-rules", "Exit with 3 when the plot placed at least one rule mark (--screen: any rule hit)." },
        { "screen", "Screen every parameter of the product in one read, ranked by CpK; write --json, --csv, --html." },
        { "watch",
            "Read every parameter of the product every SECONDS until SIGINT or SIGTERM; write one JSON line per new "
            "rule mark and per failed read.",
            "SECONDS" },
        { "watch-once", "One read of --watch going on from --state FILE (for cron)." },
        { "state", "--watch, --watch-once: the charts and the marks raised so far, kept in FILE between runs.",
            "FILE" },
        { "overlap", "--watch: how far back in start time each read reaches over the rows read before (default 600).",
            "SECONDS" },
        { "csv", "--screen: write the table as CSV to FILE (- for standard output).", "FILE" },
        { "html", "--screen: write one self-contained HTML page to FILE.", "FILE" },
        { "fail-below-cpk", "--screen: exit with 3 when a parameter's CpK is below X.", "X" },
        { "pdf", "Plot the chart and print it into the PDF file FILE as Print Chart does.", "FILE" },
        { "print-mode",
            "Pages of the main chart's PDF: compress (all points on one page, the default), current (the page "
            "shown after the plot) or all (one page per chart page).",
            "MODE" },
    });
    AddLimitsOptions(parser);
}

namespace
{

// Each step reads a group of options into `o`: "" when they are sound, else the usage error.
using Step = QString (*)(const QCommandLineParser& parser, ReportOptions& o);

QString ReadCommand(const QCommandLineParser& parser, ReportOptions& o)
{
    int commands = 0;
    const bool screen = parser.isSet("screen");
    for (const auto& [name, command] :
        { std::pair { "sql", ReportCommand::Sql }, { "list-products", ReportCommand::ListProducts },
            { "list-parameters", ReportCommand::ListParameters }, { "list-testers", ReportCommand::ListTesters },
            { "rows", ReportCommand::Rows }, { "json", ReportCommand::Json }, { "png", ReportCommand::Png },
            { "pdf", ReportCommand::Pdf }, { "screen", ReportCommand::Screen }, { "watch", ReportCommand::Watch },
            { "watch-once", ReportCommand::Watch } }) {
        // --json names an output of --screen, --sql prints its statement.
        const bool screenPart = command == ReportCommand::Json || command == ReportCommand::Sql;
        if (parser.isSet(QLatin1String(name)) && !(screen && screenPart)) {
            o.command = command;
            ++commands;
        }
    }
    if (commands != 1)
        return QStringLiteral("give one of --sql, --list-products, --list-parameters, --list-testers, --rows, "
                              "--json, --png, --pdf, --screen, --watch, --watch-once");
    for (const char* name : { "json", "png", "pdf", "csv", "html" })
        if (parser.isSet(QLatin1String(name)) && parser.value(QLatin1String(name)).isEmpty())
            return QStringLiteral("--") + QLatin1String(name) + QStringLiteral(" takes a file name");
    o.jsonFile = parser.value("json");
    o.pngFile = parser.value("png");
    o.pdfFile = parser.value("pdf");
    o.csvFile = parser.value("csv");
    o.htmlFile = parser.value("html");
    if (!parser.positionalArguments().isEmpty())
        return QStringLiteral("unexpected argument ") + parser.positionalArguments().first();
    return {};
}

QString ReadWatch(const QCommandLineParser& parser, ReportOptions& o)
{
    if (o.command != ReportCommand::Watch) {
        for (const char* name : { "state", "overlap" })
            if (parser.isSet(QLatin1String(name)))
                return QStringLiteral("--") + QLatin1String(name) + QStringLiteral(" belongs to --watch");
        return {};
    }
    o.watchOnce = parser.isSet("watch-once");
    o.stateFile = parser.value("state");
    if (o.watchOnce && o.stateFile.isEmpty())
        return QStringLiteral("--watch-once keeps its marks in --state FILE");
    bool ok = true;
    if (!o.watchOnce)
        o.watchSeconds = parser.value("watch").toDouble(&ok);
    if (!ok || !std::isfinite(o.watchSeconds) || o.watchSeconds < 1 || o.watchSeconds > 86400)
        return QStringLiteral("--watch takes the seconds between two reads, 1 to 86400");
    if (parser.isSet("overlap")) {
        o.overlapSeconds = parser.value("overlap").toLongLong(&ok);
        if (!ok || o.overlapSeconds < 0 || o.overlapSeconds > 7 * 86400)
            return QStringLiteral("--overlap takes seconds, 0 to 604800");
    }
    if (parser.isSet("parameter") || parser.isSet("kind"))
        return QStringLiteral("--watch covers every parameter; it takes no --parameter or --kind");
    return {};
}

QString ReadScreen(const QCommandLineParser& parser, ReportOptions& o)
{
    if (o.command != ReportCommand::Screen) {
        for (const char* name : { "csv", "html", "fail-below-cpk" })
            if (parser.isSet(QLatin1String(name)))
                return QStringLiteral("--") + QLatin1String(name) + QStringLiteral(" belongs to --screen");
        return {};
    }
    const bool outputs = parser.isSet("json") || parser.isSet("csv") || parser.isSet("html");
    o.screenSql = parser.isSet("sql");
    if (outputs == o.screenSql)
        return QStringLiteral("--screen writes --json, --csv or --html, or prints its statement with --sql");
    if (int(o.jsonFile == QLatin1String("-")) + int(o.csvFile == QLatin1String("-"))
            + int(o.htmlFile == QLatin1String("-"))
        > 1)
        return QStringLiteral("only one of --json, --csv and --html can write to standard output");
    if (parser.isSet("parameter") || parser.isSet("kind"))
        return QStringLiteral("--screen covers every parameter; it takes no --parameter or --kind");
    if (parser.isSet("fail-below-cpk")) {
        bool ok = false;
        o.failBelowCpk = parser.value("fail-below-cpk").toDouble(&ok);
        if (!ok || !std::isfinite(*o.failBelowCpk))
            return QStringLiteral("--fail-below-cpk takes a number");
    }
    return {};
}

QString ReadKind(const QCommandLineParser& parser, ReportOptions& o)
{
    o.configDir = parser.value("config");
    o.product = parser.value("product");
    o.parameters = parser.values("parameter");
    if (o.parameters.size() > 2)
        return QStringLiteral("--parameter is given at most twice");
    if (parser.isSet("kind")) {
        o.kind = Canonical(ChartKinds(), parser.value("kind"));
        if (o.kind.isEmpty())
            return QStringLiteral("unknown chart kind ") + parser.value("kind");
    }
    const bool scatter = o.kind == QLatin1String("Scatter");
    if (o.parameters.size() == 2 && !scatter)
        return QStringLiteral("two parameters need --kind Scatter");
    o.xSource = parser.value("x-source");
    o.ySource = parser.value("y-source");
    if (parser.isSet("x-source") || parser.isSet("y-source")) {
        if (!scatter || (o.command != ReportCommand::Json && o.command != ReportCommand::Png))
            return QStringLiteral("--x-source and --y-source belong to --kind Scatter with --json or --png");
        if (o.xSource.trimmed().isEmpty() || o.ySource.trimmed().isEmpty())
            return QStringLiteral("--x-source and --y-source name a tester each");
    }
    if (parser.isSet("pareto-read")) {
        const QString how = parser.value("pareto-read").trimmed().toLower();
        if (o.kind != QLatin1String("Pareto")
            || (how != QLatin1String("one-pass") && how != QLatin1String("per-parameter")))
            return QStringLiteral("--pareto-read takes one-pass or per-parameter, with --kind Pareto");
        o.paretoPerParameter = how == QLatin1String("per-parameter");
    }
    return {};
}

QString ReadRange(const QCommandLineParser& parser, ReportOptions& o)
{
    const bool datesGiven = parser.isSet("from") || parser.isSet("to");
    if (parser.isSet("range")) {
        o.range = Canonical(data::RangeNames(), parser.value("range"));
        if (o.range.isEmpty())
            return QStringLiteral("unknown range ") + parser.value("range");
    } else if (datesGiven) {
        o.range = QStringLiteral("Custom");
    }
    if (o.range != QLatin1String("Custom"))
        return datesGiven ? QStringLiteral("--from and --to belong to --range Custom") : QString();
    const auto from = IsoDate(parser.value("from"));
    const auto to = IsoDate(parser.value("to"));
    if (!from || !to)
        return QStringLiteral("the Custom range needs --from and --to as YYYY-MM-DD");
    o.from = *from;
    o.to = *to;
    return {};
}

QString ReadChart(const QCommandLineParser& parser, ReportOptions& o)
{
    o.tester = parser.value("tester");
    o.testId = parser.value("test-id");
    o.serial = parser.value("serial");
    o.passOnly = parser.isSet("pass-only");
    o.lastDataOnly = parser.isSet("last-data-only");
    o.acceptZero = parser.isSet("accept-zero");
    o.serverSide = parser.isSet("server-side");
    if (parser.isSet("chart")) {
        o.chart = Canonical(ChartTypes(), parser.value("chart"));
        if (o.chart.isEmpty())
            return QStringLiteral("unknown chart type ") + parser.value("chart");
    }
    if (parser.isSet("size")) {
        bool ok = false;
        o.size = parser.value("size").toInt(&ok);
        if (!ok || o.size < 2 || o.size > 25)
            return QStringLiteral("--size takes a whole number from 2 to 25");
    }
    o.showSpec = parser.isSet("show-spec");
    o.zones = parser.isSet("zones");
    o.failOnRules = parser.isSet("fail-on-rules");
    return {};
}

QString ReadPng(const QCommandLineParser& parser, ReportOptions& o)
{
    for (const auto& [name, value] : { std::pair { "width", &o.width }, { "height", &o.height } }) {
        if (!parser.isSet(QLatin1String(name)))
            continue;
        if (o.command != ReportCommand::Png)
            return QStringLiteral("--") + QLatin1String(name) + QStringLiteral(" belongs to --png");
        bool ok = false;
        *value = parser.value(QLatin1String(name)).toInt(&ok);
        if (!ok || *value < kMinimumPngSide || *value > kMaximumPngSide)
            return QStringLiteral("--") + QLatin1String(name) + QStringLiteral(" takes a whole number from ")
                + QString::number(kMinimumPngSide) + QStringLiteral(" to ") + QString::number(kMaximumPngSide);
    }
    o.allPoints = parser.isSet("all-points");
    if (o.allPoints && o.command != ReportCommand::Png)
        return QStringLiteral("--all-points belongs to --png");
    return {};
}

QString ReadKindOutput(const QCommandLineParser& parser, ReportOptions& o)
{
    if (parser.isSet("cells")) {
        if (o.kind != QLatin1String("Histogram"))
            return QStringLiteral("--cells belongs to --kind Histogram");
        bool ok = false;
        const int cells = parser.value("cells").toInt(&ok);
        if (!ok || cells < 1 || cells > kMaxHistogramCells)
            return QStringLiteral("--cells takes a whole number from 1 to ") + QString::number(kMaxHistogramCells);
        o.cells = cells;
    }
    if (const QString error = ReadChartOptions(parser, o); !error.isEmpty())
        return error;
    if (parser.isSet("print-mode")) {
        if (o.command != ReportCommand::Pdf || !o.kind.isEmpty())
            return QStringLiteral("--print-mode belongs to the main chart's --pdf");
        const QString mode = parser.value("print-mode").trimmed().toLower();
        const QStringList modes { "compress", "current", "all" };
        if (!modes.contains(mode))
            return QStringLiteral("--print-mode takes compress, current or all");
        o.printMode = PrintModeOf(int(modes.indexOf(mode)));
    }
    return {};
}

} // namespace

ParsedOptions ReadReportOptions(const QCommandLineParser& parser)
{
    ParsedOptions parsed;
    ReportOptions o;
    for (const Step step : { ReadCommand, ReadScreen, ReadWatch, ReadKind, ReadRange, ReadChart, ReadPng,
             ReadKindOutput, ReadLimitsOptions }) {
        parsed.error = step(parser, o);
        if (!parsed.error.isEmpty())
            return parsed;
    }
    parsed.options = o;
    return parsed;
}

} // namespace moldrin::cli
