// Chart export to PNG and printing: the sequences every chart window runs, over what the window lends them.
#include "output/chartoutput.h"

#include "variables/variableschart.h"

#include <QDir>
#include <QFileInfo>
#include <QScopeGuard>
#include <QStandardPaths>

#include <algorithm>
#include <functional>
#include <vector>

namespace moldrin
{

namespace
{

void SetLine(QStringList& lines, int index, const QString& text)
{
    while (lines.size() <= index)
        lines << QString();
    lines[index] = text;
}

void RemoveLine(QStringList& lines, int index)
{
    if (index < lines.size())
        lines.removeAt(index);
}

// The main chart's rule-mark labels (series 7 and 8 and the last two series) while it is exported or
// printed: drawn on their own ground rather than transparent, so they read on paper, and shown whatever
// phase the stopped blinking left them in. Afterwards they are transparent as before and stay shown.
class ZoneMarksForOutput
{
public:
    ZoneMarksForOutput(ChartModel& chart, bool zonesShown)
        : mChart(chart)
    {
        if (!zonesShown)
            return;
        const int n = chart.seriesCount();
        for (int index : { kSeriesUpArrow, kSeriesDownArrow, n - 1, n - 2 }) {
            ChartSeries* s = chart.seriesAt(index);
            const bool seen
                = std::any_of(mSaved.begin(), mSaved.end(), [&](const Saved& x) { return x.index == index; });
            if (!s || index < kSeriesUpArrow || seen)
                continue;
            mSaved.push_back({ index, s->marks.transparent });
            s->marks.transparent = false;
            s->marks.visible = true;
        }
    }
    ~ZoneMarksForOutput()
    {
        for (const Saved& saved : mSaved)
            if (ChartSeries* s = mChart.seriesAt(saved.index))
                s->marks.transparent = saved.transparent;
    }
    ZoneMarksForOutput(const ZoneMarksForOutput&) = delete;
    ZoneMarksForOutput& operator=(const ZoneMarksForOutput&) = delete;

private:
    struct Saved {
        int index;
        bool transparent;
    };
    ChartModel& mChart;
    std::vector<Saved> mSaved;
};

// Stamps the chart for the export and returns what takes the stamp off again.
using Stamp = std::function<std::function<void()>(ChartModel& chart, const QDateTime& now)>;

OutputMessage RunExport(ChartOutputHost& host, const Stamp& stamp, PromptIcon failureIcon)
{
    host.SetExportEnabled(false);
    const auto enableAgain = qScopeGuard([&] { host.SetExportEnabled(true); });

    const QString file = host.ChooseOutputFile(
        OutputFileRequest(host.State().registry, kExportDialogTitle, kExportFilter, QStringLiteral("*.png")));
    if (file.isEmpty())
        return std::nullopt;

    QString failure;
    {
        ChartModel& chart = host.Chart();
        const std::function<void()> unstamp = stamp(chart, host.Now());
        failure = host.WritePng(chart, file);
        unstamp();
    }
    host.ChartChanged();
    if (failure.isEmpty())
        return std::nullopt;
    return PromptMessage { failure + QStringLiteral("!"), kAppTitle, failureIcon, PromptButtons::Ok };
}

OutputMessage Warning(const QString& text)
{
    return PromptMessage { text, kAppTitle, PromptIcon::Exclamation, PromptButtons::Ok };
}

// The main chart can be printed or exported; else the warning that says why not.
OutputMessage MainChartUnprintable(ChartOutputHost& host)
{
    if (!host.ConfigurationLoaded())
        return Warning(kIniNotLoaded);
    const ChartSeries* first = host.Chart().seriesAt(0);
    if (!first || first->count() == 0)
        return Warning(kChartIsEmpty);
    return std::nullopt;
}

// The chart's page-change notification: a move to another page rewrites the caption.
void GoToPage(ChartModel& chart, int page, const QString& chartTitle)
{
    const int before = chart.currentPage();
    chart.setPage(page);
    if (chart.currentPage() != before)
        WritePageChangeCaption(chart, chartTitle);
}

void NextPage(ChartModel& chart, const QString& chartTitle)
{
    if (chart.nextPage())
        WritePageChangeCaption(chart, chartTitle);
}

QString PrintOnHost(ChartOutputHost& host, const PrintTarget& target, const PageMargins& margins,
    const std::function<bool(PageSink&)>& pages)
{
    return RunPrintJob([&](QString& error) { return host.OpenPrinter(target, margins, error); }, pages);
}

} // namespace

QString RunPrintJob(
    const std::function<std::unique_ptr<PageSink>(QString& error)>& open, const std::function<bool(PageSink&)>& pages)
{
    QString error;
    const std::unique_ptr<PageSink> job = open(error);
    if (!job)
        return error.isEmpty() ? QStringLiteral("The printer cannot be opened") : error;
    const bool printed = pages(*job);
    const bool finished = job->Finish();
    return printed && finished ? QString() : job->error();
}

QString OutputFolder(const SettingsStore& store)
{
    const QString last = store.read(kExportFolderValue);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return !pictures.isEmpty() && QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

void RememberOutputFolder(SettingsStore& store, const QString& file)
{
    // A failed write of the setting costs only the next dialog's starting folder.
    store.write(kExportFolderValue, QFileInfo(file).absolutePath());
}

FileDialogRequest OutputFileRequest(
    const SettingsStore& store, const QString& title, const QString& filter, const QString& pattern)
{
    FileDialogRequest request;
    request.title = title;
    request.filter = filter;
    request.fileName = QDir(OutputFolder(store)).filePath(pattern);
    request.save = true;
    return request;
}

QString GetDefaultPrinter(const SettingsStore& store, const QString& systemDefault)
{
    const QString stored = store.ReadRegistry(kProgramKey + QLatin1Char('\\') + kDefaultPrinterValue);
    return stored.isEmpty() ? systemDefault : stored;
}

bool SaveDefaultPrinter(SettingsStore& store, const QString& name)
{
    return store.WriteRegistry(kProgramKey + QLatin1Char('\\') + kDefaultPrinterValue, name);
}

PrintMode PrintModeOf(int gPrintMode)
{
    switch (gPrintMode) {
    case 1:
        return PrintMode::CurrentPage;
    case 2:
        return PrintMode::AllPages;
    default:
        break;
    }
    return PrintMode::Compress;
}

ChartOutputRow MainChartOutputRow()
{
    ChartOutputRow row;
    row.exportStampFormat = kLongStampFormat;
    row.printCaption = QStringLiteral("Print X-Bar Chart");
    row.pageOptions = true;
    return row;
}

ChartOutputRow ChartOutputRowFor(const QString& chartKind)
{
    ChartOutputRow row;
    row.printCaption = QStringLiteral("Print ") + chartKind;
    if (chartKind == QLatin1String("Histogram") || chartKind == QLatin1String("Pareto")
        || chartKind == QLatin1String("Scatter"))
        row.printCaption += QStringLiteral(" Chart");
    if (chartKind == QLatin1String("Pareto"))
        row.margins.bottom = 10;
    return row;
}

bool PrintChartPage(ChartModel& chart, PageSink& sink, const QDateTime& now)
{
    SetLine(chart.footer, 0, PrintedOnText(now));
    chart.footerVisible = true;
    const bool printed = sink.PrintPage(chart);
    chart.footerVisible = false;
    return printed;
}

QString PrintAllPagesQuestion(int pages)
{
    return QStringLiteral("Print all %1 pages?").arg(pages);
}

bool PrintMainChartPages(ChartModel& chart, PrintMode mode, const QString& filterLine, const QString& chartTitle,
    bool zonesShown, PageSink& sink, const QDateTime& now, const std::function<bool(int printed)>& carryOn)
{
    const ZoneMarksForOutput marks(chart, zonesShown);
    const int pointsPerPage = chart.maxPointsPerPage;
    const auto afterwards = qScopeGuard([&] {
        if (mode == PrintMode::Compress) {
            chart.maxPointsPerPage = pointsPerPage;
            chart.setPage(1);
        } else if (mode == PrintMode::AllPages) {
            chart.setPage(1);
        }
        WritePageChangeCaption(chart, chartTitle);
    });

    int pages = 1;
    if (mode == PrintMode::AllPages) {
        GoToPage(chart, 1, chartTitle);
        pages = chart.pageCount();
    } else if (mode == PrintMode::Compress) {
        const ChartSeries* first = chart.seriesAt(0);
        chart.maxPointsPerPage = first ? first->count() : 0;
        chart.setPage(chart.currentPage());
        WriteResetPageCaption(chart, chartTitle);
    }
    for (int i = 0; i < pages; ++i) {
        chart.header << QString();
        chart.footer << QString();
        SetLine(chart.header, 1, filterLine);
        SetLine(chart.footer, 0, PrintedOnText(now));
        const bool printed = sink.PrintPage(chart);
        NextPage(chart, chartTitle);
        RemoveLine(chart.footer, 0);
        if (!printed)
            return false;
        if (carryOn && !carryOn(i + 1)) {
            sink.Abort();
            return false;
        }
    }
    return true;
}

OutputMessage ExportChart(ChartOutputHost& host, const ChartOutputRow& row)
{
    return RunExport(
        host,
        [&row](ChartModel& chart, const QDateTime& now) {
            SetLine(chart.footer, 0, ExportedOnText(now, row.exportStampFormat));
            chart.footerVisible = true;
            return std::function<void()>([&chart] { chart.footerVisible = false; });
        },
        PromptIcon::None);
}

OutputMessage ExportMainChart(ChartOutputHost& host)
{
    if (OutputMessage unprintable = MainChartUnprintable(host))
        return unprintable;
    const QString stampFormat = MainChartOutputRow().exportStampFormat;
    std::unique_ptr<ZoneMarksForOutput> marks;
    return RunExport(
        host,
        [&](ChartModel& chart, const QDateTime& now) {
            host.StopRuleTimer();
            marks = std::make_unique<ZoneMarksForOutput>(chart, host.ZonesShown());
            host.ProcessPendingEvents();
            chart.header << QString();
            chart.footer << QString();
            SetLine(chart.header, 1, ExportFilterLine(host.Filters()));
            SetLine(chart.footer, 0, ExportedOnText(now, stampFormat));
            return std::function<void()>([&chart, &marks] {
                RemoveLine(chart.header, 1);
                RemoveLine(chart.footer, 0);
                marks.reset();
            });
        },
        PromptIcon::Exclamation);
}

OutputMessage PrintChart(ChartOutputHost& host, const ChartOutputRow& row)
{
    const PrintTarget target = host.ChoosePrinter(row.printCaption, false);
    if (host.State().gPrintCancelled)
        return std::nullopt;
    host.SetPrintEnabled(false);
    host.SetExportEnabled(false);
    const QString failure = PrintOnHost(
        host, target, row.margins, [&](PageSink& sink) { return PrintChartPage(host.Chart(), sink, host.Now()); });
    host.SetPrintEnabled(true);
    host.SetExportEnabled(true);
    host.ChartChanged();
    return failure.isEmpty() ? std::nullopt : Warning(failure + QStringLiteral("!"));
}

OutputMessage PrintMainChart(ChartOutputHost& host)
{
    if (OutputMessage unprintable = MainChartUnprintable(host))
        return unprintable;
    const ChartOutputRow row = MainChartOutputRow();
    const PrintTarget target = host.ChoosePrinter(row.printCaption, row.pageOptions);
    if (host.State().gPrintCancelled)
        return std::nullopt;
    const PrintMode mode = PrintModeOf(host.State().gPrintMode);
    const int pages = mode == PrintMode::AllPages ? host.Chart().pageCount() : 1;
    if (pages > kPagesPrintedWithoutAsking
        && !host.Confirm({ PrintAllPagesQuestion(pages), kAppTitle, PromptIcon::Question, PromptButtons::YesNo }))
        return std::nullopt;
    const QString filterLine = PrintFilterLine(host.Filters());
    host.SetPrintEnabled(false);
    host.SetPlotEnabled(false);
    host.StopRuleTimer();
    host.ProcessPendingEvents();
    bool stopped = false;
    QString failure;
    {
        const std::unique_ptr<PrintProgress> progress = host.StartPrintProgress(pages);
        failure = PrintOnHost(host, target, row.margins, [&](PageSink& sink) {
            return PrintMainChartPages(host.Chart(), mode, filterLine, host.State().gChartTitle, host.ZonesShown(),
                sink, host.Now(), [&](int printed) {
                    stopped = progress && !progress->Advance(printed);
                    return !stopped;
                });
        });
    }
    host.SetPrintEnabled(true);
    host.SetPlotEnabled(true);
    host.ChartChanged();
    return failure.isEmpty() || stopped ? std::nullopt : Warning(failure + QStringLiteral("!"));
}

} // namespace moldrin
