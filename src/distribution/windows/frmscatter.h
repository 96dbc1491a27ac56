// frmScatter: the regression chart of two test parameters on the chart-window base.
#pragma once

#include "distribution/scatterplot.h"
#include "output/windows/chartwindow.h"

#include "ui_frmscatter.h"

namespace moldrin
{

class frmScatter : public ChartWindow
{
    Q_OBJECT
public:
    frmScatter(AppState& state, Prompt& prompt, data::PlotSelection selection, QWidget* parent = nullptr);

    // The parameters (indexes into the per-parameter tables) and the testers of the two axes ("" when not
    // separate), set by the caller before Form_Load.
    int mlngXParameter = 0;
    int mlngYParameter = 0;
    QString mstrSourceX;
    QString mstrSourceY;

    const ScatterOutcome& lastOutcome() const { return mLastOutcome; }

    // Shows or hides the sample numbers of the points and keeps the choice in gShowScatterSampleNumber.
    void lblShowHideSampleNumber_Click();

    Ui::frmScatter ui;

protected:
    void LoadOwn() override;
    void PlotChart() override;
    // The link label: underlined while the pointer is over it, a left click toggles the sample numbers.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSampleNumberState();

    ScatterOutcome mLastOutcome;
};

} // namespace moldrin
