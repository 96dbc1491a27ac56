// The reports of the further chart kinds, by the kind text the query builder takes.
#include "cli/attributereport.h"
#include "cli/report.h"

#include <QHash>

namespace moldrin::cli
{

int ScatterReport(ReportSession&, const ReportOptions&, CountingPrompt&, QTextStream&, QTextStream&);
int ParetoReport(ReportSession&, const ReportOptions&, CountingPrompt&, QTextStream&, QTextStream&);
int TimeWeightedReport(ReportSession&, const ReportOptions&, CountingPrompt&, QTextStream&, QTextStream&);

KindReport FindKindReport(const QString& kind)
{
    // Each chart kind's report function, added here as the kind is built.
    static const QHash<QString, KindReport> reports {
        { QStringLiteral("Histogram"), &HistogramReport },
        { QStringLiteral("Scatter"), &ScatterReport },
        { QStringLiteral("Pareto"), &ParetoReport },
        { QStringLiteral("P Chart"), AttributeReport },
        { QStringLiteral("NP Chart"), AttributeReport },
        { QStringLiteral("C Chart"), AttributeReport },
        { QStringLiteral("U Chart"), AttributeReport },
        { QStringLiteral("EWMA"), &TimeWeightedReport },
        { QStringLiteral("CUSUM"), &TimeWeightedReport },
    };
    return reports.value(kind, nullptr);
}

} // namespace moldrin::cli
