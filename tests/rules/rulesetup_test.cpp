// Tests of the rule set-up flags: indices, the stored text both ways, and values that must not count.
#include "rules/ruleengine.h"
#include "rules/rulesetup.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

namespace
{

// A stored value from 66 pieces, all `piece` except those given by index.
QString StoredFrom(const QString& piece, const QMap<int, QString>& except = {})
{
    QStringList pieces(kRuleFlagCount, piece);
    for (auto it = except.begin(); it != except.end(); ++it)
        pieces[it.key()] = it.value();
    return pieces.join(',');
}

} // namespace

TEST(RuleSetupFlags, IndicesFollowRuleAndGroup)
{
    EXPECT_EQ(RuleListTexts().size(), kRuleCount);
    EXPECT_EQ(ChartGroupCaptions().size(), kChartGroupCount);
    EXPECT_EQ(RuleFlagIndex(0, 0), 0);
    EXPECT_EQ(RuleFlagIndex(1, 5), 11); // R1- on the attribute charts
    EXPECT_EQ(RuleFlagIndex(10, 5), 65);
    EXPECT_EQ(RuleFlagIndex(11, 0), -1);
    EXPECT_EQ(RuleFlagIndex(0, 6), -1);
    EXPECT_EQ(RuleFlagIndex(-1, 0), -1);
    // The dialog's groups are the engine's columns 1 to 6.
    QStringList flags = RuleFlagsFromSetup(ClearedRulesSetup());
    ASSERT_TRUE(SetRuleFlag(flags, 1, 5, true));
    const QString setup = RulesSetupFromFlags(flags);
    EXPECT_TRUE(RuleEnabled(setup, RuleGroup::R1Lower, kColumnAttribute));
    EXPECT_FALSE(RuleEnabled(setup, RuleGroup::R1Lower, kColumnS));
    EXPECT_FALSE(RuleEnabled(setup, RuleGroup::R2Upper, kColumnIndividual));
}

TEST(RuleSetupFlags, StoredTextRoundTrip)
{
    const QStringList defaults = RuleFlagsFromSetup(kDefaultRulesSetup);
    const QString stored = StoredRulesSetup(defaults);
    EXPECT_EQ(stored.size(), kStoredRulesSetupLength);
    EXPECT_EQ(stored.left(12), "1,1,1,1,1,1,");
    EXPECT_FALSE(stored.endsWith(','));
    EXPECT_EQ(RulesSetupFromFlags(defaults), kDefaultRulesSetup);

    QStringList flags = RuleFlagsFromSetup(ClearedRulesSetup());
    EXPECT_EQ(ApplyStoredRulesSetup(flags, stored), kRuleFlagCount);
    EXPECT_EQ(flags, defaults);
}

TEST(RuleSetupFlags, OnlyValuesOf131CharactersCount)
{
    const QStringList defaults = RuleFlagsFromSetup(kDefaultRulesSetup);
    const QString zeros = StoredFrom("0");
    for (const QString& wrong : { QString(), zeros.left(130), zeros + "0", zeros + ",0" }) {
        QStringList flags = defaults;
        EXPECT_EQ(ApplyStoredRulesSetup(flags, wrong), 0) << wrong.size();
        EXPECT_EQ(flags, defaults);
    }
}

TEST(RuleSetupFlags, OnlyAOneSwitchesARuleOn)
{
    // Every rule is on by default; a stored piece other than "1" switches its rule off.
    QString allOn(kRuleFlagCount, '1');
    const QStringList others { "x", "a", " ", "T", "-", "Y", "0", "5" };
    QMap<int, QString> pieces;
    for (int i = 0; i < others.size(); ++i)
        pieces[3 * i] = others[i];
    const QString stored = StoredFrom("1", pieces);
    ASSERT_EQ(stored.size(), kStoredRulesSetupLength);
    QStringList flags = RuleFlagsFromSetup(allOn);
    EXPECT_EQ(ApplyStoredRulesSetup(flags, stored), kRuleFlagCount);
    const QString setup = RulesSetupFromFlags(flags);
    for (int i = 0; i < kRuleFlagCount; ++i) {
        const bool on = !pieces.contains(i);
        EXPECT_EQ(RuleEnabled(setup, RuleGroup(i / 6), i % 6 + 1), on) << i << " " << stored[2 * i].toLatin1();
        EXPECT_EQ(RuleFlagChecked(flags, i / 6, i % 6), on) << i;
    }
}

TEST(RuleSetupFlags, UnevenPiecesNeverReachPastTheLastFlag)
{
    // 131 characters in 67 pieces: empty pieces, and the 67th piece numeric.
    const QString stored = "1" + QString(66, ',') + QString(64, '1');
    ASSERT_EQ(stored.size(), kStoredRulesSetupLength);
    QStringList flags = RuleFlagsFromSetup(kDefaultRulesSetup);
    EXPECT_EQ(ApplyStoredRulesSetup(flags, stored), kRuleFlagCount);
    EXPECT_EQ(flags.size(), kRuleFlagCount);
    EXPECT_EQ(flags[0], "1");
    EXPECT_EQ(RulesSetupFromFlags(flags), "1" + QString(65, '0'));

    // A two-digit piece gives its first digit and shifts the rest.
    QStringList shifted = RuleFlagsFromSetup(ClearedRulesSetup());
    QString twoDigits = "10";
    for (int i = 0; i < 64; ++i)
        twoDigits += ",1";
    twoDigits += ','; // 66 pieces, the last one empty
    ASSERT_EQ(twoDigits.size(), kStoredRulesSetupLength);
    ApplyStoredRulesSetup(shifted, twoDigits);
    EXPECT_EQ(shifted[0], "1");
    EXPECT_EQ(shifted[64], "1");
    EXPECT_EQ(shifted[65], "0");
}

TEST(RuleSetupFlags, NormalisingAndTheBoxes)
{
    QStringList broken { "1", "11", "" };
    const QStringList fixed = NormalisedRuleFlags(broken);
    ASSERT_EQ(fixed.size(), kRuleFlagCount);
    EXPECT_EQ(fixed[0], "1");
    EXPECT_EQ(fixed[1], "0");
    EXPECT_EQ(fixed[2], "0");
    EXPECT_EQ(StoredRulesSetup(broken).size(), kStoredRulesSetupLength);

    // A box shows checked only where the engine would run the rule.
    QStringList flags = RuleFlagsFromSetup(ClearedRulesSetup());
    flags[7] = "2";
    flags[8] = "1";
    EXPECT_FALSE(RuleFlagChecked(flags, 1, 1));
    EXPECT_TRUE(RuleFlagChecked(flags, 1, 2));
    EXPECT_FALSE(RuleFlagChecked(flags, 11, 0));
    EXPECT_FALSE(SetRuleFlag(flags, -1, 0, true));
    EXPECT_FALSE(SetRuleFlag(broken, 10, 5, true)); // past the end of a short list
    EXPECT_EQ(BlinkEnableText(true), "1");
    EXPECT_EQ(BlinkEnableText(false), "0");
}

TEST(RuleSetup, TheStoredSetUpOverTheDefault)
{
    QTemporaryDir dir;
    AppState state(dir.filePath(QStringLiteral("settings")));
    auto loaded = [&](const QString& stored) {
        state.registry.write(kRulesSetupName, stored);
        LoadStoredRulesSetup(state);
        return state.gRulesSetup;
    };
    EXPECT_EQ(loaded(QString()), kDefaultRulesSetup);
    EXPECT_EQ(loaded(QStringLiteral("garbage")), kDefaultRulesSetup);
    QStringList flags = RuleFlagsFromSetup(kDefaultRulesSetup);
    flags[0] = QStringLiteral("0");
    flags[65] = QStringLiteral("1");
    const QString setup = loaded(StoredRulesSetup(flags));
    EXPECT_EQ(setup, RulesSetupFromFlags(flags));
    EXPECT_EQ(state.gRuleFlags, flags);
    EXPECT_FALSE(RuleEnabled(setup, RuleGroup::R1Upper, kColumnIndividual));
    // A letter where the default has a rule on leaves it off for the engine too.
    flags[1] = QStringLiteral("x");
    EXPECT_FALSE(RuleEnabled(loaded(StoredRulesSetup(flags)), RuleGroup::R1Upper, kColumnXBar));
}
