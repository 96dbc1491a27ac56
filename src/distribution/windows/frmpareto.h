// frmPareto: every test parameter's share of the total, largest first, on the chart-window base.
#pragma once

#include "distribution/paretoplot.h"
#include "output/windows/chartwindow.h"

#include "ui_frmpareto.h"

namespace moldrin
{

class frmPareto : public ChartWindow
{
    Q_OBJECT
public:
    frmPareto(AppState& state, Prompt& prompt, data::PlotSelection selection, QWidget* parent = nullptr);

    const ParetoOutcome& lastOutcome() const { return mLastOutcome; }

    // The bars take the scroll bar's width, which gParetoBarWidth keeps.
    void sclChangeBarWidth_Change();

    Ui::frmPareto ui;

protected:
    void PlotChart() override;

private:
    ParetoOutcome mLastOutcome;
};

} // namespace moldrin
