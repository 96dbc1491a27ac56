// Chart export to PNG and printing: the sequences every chart window runs, over what the window lends them.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "output/outputtexts.h"
#include "variables/chartmodel.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace moldrin
{

// Where the save dialog of an export or a PDF file opens: the folder of the last file chosen there (kept
// under SaveConfig as ExportFolder), else the user's pictures folder, else the home folder.
inline const QString kExportFolderValue = QStringLiteral("ExportFolder");
QString OutputFolder(const SettingsStore& store);
// Keeps the folder of a chosen file as where the next dialog opens.
void RememberOutputFolder(SettingsStore& store, const QString& file);
// The save dialog's request for a file to write: `pattern` in OutputFolder, the name used unchanged. The window
// asks it (with ChooseFileToWrite) and remembers the folder.
FileDialogRequest OutputFileRequest(
    const SettingsStore& store, const QString& title, const QString& filter, const QString& pattern);

// The printer dialog's entry that prints into a PDF file; always offered after the system's printers.
inline const QString kPrintToPdfFile = QStringLiteral("Print to PDF file");
inline const QString kDefaultPrinterValue = QStringLiteral("Default Printer");

// The Default Printer value under the program's key; when it is empty, systemDefault.
QString GetDefaultPrinter(const SettingsStore& store, const QString& systemDefault);
bool SaveDefaultPrinter(SettingsStore& store, const QString& name);

// The printer dialog's page options (gPrintMode).
enum class PrintMode { Compress = 0, CurrentPage = 1, AllPages = 2 };
// gPrintMode as a mode; an unknown value compresses, as the dialog's first option.
PrintMode PrintModeOf(int gPrintMode);

// Page margins in percent of the paper's width (left, right) and height (top, bottom).
struct PageMargins {
    double left = 5;
    double top = 5;
    double right = 5;
    double bottom = 5;
};

// What a chart window's output differs in: one row per window.
struct ChartOutputRow {
    QString exportStampFormat = kShortStampFormat;
    QString printCaption = QStringLiteral("Print Chart"); // the printer dialog's caption
    bool pageOptions = false; // the dialog's three page options
    PageMargins margins;
};
// The main window's row.
ChartOutputRow MainChartOutputRow();
// The row of a further chart by its kind as the query builder names it ("Histogram", "Pareto", "Scatter",
// "P Chart", "NP Chart", "C Chart", "U Chart"); an unknown kind gets "Print " + kind.
ChartOutputRow ChartOutputRowFor(const QString& chartKind);

// Where the pages of one print go: a printer or a PDF file.
class PageSink
{
public:
    virtual ~PageSink() = default;
    // Draws the chart's current page as the next page; false on failure (see error()).
    virtual bool PrintPage(const ChartModel& chart) = 0;
    // Ends the job (a PDF file is then complete); false on failure.
    virtual bool Finish() = 0;
    // Drops the job before Finish: nothing reaches the printer, no PDF file is written.
    virtual void Abort() { }
    virtual QString error() const = 0;
};

// A print job's progress while its pages are made; shown until the object is destroyed.
class PrintProgress
{
public:
    virtual ~PrintProgress() = default;
    // `printed` pages are done; false when the user asked to stop.
    virtual bool Advance(int printed) = 0;
};

// Above this many pages the main window's Print Chart asks before it prints them all.
constexpr int kPagesPrintedWithoutAsking = 5;
QString PrintAllPagesQuestion(int pages);

// The printer the dialog chose: gDefaultPrinter, and the file for kPrintToPdfFile.
struct PrintTarget {
    QString printer;
    QString pdfFile;
};

// What a chart window lends the export and print sequences. The main window adds its filters, its
// configuration check, the zone display box and the plot button. The sequences ask nothing themselves: the
// window's dialogs do, and the message a sequence ends with is returned for the window to show.
class ChartOutputHost
{
public:
    virtual ~ChartOutputHost() = default;
    virtual AppState& State() = 0;
    virtual ChartModel& Chart() = 0;
    // The file to export into, from the window's save dialog and overwrite question; "" for none.
    virtual QString ChooseOutputFile(const FileDialogRequest& request) = 0;
    virtual void SetExportEnabled(bool enable) = 0;
    virtual void SetPrintEnabled(bool enable) = 0;
    // Writes the chart as a PNG file of the chart's size on screen; "" when written, else the failure.
    virtual QString WritePng(const ChartModel& chart, const QString& file) = 0;
    // Shows the printer dialog modally; it sets gPrintMode, gPrintCancelled and gDefaultPrinter.
    virtual PrintTarget ChoosePrinter(const QString& caption, bool pageOptions) = 0;
    // Opens a print job on the target; nullptr with `error` set when it cannot start.
    virtual std::unique_ptr<PageSink> OpenPrinter(const PrintTarget& target, const PageMargins& margins, QString& error)
        = 0;
    // Asks the question; true when the user answered Yes. Unasked (no window), the answer is yes.
    virtual bool Confirm(const PromptMessage& /*question*/) { return true; }
    // Shows the progress of a print job of `pages` pages with a way to stop it, and the busy pointer.
    virtual std::unique_ptr<PrintProgress> StartPrintProgress(int /*pages*/) { return nullptr; }
    virtual void StopRuleTimer() { }
    virtual void ProcessPendingEvents() { }
    // The sequence changed the chart: the window draws it again.
    virtual void ChartChanged() { }
    virtual QDateTime Now() const { return QDateTime::currentDateTime(); }

    // The main window's.
    virtual bool ConfigurationLoaded() const { return true; }
    virtual MainChartFilters Filters() const { return {}; }
    virtual bool ZonesShown() const { return false; }
    virtual void SetPlotEnabled(bool) { }
};

// The message an output sequence ends with, for the window to show; empty when there is none.
using OutputMessage = std::optional<PromptMessage>;
// A chart window's Export and Print Chart buttons.
OutputMessage ExportChart(ChartOutputHost& host, const ChartOutputRow& row);
OutputMessage PrintChart(ChartOutputHost& host, const ChartOutputRow& row);
// The main window's Export Chart and Print Chart buttons.
OutputMessage ExportMainChart(ChartOutputHost& host);
OutputMessage PrintMainChart(ChartOutputHost& host);

// Opens a job with `open`, prints with `pages` and ends the job; "" when done, else the failure.
QString RunPrintJob(
    const std::function<std::unique_ptr<PageSink>(QString& error)>& open, const std::function<bool(PageSink&)>& pages);

// The pages themselves, shared with moldrin-report.
// A chart window's page: "Printed on: " as footer line 0, the footer shown for the page and hidden after.
bool PrintChartPage(ChartModel& chart, PageSink& sink, const QDateTime& now);
// The main chart's pages by mode, each with filterLine as header line 1 and "Printed on: " as footer line
// 0; with zonesShown the rule-mark labels print on their own ground and shown. Afterwards the chart is on
// page 1 (Compress, with its points per page back; AllPages) or on the page after the printed one
// (CurrentPage), and its caption is rebuilt, also when a page failed. After each page `carryOn`, when given,
// is told how many pages are done; when it returns false the job is aborted and false returned.
bool PrintMainChartPages(ChartModel& chart, PrintMode mode, const QString& filterLine, const QString& chartTitle,
    bool zonesShown, PageSink& sink, const QDateTime& now, const std::function<bool(int printed)>& carryOn = {});

} // namespace moldrin
