// The texts of chart output: stamps, the main chart's filter line, the export dialog and its question.
#pragma once

#include <QDateTime>
#include <QString>

namespace moldrin
{

inline const QString kExportDialogTitle = QStringLiteral("Chart Export");
inline const QString kExportFilter = QStringLiteral("PNG image file (*.png)|.png|");
inline const QString kChartIsEmpty = QStringLiteral("Chart is empty!");
inline const QString kIniNotLoaded = QStringLiteral("INI file is not loaded!");

// Export stamp of the chart windows; the main window's export and every print use the long form.
inline const QString kShortStampFormat = QStringLiteral("mmm dd, yy hh:mm am/pm");
inline const QString kLongStampFormat = QStringLiteral("mmm dd, yyyy hh:mm am/pm");

QString ExportedOnText(const QDateTime& when, const QString& format);
QString PrintedOnText(const QDateTime& when);

// The main window's selection as its output names it.
struct MainChartFilters {
    QString testId; // the Test ID list text
    QString serialFilter; // the S/N Filter box
    QString tester; // the Source Filter list text, "<All>" for none
};
// "Test ID: ...; S/N Filter: ...; Tester Filter: ..." ("None" for an empty filter).
QString ExportFilterLine(const MainChartFilters& filters);
// "Test ID: ...; S/N Filter: ...; Source Filter: ..." ("none" for an empty filter).
QString PrintFilterLine(const MainChartFilters& filters);

} // namespace moldrin
