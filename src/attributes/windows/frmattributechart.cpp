// frmAttributeChart: the p, np, c and u chart windows on the chart-window base.
#include "attributes/windows/frmattributechart.h"

#include "common/overridecursor.h"
#include "variables/view/chartview.h"

#include <QCheckBox>
#include <QLabel>
#include <QVBoxLayout>

namespace moldrin
{

namespace
{

ChartWindow::Options OptionsFor(AttributeKind kind)
{
    const AttributeKindTraits& t = Traits(kind);
    ChartWindow::Options o;
    o.objectName = t.windowName;
    o.caption = t.caption;
    o.chartKind = t.queryKind;
    o.chartName = t.chartName;
    o.readOut = ChartWindow::ReadOut::Y;
    o.decimalButtons = { { QStringLiteral("imgLeft"), QStringLiteral("imgRight"),
        QStringLiteral("Adjust decimal places"), AxisId::Left } };
    o.axisButtons = true;
    o.flashSeries = { kAttrUpArrow, kAttrDownArrow };
    o.clearModel = ClearAttributeChart;
    return o;
}

} // namespace

frmAttributeChart::frmAttributeChart(
    AppState& state, Prompt& prompt, data::PlotSelection selection, AttributeKind kind, QWidget* parent)
    : ChartWindow(state, prompt, std::move(selection), OptionsFor(kind), parent)
    , mKind(kind)
{
    mChart = BuildAttributeChartTemplate(kind);
    auto* panel = new QWidget(this);
    ui.setupUi(panel);
    sidePanel()->addWidget(panel);
    // Laney's p' and u' exist for the p and u charts only.
    ui.chkLaney->setVisible(!Traits(kind).laneyCaption.isEmpty());
    // Show Zones and Laney: the chart is read and drawn again.
    for (QCheckBox* box : { ui.chkShowZoneABC, ui.chkLaney })
        connect(box, &QCheckBox::toggled, this, [this] { Replot(); });
    ConnectGridBox(ui.chkShowGrid);
}

QList<WindowSetting> frmAttributeChart::Settings()
{
    const AttributeKindTraits& t = Traits(mKind);
    QList<WindowSetting> settings {
        CheckBoxSetting(ChartSettingName(t.queryKind, ChartSettingKind::Grid), ui.chkShowGrid),
        CheckBoxSetting(QStringLiteral("ShowABCZone") + t.settingsPrefix + QStringLiteral("_Chart"), ui.chkShowZoneABC)
    };
    if (!t.laneyCaption.isEmpty())
        settings << CheckBoxSetting(QStringLiteral("Laney") + t.settingsPrefix + QStringLiteral("_Chart"), ui.chkLaney);
    return settings;
}

void frmAttributeChart::LoadOwn()
{
    if (mKind == AttributeKind::C && !mState.gCChartYAxisTitle.isEmpty())
        mChart.left.title = mState.gCChartYAxisTitle;
}

void frmAttributeChart::PlotChart()
{
    {
        const ScopedOverrideCursor hourglass(Qt::WaitCursor);
        const bool zones = ui.chkShowZoneABC->isChecked();
        mLastOutcome
            = PlotAttributeChart(mState, mChart, mSelection, mKind, zones, plotHost(), ui.chkLaney->isChecked());
        ShowSkipped(mLastOutcome.skipped);
        // Figures beside an empty chart would be the previous plot's: a plot that drew nothing clears them.
        ui.lblSPCParameter->setText(mLastOutcome.result.CaptionText());
        ui.lblSPCParameter1->setText(mLastOutcome.result.ValueText());
        if (zones && mLastOutcome.plotted)
            StartRuleFlash(mLastOutcome.rules.timerEnabled);
    }
    RenderChart();
}

} // namespace moldrin
