// The options of moldrin-report: declaration on the parser and reading into plain values.
#pragma once

#include "output/chartoutput.h"

#include <QCommandLineParser>
#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace moldrin::cli
{

enum ExitCode { kExitDone = 0, kExitMessage = 1, kExitUsage = 2, kExitRules = 3 };

// The main chart's limits: its own, saved as a baseline after the plot, or a saved baseline's.
enum class LimitsUse { Computed, Save, Saved };

enum class ReportCommand { Sql, ListProducts, ListParameters, ListTesters, Rows, Json, Png, Pdf, Screen, Watch };

// Bounds of --width and --height.
inline constexpr int kMinimumPngSide = 100;
inline constexpr int kMaximumPngSide = 10000;

// The main window's selection as the options name it, and what to do with it.
struct ReportOptions {
    QString configDir;
    QString product; // "" : the first product
    QStringList parameters; // list item, display name or column; two for a two-parameter Scatter
    QString range = QStringLiteral("All");
    QDate from, to; // the Custom range
    QString tester;
    QString testId;
    QString serial;
    bool passOnly = false;
    bool lastDataOnly = false;
    bool acceptZero = false;
    bool serverSide = false; // the variables chart's subgroups, the histogram's and the Pareto's sums by the engine
    QString kind; // "" : the main chart; else a chart kind of the query builder
    QString xSource, ySource; // Scatter: testers of the X and the Y readings (both or neither)
    bool paretoPerParameter = false; // Pareto: one statement per parameter instead of one pass
    ReportCommand command = ReportCommand::Sql;
    QString chart = QStringLiteral("X-Bar-R-Median-s"); // the variables chart type
    int size = 5; // subgroup size
    bool showSpec = false;
    bool zones = false;
    QString jsonFile; // "-": standard output
    QString pngFile;
    int width = 1200; // PNG size in pixels
    int height = 800;
    bool allPoints = false; // the PNG shows all points on one page
    std::optional<std::int64_t> cells; // histogram cells; empty: the stored cell count
    // EWMA (lambda, L) and CUSUM (k, h, in sigmas); empty: the window's stored value.
    std::optional<double> lambda, widthL, k, h;
    bool laney = false; // p and u: Laney's p' and u'
    QString pdfFile;
    PrintMode printMode = PrintMode::Compress; // pages of the main chart's PDF
    bool failOnRules = false;
    LimitsUse limits = LimitsUse::Computed;
    QList<QDate> stages; // --stage: the main chart's stage start dates
    // --screen: every parameter, written to jsonFile, csvFile and htmlFile (those given).
    QString csvFile, htmlFile;
    bool screenSql = false; // --screen --sql: print the one statement
    std::optional<double> failBelowCpk;
    // --watch SECONDS, --watch-once: the interval, one read only, the state kept between runs, the overlap.
    double watchSeconds = 60;
    bool watchOnce = false;
    QString stateFile;
    std::int64_t overlapSeconds = 600;
};

// The chart kinds --kind accepts, as the query builder writes them.
const QStringList& ChartKinds();

// The arguments as the parser takes them: --h (the CUSUM's decision interval) becomes --cusum-h, since the
// parser gives every one-letter name to its short form, and -h is the help.
QStringList ReportArguments(const QStringList& arguments);

// Declares every option on `parser`.
void AddReportOptions(QCommandLineParser& parser);

struct ParsedOptions {
    std::optional<ReportOptions> options; // empty on a usage error
    QString error;
};

// Reads the options after parser.parse(); names are matched without regard to case.
ParsedOptions ReadReportOptions(const QCommandLineParser& parser);

} // namespace moldrin::cli
