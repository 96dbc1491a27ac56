// The alarm's desktop notification on a private session bus started by the test: nothing where no service
// answers (and no tray), the freedesktop Notify call where a service is registered.
#include "shell/desktopnotify.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace moldrin;

namespace
{

struct NotifyCall {
    QString app, icon, summary, body;
    uint replaces = 0;
    int timeout = 0;
    QVariantMap hints;
};

} // namespace

// A notification service that records each call and answers with a new id.
class RecordingNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QList<NotifyCall> calls;

public Q_SLOTS:
    uint Notify(const QString& app, uint replaces, const QString& icon, const QString& summary, const QString& body,
        const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(actions);
        calls << NotifyCall { app, icon, summary, body, replaces, timeout, hints };
        return uint(100 + calls.size());
    }
};

class DesktopNotifyTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void nothingWithoutAServiceOrATray();
    void serviceOnTheBusGetsTheNotification();

private:
    QTemporaryDir mDir;
    QProcess mDaemon;
};

void DesktopNotifyTest::initTestCase()
{
    // A bus of the test's own: no service can be started on it, only the one the test registers.
    const QString config = mDir.filePath("bus.conf");
    QFile f(config);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN\" "
                           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">"
                           "<busconfig><type>session</type><listen>unix:dir=%1</listen><auth>EXTERNAL</auth>"
                           "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                           "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy>"
                           "</busconfig>")
                .arg(mDir.path())
                .toUtf8());
    f.close();
    mDaemon.start("dbus-daemon", { "--config-file=" + config, "--nofork", "--print-address" });
    QVERIFY2(mDaemon.waitForStarted(), "dbus-daemon (package dbus-daemon) is needed");
    QVERIFY(mDaemon.waitForReadyRead(5000));
    const QByteArray address = mDaemon.readLine().trimmed();
    QVERIFY(!address.isEmpty());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    QVERIFY(QDBusConnection::sessionBus().isConnected());
}

void DesktopNotifyTest::cleanupTestCase()
{
    QDBusConnection::disconnectFromBus("notifications");
    mDaemon.terminate();
    mDaemon.waitForFinished(5000);
}

// Offscreen there is no tray: without a service the message goes nowhere, at once and without a failure.
void DesktopNotifyTest::nothingWithoutAServiceOrATray()
{
    DesktopNotifier notifier;
    QCOMPARE(notifier.route(), DesktopNotifier::Route::None);
    notifier.notify("Moldrin: rule broken", "T100 point 12 centre R1+");
    QTest::qWait(100);
}

void DesktopNotifyTest::serviceOnTheBusGetsTheNotification()
{
    RecordingNotifications service;
    QDBusConnection bus
        = QDBusConnection::connectToBus(qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS"), "notifications");
    QVERIFY(bus.isConnected());
    QVERIFY(bus.registerObject("/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
    QVERIFY(bus.registerService("org.freedesktop.Notifications"));
    QTRY_VERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered("org.freedesktop.Notifications"));

    DesktopNotifier notifier;
    QCOMPARE(notifier.route(), DesktopNotifier::Route::Bus);
    notifier.notify("Moldrin: rule broken", "T100 point 12 centre R1+ at 2026-12-08 14:55:37");
    QTRY_COMPARE(service.calls.size(), 1);
    const NotifyCall& first = service.calls.front();
    QCOMPARE(first.app, "Moldrin");
    QCOMPARE(first.summary, "Moldrin: rule broken");
    QCOMPARE(first.body, "T100 point 12 centre R1+ at 2026-12-08 14:55:37");
    QCOMPARE(first.replaces, 0u);
    QCOMPARE(first.hints.value("urgency").toInt(), 2);
    QVERIFY(first.timeout > 0);
    // The next alarm replaces the one the desktop still shows.
    QTest::qWait(50);
    notifier.notify("Moldrin: rule broken", "T100 point 13 centre R1+");
    QTRY_COMPARE(service.calls.size(), 2);
    QCOMPARE(service.calls[1].replaces, 101u);
    QVERIFY(bus.unregisterService("org.freedesktop.Notifications"));
}

QTEST_MAIN(DesktopNotifyTest)
#include "desktopnotify_test.moc"
