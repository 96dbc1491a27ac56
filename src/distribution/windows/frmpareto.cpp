// frmPareto: every test parameter's share of the total, largest first, on the chart-window base.
#include "distribution/windows/frmpareto.h"
#include "common/chartlook.h"
#include "common/overridecursor.h"

#include <QHBoxLayout>
#include <QScrollBar>

namespace moldrin
{

frmPareto::frmPareto(AppState& state, Prompt& prompt, data::PlotSelection selection, QWidget* parent)
    : ChartWindow(state, prompt, std::move(selection),
        { .objectName = QStringLiteral("frmPareto"),
            .caption = QStringLiteral("Pareto Chart"),
            .chartKind = QStringLiteral("Pareto"),
            .chartName = QStringLiteral("ocxPareto"),
            .readOut = ReadOut::None,
            .decimalButtons = {},
            .axisButtons = false,
            .flashSeries = {} },
        parent)
{
    mChart = BuildParetoChartTemplate();
    auto* panel = new QWidget(this);
    ui.setupUi(panel);
    controlRow()->addWidget(panel);
    ui.sclChangeBarWidth->setRange(kMinimumBarWidth, kMaximumBarWidth);
    ui.sclChangeBarWidth->setValue(mState.gParetoBarWidth);
    connect(ui.sclChangeBarWidth, &QScrollBar::valueChanged, this, [this] { sclChangeBarWidth_Change(); });
}

void frmPareto::PlotChart()
{
    {
        const ScopedOverrideCursor hourglass(Qt::WaitCursor);
        mLastOutcome = PlotPareto(mState, mChart, mSelection, plotHost());
        ShowSkipped(mLastOutcome.skipped, mLastOutcome.note);
        if (mLastOutcome.drawn) {
            const bool wasLoading = mLoading;
            mLoading = true;
            ui.sclChangeBarWidth->setValue(mChart.series[kParetoSeriesData].barWidthPercent);
            mLoading = wasLoading;
        }
        if (!mLastOutcome.countText.isEmpty())
            ui.lblSPCParameter1->setText(mLastOutcome.countText);
    }
    RenderChart();
}

void frmPareto::sclChangeBarWidth_Change()
{
    mChart.series[kParetoSeriesData].barWidthPercent = ui.sclChangeBarWidth->value();
    mState.gParetoBarWidth = ui.sclChangeBarWidth->value();
    if (!mLoading)
        RenderChart();
}

} // namespace moldrin
