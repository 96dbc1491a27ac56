// Export and Print Chart of a window: the output sequences over the window's chart, buttons and timer.
#include "output/dialogs/windowoutput.h"

#include "buttonctl/lumbutton.h"
#include "output/dialogs/frmprintchart.h"
#include "variables/view/chartview.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

namespace moldrin
{

namespace
{

// The busy pointer while pages are made and, for more than one page, a progress dialog with Cancel.
class WindowPrintProgress : public PrintProgress
{
public:
    WindowPrintProgress(int pages, QWidget* parent)
        : mPages(pages)
    {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        if (pages < 2)
            return;
        mDialog = std::make_unique<QProgressDialog>(label(0), QStringLiteral("Cancel"), 0, pages, parent);
        mDialog->setWindowTitle(kAppTitle);
        mDialog->setWindowModality(Qt::WindowModal);
        mDialog->setMinimumDuration(0);
        mDialog->setAutoClose(false);
        mDialog->setValue(0);
    }
    ~WindowPrintProgress() override { QGuiApplication::restoreOverrideCursor(); }

    bool Advance(int printed) override
    {
        if (!mDialog)
            return true;
        mDialog->setLabelText(label(printed));
        mDialog->setValue(printed); // a modal dialog takes its events here, the Cancel button's too
        return !mDialog->wasCanceled();
    }

private:
    QString label(int printed) const
    {
        return QStringLiteral("Printing page %1 of %2").arg(std::min(printed + 1, mPages)).arg(mPages);
    }

    int mPages;
    std::unique_ptr<QProgressDialog> mDialog;
};

} // namespace

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

bool WindowOutputHost::Confirm(const PromptMessage& question)
{
    return mParts.prompt.ask(question) == PromptAnswer::Yes;
}

std::unique_ptr<PrintProgress> WindowOutputHost::StartPrintProgress(int pages)
{
    return std::make_unique<WindowPrintProgress>(pages, mParts.view ? mParts.view->window() : nullptr);
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
