// frmP_Chart, frmNP_Chart, frmC_Chart and frmU_Chart: one window configured by the kind's table.
#pragma once

#include "attributes/attributechart.h"
#include "output/windows/chartwindow.h"

#include "ui_frmattributechart.h"

namespace moldrin
{

class frmAttributeChart : public ChartWindow
{
    Q_OBJECT
public:
    frmAttributeChart(
        AppState& state, Prompt& prompt, data::PlotSelection selection, AttributeKind kind, QWidget* parent = nullptr);

    AttributeKind kind() const { return mKind; }
    const AttributePlotOutcome& lastOutcome() const { return mLastOutcome; }

    Ui::frmAttributeChart ui;

protected:
    QList<WindowSetting> Settings() override;
    void LoadOwn() override;
    void PlotChart() override;

private:
    const AttributeKind mKind;
    AttributePlotOutcome mLastOutcome;
};

} // namespace moldrin
