// The rule set-up flags: list texts, chart groups, the stored text and its parsing (no widgets).
#pragma once

#include "common/appstate.h"

#include <QString>
#include <QStringList>

namespace moldrin
{

struct AppState;

inline constexpr int kRuleCount = 11;
inline constexpr int kChartGroupCount = 6;
inline constexpr int kRuleFlagCount = kRuleCount * kChartGroupCount;
// Length of the stored value: 66 flags joined with ",".
inline constexpr int kStoredRulesSetupLength = 2 * kRuleFlagCount - 1;

inline const QString kRulesSetupName = QStringLiteral("RulesSetup");
inline const QString kRulesBlinkEnableName = QStringLiteral("RulesBlinkEnable");

// The texts of the rule list, in rule index order.
const QStringList& RuleListTexts();
// The captions of the chart-group boxes, in group index order.
const QStringList& ChartGroupCaptions();

// Flag index = rule × 6 + group; -1 when either lies outside its range.
int RuleFlagIndex(int rule, int group);

// One flag per character of a set-up string ("1" on, anything else off).
QStringList RuleFlagsFromSetup(const QString& rulesSetup);
// The 66 flags in index order, without separators, as the rule engine reads them.
QString RulesSetupFromFlags(const QStringList& flags);
// The stored form: the flags joined with "," (131 characters).
QString StoredRulesSetup(const QStringList& flags);
// 66 "0" characters.
QString ClearedRulesSetup();

// Exactly 66 one-character flags: entries missing or not one character long are set to "0".
QStringList NormalisedRuleFlags(const QStringList& flags);

// Applies a stored value to the flags: only a value exactly 131 characters long counts; it is split at
// ",", and every piece that reads as a number sets flag i to its first character, any other piece (a
// letter, a blank, a sign) to "0": only "1" switches a rule on. Pieces beyond the last flag are ignored.
// Returns the number of flags set.
int ApplyStoredRulesSetup(QStringList& flags, const QString& stored);

// Reads RulesSetup from the settings store into gRuleFlags and gRulesSetup: the default flags, then the
// stored value applied piece by piece (a damaged value cannot shift later rules into other chart groups).
// The main window at start-up and moldrin-report read the set-up through this one procedure.
void LoadStoredRulesSetup(AppState& state);

// The group box of a rule shows checked exactly when its flag enables the rule.
bool RuleFlagChecked(const QStringList& flags, int rule, int group);
// Sets a rule's flag of one group to "1" or "0"; false when the indices lie outside the flags.
bool SetRuleFlag(QStringList& flags, int rule, int group, bool checked);

// The stored text of the blink switch.
inline QString BlinkEnableText(bool on)
{
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace moldrin
