// The main window's "Save Limits" button and "Use Saved Limits" check box.
#include "shell/savedlimitscontrols.h"

#include "buttonctl/commandbutton.h"
#include "shell/frmmain.h"
#include "shell/stagesdialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace moldrin
{

SavedLimitsControls::SavedLimitsControls(frmMain& window, AppState& state, Prompt& prompt)
    : QObject(&window)
    , mWindow(window)
    , mState(state)
    , mPrompt(prompt)
{
    chkUseSavedLimits = new QCheckBox(QStringLiteral("Use Saved Limits"), &window);
    chkUseSavedLimits->setObjectName(QStringLiteral("chkUseSavedLimits"));
    chkUseSavedLimits->setEnabled(false);
    window.layOptions->addWidget(chkUseSavedLimits, 3, 0);
    cmdStages = new CommandButton(&window);
    cmdStages->setObjectName(QStringLiteral("cmdStages"));
    cmdStages->SetCaption(QStringLiteral("Stages"));
    cmdStages->SetEnabled(false);
    window.layOptions->addWidget(cmdStages, 3, 1);
    cmdSaveLimits = new CommandButton(&window);
    cmdSaveLimits->setObjectName(QStringLiteral("cmdSaveLimits"));
    cmdSaveLimits->SetCaption(QStringLiteral("Save Limits"));
    cmdSaveLimits->setMinimumHeight(window.cmdMoreCharts->minimumHeight());
    cmdSaveLimits->SetEnabled(false);
    window.layFurtherCharts->addWidget(cmdSaveLimits);

    connect(cmdSaveLimits, &LumButton::Click, this, [this] { cmdSaveLimits_Click(); });
    connect(cmdStages, &LumButton::Click, this, [this] { cmdStages_Click(); });
    connect(chkUseSavedLimits, &QCheckBox::clicked, this, [this] { mWindow.chkShowOption_Click(); });
    // Each change of the selection the user makes; after the window's own changes it refreshes them itself.
    for (QComboBox* c : { window.cboProductName, window.cboDataParameters, window.cboSelectChart, window.cboXBarSize })
        connect(c, &QComboBox::currentIndexChanged, this, [this] {
            if (mWindow.loading())
                return;
            mSaveable = false;
            Refresh();
        });
}

std::optional<LimitsKey> SavedLimitsControls::SelectionKey() const
{
    const int index = mWindow.cboDataParameters->currentIndex();
    if (mWindow.cboProductName->currentIndex() < 1 || index < 0 || index >= mState.gParamColumn.size())
        return std::nullopt;
    const QString type = mWindow.cboSelectChart->currentText();
    return LimitsKey { mWindow.cboProductName->currentText().trimmed(), mState.gParamColumn[index], type,
        type == kChartIndividualMR ? 1 : mState.gSampleSize };
}

LimitsStore SavedLimitsControls::Store() const
{
    return LimitsStore(LimitsFilePath(mState.gINIPath, QFileInfo(mState.registry.path()).absolutePath()));
}

void SavedLimitsControls::Refresh()
{
    const std::optional<LimitsKey> key = SelectionKey();
    LimitsStore store = Store();
    const QString failure = key ? store.load() : QString();
    const bool saved = key && failure.isEmpty() && store.find(*key);
    chkUseSavedLimits->setEnabled(mEnabled && saved);
    chkUseSavedLimits->setToolTip(failure.isEmpty() ? QDir::toNativeSeparators(store.path()) : failure);
    cmdSaveLimits->SetEnabled(mEnabled && mSaveable && key && key == mPlottedKey);
    cmdStages->SetEnabled(mEnabled && key.has_value());
}

LimitChoice SavedLimitsControls::ChoiceForSelection() const
{
    const std::optional<LimitsKey> key = SelectionKey();
    LimitsStore store = Store();
    if (!key || !QFile::exists(store.path()))
        return {};
    if (const QString failure = store.load(); !failure.isEmpty()) {
        mPrompt.warn(failure);
        return {};
    }
    const std::optional<SavedLimits> saved = chkUseSavedLimits->isChecked() ? store.find(*key) : std::nullopt;
    if (saved)
        return { Held(*saved, SpecificationLimitsOf(mState, mWindow.cboDataParameters->currentIndex())), {} };
    return { std::nullopt, store.stages(key->product, key->column) };
}

void SavedLimitsControls::Plotted(const VariablesPlotOutcome& outcome, bool held)
{
    mPlottedKey = SelectionKey();
    // Held limits are saved already; a stopped plot, one without limits or one of several stages has none
    // to save.
    mSaveable = outcome.plotted && !outcome.stopped && outcome.limits.completed && !held && outcome.stages.empty();
    mLimits = outcome.limits;
    mPoints = outcome.pointCount;
    mFirst = outcome.first;
    mLast = outcome.last;
    Refresh();
}

void SavedLimitsControls::SetEnabled(bool enable)
{
    mEnabled = enable;
    if (!enable) {
        chkUseSavedLimits->setEnabled(false);
        cmdSaveLimits->SetEnabled(false);
        cmdStages->SetEnabled(false);
    } else {
        Refresh();
    }
}

void SavedLimitsControls::cmdSaveLimits_Click()
{
    const std::optional<LimitsKey> key = SelectionKey();
    if (!key || !mSaveable || key != mPlottedKey)
        return;
    LimitsStore store = Store();
    if (const QString failure = store.load(); !failure.isEmpty()) {
        mPrompt.warn(failure);
        return;
    }
    if (const std::optional<SavedLimits> earlier = store.find(*key)) {
        const PromptAnswer answer = mPrompt.ask({ QStringLiteral("Replace the limits saved for this selection (")
                + BaselineText(*earlier) + QStringLiteral(")?"),
            kAppTitle, PromptIcon::Question, PromptButtons::YesNo });
        if (answer != PromptAnswer::Yes)
            return;
    }
    const SavedLimits limits = LimitsToSave(*key, mLimits, mPoints, mWindow.cboTestedRange->currentText(), mFirst,
        mLast, SpecificationLimitsOf(mState, mWindow.cboDataParameters->currentIndex()));
    if (const QString failure = store.save(limits); !failure.isEmpty()) {
        mPrompt.warn(failure);
        return;
    }
    mPrompt.inform(QStringLiteral("Limits saved to ") + QDir::toNativeSeparators(store.path()) + QLatin1Char('.'));
    Refresh();
}

void SavedLimitsControls::cmdStages_Click()
{
    const std::optional<LimitsKey> key = SelectionKey();
    if (!key || !mEnabled)
        return;
    LimitsStore store = Store();
    if (const QString failure = store.load(); !failure.isEmpty()) {
        mPrompt.warn(failure);
        return;
    }
    StagesDialog dialog(mWindow.cboDataParameters->currentText(), store.stages(key->product, key->column), &mWindow);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (const QString failure = store.saveStages(key->product, key->column, dialog.starts()); !failure.isEmpty()) {
        mPrompt.warn(failure);
        return;
    }
    mWindow.chkShowOption_Click(); // a plot shows the new stages
}

} // namespace moldrin
