// moldrin-report's p, np, c and u chart reports.
#pragma once

#include "attributes/attributestats.h"
#include "cli/jsonreport.h"
#include "cli/report.h"

#include <QStringList>

#include <vector>

namespace moldrin::cli
{

// A chart kernel's panel as a report writes it: the figures by name, each the number its line shows (a text
// such as "N/A" stays a text), and the captions and values line by line.
struct ReportPanel {
    QList<std::pair<QString, JsonScalar>> figures;
    QStringList captions, values;
    // The figure of that name, null where the panel has none.
    JsonScalar figure(const QString& name) const;
};
ReportPanel PanelForReport(const std::vector<PanelLine>& panel);

// --kind "P Chart", "NP Chart", "C Chart" or "U Chart" with --json or --png (--zones, --fail-on-rules with
// the stored rule set-up, --laney with the p and u kinds); the exit code.
int AttributeReport(
    ReportSession& session, const ReportOptions& options, CountingPrompt& prompt, QTextStream& out, QTextStream& err);

} // namespace moldrin::cli
