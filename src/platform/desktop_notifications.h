#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace hodra {

// Desktop notifications (org.freedesktop.Notifications on the session bus), with the
// program's icon. Each new one replaces the one shown before instead of stacking up.
class DesktopNotifications : public QObject {
public:
    explicit DesktopNotifications(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    // Without a session bus or a notification service nothing is shown.
    void Show(const QString& summary, const QString& body);
    // The service's id of the one shown last (0 before any answer).
    uint shownId() const { return shown; }

private:
    QDBusConnection bus;
    uint shown = 0;
};

}  // namespace hodra
