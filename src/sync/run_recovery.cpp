#include "run_recovery.h"

#include <algorithm>

#include "sync_operation.h"
#include "sync_timers.h"

namespace hodra {

RunRecovery::RunRecovery(SyncTimers& timers, const MonotonicClock& clock, QObject* parent)
    : QObject(parent), timers(timers), retry(clock) {
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    connect(&settle, &QTimer::timeout, this, &RunRecovery::StartDueRun);
    connect(&retry, &LongTimer::timeout, this, [this] {
        retry.Stop();
        emit retryDue(retrySynchronise);
    });
}

std::int64_t RunRecovery::RetryDelayMs(int failures, std::int64_t intervalMs) {
    std::int64_t delay = kFirstRetryMs;
    for (int i = 1; i < failures && delay < intervalMs; ++i) {
        delay *= 2;
    }
    return std::min(delay, intervalMs);
}

std::int64_t RunRecovery::IntervalMs() const {
    return timers.autoSyncArmed() ? static_cast<std::int64_t>(timers.autoSyncMinutes()) * 60000 : kUncappedIntervalMs;
}

void RunRecovery::OnRunFinished(const SyncOutcome& outcome) {
    if (outcome.answered) {
        failed = 0;
        retry.Stop();
        return;
    }
    if (!outcome.automatic) {
        return;  // the user saw it, and asks again when they want
    }
    ++failed;
    retrySynchronise = outcome.synchronise;
    retry.Start(RetryDelayMs(failed, IntervalMs()));
}

void RunRecovery::OnNetworkUp() {
    settle.start();
}

void RunRecovery::OnResumed() {
    settle.start();
}

void RunRecovery::StartDueRun() {
    if (retry.isActive()) {
        retry.Stop();
        emit retryDue(retrySynchronise);
        return;
    }
    // A regular run that fell due while the machine slept fires now, not at the next wake-up.
    timers.autoSyncTimer().Check();
}

std::optional<std::int64_t> RunRecovery::nextRunInMs() const {
    std::optional<std::int64_t> next;
    if (retry.isActive()) {
        next = retry.remainingMs();
    }
    if (timers.autoSyncArmed()) {
        const std::int64_t regular = timers.autoSyncTimer().remainingMs();
        next = next ? std::min(*next, regular) : regular;
    }
    return next;
}

}  // namespace hodra
