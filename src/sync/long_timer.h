#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>

#include "sync/boot_clock.h"

namespace hodra {

// A one-shot timer for any interval, 100 days included: one QTimer can wait only
// 2^31 - 1 ms, so it wakes at least once a minute and compares a deadline on a clock
// that counts suspended time; after a resume an overdue deadline fires at once.
class LongTimer : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t kMaxWakeMs = 60000;

    explicit LongTimer(const MonotonicClock& clock = BootClock::Instance(), QObject* parent = nullptr);

    void Start(std::int64_t intervalMs);
    void Stop();
    bool isActive() const { return active; }
    std::int64_t remainingMs() const;
    // The interval of the pending wake-up in ms (-1 when stopped).
    int nextWakeMs() const;

    // Fires timeout() if the deadline has passed, else waits again. The wake-up timer
    // calls it; tests call it after moving their clock.
    void Check();

signals:
    void timeout();

private:
    void ScheduleWake();

    const MonotonicClock& clock;
    QTimer wake;
    bool active = false;
    std::int64_t deadlineMs = 0;
    int wakeIntervalMs = 0;
};

}  // namespace hodra
