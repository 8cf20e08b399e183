#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>

#include "sync/system_time_service.h"

class QDBusPendingCall;
class QDBusPendingCallWatcher;

namespace hodra {

// systemd-timedated on the system bus (org.freedesktop.timedate1). Reads NTP and
// NTPSynchronized without any capability; SetTime steps the clock relatively, with interactive
// authorisation when the user asked for the step, so polkit may ask for a password.
class Timedate1 : public QObject, public SystemTimeService {
public:
    explicit Timedate1(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~Timedate1() override;

    void QueryKeepsClock(std::function<void(bool keeps)> done) override;
    void StepBy(double seconds, bool mayAsk, std::function<void(bool stepped, const std::string& why)> done) override;
    void Cancel() override;

private:
    void Send(const QDBusMessage& message, int timeoutMs, std::function<void(const QDBusPendingCall& reply)> answered);

    QDBusConnection bus;
    QSet<QDBusPendingCallWatcher*> inFlight;
};

}  // namespace hodra
