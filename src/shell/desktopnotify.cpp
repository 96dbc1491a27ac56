// Desktop notifications: org.freedesktop.Notifications.Notify on the session bus, else the system tray.
#include "shell/desktopnotify.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QVariantMap>

namespace moldrin
{

namespace
{

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kShownMs = 30000;

} // namespace

DesktopNotifier::DesktopNotifier(QObject* parent)
    : QObject(parent)
{
    if (QSystemTrayIcon::isSystemTrayAvailable() && QSystemTrayIcon::supportsMessages()) {
        mTray = new QSystemTrayIcon(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning), this);
        mTray->show();
    }
}

DesktopNotifier::Route DesktopNotifier::route() const
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && bus.interface()) {
        QDBusConnectionInterface* names = bus.interface();
        if (names->isServiceRegistered(kService) || names->activatableServiceNames().value().contains(kService))
            return Route::Bus;
    }
    return mTray ? Route::Tray : Route::None;
}

void DesktopNotifier::ShowInTray(const QString& summary, const QString& body)
{
    if (mTray)
        mTray->showMessage(summary, body, QSystemTrayIcon::Warning);
}

void DesktopNotifier::notify(const QString& summary, const QString& body)
{
    if (route() != Route::Bus) {
        ShowInTray(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    // Urgency 2 (critical): the desktop keeps it until it is seen.
    const QVariantMap hints { { QStringLiteral("urgency"), QVariant::fromValue(uchar(2)) } };
    call << QStringLiteral("Moldrin") << mLastId << QStringLiteral("dialog-warning") << summary << body << QStringList()
         << hints << kShownMs;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body] {
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            ShowInTray(summary, body);
        else
            mLastId = reply.value();
        watcher->deleteLater();
    });
}

} // namespace moldrin
