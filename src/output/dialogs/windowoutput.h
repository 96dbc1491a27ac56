// Export and Print Chart of a window: the output sequences over the window's chart, buttons and timer.
#pragma once

#include "output/chartoutput.h"
#include "output/print/chartprinting.h"

class QTimer;

namespace moldrin
{

class ChartView;
class LumButton;

// What a chart window hands to its output buttons.
struct ChartWindowParts {
    AppState& state;
    Prompt& prompt;
    ChartModel& chart;
    ChartView* view; // the chart on screen: its size is the PNG's; redrawn after an output
    LumButton* exportButton; // "Export" ("Export Chart")
    LumButton* printButton; // "Print Chart"
    QTimer* ruleTimer = nullptr; // the rule-mark blink timer of a window that has one
};

// The output sequences' host on a window: the PNG at the view's size, the printer dialog parented to the
// window, jobs on the system's printers or PDF files.
class WindowOutputHost : public ChartOutputHost
{
public:
    explicit WindowOutputHost(const ChartWindowParts& parts)
        : mParts(parts)
    {
    }

    AppState& State() override { return mParts.state; }
    ChartModel& Chart() override { return mParts.chart; }
    QString ChooseOutputFile(const FileDialogRequest& request) override;
    void SetExportEnabled(bool enable) override;
    void SetPrintEnabled(bool enable) override;
    QString WritePng(const ChartModel& chart, const QString& file) override;
    PrintTarget ChoosePrinter(const QString& caption, bool pageOptions) override;
    std::unique_ptr<PageSink> OpenPrinter(
        const PrintTarget& target, const PageMargins& margins, QString& error) override;
    bool Confirm(const PromptMessage& question) override;
    std::unique_ptr<PrintProgress> StartPrintProgress(int pages) override;
    void StopRuleTimer() override;
    void ProcessPendingEvents() override;
    void ChartChanged() override;

    // The PNG size when the view has none yet (a window never shown).
    static constexpr QSize kFallbackPngSize { 1200, 800 };

private:
    ChartWindowParts mParts;
};

// The save dialog and overwrite question of `request` (ChooseFileToWrite); the folder of the chosen file is
// remembered for the next dialog. "" when the user gave no file.
QString ChooseOutputFile(Prompt& prompt, SettingsStore& store, const FileDialogRequest& request);

// Shows the message an output sequence ended with, if any, through the window's prompt.
void ShowOutputMessage(Prompt& prompt, const OutputMessage& message);

// A chart window's "Export" and "Print Chart" buttons, with its row of ChartOutputRowFor().
void ExportChartWindow(const ChartWindowParts& parts, const ChartOutputRow& row);
void PrintChartWindow(const ChartWindowParts& parts, const ChartOutputRow& row);

} // namespace moldrin
