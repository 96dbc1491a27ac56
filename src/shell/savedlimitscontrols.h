// The main window's saved limits: "Save Limits" stores the plotted chart's limits as its selection's
// baseline, "Use Saved Limits" (enabled where a baseline is saved for the selection) plots against it.
#pragma once

#include "variables/savedlimits.h"
#include "variables/variablesplot.h"

#include <QObject>

#include <optional>

class QCheckBox;

namespace moldrin
{

class CommandButton;
class frmMain;

class SavedLimitsControls : public QObject
{
public:
    // Adds the controls to the window's panel: the check box under the display options, the button beside
    // More Charts.
    SavedLimitsControls(frmMain& window, AppState& state, Prompt& prompt);

    // The limits of the selection's plot: the held ones when "Use Saved Limits" is checked and a baseline is
    // saved for it, else the stage start dates kept for its product and parameter.
    LimitChoice ChoiceForSelection() const;
    // After a plot (`held`: against saved limits): a chart with limits of its own can be saved.
    void Plotted(const VariablesPlotOutcome& outcome, bool held);
    // Both controls follow the panel while a plot runs.
    void SetEnabled(bool enable);
    // Looks up the selection's baseline again (after a change of the selection or of the file).
    void Refresh();
    void cmdSaveLimits_Click();
    // The stage start dates of the selection's product and parameter, in their dialog; kept on OK.
    void cmdStages_Click();

    QCheckBox* chkUseSavedLimits = nullptr;
    CommandButton* cmdSaveLimits = nullptr;
    CommandButton* cmdStages = nullptr;

private:
    std::optional<LimitsKey> SelectionKey() const;
    LimitsStore Store() const;

    frmMain& mWindow;
    AppState& mState;
    Prompt& mPrompt;
    bool mEnabled = true;
    bool mSaveable = false; // the chart shows limits of its own for the selection
    std::optional<LimitsKey> mPlottedKey;
    // The chart shown: its limits, points and the dates of its readings.
    ControlLimits mLimits;
    long mPoints = 0;
    QDate mFirst, mLast;
};

} // namespace moldrin
