// frmHistogram: the histogram window on the chart-window base.
#pragma once

#include "distribution/histogramplot.h"
#include "output/windows/chartwindow.h"

#include "ui_frmhistogram.h"

#include <cstdint>

namespace moldrin
{

class frmHistogram : public ChartWindow
{
    Q_OBJECT
public:
    frmHistogram(AppState& state, Prompt& prompt, data::PlotSelection selection, QWidget* parent = nullptr);

    const HistogramOutcome& lastOutcome() const { return mLastOutcome; }
    // The cell count cboInterval's text gives: its number rounded to a whole one (0 when it is none); a
    // count too large for any memory still fails as such.
    std::int64_t CellCount() const;

    void cboInterval_Click();
    void sclChangeBarWidth_Change();
    void cmdViewCellData_Click();

    Ui::frmHistogram ui;

protected:
    QList<WindowSetting> Settings() override;
    void LoadOwn() override;
    void PlotChart() override;

private:
    // Enter in cboInterval: a typed cell count draws as a chosen one does.
    void cboInterval_ReturnPressed();

    HistogramOutcome mLastOutcome;
};

} // namespace moldrin
