// frmPrintChart: the printer dialog, which also remembers the printer last used.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "output/chartoutput.h"
#include "output/print/chartprinting.h"

#include "ui_frmprintchart.h"

#include <QDialog>

namespace moldrin
{

class frmPrintChart : public QDialog
{
    Q_OBJECT

public:
    // The printer list comes from `printers` (the system's, or a test's).
    frmPrintChart(AppState& state, Prompt& prompt, SystemPrinters printers = SystemPrinters::Installed(),
        QWidget* parent = nullptr);

    // Shows the dialog modally with the caller's caption and page options; gPrintCancelled, gPrintMode and
    // gDefaultPrinter hold the outcome. The target names the printer and, for kPrintToPdfFile, the file.
    static PrintTarget Run(AppState& state, Prompt& prompt, const QString& caption, bool pageOptions,
        QWidget* parent = nullptr, SystemPrinters printers = SystemPrinters::Installed());

    // The three page options are for the main chart only.
    void SetPageOptionsEnabled(bool enabled);
    PrintTarget Target() const { return { mState.gDefaultPrinter, mPdfFile }; }

    void cmdPrintChart_Click();
    void cmdCancel_Click();

    Ui::frmPrintChart ui;

private:
    void Form_Load();

    AppState& mState;
    Prompt& mPrompt;
    SystemPrinters mPrinters;
    QString mPdfFile;
};

} // namespace moldrin
