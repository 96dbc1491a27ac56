// frmScatter: the regression chart of two test parameters on the chart-window base.
#include "distribution/windows/frmscatter.h"
#include "common/overridecursor.h"
#include "variables/view/chartview.h"

#include <QEvent>
#include <QMouseEvent>

namespace moldrin
{

namespace
{

void SetUnderline(QLabel* label, bool underline)
{
    QFont f = label->font();
    f.setUnderline(underline);
    label->setFont(f);
}

} // namespace

frmScatter::frmScatter(AppState& state, Prompt& prompt, data::PlotSelection selection, QWidget* parent)
    : ChartWindow(state, prompt, std::move(selection),
        { .objectName = QStringLiteral("frmScatter"),
            .caption = QStringLiteral("Regression Chart"),
            .chartKind = QStringLiteral("Scatter"),
            .chartName = QStringLiteral("ocxScatter"),
            .readOut = ReadOut::XY,
            .decimalButtons
            = { { QStringLiteral("imgLeftY"), QStringLiteral("imgRightY"),
                    QStringLiteral("Adjust decimal places Y-Axis"), AxisId::Left, QStringLiteral("Y:") },
                { QStringLiteral("imgLeftX"), QStringLiteral("imgRightX"),
                    QStringLiteral("Adjust decimal places X-Axis"), AxisId::Bottom, QStringLiteral("X:") } },
            .axisButtons = true,
            .flashSeries = {} },
        parent)
{
    mChart = BuildScatterChartTemplate();
    auto* panel = new QWidget(this);
    ui.setupUi(panel);
    sidePanel()->addWidget(panel);
    ui.lblShowHideSampleNumber->installEventFilter(this);
}

void frmScatter::LoadOwn()
{
    ShowSampleNumberState();
}

void frmScatter::PlotChart()
{
    {
        const ScopedOverrideCursor hourglass(Qt::WaitCursor);
        const ScatterInputs inputs { mlngXParameter, mlngYParameter, mstrSourceX, mstrSourceY };
        mLastOutcome = PlotScatter(mState, mChart, mSelection, inputs, plotHost());
        ShowSkipped(mLastOutcome.skipped);
        if (mLastOutcome.drawn) {
            const QString lines = QStringLiteral("\r\n");
            ui.lblSPCParameter->setText(ScatterPanelCaptions().join(lines));
            ui.lblSPCParameter1->setText(mLastOutcome.result.panelValues.join(lines));
        }
        ShowSampleNumberState();
    }
    RenderChart();
}

void frmScatter::ShowSampleNumberState()
{
    const bool shown = mState.gShowScatterSampleNumber;
    QString text = shown ? QStringLiteral("Hide Sample Number") : QStringLiteral("Show Sample Number");
    // The view numbers no more points than it can keep apart: the link says so rather than show nothing.
    if (mLastOutcome.pairs > ChartView::kMaxLabelledPoints)
        text += QStringLiteral(" (none drawn above %1 points)").arg(ChartView::kMaxLabelledPoints);
    ui.lblShowHideSampleNumber->setText(text);
    mChart.series[kScatterSeriesData].marks.visible = shown;
}

void frmScatter::lblShowHideSampleNumber_Click()
{
    mState.gShowScatterSampleNumber = !mState.gShowScatterSampleNumber;
    ShowSampleNumberState();
    RenderChart();
}

bool frmScatter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.lblShowHideSampleNumber) {
        switch (event->type()) {
        case QEvent::Enter:
            SetUnderline(ui.lblShowHideSampleNumber, true);
            break;
        case QEvent::Leave:
            SetUnderline(ui.lblShowHideSampleNumber, false);
            break;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton
                && ui.lblShowHideSampleNumber->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint()))
                lblShowHideSampleNumber_Click();
            break;
        default:
            break;
        }
    }
    return ChartWindow::eventFilter(watched, event);
}

} // namespace moldrin
