// frmRawDataHistogram: the modal window listing the histogram's cell table.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"

#include "ui_frmrawdatahistogram.h"

#include <QDialog>

namespace moldrin
{

class frmRawDataHistogram : public QDialog
{
    Q_OBJECT
public:
    frmRawDataHistogram(AppState& state, Prompt& prompt, QWidget* parent = nullptr);

    // Fills and shows the window modally.
    static void Run(AppState& state, Prompt& prompt, QWidget* parent = nullptr);

    // Form_Load: the heading and the lines of the cell table file gTempFile3.
    void Form_Load();

    Ui::frmRawDataHistogram ui;

private:
    AppState& mState;
    Prompt& mPrompt;
};

} // namespace moldrin
