#include "platform/desktop_notifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace hodra {
namespace {

constexpr int kAnswerTimeoutMs = 5000;

}  // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus(std::move(bus)) {}

void DesktopNotifications::Show(const QString& summary, const QString& body) {
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(
        "org.freedesktop.Notifications", "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "Notify");
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("org.hodra2.Hodra2")}};
    notify << QStringLiteral("Hodra2") << shown << QStringLiteral("hodra2") << summary << body << QStringList() << hints
           << -1;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify, kAnswerTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        const QDBusPendingReply<uint> reply = *w;
        if (!reply.isError()) {
            shown = reply.value();  // the next one replaces this one
        }
        w->deleteLater();
    });
}

}  // namespace hodra
