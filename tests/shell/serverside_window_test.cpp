// The main window's Subgroups on Server box, driven offscreen on a demo: kept in the settings, fixed where
// the site asks, and the plot it asks for formed by the engine with the same figures.
#include "shell/frmmain.h"
#include "shell/mainsettings.h"
#include "shell/serversidecontrol.h"

#include "mainsession.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace moldrin;
using moldrin::test::Click;

class ServerSideWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void userChoiceKeptAndPlotFormedByTheEngine();
    void siteChoiceFixesTheBox();

private:
    QTemporaryDir mTemp;
    QString mDemo;
};

void ServerSideWindowTest::initTestCase()
{
    mDemo = mTemp.filePath("demo");
    QVERIFY(QDir().mkpath(mDemo));
    QVERIFY(moldrin::test::CopyDemoConfiguration(mDemo));
    QVERIFY(moldrin::test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, mDemo, 1000));
    qputenv("TEMP", mTemp.path().toLocal8Bit());
}

void ServerSideWindowTest::userChoiceKeptAndPlotFormedByTheEngine()
{
    const QString settings = mTemp.filePath("user-settings");
    ControlLimits read;
    {
        moldrin::test::MainSession<> s(settings);
        QVERIFY(s.start(mDemo));
        frmMain& w = *s.window;
        QCheckBox* box = w.serverSide->chkServerSide;
        QVERIFY(!box->isChecked());
        QVERIFY(box->isEnabled());
        Click(w.cmdPlotChart);
        QVERIFY(w.lastOutcome().plotted);
        QVERIFY(!w.lastOutcome().engine);
        read = w.lastOutcome().limits;

        box->click();
        QCOMPARE(s.state.registry.read("ServerSideSubgroups"), BooleanText(true));
        Click(w.cmdPlotChart);
        QVERIFY(w.lastOutcome().plotted);
        QVERIFY(w.lastOutcome().engine);
        QCOMPARE(w.lastOutcome().limits.panelValues, read.panelValues);
        QCOMPARE(s.prompt.texts(), QStringList());
    }
    {
        // The next start shows the choice; unchecking it reads every reading again.
        moldrin::test::MainSession<> s(settings);
        QVERIFY(s.start(mDemo));
        frmMain& w = *s.window;
        QVERIFY(w.serverSide->chkServerSide->isChecked());
        w.serverSide->chkServerSide->click();
        QCOMPARE(s.state.registry.read("ServerSideSubgroups"), BooleanText(false));
        Click(w.cmdPlotChart);
        QVERIFY(w.lastOutcome().plotted);
        QVERIFY(!w.lastOutcome().engine);
    }
}

void ServerSideWindowTest::siteChoiceFixesTheBox()
{
    const QString site = mTemp.filePath("site");
    QVERIFY(QDir().mkpath(site));
    for (const char* name : { "ATE.INI", "PRODUCTS.INI", "results.db" })
        QVERIFY(QFile::copy(QDir(mDemo).filePath(name), QDir(site).filePath(name)));
    QFile ini(QDir(site).filePath("ATE.INI"));
    QVERIFY(ini.open(QIODevice::ReadOnly));
    QByteArray text = ini.readAll();
    ini.close();
    text.replace("[Database]\r\n", "[Database]\r\nServerSideSubgroups=1\r\n");
    QVERIFY(ini.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(ini.write(text), text.size());
    ini.close();

    moldrin::test::MainSession<> s(mTemp.filePath("site-settings"));
    QVERIFY(s.start(site));
    frmMain& w = *s.window;
    QCheckBox* box = w.serverSide->chkServerSide;
    QVERIFY(box->isChecked());
    QVERIFY(!box->isEnabled());
    QVERIFY(box->toolTip().contains("ATE.INI"));
    Click(w.cmdPlotChart);
    QVERIFY(w.lastOutcome().engine);
    QVERIFY(box->isChecked());
    QVERIFY(!box->isEnabled()); // still fixed after the plot gave the panel back
    QCOMPARE(s.state.registry.read("ServerSideSubgroups"), QString());
}

QTEST_MAIN(ServerSideWindowTest)
#include "serverside_window_test.moc"
