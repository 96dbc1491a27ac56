// moldrin-report's p, np, c and u chart reports.
#pragma once

#include "cli/report.h"

namespace moldrin::cli
{

// --kind "P Chart", "NP Chart", "C Chart" or "U Chart" with --json or --png (--zones, --fail-on-rules with
// the stored rule set-up); the exit code.
int AttributeReport(
    ReportSession& session, const ReportOptions& options, CountingPrompt& prompt, QTextStream& out, QTextStream& err);

} // namespace moldrin::cli
