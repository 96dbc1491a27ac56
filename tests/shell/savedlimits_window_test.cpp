// The main window's Save Limits button and Use Saved Limits check box, driven offscreen on a demo.
#include "buttonctl/lumbutton.h"
#include "shell/frmmain.h"
#include "shell/savedlimitscontrols.h"
#include "shell/stagesdialog.h"

#include "mainsession.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace moldrin;
using moldrin::test::Click;

namespace
{

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class SavedLimitsWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void saveThenPlotAgainstTheBaseline();
    void replacingAskedAndADamagedFileTold();
    void stageDatesSplitThePlot();
    void correctedGroupSizeFindsItsBaseline();

private:
    QTemporaryDir mTemp;
    QString mDemo;
    int mCount = 0;
    // A settings file in a folder of its own, where the limits file goes by default.
    QString Settings()
    {
        const QString folder = mTemp.filePath(QStringLiteral("settings-%1").arg(++mCount));
        QDir().mkpath(folder);
        return QDir(folder).filePath("settings");
    }
};

void SavedLimitsWindowTest::initTestCase()
{
    mDemo = mTemp.filePath("demo");
    QVERIFY(QDir().mkpath(mDemo));
    QVERIFY(moldrin::test::CopyDemoConfiguration(mDemo));
    QVERIFY(moldrin::test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, mDemo, 1000));
    qputenv("TEMP", mTemp.path().toLocal8Bit());
}

void SavedLimitsWindowTest::saveThenPlotAgainstTheBaseline()
{
    const QString settings = Settings();
    moldrin::test::MainSession<> s(settings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    SavedLimitsControls& limits = *w.savedLimits;
    QVERIFY(!limits.chkUseSavedLimits->isEnabled());
    QVERIFY(!limits.cmdSaveLimits->Enabled());

    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().plotted);
    const ControlLimits own = w.lastOutcome().limits;
    QVERIFY(limits.cmdSaveLimits->Enabled());
    QVERIFY(!limits.chkUseSavedLimits->isEnabled()); // nothing saved yet
    Click(limits.cmdSaveLimits);
    const QString file = QFileInfo(settings).dir().filePath(kLimitsFileName);
    QCOMPARE(s.prompt.texts(), QStringList { "Limits saved to " + file + "." });
    QVERIFY(limits.chkUseSavedLimits->isEnabled());

    // Using them re-plots against the saved lines; held limits are not offered for saving again.
    s.prompt.clear();
    const int plots = w.plotCount();
    limits.chkUseSavedLimits->click();
    QCOMPARE(w.plotCount(), plots + 1);
    const ControlLimits& held = w.lastOutcome().limits;
    QCOMPARE(held.UCLCentre.value(), own.UCLCentre.value());
    QCOMPARE(held.LCLVar.value(), own.LCLVar.value());
    QVERIFY(w.lblWhatParametric->text().contains("\nSaved " + QDate::currentDate().toString(Qt::ISODate)));
    QVERIFY(!limits.cmdSaveLimits->Enabled());
    QCOMPARE(s.prompt.texts(), QStringList());

    // Another chart type has no baseline: the box is disabled and the plot uses its own limits.
    w.cboSelectChart->setCurrentIndex(w.cboSelectChart->findText(kChartXBarS));
    QVERIFY(!limits.chkUseSavedLimits->isEnabled());
    QVERIFY(!w.lblWhatParametric->text().contains("Saved"));
    w.cboSelectChart->setCurrentIndex(w.cboSelectChart->findText(kChartXBarRMedianS));
    QVERIFY(limits.chkUseSavedLimits->isEnabled());

    // The parameter's specification limits changed since: the warning line.
    s.state.gUSL[0] = 5.3;
    Click(w.cmdPlotChart);
    QVERIFY(w.lblWhatParametric->text().endsWith("\nWarning: since saved USL 5.25 now 5.3"));
}

void SavedLimitsWindowTest::replacingAskedAndADamagedFileTold()
{
    const QString settings = Settings();
    moldrin::test::MainSession<> s(settings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    SavedLimitsControls& limits = *w.savedLimits;
    Click(w.cmdPlotChart);
    Click(limits.cmdSaveLimits);
    const QString file = QFileInfo(settings).dir().filePath(kLimitsFileName);
    const QByteArray saved = Bytes(file);
    QVERIFY(!saved.isEmpty());

    // Saving again asks first; No keeps the file.
    s.prompt.clear();
    s.prompt.answers.enqueue(PromptAnswer::No);
    Click(limits.cmdSaveLimits);
    QCOMPARE(s.prompt.messages.size(), 1);
    QVERIFY(s.prompt.messages[0].text.startsWith("Replace the limits saved for this selection (Saved "));
    QCOMPARE(s.prompt.messages[0].buttons, PromptButtons::YesNo);
    QCOMPARE(Bytes(file), saved);

    // A damaged file is told, never overwritten, and offers no limits to use.
    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("{ not json");
    damaged.close();
    s.prompt.clear();
    Click(limits.cmdSaveLimits);
    QCOMPARE(s.prompt.messages.size(), 1);
    QVERIFY(s.prompt.messages[0].text.startsWith("The limits file " + file + " cannot be used: "));
    QCOMPARE(Bytes(file), QByteArray("{ not json"));
    limits.Refresh();
    QVERIFY(!limits.chkUseSavedLimits->isEnabled());
}

void SavedLimitsWindowTest::stageDatesSplitThePlot()
{
    const QString settings = Settings();
    moldrin::test::MainSession<> s(settings);
    QVERIFY(s.start(mDemo));
    frmMain& w = *s.window;
    SavedLimitsControls& limits = *w.savedLimits;
    w.cboSelectChart->setCurrentIndex(w.cboSelectChart->findText(kChartIndividualMR));
    QVERIFY(limits.cmdStages->Enabled());
    const QDate start = QDate::currentDate().addDays(-54);
    QStringList listed;
    moldrin::test::ShownWindows<StagesDialog> dialogs([&](StagesDialog& d) {
        d.dtpStart->setDate(start);
        d.cmdAdd->click();
        d.cmdAdd->click(); // listed once
        d.dtpStart->setDate(start.addDays(-100));
        d.cmdAdd->click();
        for (int i = 0; i < d.lstStarts->count(); ++i)
            listed << d.lstStarts->item(i)->text();
        d.lstStarts->setCurrentRow(0);
        d.cmdRemove->click();
        d.buttons->button(QDialogButtonBox::Ok)->click();
    });
    Click(limits.cmdStages);
    QCOMPARE(dialogs.count, 1);
    QCOMPARE(listed, QStringList({ start.addDays(-100).toString(Qt::ISODate), start.toString(Qt::ISODate) }));
    QCOMPARE(s.prompt.texts(), QStringList());

    // The plot that follows has two stages, the second from the date kept.
    const VariablesPlotOutcome& out = w.lastOutcome();
    QVERIFY(out.plotted);
    QCOMPARE(out.stages.size(), std::size_t(2));
    QCOMPARE(out.stages[1].start, start);
    QVERIFY(out.stages[1].first > 0 && long(out.stages[1].first) < out.pointCount);
    QVERIFY(w.lblWhatParametric->text().endsWith("\nStage 2 of 2 from " + start.toString(Qt::ISODate)));
    QVERIFY(!limits.cmdSaveLimits->Enabled()); // a staged chart has no one baseline to save

    // Another parameter has no stages.
    w.cboDataParameters->setCurrentIndex(1);
    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().stages.empty());
}

void SavedLimitsWindowTest::correctedGroupSizeFindsItsBaseline()
{
    const QString settings = Settings();
    {
        moldrin::test::MainSession<> s(settings);
        QVERIFY(s.start(mDemo));
        frmMain& w = *s.window;
        w.cboSelectChart->setCurrentText("Median-R");
        w.cboXBarSize->setCurrentText("9");
        QVERIFY(w.lastOutcome().plotted);
        Click(w.savedLimits->cmdSaveLimits);
        QVERIFY(w.savedLimits->chkUseSavedLimits->isEnabled());
    }
    // Restored with groups of 12, Median-R is held to 9 at start-up: the baseline saved for 9 is offered.
    {
        SettingsStore store(settings);
        store.write("ChartType", "Median-R");
        store.write("XBarSize", "12");
    }
    moldrin::test::MainSession<> s(settings);
    QVERIFY(s.start(mDemo));
    QCOMPARE(s.window->cboXBarSize->currentText(), QString("9"));
    QVERIFY(s.window->savedLimits->chkUseSavedLimits->isEnabled());
}

QTEST_MAIN(SavedLimitsWindowTest)
#include "savedlimits_window_test.moc"
