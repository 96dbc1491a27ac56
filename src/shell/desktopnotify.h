// A desktop notification for an alarm: the freedesktop notification service over the session bus where one
// answers there, the system tray's message where there is a tray, and nothing where neither exists.
#pragma once

#include <QObject>
#include <QString>

class QSystemTrayIcon;

namespace moldrin
{

class DesktopNotifier : public QObject
{
public:
    enum class Route { Bus, Tray, None };

    explicit DesktopNotifier(QObject* parent = nullptr);
    // Sent without waiting for the desktop: a service that fails the call hands the message to the tray.
    void notify(const QString& summary, const QString& body);
    // Where the next message goes: the bus while a service is registered or can be started there.
    Route route() const;

private:
    void ShowInTray(const QString& summary, const QString& body);

    QSystemTrayIcon* mTray = nullptr;
    uint mLastId = 0; // the service's last notification, replaced by the next one
};

} // namespace moldrin
