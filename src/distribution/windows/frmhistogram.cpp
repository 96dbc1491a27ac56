// frmHistogram: the histogram window on the chart-window base.
#include "distribution/windows/frmhistogram.h"

#include "common/chartlook.h"
#include "common/overridecursor.h"
#include "common/rounding.h"
#include "distribution/windows/frmrawdatahistogram.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLineEdit>
#include <QScrollBar>

#include <cmath>
#include <limits>

namespace moldrin
{

namespace
{

ChartWindow::Options HistogramOptions()
{
    ChartWindow::Options o;
    o.objectName = QStringLiteral("frmHistogram");
    o.caption = QStringLiteral("Histogram Chart");
    o.chartKind = QStringLiteral("Histogram");
    o.chartName = QStringLiteral("ocxHistogram");
    o.readOut = ChartWindow::ReadOut::XY;
    o.decimalButtons = { { QStringLiteral("imgLeftY"), QStringLiteral("imgRightY"),
                             QStringLiteral("Adjust decimal places Y-Axis"), AxisId::Left, QStringLiteral("Y") },
        { QStringLiteral("imgLeftX"), QStringLiteral("imgRightX"), QStringLiteral("Adjust decimal places X-Axis"),
            AxisId::Bottom, QStringLiteral("X") } };
    o.axisButtons = true;
    return o;
}

} // namespace

frmHistogram::frmHistogram(AppState& state, Prompt& prompt, data::PlotSelection selection, QWidget* parent)
    : ChartWindow(state, prompt, std::move(selection), HistogramOptions(), parent)
{
    mChart = BuildHistogramChartTemplate();
    auto* panel = new QWidget(this);
    ui.setupUi(panel);
    sidePanel()->addWidget(panel);
    // Beside Refresh in the command row.
    controlRow()->addStretch(1);
    controlRow()->addWidget(ui.cmdViewCellData);
    // A typed cell count draws on Enter as a chosen one does (cboInterval_ReturnPressed).
    ui.cboInterval->setValidator(new QIntValidator(1, int(kMaxHistogramCells), ui.cboInterval));
    ui.sclChangeBarWidth->setRange(kMinimumBarWidth, kMaximumBarWidth);

    connect(ui.cboInterval, &QComboBox::activated, this, [this] { cboInterval_Click(); });
    connect(ui.cboInterval->lineEdit(), &QLineEdit::returnPressed, this, [this] { cboInterval_ReturnPressed(); });
    connect(ui.sclChangeBarWidth, &QScrollBar::valueChanged, this, [this] { sclChangeBarWidth_Change(); });
    connect(ui.cmdViewCellData, &LumButton::Click, this, [this] { cmdViewCellData_Click(); });
}

QList<WindowSetting> frmHistogram::Settings()
{
    const auto showCells = [this](const QString& stored) {
        ui.cboInterval->setEditText(QString::number(HistogramCellsSetting(stored)));
    };
    return { { kHistogramCellNumberSetting, showCells, [this] { return ui.cboInterval->currentText(); } } };
}

void frmHistogram::LoadOwn()
{
    // Kept within the scroll bar's range; loading, the change handler draws nothing.
    ui.sclChangeBarWidth->setValue(mState.gHistogramBarWidth);
    sclChangeBarWidth_Change();
    ui.lblSPCParameter->setText(HistogramPanelCaptions().join(QStringLiteral("\r\n")));
}

std::int64_t frmHistogram::CellCount() const
{
    bool ok = false;
    const double cells = ui.cboInterval->currentText().trimmed().toDouble(&ok);
    constexpr double kLimit = 9.0e18; // beyond it a count is taken as the largest (or smallest) one
    if (!ok || std::isnan(cells))
        return 0;
    if (std::fabs(cells) >= kLimit)
        return cells > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    return std::int64_t(RoundWhole(cells));
}

void frmHistogram::PlotChart()
{
    {
        const ScopedOverrideCursor hourglass(Qt::WaitCursor);
        mLastOutcome = PlotHistogram(mState, mChart, mSelection, CellCount(), plotHost());
        ShowSkipped(mLastOutcome.skipped, mLastOutcome.note);
        if (mLastOutcome.drawn)
            ui.lblSPCParameter1->setText(mLastOutcome.histogram.panelValues.join(QStringLiteral("\r\n")));
    }
    RenderChart();
}

void frmHistogram::cboInterval_Click()
{
    Replot();
}

void frmHistogram::cboInterval_ReturnPressed()
{
    // A typed count that is one of the list's draws through the list's activation when it is not the
    // current item; every other one draws here.
    const QString typed = ui.cboInterval->currentText();
    if (ui.cboInterval->findText(typed) < 0 || ui.cboInterval->itemText(ui.cboInterval->currentIndex()) == typed)
        cboInterval_Click();
}

void frmHistogram::sclChangeBarWidth_Change()
{
    mState.gHistogramBarWidth = ui.sclChangeBarWidth->value();
    mChart.series[kHistogramBars].barWidthPercent = mState.gHistogramBarWidth;
    if (!mLoading)
        RenderChart();
}

void frmHistogram::cmdViewCellData_Click()
{
    frmRawDataHistogram::Run(mState, mPrompt, this);
}

} // namespace moldrin
