#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <optional>

#include "sync/long_timer.h"

namespace hodra {

class SyncTimers;
struct SyncOutcome;

// The next automatic run: in how long, which kind, and which try of a series it is (0 for
// the regular run).
struct PendingRun {
    std::int64_t inMs = 0;
    bool synchronise = true;
    int retry = 0;
};

// Automatic runs that recover by themselves. After an automatic run in which no server
// answered (the laptop was offline), the next try comes after 30 s, then 60 s, 120 s ...
// doubling, never later than the regular interval; an answer ends the series. When the
// network comes up or the machine resumes, a pending try, or a regular run that fell due
// meanwhile, starts within a few seconds. The regular timer stays the one interval; the
// controller's busy flag keeps runs from overlapping. Tries of a synchronisation end when
// automatic synchronisation is turned off.
class RunRecovery : public QObject {
    Q_OBJECT
public:
    static constexpr std::int64_t kFirstRetryMs = 30000;
    static constexpr std::int64_t kUncappedIntervalMs = 60 * 60000;  // without automatic runs
    static constexpr int kSettleMs = 3000;  // the network's first seconds are often not yet usable

    explicit RunRecovery(SyncTimers& timers, const MonotonicClock& clock = BootClock::Instance(),
                         QObject* parent = nullptr);

    // The wait before try `failures` (1, 2, ...): 30 s doubling, at most intervalMs.
    static std::int64_t RetryDelayMs(int failures, std::int64_t intervalMs);

    void OnRunFinished(const SyncOutcome& outcome);
    void OnNetworkUp();
    void OnResumed();
    // The program is ending: no try starts any more.
    void Stop();

    bool retrying() const { return retry.isActive(); }
    int failures() const { return failed; }
    LongTimer& retryTimer() { return retry; }
    // The next automatic run, a try or the regular one; none when neither is due.
    std::optional<PendingRun> nextRun() const;

signals:
    void retryDue(bool synchronise);

private:
    void StartDueRun();
    void FireRetry();
    bool SynchroniseTurnedOff() const;
    std::int64_t IntervalMs() const;

    SyncTimers& timers;
    LongTimer retry;
    QTimer settle;
    int failed = 0;
    bool retrySynchronise = false;
};

}  // namespace hodra
