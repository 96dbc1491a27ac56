// moldrin-report's run: loading the configuration and product, then the chosen command.
#pragma once

#include "cli/reportoptions.h"
#include "common/appstate.h"
#include "common/prompt.h"
#include "data/config/configfiles.h"
#include "data/loader/plotfunction.h"

#include <QIODevice>
#include <QTextStream>

#include <functional>
#include <optional>

namespace moldrin::cli
{

// The state a run builds up, as the main window would hold it after a product selection.
struct ReportSession {
    AppState state;
    data::SelectionLists lists;
    QString product;
    QStringList testers; // the Source Filter list after connecting
};

// Outcome of a step: empty to go on, else the exit code to end with.
using StepResult = std::optional<int>;

// Establishes the configuration folder (--config or the remembered one) and the product list.
StepResult OpenConfiguration(ReportSession& session, const ReportOptions& options, QTextStream& err);
// Selects the product as the main window does: Test ID list, column names, Spec section, names.
StepResult SelectProduct(ReportSession& session, const ReportOptions& options, Prompt& prompt, QTextStream& err);
// True when the product's parameter list can be plotted (enabled, not empty, a column for every item).
bool ParametersUsable(const ReportSession& session);
// The index of the parameter named by list item, display name or column; -1 when none.
int FindParameter(const ReportSession& session, const QString& text);
// The indexes of the options' --parameter texts, in order; a text that names none is a usage error.
StepResult FindParameters(
    const ReportSession& session, const ReportOptions& options, QList<int>& indexes, QTextStream& err);
// Connects to the product's data source as the main window does and fills the tester list.
StepResult ConnectStep(ReportSession& session, Prompt& prompt);
// The statement GetSQL gives for the options' selection.
StepResult SelectionSql(ReportSession& session, const ReportOptions& options, QString& sql, QTextStream& err);

// Passes messages on and counts them: any message of the run makes its exit code 1.
class CountingPrompt : public Prompt
{
public:
    explicit CountingPrompt(Prompt& inner)
        : mInner(inner)
    {
    }
    PromptAnswer ask(const PromptMessage& message) override
    {
        ++count;
        return mInner.ask(message);
    }
    QString chooseFile(const FileDialogRequest& request) override { return mInner.chooseFile(request); }
    int count = 0;

private:
    Prompt& mInner;
};

// The exit code of a run whose text went to `out`: 1 when it could not be written (a message says so) or when
// the run gave a message, else 0.
int Finished(const CountingPrompt& prompt, QTextStream& out, QTextStream& err);

// Writes "moldrin-report: " and `text` as an error line; returns `code`.
int Fail(QTextStream& err, int code, const QString& text);

// The index of the parameter the options name (the first parameter when none is named).
StepResult ChosenParameter(const ReportSession& session, const ReportOptions& options, QTextStream& err, int& index);

// The main window's selection as the options name it, for the parameter at parameterIndex (-1: none);
// a Custom range also sets the custom dates of the state.
data::PlotSelection SelectionFor(ReportSession& session, const ReportOptions& options, int parameterIndex);

// The chart of a run over every parameter (--screen, --watch): the product must have usable parameters; the
// options' chart type and group size as the window's rules correct them (the corrections told).
StepResult EveryParameterChart(
    ReportSession& session, const ReportOptions& options, QTextStream& err, QString& chartType);

// The variables chart's selection for the parameter at `index`: its limits, "Show USL/LSL" where it has one,
// "Show Zones" as the options say.
data::PlotSelection VariablesSelectionFor(
    ReportSession& session, const ReportOptions& options, int index, const QString& chartType);

// Writes a report to FILE, replaced only by a complete new one, or to standard output for "-"; the exit code
// (a message on failure).
int WriteReportFile(
    const QString& fileName, const std::function<bool(QIODevice&)>& write, QTextStream& out, QTextStream& err);

// Writes the plotted chart as the options ask: its first page as PNG, the JSON `writeJson` writes, or a PDF
// printed as its window's Print Chart prints it (the row of ChartOutputRowFor(options.kind), "Printed on: "
// now).
StepResult WriteChart(ChartModel& chart, const ReportOptions& options, const std::function<bool(QIODevice&)>& writeJson,
    QTextStream& out, QTextStream& err);

// The report of one chart kind (--kind with --json, --png or --pdf) after connecting: plots the chart through the
// kind's plot function and writes it as the options ask; returns the exit code.
using KindReport = int (*)(
    ReportSession& session, const ReportOptions& options, CountingPrompt& prompt, QTextStream& out, QTextStream& err);
// The report of a chart kind, or nullptr when the kind has none (kindreports.cpp).
KindReport FindKindReport(const QString& kind);
// The kinds' reports, each in a file of its own.
int HistogramReport(
    ReportSession& session, const ReportOptions& options, CountingPrompt& prompt, QTextStream& out, QTextStream& err);

// --screen after connecting: every parameter in one read, written as JSON, CSV and HTML (screenreport.cpp).
int ScreenReport(
    ReportSession& session, const ReportOptions& options, CountingPrompt& prompt, QTextStream& out, QTextStream& err);

// SIGINT and SIGTERM end a watch cleanly: between two reads, or by stopping a read under way. Caught from the
// start of the run, so that a signal while it connects ends it with exit 0 too.
void CatchWatchStopSignals();
// --watch and --watch-once after connecting: every parameter's new rule marks as JSON lines (watch.cpp).
int WatchReport(
    ReportSession& session, const ReportOptions& options, CountingPrompt& prompt, QTextStream& out, QTextStream& err);

// Runs the options' command; returns the exit code.
int RunReport(const ReportOptions& options, Prompt& prompt, QTextStream& out, QTextStream& err);

} // namespace moldrin::cli
