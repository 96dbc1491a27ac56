// Tests of frmSPC_RuleSetup: loading the stored flags, ticking and saving, Clear All, Set to Default,
// blinking and the question on closing, and what the rule engine sees afterwards.
#include "rules/ruleengine.h"
#include "rules/rulemarks.h"
#include "rules/windows/frmspc_rulesetup.h"
#include "variables/controllimits.h"
#include "variables/variableschart.h"

#include "windowdriving.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace moldrin;

namespace
{

using moldrin::test::Click;

QString StoredRules(const AppState& state)
{
    return state.registry.read(QStringLiteral("RulesSetup"));
}

// Checked states of the six group boxes as "1"/"0".
QString Boxes(const frmSPC_RuleSetup& dialog)
{
    QString out;
    for (int g = 0; g < kChartGroupCount; ++g)
        out += dialog.chkChartsList(g)->isChecked() ? '1' : '0';
    return out;
}

// The question box of the dialog: the text, the question icon, the buttons and the application's title.
bool IsQuestion(const PromptMessage& m, const char* text, PromptButtons buttons)
{
    return m.text == QLatin1String(text) && m.icon == PromptIcon::Question && m.buttons == buttons
        && m.title == kAppTitle;
}

// Rule marks the engine places on a zoned X-Bar-R chart whose X-bar points all lie far above the UCL.
int MarksOnAPlot(AppState& state)
{
    ChartModel chart = BuildVariablesChartTemplate();
    for (int i = 0; i < 12; ++i) {
        chart.series[kSeriesMedian].add(20 + i);
        chart.series[kSeriesXBar].add(20 + i);
        chart.series[kSeriesRange].add(2, QString::number(i + 1));
    }
    LimitInputs in;
    in.chartType = kChartXBarR;
    in.showZones = true;
    in.stat.XDoubleBar = 10.0;
    in.stat.AverageVariation = 2.0;
    in.stat.EstSigma = 2 / 2.326;
    const ControlLimits limits = ComputeControlLimits(in);
    FillControlLimits(chart, limits);
    ExpandAxisRange(chart, kSeriesXBar, AxisId::Left);
    EvaluateVariablesRules(chart, limits, kChartXBarR, state.gRulesSetup, state.gRulesBlinkEnable);
    int marks = 0;
    for (int s = 0; s < chart.seriesCount(); ++s)
        if (chart.series[s].title.contains(QStringLiteral("Arrow")))
            marks += chart.series[s].points.size();
    return marks;
}

} // namespace

class FrmRuleSetupTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> mDir;
    std::unique_ptr<AppState> mState;
    ScriptedPrompt mPrompt;

    // The stored value: R1+ on Individual, Median and s only; everything else as the default.
    QString mStored;

    void Answer(const QList<PromptAnswer>& answers)
    {
        mPrompt.answers.clear();
        for (PromptAnswer a : answers)
            mPrompt.answers.enqueue(a);
    }

private Q_SLOTS:
    void init()
    {
        mDir = std::make_unique<QTemporaryDir>();
        mState = std::make_unique<AppState>(mDir->filePath("settings"));
        mPrompt = ScriptedPrompt();
        QStringList flags = RuleFlagsFromSetup(kDefaultRulesSetup);
        flags[1] = flags[3] = flags[5] = "0";
        mStored = StoredRulesSetup(flags);
        QVERIFY(mState->registry.write("RulesSetup", mStored));
    }

    void namesAndCaptions()
    {
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        QCOMPARE(dialog.objectName(), QStringLiteral("frmSPC_RuleSetup"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral(" SPC Rules Setup"));
        auto* list = dialog.findChild<QListWidget*>("lstRules");
        QCOMPARE(list->count(), kRuleCount);
        QCOMPARE(list->item(0)->text(), QStringLiteral("R1+ (Single Point Above 3 Sigma)"));
        QCOMPARE(list->item(9)->text(), QStringLiteral("R6 (7 Points in a Row with the Same Value)"));
        QCOMPARE(list->item(10)->text(), QStringLiteral("R7 (14 Points in a Row Alternating Up and Down)"));
        const QStringList captions { "Individual", "X-Bar", "Median", "R, MR", "s", "p, np, c, u" };
        for (int g = 0; g < kChartGroupCount; ++g) {
            QCOMPARE(dialog.findChild<QCheckBox*>(QStringLiteral("chkChartsList_%1").arg(g)), dialog.chkChartsList(g));
            QCOMPARE(dialog.chkChartsList(g)->text(), captions[g]);
        }
        QCOMPARE(dialog.findChild<QCheckBox*>("chkBlinkEnable")->text(), QStringLiteral("Blinking Alert"));
        QCOMPARE(dialog.findChild<LumButton*>("cmdSave")->Caption(), QStringLiteral("Save && Close"));
        QCOMPARE(dialog.findChild<LumButton*>("cmdClearAllRule")->Caption(), QStringLiteral("Clear All"));
        QCOMPARE(dialog.findChild<LumButton*>("cmdSetToDefault")->Caption(), QStringLiteral("Set to Default"));
        QCOMPARE(dialog.findChild<LumButton*>("cmdClose")->Caption(), QStringLiteral("Close"));
        QCOMPARE(dialog.findChild<QLabel*>("lblRulesHeading")->text(), QStringLiteral(" Rule(s) "));
        QCOMPARE(dialog.findChild<QLabel*>("lblChartsHeading")->text(), QStringLiteral(" Apply to Chart(s)"));
        auto* hidden = dialog.findChild<QPushButton*>("cmdDefault");
        QCOMPARE(hidden->text(), QStringLiteral("Default"));
        QCOMPARE(hidden->focusPolicy(), Qt::NoFocus);
        QVERIFY(!dialog.rect().intersects(hidden->geometry()));
    }

    void openingShowsTheStoredFlags()
    {
        mState->gRulesBlinkEnable = false;
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        QCOMPARE(dialog.findChild<QListWidget*>("lstRules")->currentRow(), 0);
        QCOMPARE(Boxes(dialog), QStringLiteral("101010"));
        QCOMPARE(mState->gRuleFlags.join(','), mStored);
        QVERIFY(!dialog.findChild<QCheckBox*>("chkBlinkEnable")->isChecked());
        QVERIFY(!dialog.dirty());
        QVERIFY(!dialog.loading());
        QVERIFY(mState->gRulesBlinkEnable == false);

        dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(1);
        QCOMPARE(Boxes(dialog), QStringLiteral("111000"));
        dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(10);
        QCOMPARE(Boxes(dialog), QStringLiteral("111001"));
        QVERIFY(!dialog.dirty()); // showing a rule changes nothing
        QCOMPARE(mState->gRuleFlags.join(','), mStored);
    }

    void tickingAGroupAndSaving()
    {
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        dialog.show();
        dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(1);
        QVERIFY(!dialog.chkChartsList(5)->isChecked());
        dialog.chkChartsList(5)->click();
        QVERIFY(dialog.dirty());
        QCOMPARE(mState->gRuleFlags[11], QStringLiteral("1"));
        QCOMPARE(mState->gRulesSetup, kDefaultRulesSetup); // the engine sees it only after saving

        Click(dialog.findChild<LumButton*>("cmdSave"));
        QVERIFY(mPrompt.messages.isEmpty());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QString stored = StoredRules(*mState);
        QCOMPARE(stored.size(), 131);
        QCOMPARE(stored.split(',').at(11), QStringLiteral("1"));
        QCOMPARE(stored.split(',').at(1), QStringLiteral("0")); // untouched flags as loaded
        QCOMPARE(mState->registry.read("RulesBlinkEnable"), QStringLiteral("1"));
        QCOMPARE(mState->gRulesSetup, QString(stored).remove(','));
        QVERIFY(RuleEnabled(mState->gRulesSetup, RuleGroup::R1Lower, kColumnAttribute));
        QVERIFY(!RuleEnabled(mState->gRulesSetup, RuleGroup::R1Upper, kColumnXBar));
    }

    void savedFlagSwitchesTheRuleOffOnThePlot()
    {
        QVERIFY(mState->registry.write("RulesSetup", StoredRulesSetup(RuleFlagsFromSetup(kDefaultRulesSetup))));
        QVERIFY(MarksOnAPlot(*mState) > 0);
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        dialog.show();
        // Leave only R1+ on the X-Bar chart, then switch it off too.
        for (int rule = 0; rule < kRuleCount; ++rule) {
            dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(rule);
            if (dialog.chkChartsList(1)->isChecked() && rule != 0)
                dialog.chkChartsList(1)->click();
        }
        Click(dialog.findChild<LumButton*>("cmdSave"));
        AppState& s = *mState;
        QVERIFY(MarksOnAPlot(s) > 0); // R1+ still there: all twelve points lie above the UCL

        frmSPC_RuleSetup again(s, mPrompt);
        again.load();
        again.show();
        again.chkChartsList(1)->click();
        QVERIFY(!again.chkChartsList(1)->isChecked());
        QVERIFY(MarksOnAPlot(s) > 0); // not yet saved
        Click(again.findChild<LumButton*>("cmdSave"));
        QCOMPARE(MarksOnAPlot(s), 0);
    }

    void clearAllThenCloseAndNo()
    {
        QVERIFY(MarksOnAPlot(*mState) > 0);
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        dialog.show();
        dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(4);
        Answer({ PromptAnswer::Ok, PromptAnswer::No });
        Click(dialog.findChild<LumButton*>("cmdClearAllRule"));
        QCOMPARE(mPrompt.messages.size(), 1);
        QVERIFY(
            IsQuestion(mPrompt.messages[0], "Please confirm to clear all SPC rules setup. ", PromptButtons::OkCancel));
        QCOMPARE(dialog.findChild<QListWidget*>("lstRules")->currentRow(), 0);
        QCOMPARE(Boxes(dialog), QStringLiteral("000000"));
        QCOMPARE(mState->gRulesSetup, QString(66, '0'));
        QCOMPARE(mState->gRuleFlags, QStringList(66, "0"));
        QVERIFY(dialog.dirty());

        Click(dialog.findChild<LumButton*>("cmdClose"));
        QCOMPARE(mPrompt.messages.size(), 2);
        QVERIFY(IsQuestion(
            mPrompt.messages[1], "Would you like to save the SPC Rules Retup befor exit?.  ", PromptButtons::YesNo));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(StoredRules(*mState), mStored); // nothing stored
        QVERIFY(mState->registry.read("RulesBlinkEnable").isEmpty());

        // Every later plot finds no rule enabled ...
        QCOMPARE(MarksOnAPlot(*mState), 0);
        // ... while reopening shows the stored flags again.
        frmSPC_RuleSetup again(*mState, mPrompt);
        again.load();
        QCOMPARE(Boxes(again), QStringLiteral("101010"));
        QCOMPARE(mState->gRuleFlags.join(','), mStored);
        QCOMPARE(mState->gRulesSetup, QString(66, '0'));
    }

    void cancelInEitherConfirmationChangesNothing()
    {
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        dialog.show();
        Answer({ PromptAnswer::Cancel, PromptAnswer::Cancel });
        Click(dialog.findChild<LumButton*>("cmdClearAllRule"));
        Click(dialog.findChild<LumButton*>("cmdSetToDefault"));
        QCOMPARE(mPrompt.messages.size(), 2);
        QCOMPARE(mPrompt.messages[1].text, QStringLiteral("Please confirm to use default values to SPC rules. "));
        QCOMPARE(mPrompt.messages[1].buttons, PromptButtons::OkCancel);
        QVERIFY(!dialog.dirty());
        QCOMPARE(Boxes(dialog), QStringLiteral("101010"));
        QCOMPARE(mState->gRuleFlags.join(','), mStored);
        QCOMPARE(mState->gRulesSetup, kDefaultRulesSetup);

        // Dirty stays dirty.
        dialog.chkChartsList(0)->click();
        Answer({ PromptAnswer::Cancel });
        Click(dialog.findChild<LumButton*>("cmdSetToDefault"));
        QVERIFY(dialog.dirty());

        // Closing unchanged asks nothing.
        frmSPC_RuleSetup quiet(*mState, mPrompt);
        quiet.load();
        quiet.show();
        mPrompt.clear();
        Click(quiet.findChild<LumButton*>("cmdClose"));
        QVERIFY(mPrompt.messages.isEmpty());
        QVERIFY(!quiet.isVisible());
    }

    void setToDefaultThenCloseAndYes()
    {
        QVERIFY(mState->registry.write("RulesSetup", StoredRulesSetup(RuleFlagsFromSetup(ClearedRulesSetup()))));
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        dialog.show();
        QCOMPARE(Boxes(dialog), QStringLiteral("000000"));
        dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(7);
        Answer({ PromptAnswer::Ok, PromptAnswer::Yes });
        Click(dialog.findChild<LumButton*>("cmdSetToDefault"));
        QCOMPARE(mState->gRulesSetup, kDefaultRulesSetup);
        QCOMPARE(mState->gRuleFlags, RuleFlagsFromSetup(kDefaultRulesSetup));
        QCOMPARE(dialog.findChild<QListWidget*>("lstRules")->currentRow(), 0);
        QCOMPARE(Boxes(dialog), QStringLiteral("111111"));
        QVERIFY(dialog.dirty());
        QVERIFY(StoredRules(*mState).startsWith("0,0,0")); // not stored yet

        // Esc closes as the hidden Default does; Yes saves.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(mPrompt.messages.last().text, kSaveRulesBeforeExit);
        QCOMPARE(StoredRules(*mState), StoredRulesSetup(RuleFlagsFromSetup(kDefaultRulesSetup)));
        QCOMPARE(mState->registry.read("RulesBlinkEnable"), QStringLiteral("1"));
        QVERIFY(!dialog.dirty());
    }

    void storedValueWithALetterSwitchesTheRuleOff()
    {
        QStringList pieces(66, "0");
        pieces[3] = "x";
        pieces[6] = "1";
        const QString stored = pieces.join(',');
        QCOMPARE(stored.size(), 131);
        QVERIFY(mState->registry.write("RulesSetup", stored));
        mState->gRuleFlags = RuleFlagsFromSetup(kDefaultRulesSetup); // flag 3 is "1" in memory
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        QCOMPARE(mState->gRuleFlags[3], QStringLiteral("0"));
        QCOMPARE(mState->gRuleFlags[2], QStringLiteral("0"));
        QCOMPARE(Boxes(dialog), QStringLiteral("000000"));
        dialog.findChild<QListWidget*>("lstRules")->setCurrentRow(1);
        QCOMPARE(Boxes(dialog), QStringLiteral("100000"));
    }

    void storedValueOfAnotherLengthIsIgnored()
    {
        QVERIFY(mState->registry.write("RulesSetup", mStored.left(130)));
        mState->gRuleFlags = RuleFlagsFromSetup(ClearedRulesSetup());
        mState->gRuleFlags[2] = "1";
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        QCOMPARE(Boxes(dialog), QStringLiteral("001000"));

        // A store that cannot be read at all counts as empty.
        AppState unreadable(mDir->filePath("no/such/folder/settings"));
        unreadable.gRuleFlags = RuleFlagsFromSetup(ClearedRulesSetup());
        frmSPC_RuleSetup other(unreadable, mPrompt);
        other.load();
        QCOMPARE(Boxes(other), QStringLiteral("000000"));
        QVERIFY(mPrompt.messages.isEmpty());
    }

    void blinkingAlertTakesEffectAtOnce()
    {
        frmSPC_RuleSetup dialog(*mState, mPrompt);
        dialog.load();
        dialog.show();
        auto* blink = dialog.findChild<QCheckBox*>("chkBlinkEnable");
        QVERIFY(blink->isChecked());
        blink->click();
        QVERIFY(!mState->gRulesBlinkEnable);
        QVERIFY(dialog.dirty());
        Answer({ PromptAnswer::No });
        dialog.findChild<QPushButton*>("cmdDefault")->click();
        QVERIFY(!dialog.isVisible());
        QCOMPARE(mPrompt.texts(), QStringList { kSaveRulesBeforeExit });
        QVERIFY(mState->registry.read("RulesBlinkEnable").isEmpty());
        QVERIFY(!mState->gRulesBlinkEnable); // kept until the program ends

        frmSPC_RuleSetup again(*mState, mPrompt);
        again.load();
        again.show();
        QVERIFY(!again.findChild<QCheckBox*>("chkBlinkEnable")->isChecked());
        QVERIFY(!again.dirty()); // restoring the box on load is not a change
        Click(again.findChild<LumButton*>("cmdSave"));
        QCOMPARE(mState->registry.read("RulesBlinkEnable"), QStringLiteral("0"));
    }
};

QTEST_MAIN(FrmRuleSetupTest)
#include "frmspc_rulesetup_test.moc"
