// Chart pages on paper and in files: print jobs on the system's printers or PDF files, and PNG files.
#pragma once

#include "output/chartoutput.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <memory>

namespace moldrin
{

// The printers of the system (CUPS through Qt Print Support), in its order, and its default printer.
struct SystemPrinters {
    QStringList names;
    QString defaultName;
    static SystemPrinters Installed();
};

// Writes the chart's current page as a width x height PNG into `file`, the name used as given. An existing
// file is replaced only by a complete new one. "" when written, else the failure's description.
QString WriteChartPng(const ChartModel& chart, const QString& file, QSize size);

// A print job on a system printer, or into a PDF file for kPrintToPdfFile: landscape, the chart drawn as
// vectors inside the margins of the paper (the printer's own paper size; A4, or Letter where the locale
// measures in US units, for PDF files). nullptr with `error` set when the job cannot start.
std::unique_ptr<PageSink> OpenChartPrintJob(const PrintTarget& target, const PageMargins& margins, QString& error);

// moldrin-report's PDF output, printed as Print Chart prints ("Printed on: " now). "" when written, else
// the failure. A chart window's chart, one page with its row's margins:
QString PrintChartToPdf(ChartModel& chart, const QString& file, const ChartOutputRow& row);
// The main chart by mode, its filter line from `filters`, zonesShown as the "Show Zones" box:
QString PrintMainChartToPdf(ChartModel& chart, const QString& file, PrintMode mode, const MainChartFilters& filters,
    const QString& chartTitle, bool zonesShown);

} // namespace moldrin
