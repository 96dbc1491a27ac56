// frmSPC_RuleSetup: the modal dialog that sets which rules apply to which charts, and blinking.
#pragma once

#include "common/appstate.h"
#include "common/prompt.h"
#include "rules/rulesetup.h"

#include "ui_frmspc_rulesetup.h"

#include <QDialog>

#include <array>

namespace moldrin
{

inline const QString kConfirmClearAllRules = QStringLiteral("Please confirm to clear all SPC rules setup. ");
inline const QString kConfirmDefaultRules = QStringLiteral("Please confirm to use default values to SPC rules. ");
inline const QString kSaveRulesBeforeExit = QStringLiteral("Would you like to save the SPC Rules Retup befor exit?.  ");

class frmSPC_RuleSetup : public QDialog
{
    Q_OBJECT

public:
    frmSPC_RuleSetup(AppState& state, Prompt& prompt, QWidget* parent = nullptr);

    // Loads and shows the dialog modally.
    static void Run(AppState& state, Prompt& prompt, QWidget* parent = nullptr);

    // Form_Load: blinking from gRulesBlinkEnable, flags from the stored RulesSetup, first rule shown.
    void load();

    bool dirty() const { return mDirty; }
    bool loading() const { return mLoading; }
    QCheckBox* chkChartsList(int group) const { return mChartsList.at(group); }

    void lstRules_Click();
    void chkChartsList_Click(int group);
    void chkBlinkEnable_Click();
    void cmdSave_Click();
    void cmdClearAllRule_Click();
    void cmdSetToDefault_Click();
    void cmdClose_Click();

protected:
    // Every way of closing passes here (Close, Default, Esc, the window's close box): Form_QueryUnload.
    void done(int result) override;

private:
    // Writes RulesBlinkEnable and RulesSetup, rebuilds gRulesSetup, clears mDirty.
    void SaveSetup();
    // Sets a group box while it is disabled, so its click handling ignores the change.
    void SetBoxQuietly(int group, bool checked);
    void SelectFirstRule();

    Ui::frmSPC_RuleSetup ui;
    std::array<QCheckBox*, kChartGroupCount> mChartsList {};
    AppState& mState;
    Prompt& mPrompt;
    bool mLoading = false;
    bool mDirty = false;
};

} // namespace moldrin
