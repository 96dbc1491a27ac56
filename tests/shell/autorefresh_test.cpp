// The main window's Auto Refresh on a demo database that the demo's writer appends to: the chart extends,
// a new mark raises the alarm, a failed read is shown and never asked about.
#include "shell/autorefresh.h"
#include "shell/frmmain.h"
#include "variables/variableschart.h"

#include "mainsession.h"
#include "testsupport.h"
#include "windowdriving.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QSignalSpy>
#include <QSpinBox>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace moldrin;

class AutoRefreshTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extendsTheChartAndRaisesTheAlarm();
};

// The writer's subgroups, the first parameter shifted, until `intervals` were written.
static bool WriteShiftedUnits(const QString& demo, int intervals)
{
    QProcess writer;
    writer.start(
        MOLDRIN_DEMO_DATA_EXE, { "--append-every", "0.2", "--shift-after", "0", "--product", "PSU-100", demo });
    int lines = 0;
    while (lines < intervals && writer.waitForReadyRead(10000))
        while (writer.canReadLine() && lines < intervals) {
            writer.readLine();
            ++lines;
        }
    ::kill(pid_t(writer.processId()), SIGTERM);
    return writer.waitForFinished(10000) && writer.exitCode() == 0 && lines == intervals;
}

void AutoRefreshTest::extendsTheChartAndRaisesTheAlarm()
{
    QTemporaryDir temp;
    const QString demo = temp.filePath("demo");
    QVERIFY(QDir().mkpath(demo));
    QVERIFY(test::CopyDemoConfiguration(demo));
    QVERIFY(test::GenerateDemoData(MOLDRIN_DEMO_DATA_EXE, demo, 600));
    qputenv("TEMP", temp.path().toLocal8Bit());
    test::MainSession<> s(temp.filePath("settings"));
    QVERIFY(s.start(demo));
    frmMain& w = *s.window;
    AutoRefresh& live = *w.mAutoRefresh;
    QCOMPARE(live.spnRefreshSeconds->value(), kDefaultRefreshSeconds);
    w.cboSelectChart->setCurrentText(QStringLiteral("X-Bar-R"));
    w.chkShowZoneABC->setChecked(true);
    const QString title = w.windowTitle();

    // The interval is kept in the settings.
    live.spnRefreshSeconds->setValue(30);
    QCOMPARE(s.state.registry.read(kRefreshSecondsName), QStringLiteral("30"));
    live.chkAutoRefresh->setChecked(true);

    test::Click(w.cmdPlotChart);
    QVERIFY(QFileInfo::exists(s.state.gTempFile1));
    live.Refresh();
    const int points = w.chart().series[kSeriesXBar].count();
    QCOMPARE(points, 120);
    // No new rows: the plot's listing is still the chart's.
    QVERIFY(QFileInfo::exists(s.state.gTempFile1));
    QVERIFY(live.alarm().isEmpty());
    QCOMPARE(w.windowTitle(), title);

    // Another program holds the database locked (before the writer turns it to WAL): the read fails, is
    // shown, and the chart stays.
    {
        QSqlDatabase locker = QSqlDatabase::addDatabase("QSQLITE", "locker");
        locker.setDatabaseName(QDir(demo).filePath("results.db"));
        QVERIFY(locker.open());
        QSqlQuery q(locker);
        QVERIFY(q.exec("BEGIN EXCLUSIVE"));
        QVERIFY(q.exec("DELETE FROM PSU100_Results WHERE rowid < 0"));
        live.Refresh();
        QVERIFY(q.exec("COMMIT"));
    }
    QSqlDatabase::removeDatabase("locker");
    QVERIFY2(live.lblRefreshStatus->text().contains("read failed"), qPrintable(live.lblRefreshStatus->text()));
    QCOMPARE(w.chart().series[kSeriesXBar].count(), points);
    QVERIFY(s.prompt.messages.isEmpty());

    QVERIFY(WriteShiftedUnits(demo, 4));
    live.Refresh();
    QCOMPARE(w.chart().series[kSeriesXBar].count(), points + 4);
    QVERIFY2(live.alarm().contains("R1+"), qPrintable(live.alarm()));
    QVERIFY(w.windowTitle().startsWith("ALARM: "));
    QVERIFY(live.lblRefreshStatus->text().contains("ALARM"));
    QVERIFY(w.lblSPCParameter1->text() == w.lastOutcome().limits.panelValueText);
    QVERIFY(s.prompt.messages.isEmpty());
    // The listing no longer holds the chart's readings: it is removed and the raw data window says why.
    QVERIFY(!QFileInfo::exists(s.state.gTempFile1));
    QVERIFY(!s.state.gListingGone.isEmpty());
    test::Click(w.cmdPlotChart);
    QVERIFY(QFileInfo::exists(s.state.gTempFile1));
    QVERIFY(s.state.gListingGone.isEmpty());

    // Turned off: the title is the window's own again.
    live.chkAutoRefresh->setChecked(false);
    QCOMPARE(w.windowTitle(), title);
}

QTEST_MAIN(AutoRefreshTest)
#include "autorefresh_test.moc"
