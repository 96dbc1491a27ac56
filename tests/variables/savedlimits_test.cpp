// Tests of the saved limits' file and of plotting against held limits: the kernel's lines, zones,
// capability, panel and rules.
#include "variables/savedlimits.h"

#include "fullfolder.h"
#include "rules/rulemarks.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace moldrin;

namespace
{

SavedLimits Baseline(const QString& column, double centre)
{
    SavedLimits s;
    s.key = { QStringLiteral("CTL-100"), column, QStringLiteral("X-Bar-R"), 5 };
    s.centre = { centre, centre + 0.3, centre - 0.3 };
    s.variation = { 0.5, 1.0572, 0 };
    s.sigma = 0.2149613417484952; // a figure that needs all 17 digits to come back the same
    s.subgroups = 60;
    s.range = QStringLiteral("Custom");
    s.first = QDate(2026, 1, 2);
    s.last = QDate(2026, 3, 2);
    s.savedAt = QDateTime(QDate(2026, 3, 5), QTime(9, 30, 0));
    s.savedBy = QStringLiteral("ann");
    s.specificationLimits = { 9.0, 11.0, std::nullopt };
    return s;
}

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TEST(SavedLimitsFile, EntriesComeBackWholeInANewStoreAndASaveReplacesOnlyItsKey)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sub/limits.json")); // the folder is made on saving
    const SavedLimits a = Baseline(QStringLiteral("Volt"), 10);
    SavedLimits b = Baseline(QStringLiteral("Amp"), 2);
    b.specificationLimits = {};
    {
        LimitsStore store(path);
        EXPECT_EQ(store.load(), QString()); // no file yet: nothing saved, no failure
        EXPECT_EQ(store.save(a), QString());
        EXPECT_EQ(store.save(b), QString());
    }
    LimitsStore later(path); // as after a restart
    ASSERT_EQ(later.load(), QString());
    ASSERT_EQ(later.entries().size(), 2);
    EXPECT_EQ(later.find(a.key), a);
    EXPECT_EQ(later.find(b.key), b);
    LimitsKey other = a.key;
    other.groupSize = 4;
    EXPECT_FALSE(later.find(other)); // group size is part of the key

    SavedLimits moved = a;
    moved.centre.centre = 10.1;
    EXPECT_EQ(later.save(moved), QString());
    LimitsStore third(path);
    ASSERT_EQ(third.load(), QString());
    ASSERT_EQ(third.entries().size(), 2);
    EXPECT_DOUBLE_EQ(third.find(a.key)->centre.centre, 10.1);
    EXPECT_EQ(third.find(b.key), b);
    EXPECT_TRUE(Bytes(path).contains("\"savedBy\": \"ann\"")); // readable as text
}

TEST(SavedLimitsFile, TwoStoresOnOneFileKeepEachOthersEntries)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("limits.json"));
    LimitsStore first(path), second(path);
    ASSERT_EQ(first.load(), QString());
    ASSERT_EQ(second.load(), QString());
    ASSERT_EQ(first.save(Baseline(QStringLiteral("Volt"), 10)), QString());
    ASSERT_EQ(second.save(Baseline(QStringLiteral("Amp"), 2)), QString()); // loaded before the first saved
    LimitsStore reader(path);
    ASSERT_EQ(reader.load(), QString());
    EXPECT_EQ(reader.entries().size(), 2);
}

TEST(SavedLimitsFile, TheSiteFileOfAteIniIsUsedRelativeToTheConfigurationFolder)
{
    QTemporaryDir config, settings;
    EXPECT_EQ(LimitsFilePath(config.path(), settings.path()), QDir(settings.path()).filePath(kLimitsFileName));
    Write(config.filePath(QStringLiteral("ate.ini")),
        "[ATE Configuration]\r\nTestProduct=A\r\n[Control Limits]\r\n"
        "File=shared/site-limits.json\r\n");
    const QString site = LimitsFilePath(config.path(), settings.path());
    EXPECT_EQ(site, QDir::cleanPath(config.filePath(QStringLiteral("shared/site-limits.json"))));
    const QByteArray ini = Bytes(config.filePath(QStringLiteral("ate.ini")));
    LimitsStore one(site);
    ASSERT_EQ(one.save(Baseline(QStringLiteral("Volt"), 10)), QString());
    // A second user of the site, with a settings folder of their own, finds the same limits.
    QTemporaryDir otherSettings;
    LimitsStore two(LimitsFilePath(config.path(), otherSettings.path()));
    ASSERT_EQ(two.load(), QString());
    EXPECT_TRUE(two.find(Baseline(QStringLiteral("Volt"), 10).key));
    EXPECT_EQ(Bytes(config.filePath(QStringLiteral("ate.ini"))), ini); // the site's file is never written
}

TEST(SavedLimitsFile, AFileThatCannotBeWrittenIsRefusedWithAMessageAndKeptAsItWas)
{
    test::FullFolder full;
    if (!full.problem().isEmpty())
        GTEST_SKIP() << full.problem().toStdString();
    const QString path = full.filePath(QStringLiteral("limits.json"));
    LimitsStore store(path);
    ASSERT_EQ(store.save(Baseline(QStringLiteral("Volt"), 10)), QString());
    const QByteArray before = Bytes(path);
    ASSERT_TRUE(full.Fill());
    const QString message = store.save(Baseline(QStringLiteral("Amp"), 2));
    EXPECT_TRUE(message.startsWith(QStringLiteral("The limits could not be saved to ") + path))
        << message.toStdString();
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(store.entries().size(), 1); // the refused entry is not taken as saved

    // A folder that cannot be made (its parent is a file) is refused the same way.
    QTemporaryDir dir;
    Write(dir.filePath(QStringLiteral("plain")), "x");
    EXPECT_TRUE(LimitsStore(dir.filePath(QStringLiteral("plain/limits.json")))
                    .save(Baseline(QStringLiteral("Volt"), 10))
                    .endsWith(QStringLiteral(": its folder cannot be made.")));
}

TEST(SavedLimitsFile, ADamagedFileIsToldAndNeverOverwritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("limits.json"));
    LimitsStore store(path);
    ASSERT_EQ(store.save(Baseline(QStringLiteral("Volt"), 10)), QString());
    QByteArray good = Bytes(path);
    for (const QByteArray& damaged : { good.left(good.size() / 2), QByteArray("[1, 2]"),
             QByteArray(good).replace("\"sigma\": ", "\"sigma\": \"x\", \"was\": "),
             QByteArray(good).replace("\"first\": \"2026-01-02\"", "\"first\": \"2026-13-02\"") }) {
        Write(path, damaged);
        LimitsStore reader(path);
        const QString failure = reader.load();
        EXPECT_TRUE(failure.startsWith(QStringLiteral("The limits file "))) << damaged.toStdString();
        EXPECT_TRUE(reader.entries().isEmpty());
        const QString refused = reader.save(Baseline(QStringLiteral("Amp"), 2));
        EXPECT_TRUE(refused.endsWith(QStringLiteral("The limits were not saved."))) << refused.toStdString();
        EXPECT_EQ(Bytes(path), damaged);
    }
    Write(path, QByteArray(good).replace("\"sigma\": ", "\"sigma\": \"x\", \"was\": "));
    EXPECT_TRUE(LimitsStore(path).load().endsWith(QStringLiteral("in entry 1, \"sigma\" holds no number.")));
}

TEST(SavedLimitsTexts, BaselineLineAndSpecificationChange)
{
    const SavedLimits s = Baseline(QStringLiteral("Volt"), 10);
    EXPECT_EQ(BaselineText(s), QStringLiteral("Saved 2026-03-05 by ann: 2026-01-02 to 2026-03-02"));
    EXPECT_EQ(SpecificationLimitsChangeText(s.specificationLimits, s.specificationLimits), QString());
    EXPECT_EQ(SpecificationLimitsChangeText(s.specificationLimits, { 9.0, 11.5, 10.0 }),
        QStringLiteral("Warning: since saved USL 11.0 now 11.5, nominal none now 10.0"));
    EXPECT_EQ(SpecificationLimitsChangeText(s.specificationLimits, { std::nullopt, 11.0, std::nullopt }),
        QStringLiteral("Warning: since saved LSL 9.0 now none"));
}

// Plotted points whose own limits are wide (centre 10.5, R-bar 2) judged against a tight baseline
// (centre 10, UCL 10.3, LCL 9.7, sigma 0.2).
LimitInputs Shifted()
{
    LimitInputs in;
    in.chartType = kChartXBarR;
    in.sampleSize = 5;
    in.USL = 11;
    in.LSL = 9;
    in.stat.XDoubleBar = 10.5;
    in.stat.AverageVariation = 2.0;
    in.stat.EstSigma = 2.0 / 2.326;
    in.stat.PointCount = 8;
    in.showZones = true;
    return in;
}

TEST(HeldLimits, LinesZonesCapabilityAndPanelComeFromTheBaseline)
{
    LimitInputs in = Shifted();
    in.held = HeldLimits { { 10, 10.3, 9.7 }, { 0.5, 1.0572, 0 }, 0.2, { QStringLiteral("Saved 2026-03-05") } };
    const ControlLimits l = ComputeControlLimits(in);
    ASSERT_TRUE(l.completed);
    EXPECT_DOUBLE_EQ(l.UCLCentre.value(), 10.3);
    EXPECT_DOUBLE_EQ(l.LCLCentre.value(), 9.7);
    EXPECT_DOUBLE_EQ(l.UCLVar.value(), 1.0572);
    EXPECT_DOUBLE_EQ(l.XDoubleBar.value(), 10);
    EXPECT_DOUBLE_EQ(l.EstSigma.value(), 0.2);
    // Zones at thirds of the held lines' distance from the held centre.
    EXPECT_NEAR(l.centre.upperC, 10.1, 1e-12);
    EXPECT_NEAR(l.centre.upperB, 10.2, 1e-12);
    EXPECT_NEAR(l.centre.lowerB, 9.8, 1e-12);
    // About the plotted mean 10.5 with sigma 0.2: CpU = 0.5/0.6, CpL = 1.5/0.6, Cp = 2/1.2.
    EXPECT_DOUBLE_EQ(l.CpU.value(), 0.8333);
    EXPECT_DOUBLE_EQ(l.CpL.value(), 2.5);
    EXPECT_DOUBLE_EQ(l.CpK.value(), 0.8333);
    EXPECT_DOUBLE_EQ(l.Cp.value(), 1.6667);
    ASSERT_EQ(l.panelValues.size(), PanelCaptions().size() + 1);
    EXPECT_EQ(l.panelValues[2], QStringLiteral("0.2"));
    EXPECT_EQ(l.panelValues[4], QStringLiteral("10.3"));
    EXPECT_EQ(l.panelValues[5], QStringLiteral("10.0"));
    EXPECT_EQ(l.panelValues.last(), QStringLiteral("Saved 2026-03-05"));
    EXPECT_EQ(l.panelValueText.count(QLatin1Char('\n')), PanelCaptions().size() + 1); // the figures only
    EXPECT_EQ(l.parameterCaption, QStringLiteral("X-Bar-R Param.\nSaved 2026-03-05"));
}

TEST(HeldLimits, APointBeyondTheSavedUclIsFlaggedWhereTheOwnLimitsWouldNotFlagIt)
{
    // Own limits: 10.5 ± 0.5768·2 = 9.3464 .. 11.6536; 10.6 lies well inside them and beyond the held 10.3.
    const std::vector<double> points { 10.0, 9.9, 10.6, 10.0 };
    const RuleGroups r1 = RuleGroupBit(RuleGroup::R1Upper) | RuleGroupBit(RuleGroup::R1Lower);
    const ControlLimits own = ComputeControlLimits(Shifted());
    ASSERT_TRUE(own.completed);
    EXPECT_DOUBLE_EQ(own.UCLCentre.value(), 11.6536); // A2(5) = 0.5768
    EXPECT_FALSE(EvaluateRules({ points, ZoneRuleLines(own.centre), r1 }).anyMarked());

    LimitInputs in = Shifted();
    in.held = HeldLimits { { 10, 10.3, 9.7 }, { 0.5, 1.0572, 0 }, 0.2, {} };
    const ControlLimits held = ComputeControlLimits(in);
    const RuleMarks marks = EvaluateRules({ points, ZoneRuleLines(held.centre), r1 });
    EXPECT_EQ(marks[2], kR1Above);
    EXPECT_EQ(marks[0] | marks[1] | marks[3], 0);
}

TEST(HeldLimits, LimitsSavedFromAPlotAndHeldDrawTheSameLines)
{
    const ControlLimits own = ComputeControlLimits(Shifted());
    EXPECT_EQ(own.panelValues.size(), PanelCaptions().size());
    const SpecificationLimitsAtSave spec { 9.0, 11.0, std::nullopt };
    const SavedLimits saved = LimitsToSave({ QStringLiteral("P"), QStringLiteral("C"), kChartXBarR, 5 }, own, 8,
        QStringLiteral("All"), QDate(2026, 1, 1), QDate(2026, 2, 1), spec);
    EXPECT_EQ(saved.centre, (HeldChart { 10.5, 11.6536, 9.3464 }));
    EXPECT_DOUBLE_EQ(saved.sigma, own.EstSigma.value());
    EXPECT_EQ(saved.savedBy, LoginName());

    LimitInputs in = Shifted();
    in.held = Held(saved, spec);
    EXPECT_EQ(in.held->notes.size(), 1); // the baseline only: the specification limits are unchanged
    const ControlLimits held = ComputeControlLimits(in);
    for (const auto& [a, b] : { std::pair { own.centre, held.centre }, std::pair { own.variation, held.variation } })
        for (const auto& [x, y] : { std::pair { a.ucl, b.ucl }, std::pair { a.lcl, b.lcl },
                 std::pair { a.centre, b.centre }, std::pair { a.upperB, b.upperB }, std::pair { a.lowerC, b.lowerC } })
            EXPECT_DOUBLE_EQ(x, y);
    // The panel's sigma, limits and centres (its capability lines are recomputed from the held sigma).
    EXPECT_EQ(held.panelValues.mid(0, 9), own.panelValues.mid(0, 9));
    EXPECT_EQ(held.panelValues.mid(15, 3), own.panelValues.mid(15, 3));

    const HeldLimits changed = Held(saved, { 9.0, 12.0, std::nullopt });
    EXPECT_EQ(
        changed.notes, QStringList({ BaselineText(saved), QStringLiteral("Warning: since saved USL 11.0 now 12.0") }));
}

} // namespace

TEST(SavedLimitsFile, StageDatesAreKeptSortedBesideTheLimits)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("limits.json"));
    const SavedLimits a = Baseline(QStringLiteral("Volt"), 10);
    LimitsStore store(path);
    ASSERT_EQ(store.save(a), QString());
    const QDate d1(2026, 5, 1), d2(2026, 2, 1);
    ASSERT_EQ(store.saveStages(QStringLiteral("CTL-100"), QStringLiteral("Volt"), { d1, d2, d1 }), QString());
    ASSERT_EQ(store.saveStages(QStringLiteral("CTL-100"), QStringLiteral("Amp"), { d2 }), QString());
    LimitsStore later(path);
    ASSERT_EQ(later.load(), QString());
    EXPECT_EQ(later.stages(QStringLiteral("CTL-100"), QStringLiteral("Volt")), QList<QDate>({ d2, d1 }));
    EXPECT_EQ(later.stages(QStringLiteral("CTL-100"), QStringLiteral("Amp")), QList<QDate> { d2 });
    EXPECT_EQ(later.find(a.key), a); // the limits are kept
    ASSERT_EQ(later.saveStages(QStringLiteral("CTL-100"), QStringLiteral("Volt"), {}), QString());
    LimitsStore third(path);
    ASSERT_EQ(third.load(), QString());
    EXPECT_TRUE(third.stages(QStringLiteral("CTL-100"), QStringLiteral("Volt")).isEmpty());
    EXPECT_EQ(third.stages(QStringLiteral("CTL-100"), QStringLiteral("Amp")), QList<QDate> { d2 });
}
