// moldrin-report's run: loading the configuration and product, then the chosen command.
#pragma once

#include "cli/reportoptions.h"
#include "common/appstate.h"
#include "common/prompt.h"
#include "data/config/configfiles.h"

#include <QTextStream>

#include <optional>

namespace moldrin::cli
{

// The state a run builds up, as the main window would hold it after a product selection.
struct ReportSession {
    AppState state;
    data::SelectionLists lists;
    QString product;
    QStringList testers;  // the Source Filter list after connecting
    QString testerText;
    int failures = 0; // own error lines written
};

// Outcome of a step: empty to go on, else the exit code to end with.
using StepResult = std::optional<int>;

// Establishes the configuration folder (--config or the remembered one) and the product list.
StepResult OpenConfiguration(ReportSession& session, const ReportOptions& options, Prompt& prompt, QTextStream& err);
// Selects the product as the main window does: Test ID list, column names, Spec section, names.
StepResult SelectProduct(ReportSession& session, const ReportOptions& options, Prompt& prompt, QTextStream& err);
// The index of the parameter named by list item, display name or column; -1 when none.
int FindParameter(const ReportSession& session, const QString& text);
// Table name and data-source kind from the INI files, as the connection would set them.
// Connects to the product's data source as the main window does and fills the tester list.
StepResult ConnectStep(ReportSession& session, Prompt& prompt);
// The statement GetSQL gives for the options' selection.
StepResult SelectionSql(ReportSession& session, const ReportOptions& options, QString& sql, QTextStream& err);

// Runs the options' command; returns the exit code.
int RunReport(const ReportOptions& options, Prompt& prompt, QTextStream& out, QTextStream& err);

} // namespace moldrin::cli
