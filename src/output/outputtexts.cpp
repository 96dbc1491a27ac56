// The texts of chart output: stamps and the main chart's filter line.
#include "output/outputtexts.h"

#include "common/dates.h"
#include "data/config/configfiles.h"

namespace moldrin
{

namespace
{

QString FilterLine(const MainChartFilters& f, const QString& testerCaption, const QString& none)
{
    const QString serial = f.serialFilter.isEmpty() ? none : f.serialFilter;
    const QString tester = f.tester == data::kAllItem ? none : f.tester;
    return QStringLiteral("Test ID: ") + f.testId + QStringLiteral("; S/N Filter: ") + serial + QStringLiteral("; ")
        + testerCaption + tester;
}

} // namespace

QString ExportedOnText(const QDateTime& when, const QString& format)
{
    return QStringLiteral("Exported on: ") + FormatDateTime(when, format);
}

QString PrintedOnText(const QDateTime& when)
{
    return QStringLiteral("Printed on: ") + FormatDateTime(when, kLongStampFormat);
}

QString ExportFilterLine(const MainChartFilters& filters)
{
    return FilterLine(filters, QStringLiteral("Tester Filter: "), QStringLiteral("None"));
}

QString PrintFilterLine(const MainChartFilters& filters)
{
    return FilterLine(filters, QStringLiteral("Source Filter: "), QStringLiteral("none"));
}

} // namespace moldrin
