// The rule set-up flags: list texts, chart groups, the stored text and its parsing.
#include "rules/rulesetup.h"

#include "common/appstate.h"

#include <cmath>

namespace moldrin
{

namespace
{

const QString kOn = QStringLiteral("1");
const QString kOff = QStringLiteral("0");

bool IsNumberText(const QString& text)
{
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v);
}

} // namespace

const QStringList& RuleListTexts()
{
    static const QStringList texts {
        QStringLiteral("R1+ (Single Point Above 3 Sigma)"),
        QStringLiteral("R1- (Single Point Below 3 Sigma)"),
        QStringLiteral("R2+ (2 of 3 Points Above 2 Sigma)"),
        QStringLiteral("R2- (2 of 3 Points Below 2 Sigma)"),
        QStringLiteral("R3+ (4 of 5 Points Above 1 Sigma)"),
        QStringLiteral("R3- (4 of 5 Points Below 1 Sigma)"),
        QStringLiteral("R4+ (8 Points in Row Above CL)"),
        QStringLiteral("R4- (8 Points in Row Below CL)"),
        QStringLiteral("R5 (7 Points in a Row Up or Down)"),
        QStringLiteral("R6 (7 Points in a Row with the Same Value)"),
        QStringLiteral("R7 (14 Points in a Row Alternating Up and Down)"),
    };
    return texts;
}

const QStringList& ChartGroupCaptions()
{
    static const QStringList captions {
        QStringLiteral("Individual"),
        QStringLiteral("X-Bar"),
        QStringLiteral("Median"),
        QStringLiteral("R, MR"),
        QStringLiteral("s"),
        QStringLiteral("p, np, c, u"),
    };
    return captions;
}

int RuleFlagIndex(int rule, int group)
{
    if (rule < 0 || rule >= kRuleCount || group < 0 || group >= kChartGroupCount)
        return -1;
    return rule * kChartGroupCount + group;
}

QStringList RuleFlagsFromSetup(const QString& rulesSetup)
{
    QStringList flags;
    flags.reserve(rulesSetup.size());
    for (QChar c : rulesSetup)
        flags << QString(c);
    return flags;
}

QString RulesSetupFromFlags(const QStringList& flags)
{
    return NormalisedRuleFlags(flags).join(QString());
}

QString StoredRulesSetup(const QStringList& flags)
{
    return NormalisedRuleFlags(flags).join(QLatin1Char(','));
}

QString ClearedRulesSetup()
{
    return QString(kRuleFlagCount, QLatin1Char('0'));
}

QStringList NormalisedRuleFlags(const QStringList& flags)
{
    QStringList out = flags.mid(0, kRuleFlagCount);
    for (QString& f : out)
        if (f.size() != 1)
            f = kOff;
    while (out.size() < kRuleFlagCount)
        out << kOff;
    return out;
}

int ApplyStoredRulesSetup(QStringList& flags, const QString& stored)
{
    if (stored.size() != kStoredRulesSetupLength)
        return 0;
    flags = NormalisedRuleFlags(flags);
    const QStringList pieces = stored.split(QLatin1Char(','));
    int applied = 0;
    for (int i = 0; i < pieces.size() && i < kRuleFlagCount; ++i) {
        flags[i] = IsNumberText(pieces[i]) ? pieces[i].left(1) : kOff;
        ++applied;
    }
    return applied;
}

void LoadStoredRulesSetup(AppState& state)
{
    state.gRuleFlags = RuleFlagsFromSetup(kDefaultRulesSetup);
    ApplyStoredRulesSetup(state.gRuleFlags, state.registry.read(kRulesSetupName));
    state.gRulesSetup = RulesSetupFromFlags(state.gRuleFlags);
}

bool RuleFlagChecked(const QStringList& flags, int rule, int group)
{
    const int i = RuleFlagIndex(rule, group);
    return i >= 0 && i < flags.size() && flags[i] == kOn;
}

bool SetRuleFlag(QStringList& flags, int rule, int group, bool checked)
{
    const int i = RuleFlagIndex(rule, group);
    if (i < 0 || i >= flags.size())
        return false;
    flags[i] = checked ? kOn : kOff;
    return true;
}

} // namespace moldrin
