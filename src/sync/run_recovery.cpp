#include "sync/run_recovery.h"

#include <algorithm>

#include "sync/sync_operation.h"
#include "sync/sync_timers.h"

namespace hodra {

RunRecovery::RunRecovery(SyncTimers& timers, const MonotonicClock& clock, QObject* parent)
    : QObject(parent), timers(timers), retry(clock) {
    settle.setSingleShot(true);
    settle.setInterval(kSettleMs);
    connect(&settle, &QTimer::timeout, this, &RunRecovery::StartDueRun);
    connect(&retry, &LongTimer::timeout, this, &RunRecovery::FireRetry);
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
    if (outcome.Answered()) {
        failed = 0;
        retry.Stop();
        return;
    }
    if (!outcome.ReachedServers()) {
        return;  // not a network that is away
    }
    if (outcome.automatic) {
        ++failed;
        retrySynchronise = outcome.synchronise;
    } else if (failed == 0 || retry.isActive()) {
        // The user saw it, and asks again when they want. Only a series of tries already under
        // way goes on: its try may have come while this run was busy, and was dropped.
        return;
    }
    retry.Start(RetryDelayMs(failed, IntervalMs()));
}

void RunRecovery::Stop() {
    retry.Stop();
    settle.stop();
}

void RunRecovery::FireRetry() {
    retry.Stop();
    if (SynchroniseTurnedOff()) {
        failed = 0;  // automatic synchronisation was turned off meanwhile: its tries end with it
        return;
    }
    emit retryDue(retrySynchronise);
}

bool RunRecovery::SynchroniseTurnedOff() const {
    return retrySynchronise && !timers.autoSyncArmed();
}

void RunRecovery::OnNetworkUp() {
    settle.start();
}

void RunRecovery::OnResumed() {
    settle.start();
}

void RunRecovery::StartDueRun() {
    if (retry.isActive()) {
        FireRetry();
        return;
    }
    // A regular run that fell due while the machine slept fires now, not at the next wake-up.
    timers.autoSyncTimer().Check();
}

std::optional<PendingRun> RunRecovery::nextRun() const {
    std::optional<PendingRun> next;
    if (retry.isActive() && !SynchroniseTurnedOff()) {
        next = PendingRun{retry.remainingMs(), retrySynchronise, failed};
    }
    if (timers.autoSyncArmed()) {
        const std::int64_t regular = timers.autoSyncTimer().remainingMs();
        if (!next || regular < next->inMs) {
            next = PendingRun{regular, true, 0};
        }
    }
    return next;
}

}  // namespace hodra
