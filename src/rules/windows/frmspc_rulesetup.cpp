// frmSPC_RuleSetup: the SPC rules set-up dialog.
#include "rules/windows/frmspc_rulesetup.h"

namespace moldrin
{

frmSPC_RuleSetup::frmSPC_RuleSetup(AppState& state, Prompt& prompt, QWidget* parent)
    : QDialog(parent)
    , mState(state)
    , mPrompt(prompt)
{
    ui.setupUi(this);
    setFixedSize(size());
    mChartsList = { ui.chkChartsList_0, ui.chkChartsList_1, ui.chkChartsList_2, ui.chkChartsList_3, ui.chkChartsList_4,
        ui.chkChartsList_5 };
    ui.lstRules->addItems(RuleListTexts());
    for (int g = 0; g < kChartGroupCount; ++g) {
        mChartsList[g]->setText(ChartGroupCaptions().at(g));
        connect(mChartsList[g], &QCheckBox::toggled, this, [this, g] { chkChartsList_Click(g); });
    }
    connect(ui.lstRules, &QListWidget::currentRowChanged, this, &frmSPC_RuleSetup::lstRules_Click);
    connect(ui.chkBlinkEnable, &QCheckBox::toggled, this, &frmSPC_RuleSetup::chkBlinkEnable_Click);
    connect(ui.cmdSave, &LumButton::Click, this, &frmSPC_RuleSetup::cmdSave_Click);
    connect(ui.cmdClearAllRule, &LumButton::Click, this, &frmSPC_RuleSetup::cmdClearAllRule_Click);
    connect(ui.cmdSetToDefault, &LumButton::Click, this, &frmSPC_RuleSetup::cmdSetToDefault_Click);
    connect(ui.cmdClose, &LumButton::Click, this, &frmSPC_RuleSetup::cmdClose_Click);
    // The hidden "Default" button and Esc (the dialog's reject) both close through done().
    connect(ui.cmdDefault, &QPushButton::clicked, this, &QDialog::reject);
}

void frmSPC_RuleSetup::Run(AppState& state, Prompt& prompt, QWidget* parent)
{
    frmSPC_RuleSetup dialog(state, prompt, parent);
    dialog.load();
    dialog.exec();
}

void frmSPC_RuleSetup::load()
{
    mLoading = true;
    ui.chkBlinkEnable->setChecked(mState.gRulesBlinkEnable);
    mState.gRuleFlags = NormalisedRuleFlags(mState.gRuleFlags);
    const QString stored = mState.registry.read(kRulesSetupName);
    if (!stored.isEmpty())
        ApplyStoredRulesSetup(mState.gRuleFlags, stored);
    SelectFirstRule();
    mLoading = false;
}

void frmSPC_RuleSetup::lstRules_Click()
{
    const int rule = ui.lstRules->currentRow();
    if (rule < 0)
        return;
    for (int g = 0; g < kChartGroupCount; ++g)
        SetBoxQuietly(g, RuleFlagChecked(mState.gRuleFlags, rule, g));
}

void frmSPC_RuleSetup::chkChartsList_Click(int group)
{
    QCheckBox* box = mChartsList.at(group);
    if (!box->isEnabled())
        return;
    if (!mLoading)
        mDirty = true;
    SetRuleFlag(mState.gRuleFlags, ui.lstRules->currentRow(), group, box->isChecked());
}

void frmSPC_RuleSetup::chkBlinkEnable_Click()
{
    if (mLoading)
        return;
    mDirty = true;
    mState.gRulesBlinkEnable = ui.chkBlinkEnable->isChecked();
}

void frmSPC_RuleSetup::cmdSave_Click()
{
    SaveSetup();
    accept();
}

void frmSPC_RuleSetup::cmdClearAllRule_Click()
{
    if (mPrompt.ask({ kConfirmClearAllRules, kAppTitle, PromptIcon::Question, PromptButtons::OkCancel })
        != PromptAnswer::Ok)
        return;
    mState.gRuleFlags = RuleFlagsFromSetup(ClearedRulesSetup());
    mState.gRulesSetup = ClearedRulesSetup();
    for (int g = 0; g < kChartGroupCount; ++g)
        SetBoxQuietly(g, false);
    SelectFirstRule();
    mDirty = true;
}

void frmSPC_RuleSetup::cmdSetToDefault_Click()
{
    if (mPrompt.ask({ kConfirmDefaultRules, kAppTitle, PromptIcon::Question, PromptButtons::OkCancel })
        != PromptAnswer::Ok)
        return;
    mState.gRulesSetup = kDefaultRulesSetup;
    mState.gRuleFlags = RuleFlagsFromSetup(kDefaultRulesSetup);
    ui.lstRules->setCurrentRow(1);
    SelectFirstRule();
    mDirty = true;
}

void frmSPC_RuleSetup::cmdClose_Click()
{
    reject();
}

void frmSPC_RuleSetup::done(int result)
{
    if (mDirty
        && mPrompt.ask({ kSaveRulesBeforeExit, kAppTitle, PromptIcon::Question, PromptButtons::YesNo })
            == PromptAnswer::Yes)
        SaveSetup();
    mDirty = false;
    QDialog::done(result);
}

void frmSPC_RuleSetup::SaveSetup()
{
    mState.registry.write(kRulesBlinkEnableName, BlinkEnableText(ui.chkBlinkEnable->isChecked()));
    mState.gRulesSetup = RulesSetupFromFlags(mState.gRuleFlags);
    mState.registry.write(kRulesSetupName, StoredRulesSetup(mState.gRuleFlags));
    mDirty = false;
}

void frmSPC_RuleSetup::SetBoxQuietly(int group, bool checked)
{
    QCheckBox* box = mChartsList.at(group);
    box->setEnabled(false);
    box->setChecked(checked);
    box->setEnabled(true);
}

void frmSPC_RuleSetup::SelectFirstRule()
{
    ui.lstRules->setCurrentRow(0);
    lstRules_Click();
}

} // namespace moldrin
