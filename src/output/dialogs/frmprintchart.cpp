// frmPrintChart: the printer dialog, which also remembers the printer last used.
#include "output/dialogs/frmprintchart.h"

#include "output/dialogs/windowoutput.h"

#include <algorithm>

namespace moldrin
{

frmPrintChart::frmPrintChart(AppState& state, Prompt& prompt, SystemPrinters printers, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
    , mPrinters(std::move(printers))
{
    ui.setupUi(this);
    connect(ui.cmdPrintChart, &LumButton::Click, this, &frmPrintChart::cmdPrintChart_Click);
    connect(ui.cmdCancel, &LumButton::Click, this, &frmPrintChart::cmdCancel_Click);
    connect(ui.cmdDefault, &QPushButton::clicked, this, &QDialog::reject);
    Form_Load();
}

PrintTarget frmPrintChart::Run(
    AppState& state, Prompt& prompt, const QString& caption, bool pageOptions, QWidget* parent, SystemPrinters printers)
{
    frmPrintChart dialog(state, prompt, std::move(printers), parent);
    dialog.setWindowTitle(caption);
    dialog.SetPageOptionsEnabled(pageOptions);
    dialog.exec();
    return dialog.Target();
}

// "Print to PDF file" follows the system's printers, so there is always a way to print: a machine without
// printers gets it as the only entry rather than a message and a disabled "Print".
void frmPrintChart::Form_Load()
{
    mState.gPrintCancelled = true;
    mState.gDefaultPrinter = GetDefaultPrinter(mState.registry, mPrinters.defaultName);
    ui.cboPrinterList->addItems(mPrinters.names);
    ui.cboPrinterList->addItem(kPrintToPdfFile);
    // A remembered printer that is gone gives way to the system's default, then to the first entry.
    int index = ui.cboPrinterList->findText(mState.gDefaultPrinter);
    if (index < 0)
        index = ui.cboPrinterList->findText(mPrinters.defaultName);
    ui.cboPrinterList->setCurrentIndex(std::max(index, 0));
}

void frmPrintChart::SetPageOptionsEnabled(bool enabled)
{
    for (QRadioButton* option : { ui.optPrint_0, ui.optPrint_1, ui.optPrint_2 })
        option->setEnabled(enabled);
}

void frmPrintChart::cmdPrintChart_Click()
{
    const QString printer = ui.cboPrinterList->currentText();
    if (printer == kPrintToPdfFile) {
        mPdfFile = ChooseOutputFile(mPrompt, mState.registry,
            OutputFileRequest(
                mState.registry, kPrintToPdfFile, QStringLiteral("PDF file (*.pdf)|*.pdf|"), QStringLiteral("*.pdf")));
        if (mPdfFile.isEmpty())
            return;
    }
    mState.gPrintMode = ui.optPrint_0->isChecked() ? 0 : ui.optPrint_1->isChecked() ? 1 : 2;
    mState.gPrintCancelled = false;
    mState.gDefaultPrinter = printer;
    SaveDefaultPrinter(mState.registry, mState.gDefaultPrinter);
    accept();
}

void frmPrintChart::cmdCancel_Click()
{
    mState.gPrintCancelled = true;
    reject();
}

} // namespace moldrin
