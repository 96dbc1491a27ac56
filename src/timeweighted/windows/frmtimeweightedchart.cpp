// frmTimeWeightedChart: the EWMA and CUSUM chart windows on the chart-window base.
#include "timeweighted/windows/frmtimeweightedchart.h"

#include "common/overridecursor.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QLabel>

namespace moldrin
{

namespace
{

ChartWindow::Options OptionsFor(TimeWeightedKind kind)
{
    const TimeWeightedKindTraits& t = Traits(kind);
    const TimeWeightedLayout& at = LayoutOf(kind);
    ChartWindow::Options o;
    o.objectName = t.windowName;
    o.caption = t.caption;
    o.chartKind = t.reportKind;
    o.chartName = t.chartName;
    o.readOut = ChartWindow::ReadOut::XY;
    o.decimalButtons = { { QStringLiteral("imgLeft"), QStringLiteral("imgRight"),
        QStringLiteral("Adjust decimal places"), AxisId::Left } };
    o.axisButtons = true;
    o.flashSeries = { at.upArrow, at.downArrow };
    o.clearModel = ClearTimeWeightedChart;
    return o;
}

} // namespace

WindowSetting SpinBoxSetting(const StoredSetting& setting, QDoubleSpinBox* box)
{
    box->setRange(setting.minimum, setting.maximum);
    return { setting.name, [box, setting](const QString& stored) { box->setValue(StoredValue(setting, stored)); },
        [box] { return QString::number(box->value()); } };
}

frmTimeWeightedChart::frmTimeWeightedChart(
    AppState& state, Prompt& prompt, data::PlotSelection selection, TimeWeightedKind kind, QWidget* parent)
    : ChartWindow(state, prompt, std::move(selection), OptionsFor(kind), parent)
    , mKind(kind)
{
    mChart = BuildTimeWeightedChartTemplate(kind);
    auto* panel = new QWidget(this);
    ui.setupUi(panel);
    sidePanel()->addWidget(panel);
    const bool ewma = kind == TimeWeightedKind::Ewma;
    ui.fraEwma->setVisible(ewma);
    ui.fraCusum->setVisible(!ewma);
    for (QDoubleSpinBox* box : { ui.txtLambda, ui.txtWidthL, ui.txtK, ui.txtH })
        connect(box, &QDoubleSpinBox::valueChanged, this, [this] { Replot(); });
    ConnectGridBox(ui.chkShowGrid);
}

TimeWeightedSettings frmTimeWeightedChart::CurrentSettings() const
{
    TimeWeightedSettings s;
    s.kind = mKind;
    s.lambda = ui.txtLambda->value();
    s.widthL = ui.txtWidthL->value();
    s.k = ui.txtK->value();
    s.h = ui.txtH->value();
    return s;
}

QList<WindowSetting> frmTimeWeightedChart::Settings()
{
    const TimeWeightedKindTraits& t = Traits(mKind);
    QList<WindowSetting> settings { CheckBoxSetting(
        ChartSettingName(t.reportKind, ChartSettingKind::Grid), ui.chkShowGrid) };
    if (mKind == TimeWeightedKind::Ewma)
        settings << SpinBoxSetting(kEwmaLambdaSetting, ui.txtLambda) << SpinBoxSetting(kEwmaWidthSetting, ui.txtWidthL);
    else
        settings << SpinBoxSetting(kCusumKSetting, ui.txtK) << SpinBoxSetting(kCusumHSetting, ui.txtH);
    return settings;
}

void frmTimeWeightedChart::PlotChart()
{
    {
        const ScopedOverrideCursor hourglass(Qt::WaitCursor);
        mLastOutcome = PlotTimeWeightedChart(mState, mChart, mSelection, CurrentSettings(), plotHost());
        // A plot that drew nothing clears the figures, so they never stand beside another plot's chart.
        ui.lblSPCParameter->setText(PanelCaptionText(mLastOutcome.result.panel));
        ui.lblSPCParameter1->setText(PanelValueText(mLastOutcome.result.panel));
        StartRuleFlash(mLastOutcome.timerEnabled);
    }
    RenderChart();
}

} // namespace moldrin
