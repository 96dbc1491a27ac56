// frmMoreChart: the More Charts selector, which opens the further charts of the main window's selection.
#include "distribution/windows/frmmorechart.h"

#include "attributes/windows/frmattributechart.h"
#include "data/config/configfiles.h"
#include "distribution/windows/frmhistogram.h"
#include "distribution/windows/frmpareto.h"
#include "distribution/windows/frmscatter.h"

#include <QCloseEvent>
#include <QComboBox>

namespace moldrin
{

QStringList ComboItems(const QComboBox* combo)
{
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    return items;
}

frmMoreChart::frmMoreChart(AppState& state, Prompt& prompt, MoreChartInputs inputs, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
    , mInputs(std::move(inputs))
{
    ui.setupUi(this);
    connect(ui.chkSeparateSource, &QCheckBox::toggled, this, [this] { chkSeparateSource_Click(); });
    connect(ui.cmdHistogram, &LumButton::Click, this, [this] { cmdHistogram_Click(); });
    connect(ui.cmdPareto, &LumButton::Click, this, [this] { cmdPareto_Click(); });
    connect(ui.cmdScatter, &LumButton::Click, this, [this] { cmdScatter_Click(); });
    const std::pair<LumButton*, AttributeKind> attributeButtons[]
        = { { ui.cmdP_Chart, AttributeKind::P }, { ui.cmdNP_Chart, AttributeKind::NP },
              { ui.cmdC_Chart, AttributeKind::C }, { ui.cmdU_Chart, AttributeKind::U } };
    for (auto [button, kind] : attributeButtons)
        // Captured by name: clang 14 cannot capture structured bindings.
        connect(button, &LumButton::Click, this, [this, k = kind] { cmdAttributeChart_Click(k); });
    connect(ui.cmdClose, &LumButton::Click, this, [this] { close(); });
    connect(ui.cmdDefault, &QPushButton::clicked, this, [this] { close(); });
    Form_Load();
}

void frmMoreChart::Run(AppState& state, Prompt& prompt, MoreChartInputs inputs, QWidget* parent)
{
    frmMoreChart selector(state, prompt, std::move(inputs), parent);
    selector.exec();
}

void frmMoreChart::Form_Load()
{
    const QStringList& parameters = mInputs.parameters;
    if (parameters.isEmpty() || mInputs.productCount == 0 || !mInputs.parametersEnabled) {
        for (LumButton* b : { ui.cmdHistogram, ui.cmdPareto, ui.cmdScatter })
            b->SetEnabled(false);
        ui.lblX->setEnabled(false);
        ui.lblY->setEnabled(false);
    } else {
        for (LumButton* b : { ui.cmdHistogram, ui.cmdPareto, ui.cmdScatter })
            b->SetEnabled(true);
    }

    if (!parameters.isEmpty()) {
        for (QComboBox* combo : { ui.cboDataParametersX, ui.cboDataParametersY }) {
            combo->addItems(parameters);
            combo->setCurrentIndex(0);
        }
    } else {
        for (QWidget* w :
            std::initializer_list<QWidget*> { ui.cboDataParametersX, ui.cboDataParametersY, ui.lblX, ui.lblY })
            w->setEnabled(false);
        ui.cmdScatter->SetEnabled(false);
    }

    if (mInputs.testers.size() < 3)
        for (QWidget* w : std::initializer_list<QWidget*> {
                 ui.chkSeparateSource, ui.cboSourceX, ui.cboSourceY, ui.lblOnlySourceX, ui.lblOnlySourceY })
            w->setEnabled(false);

    QStringList sources = mInputs.testers;
    sources.removeAll(data::kAllItem);
    for (QComboBox* combo : { ui.cboSourceX, ui.cboSourceY }) {
        combo->addItems(sources);
        combo->setCurrentIndex(sources.isEmpty() ? -1 : 0);
    }

    // A stored text no longer in its list leaves the first entry selected, so the scatter chart always
    // gets a parameter of the list.
    ApplySettings(Settings(), mState.registry);
    ParametersApart();

    const auto columns = [](const QString& a, const QString& b) { return !a.isEmpty() && !b.isEmpty(); };
    ui.cmdP_Chart->SetEnabled(columns(mState.gPChartNonConfColumn, mState.gPChartSubGroupColumn));
    ui.cmdU_Chart->SetEnabled(columns(mState.gUChartNonConfColumn, mState.gUChartSubGroupColumn));
    ui.cmdNP_Chart->SetEnabled(columns(mState.gNPChartNonConfColumn, mState.gNPChartSubGroupColumn));
    ui.cmdC_Chart->SetEnabled(!mState.gCChartNonConfColumn.isEmpty());
}

void frmMoreChart::ParametersApart()
{
    QComboBox* x = ui.cboDataParametersX;
    QComboBox* y = ui.cboDataParametersY;
    if (x->count() < 2 || x->currentIndex() != y->currentIndex())
        return;
    const auto kept = [&](QComboBox* combo, const char* name) {
        return combo->findText(mState.registry.read(QLatin1String(name))) >= 0;
    };
    const bool xKept = kept(x, "XParameter"), yKept = kept(y, "YParameter");
    if (xKept && yKept)
        return; // chosen so
    QComboBox* moved = yKept ? x : y;
    const QComboBox* other = moved == x ? y : x;
    moved->setCurrentIndex(other->currentIndex() == 0 ? 1 : 0);
}

QList<WindowSetting> frmMoreChart::Settings()
{
    return { CheckBoxSetting(QStringLiteral("SeparateSource"), ui.chkSeparateSource),
        ComboTextSetting(QStringLiteral("XParameter"), ui.cboDataParametersX),
        ComboTextSetting(QStringLiteral("YParameter"), ui.cboDataParametersY),
        ComboTextSetting(QStringLiteral("XSource"), ui.cboSourceX),
        ComboTextSetting(QStringLiteral("YSource"), ui.cboSourceY) };
}

void frmMoreChart::closeEvent(QCloseEvent* event)
{
    WriteSettings(Settings(), mState.registry);
    event->accept();
}

void frmMoreChart::reject()
{
    close();
}

void frmMoreChart::chkSeparateSource_Click()
{
    if (!ui.chkSeparateSource->isEnabled())
        return;
    const bool separate = ui.chkSeparateSource->isChecked();
    for (QWidget* w :
        std::initializer_list<QWidget*> { ui.cboSourceX, ui.cboSourceY, ui.lblOnlySourceX, ui.lblOnlySourceY })
        w->setEnabled(separate);
}

void frmMoreChart::ShowChart(ChartWindow& window)
{
    window.Form_Load();
    window.exec();
}

void frmMoreChart::cmdHistogram_Click()
{
    frmHistogram window(mState, mPrompt, mInputs.selection, this);
    ShowChart(window);
}

void frmMoreChart::cmdPareto_Click()
{
    frmPareto window(mState, mPrompt, mInputs.selection, this);
    ShowChart(window);
}

void frmMoreChart::cmdScatter_Click()
{
    frmScatter window(mState, mPrompt, mInputs.selection, this);
    window.mlngXParameter = ui.cboDataParametersX->currentIndex();
    window.mlngYParameter = ui.cboDataParametersY->currentIndex();
    if (ui.chkSeparateSource->isChecked()) {
        window.mstrSourceX = ui.cboSourceX->currentText();
        window.mstrSourceY = ui.cboSourceY->currentText();
    }
    ShowChart(window);
}

void frmMoreChart::cmdAttributeChart_Click(AttributeKind kind)
{
    frmAttributeChart window(mState, mPrompt, mInputs.selection, kind, this);
    ShowChart(window);
}

} // namespace moldrin
