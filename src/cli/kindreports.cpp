// The reports of the further chart kinds, by the kind text the query builder takes.
#include "cli/report.h"

#include <QHash>

namespace moldrin::cli
{

int ScatterReport(ReportSession&, const ReportOptions&, CountingPrompt&, QTextStream&, QTextStream&);
int ParetoReport(ReportSession&, const ReportOptions&, CountingPrompt&, QTextStream&, QTextStream&);

KindReport FindKindReport(const QString& kind)
{
    // Each chart kind's report function, added here as the kind is built.
    static const QHash<QString, KindReport> reports {
        { QStringLiteral("Scatter"), &ScatterReport },
        { QStringLiteral("Pareto"), &ParetoReport },
    };
    return reports.value(kind, nullptr);
}

} // namespace moldrin::cli
