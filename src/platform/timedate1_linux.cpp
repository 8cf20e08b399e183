#include "platform/timedate1.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QVariantMap>
#include <cmath>
#include <limits>

#include "platform/platform_texts.h"

namespace hodra {
namespace {

constexpr char kService[] = "org.freedesktop.timedate1";
constexpr char kPath[] = "/org/freedesktop/timedate1";
constexpr char kInterface[] = "org.freedesktop.timedate1";
// The service is started on demand, which can take a moment.
constexpr int kQueryTimeoutMs = 5000;
// As long as the authorisation is pending: a step authorised after any shorter wait would
// still be made, and go unrecorded. The run stays busy meanwhile; a close forgets it.
constexpr int kStepTimeoutMs = std::numeric_limits<int>::max();

}  // namespace

Timedate1::Timedate1(QDBusConnection bus, QObject* parent) : QObject(parent), bus(std::move(bus)) {}

Timedate1::~Timedate1() {
    Cancel();
}

void Timedate1::Send(const QDBusMessage& message, int timeoutMs,
                     std::function<void(const QDBusPendingCall& reply)> answered) {
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs), this);
    inFlight.insert(watcher);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, answered](QDBusPendingCallWatcher* w) {
        inFlight.remove(w);
        w->deleteLater();
        answered(*w);
    });
}

void Timedate1::QueryKeepsClock(std::function<void(bool keeps)> done) {
    if (!bus.isConnected()) {
        done(false);
        return;
    }
    QDBusMessage get = QDBusMessage::createMethodCall(kService, kPath, "org.freedesktop.DBus.Properties", "GetAll");
    get << QString::fromLatin1(kInterface);
    Send(get, kQueryTimeoutMs, [done](const QDBusPendingCall& call) {
        const QDBusPendingReply<QVariantMap> reply = call;
        if (reply.isError()) {
            done(false);
            return;
        }
        const QVariantMap properties = reply.value();
        done(properties.value("NTP").toBool() && properties.value("NTPSynchronized").toBool());
    });
}

void Timedate1::StepBy(double seconds, bool mayAsk, std::function<void(bool stepped, const std::string& why)> done) {
    if (!bus.isConnected()) {
        done(false, text::kNoSystemBus);
        return;
    }
    QDBusMessage set = QDBusMessage::createMethodCall(kService, kPath, kInterface, "SetTime");
    set << static_cast<qint64>(std::llround(seconds * 1e6)) << true << mayAsk;
    set.setInteractiveAuthorizationAllowed(mayAsk);
    Send(set, kStepTimeoutMs, [done](const QDBusPendingCall& call) {
        const QDBusPendingReply<> reply = call;
        if (reply.isError()) {
            done(false, (reply.error().name() + ": " + reply.error().message()).toStdString());
        } else {
            done(true, {});
        }
    });
}

void Timedate1::Cancel() {
    for (QDBusPendingCallWatcher* w : std::as_const(inFlight)) {
        delete w;
    }
    inFlight.clear();
}

}  // namespace hodra
