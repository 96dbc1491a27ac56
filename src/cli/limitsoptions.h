// moldrin-report's saved limits and stages: --save-limits stores the plotted chart's limits, --saved-limits
// plots against them, --stage splits the chart; the options, the limits' file of the run and the JSON that
// says where the limits come from.
#pragma once

#include "cli/jsonreport.h"
#include "cli/report.h"
#include "cli/reportoptions.h"
#include "variables/savedlimits.h"

#include <QCommandLineParser>
#include <QTextStream>

#include <optional>

namespace moldrin::cli
{

void AddLimitsOptions(QCommandLineParser& parser);
// Reads --save-limits and --saved-limits into `o`: "" when sound, else the usage error.
QString ReadLimitsOptions(const QCommandLineParser& parser, ReportOptions& o);

// The saved limits a main chart's report plots and saves with: the file the configuration names and the
// key of the selection.
class ReportLimits
{
public:
    ReportLimits(const ReportSession& session, const ReportOptions& options, int parameterIndex,
        const QString& chartType, int groupSize);
    // With --saved-limits: the held limits of the selection; a run for which none are saved ends here.
    StepResult Load(QTextStream& err);
    // Where the plot's limits come from: held ones (--saved-limits), stages (--stage) or its own.
    LimitChoice choice() const;
    // With --save-limits: stores the plotted limits; a file that cannot be written ends the run.
    StepResult Save(const VariablesPlotOutcome& outcome, const QString& range, QTextStream& err);
    // "limits": {"source": "saved", ...} where the run plots against saved limits, {"source": "stages", ...}
    // where it plots stages; nothing otherwise.
    void WriteJson(JsonWriter& j, const VariablesPlotOutcome& outcome) const;

private:
    LimitsUse mUse;
    QList<QDate> mStages;
    LimitsKey mKey;
    SpecificationLimitsAtSave mSpecification;
    LimitsStore mStore;
    std::optional<SavedLimits> mSaved;
    std::optional<HeldLimits> mHeld;
};

} // namespace moldrin::cli
