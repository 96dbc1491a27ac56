// Export and Print Chart of a window: the output sequences over the window's chart, buttons and timer.
#include "output/dialogs/windowoutput.h"

#include "buttonctl/lumbutton.h"
#include "output/dialogs/frmprintchart.h"
#include "variables/view/chartview.h"

#include <QCoreApplication>
#include <QTimer>

namespace moldrin
{

void WindowOutputHost::SetExportEnabled(bool enable)
{
    if (mParts.exportButton)
        mParts.exportButton->SetEnabled(enable);
}

void WindowOutputHost::SetPrintEnabled(bool enable)
{
    if (mParts.printButton)
        mParts.printButton->SetEnabled(enable);
}

QString WindowOutputHost::ChooseOutputFile(const FileDialogRequest& request)
{
    return moldrin::ChooseOutputFile(mParts.prompt, mParts.state.registry, request);
}

QString WindowOutputHost::WritePng(const ChartModel& chart, const QString& file)
{
    const QSize size = mParts.view && !mParts.view->size().isEmpty() ? mParts.view->size() : kFallbackPngSize;
    return WriteChartPng(chart, file, size);
}

PrintTarget WindowOutputHost::ChoosePrinter(const QString& caption, bool pageOptions)
{
    return frmPrintChart::Run(
        mParts.state, mParts.prompt, caption, pageOptions, mParts.view ? mParts.view->window() : nullptr);
}

std::unique_ptr<PageSink> WindowOutputHost::OpenPrinter(
    const PrintTarget& target, const PageMargins& margins, QString& error)
{
    return OpenChartPrintJob(target, margins, error);
}

void WindowOutputHost::StopRuleTimer()
{
    if (mParts.ruleTimer)
        mParts.ruleTimer->stop();
}

void WindowOutputHost::ProcessPendingEvents()
{
    QCoreApplication::processEvents();
}

void WindowOutputHost::ChartChanged()
{
    if (mParts.view)
        mParts.view->render(mParts.chart);
}

QString ChooseOutputFile(Prompt& prompt, SettingsStore& store, const FileDialogRequest& request)
{
    const QString file = ChooseFileToWrite(prompt, request);
    if (!file.isEmpty())
        RememberOutputFolder(store, file);
    return file;
}

void ShowOutputMessage(Prompt& prompt, const OutputMessage& message)
{
    if (message)
        prompt.ask(*message);
}

void ExportChartWindow(const ChartWindowParts& parts, const ChartOutputRow& row)
{
    WindowOutputHost host(parts);
    ShowOutputMessage(parts.prompt, ExportChart(host, row));
}

void PrintChartWindow(const ChartWindowParts& parts, const ChartOutputRow& row)
{
    WindowOutputHost host(parts);
    ShowOutputMessage(parts.prompt, PrintChart(host, row));
}

} // namespace moldrin
