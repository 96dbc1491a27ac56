// ChartWindow: the chart view, read-out, axis buttons, command row, blink timer and settings table of a
// chart window.
#include "output/windows/chartwindow.h"

#include "buttonctl/commandbutton.h"
#include "common/numberformat.h"
#include "output/dialogs/windowoutput.h"
#include "output/windows/imagebutton.h"
#include "rules/rulemarks.h"
#include "variables/view/chartview.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <optional>

namespace moldrin
{

namespace
{

LumButton* CommandRowButton(const QString& name, const QString& caption, QWidget* parent)
{
    auto* b = new CommandButton(name, caption, parent);
    b->setFixedSize(96, 28);
    return b;
}

} // namespace

WindowSetting ChartValueSetting(const ChartSetting& setting, ChartModel& chart)
{
    return { setting.name, [setting, &chart](const QString& stored) { ApplyChartSetting(setting, stored, chart); },
        [setting, &chart] { return ChartSettingText(setting, chart); } };
}

WindowSetting CheckBoxSetting(const QString& name, QCheckBox* box)
{
    return { name,
        [box](const QString& stored) {
            if (const std::optional<bool> on = CheckFromText(stored))
                box->setChecked(*on);
        },
        [box] { return box->isChecked() ? QStringLiteral("1") : QStringLiteral("0"); } };
}

WindowSetting ComboTextSetting(const QString& name, QComboBox* combo)
{
    return { name,
        [combo](const QString& stored) {
            if (const int index = combo->findText(stored); index >= 0)
                combo->setCurrentIndex(index);
        },
        [combo] { return combo->currentText(); } };
}

void ApplySettings(const QList<WindowSetting>& settings, const SettingsStore& registry)
{
    for (const WindowSetting& s : settings)
        s.apply(registry.read(s.name));
}

void WriteSettings(const QList<WindowSetting>& settings, SettingsStore& registry)
{
    for (const WindowSetting& s : settings)
        registry.write(s.name, s.current());
}

bool AddDecimal(QString& format)
{
    if (format.endsWith(QLatin1String("0000")))
        return false;
    format += QLatin1Char('0');
    return true;
}

bool RemoveDecimal(QString& format)
{
    if (format.isEmpty() || format.endsWith(QLatin1Char('.')))
        return false;
    format.chop(1);
    return true;
}

bool NarrowLabelArea(int& width)
{
    if (width < 11)
        return false;
    --width;
    return true;
}

bool WidenLabelArea(int& width)
{
    if (width >= 100)
        return false;
    ++width;
    return true;
}

namespace
{

// One button of a pair: `step` on the first axis's `field`, copied to the other axes.
template <class Field>
void ConnectStep(ImageButton* button, ChartModel& chart, const QList<AxisId>& axes, Field ChartAxis::*field,
    bool (*step)(Field&), const std::function<void()>& redraw)
{
    QObject::connect(button, &ImageButton::Pressed, button, [button, &chart, axes, field, step, redraw] {
        Field& first = chart.axis(axes.front()).*field;
        if (!step(first))
            return;
        for (AxisId id : axes)
            chart.axis(id).*field = first;
        button->SetPressedLook(true);
        redraw();
    });
}

} // namespace

void ConnectDecimalButtons(ImageButton* more, ImageButton* less, ChartModel& chart, const QList<AxisId>& axes,
    const std::function<void()>& redraw)
{
    ConnectStep(more, chart, axes, &ChartAxis::labelFormat, AddDecimal, redraw);
    ConnectStep(less, chart, axes, &ChartAxis::labelFormat, RemoveDecimal, redraw);
}

void ConnectLabelAreaButtons(ImageButton* narrower, ImageButton* wider, ChartModel& chart, const QList<AxisId>& axes,
    const std::function<void()>& redraw)
{
    ConnectStep(narrower, chart, axes, &ChartAxis::labelSize, NarrowLabelArea, redraw);
    ConnectStep(wider, chart, axes, &ChartAxis::labelSize, WidenLabelArea, redraw);
}

ChartWindow::ChartWindow(
    AppState& state, Prompt& prompt, data::PlotSelection selection, const Options& options, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
    , mSelection(std::move(selection))
    , mOptions(options)
    , mHost(prompt)
{
    setObjectName(options.objectName);
    setWindowTitle(options.caption);
    setModal(true);
    resize(1040, 640);

    mChartView = new ChartView(this);
    mChartView->setObjectName(options.chartName);
    mChartView->setMouseTracking(true);
    mChartView->setHorizontalZoom(true);
    mChartView->setMinimumSize(480, 320);
    // The chart takes the room the controls leave, with or without a side panel.
    mChartView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    lblXYValue = new QLabel(this);
    lblXYValue->setObjectName(QStringLiteral("lblXYValue"));
    lblXYValue->setMinimumWidth(190);
    lblXYValue->setVisible(options.readOut != ReadOut::None);
    lblSkipped = new QLabel(this);
    lblSkipped->setObjectName(QStringLiteral("lblSkipped"));
    lblSkipped->setVisible(false);
    cmdRefresh = CommandRowButton(QStringLiteral("cmdRefresh"), QStringLiteral("Refresh"), this);
    cmdExport = CommandRowButton(QStringLiteral("cmdExport"), QStringLiteral("Export"), this);
    cmdPrintChart = CommandRowButton(QStringLiteral("cmdPrintChart"), QStringLiteral("Print Chart"), this);
    cmdClose = CommandRowButton(QStringLiteral("cmdClose"), QStringLiteral("Close"), this);
    // Not shown and not a tab stop; Esc closes the window as it does.
    cmdDefault = new QPushButton(QStringLiteral("Default"), this);
    cmdDefault->setObjectName(QStringLiteral("cmdDefault"));
    cmdDefault->setFocusPolicy(Qt::NoFocus);
    cmdDefault->setAutoDefault(false);
    cmdDefault->setGeometry(-400, -400, 75, 23);
    tmrRuleFlash = new QTimer(this);
    tmrRuleFlash->setObjectName(QStringLiteral("tmrRuleFlash"));
    tmrRuleFlash->setInterval(kRuleFlashIntervalMs);

    auto* top = new QHBoxLayout;
    top->addWidget(mChartView, 1);
    auto* side = new QVBoxLayout;
    mSidePanel = new QVBoxLayout;
    side->addLayout(mSidePanel, 1);
    side->addWidget(lblSkipped);
    top->addLayout(side);
    auto* row = new QHBoxLayout;
    for (const DecimalButtons& b : options.decimalButtons)
        AddDecimalButtons(b, row);
    if (options.axisButtons)
        AddAxisButtons(row);
    row->addWidget(lblXYValue);
    mControlRow = new QHBoxLayout;
    row->addLayout(mControlRow, 1);
    for (LumButton* b : { cmdRefresh, cmdExport, cmdPrintChart, cmdClose })
        row->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(row);

    connect(cmdRefresh, &LumButton::Click, this, [this] { cmdRefresh_Click(); });
    connect(cmdExport, &LumButton::Click, this, [this] { cmdExport_Click(); });
    connect(cmdPrintChart, &LumButton::Click, this, [this] { cmdPrintChart_Click(); });
    connect(cmdClose, &LumButton::Click, this, [this] { close(); });
    connect(cmdDefault, &QPushButton::clicked, this, [this] { close(); });
    connect(tmrRuleFlash, &QTimer::timeout, this, [this] { tmrRuleFlash_Timer(); });
    connect(mChartView, &QCustomPlot::mouseMove, this, [this](QMouseEvent* e) { chartView_MouseMove(e->position()); });
}

ChartWindow::~ChartWindow() = default;

void ChartWindow::AddDecimalButtons(const DecimalButtons& d, QHBoxLayout* row)
{
    auto* more = new ImageButton(d.more, QStringLiteral(".0+"), d.toolTip, this);
    auto* less = new ImageButton(d.less, QStringLiteral(".0\u2212"), d.toolTip, this);
    ConnectDecimalButtons(more, less, mChart, { d.axis }, [this] { RenderChart(); });
    if (!d.caption.isEmpty()) {
        auto* caption = new QLabel(d.caption, this);
        caption->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
        row->addWidget(caption);
    }
    row->addWidget(more);
    row->addWidget(less);
}

void ChartWindow::AddAxisButtons(QHBoxLayout* row)
{
    const QString tip = QStringLiteral("Adjust axis position");
    imgChartLeft = new ImageButton(QStringLiteral("imgChartLeft"), QStringLiteral("\u25c2A"), tip, this);
    imgChartRight = new ImageButton(QStringLiteral("imgChartRight"), QStringLiteral("A\u25b8"), tip, this);
    ConnectLabelAreaButtons(imgChartLeft, imgChartRight, mChart, { AxisId::Left }, [this] { RenderChart(); });
    row->addWidget(imgChartLeft);
    row->addWidget(imgChartRight);
}

QList<WindowSetting> ChartWindow::AllSettings()
{
    QList<WindowSetting> settings;
    for (const ChartSetting& s : ChartSettings(mOptions.chartKind))
        if (s.kind != ChartSettingKind::Grid) // a window keeps its grid in its "Show Grid" box
            settings << ChartValueSetting(s, mChart);
    return settings + Settings();
}

void ChartWindow::Form_Load()
{
    mLoading = true;
    ApplySettings(AllSettings(), mState.registry);
    LoadOwn();
    mLoading = false;
    PlotChart();
}

void ChartWindow::closeEvent(QCloseEvent* event)
{
    tmrRuleFlash->stop();
    WriteSettings(AllSettings(), mState.registry);
    event->accept();
}

void ChartWindow::reject()
{
    close();
}

void ChartWindow::ClearChart()
{
    if (mOptions.clearModel)
        mOptions.clearModel(mChart);
    mChartView->undoZoom();
}

void ChartWindow::Replot()
{
    if (mLoading)
        return;
    ClearChart();
    PlotChart();
}

void ChartWindow::ConnectGridBox(QCheckBox* box)
{
    connect(box, &QCheckBox::toggled, this, [this](bool on) {
        mChart.left.gridVisible = on;
        RenderChart();
    });
}

void ChartWindow::cmdRefresh_Click()
{
    ClearChart();
    PlotChart();
}

void ChartWindow::cmdExport_Click()
{
    RunOutput(ExportChartWindow);
}

void ChartWindow::cmdPrintChart_Click()
{
    RunOutput(PrintChartWindow);
}

void ChartWindow::RunOutput(void (*output)(const ChartWindowParts&, const ChartOutputRow&))
{
    const bool blinking = tmrRuleFlash->isActive();
    tmrRuleFlash->stop();
    for (int index : mOptions.flashSeries)
        if (ChartSeries* s = mChart.seriesAt(index))
            s->marks.visible = true;
    output({ mState, mPrompt, mChart, mChartView, cmdExport, cmdPrintChart, tmrRuleFlash },
        ChartOutputRowFor(mOptions.chartKind));
    if (blinking)
        tmrRuleFlash->start();
}

void ChartWindow::RenderChart()
{
    mChartView->render(mChart);
}

void ChartWindow::StartRuleFlash(bool enabled)
{
    if (enabled)
        tmrRuleFlash->start();
    else
        tmrRuleFlash->stop();
}

void ChartWindow::ShowSkipped(const SkippedRows& skipped, const QString& note)
{
    QStringList lines;
    if (skipped.any())
        lines << SkippedRowsText(skipped);
    if (!note.isEmpty())
        lines << note;
    lblSkipped->setText(lines.join(u'\n'));
    lblSkipped->setVisible(!lines.isEmpty());
}

void ChartWindow::tmrRuleFlash_Timer()
{
    for (int series : mOptions.flashSeries)
        ToggleMarkLabels(mChart, { series });
    mChartView->refreshLabels(mChart);
}

void ChartWindow::chartView_MouseMove(const QPointF& pixel)
{
    const ChartView::AxisValue v = mChartView->valueAt(pixel);
    const QString y = QStringLiteral(" Y:") + FormatNumber(v.value, kChartReadoutFormat);
    switch (mOptions.readOut) {
    case ReadOut::Y:
        lblXYValue->setText(y);
        break;
    case ReadOut::XY:
        lblXYValue->setText(QStringLiteral("X:") + FormatNumber(v.key, kChartReadoutFormat) + y);
        break;
    case ReadOut::None:
        break;
    }
}

data::PlotHost& ChartWindow::plotHost()
{
    return mHost;
}

} // namespace moldrin
