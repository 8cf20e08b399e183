#include "sync/long_timer.h"

#include <algorithm>

namespace hodra {

LongTimer::LongTimer(const MonotonicClock& clock, QObject* parent) : QObject(parent), clock(clock) {
    wake.setSingleShot(true);
    wake.setTimerType(Qt::CoarseTimer);
    connect(&wake, &QTimer::timeout, this, &LongTimer::Check);
}

void LongTimer::Start(std::int64_t intervalMs) {
    deadlineMs = clock.NowMs() + std::max<std::int64_t>(intervalMs, 1);
    active = true;
    ScheduleWake();
}

void LongTimer::Stop() {
    active = false;
    wake.stop();
}

std::int64_t LongTimer::remainingMs() const {
    return active ? std::max<std::int64_t>(deadlineMs - clock.NowMs(), 0) : -1;
}

int LongTimer::nextWakeMs() const {
    return wake.isActive() ? wakeIntervalMs : -1;
}

void LongTimer::Check() {
    if (!active) {
        return;
    }
    if (clock.NowMs() >= deadlineMs) {
        active = false;
        wake.stop();
        emit timeout();
        return;
    }
    ScheduleWake();
}

void LongTimer::ScheduleWake() {
    const std::int64_t left = std::max<std::int64_t>(deadlineMs - clock.NowMs(), 1);
    // The last stretch is waited precisely so the tick lands on the full interval.
    wake.setTimerType(left <= kMaxWakeMs ? Qt::PreciseTimer : Qt::CoarseTimer);
    wakeIntervalMs = static_cast<int>(std::min(left, kMaxWakeMs));
    wake.start(wakeIntervalMs);
}

}  // namespace hodra
