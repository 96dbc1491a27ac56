// frmEWMA_Chart and frmCUSUM_Chart: one window configured by the kind's table.
#pragma once

#include "output/windows/chartwindow.h"
#include "timeweighted/timeweightedplot.h"

#include "ui_frmtimeweightedchart.h"

class QDoubleSpinBox;

namespace moldrin
{

// A spin box kept under the setting's name: its range is the setting's, and a stored text sets it by
// StoredValue (its change handler then runs).
WindowSetting SpinBoxSetting(const StoredSetting& setting, QDoubleSpinBox* box);

class frmTimeWeightedChart : public ChartWindow
{
    Q_OBJECT
public:
    frmTimeWeightedChart(AppState& state, Prompt& prompt, data::PlotSelection selection, TimeWeightedKind kind,
        QWidget* parent = nullptr);

    TimeWeightedKind kind() const { return mKind; }
    const TimeWeightedOutcome& lastOutcome() const { return mLastOutcome; }
    // The chart's settings as the boxes show them.
    TimeWeightedSettings CurrentSettings() const;

    Ui::frmTimeWeightedChart ui;

protected:
    QList<WindowSetting> Settings() override;
    void PlotChart() override;

private:
    const TimeWeightedKind mKind;
    TimeWeightedOutcome mLastOutcome;
};

} // namespace moldrin
