#include "sync/sync_timers.h"

namespace hodra {

SyncTimers::SyncTimers(const MonotonicClock& clock, QObject* parent) : QObject(parent), autoSync(clock) {
    blink.setInterval(kBlinkPeriodMs);
    blink.setTimerType(Qt::PreciseTimer);
    connect(&autoSync, &LongTimer::timeout, this, &SyncTimers::OnAutoSyncTimer);
    connect(&blink, &QTimer::timeout, this, &SyncTimers::OnBlinkTimer);
}

void SyncTimers::ArmAutoSync(int minutes) {
    this->minutes = minutes;
    autoSync.Start(static_cast<std::int64_t>(minutes) * 60000);
}

void SyncTimers::DisarmAutoSync() {
    autoSync.Stop();
}

void SyncTimers::StartBlink(qint64 lastCon) {
    // A second success during a sequence restarts the period; the count goes on.
    blinkLastCon = lastCon;
    blink.start();
}

void SyncTimers::OnAutoSyncTimer() {
    autoSync.Stop();
    emit autoSyncDue();
    // The next period counts from this tick, not from the end of the run.
    ArmAutoSync(minutes);
}

void SyncTimers::OnBlinkTimer() {
    const BlinkSequence::Step step = sequence.Tick(blinkLastCon);
    emit messageChanged(QString::fromStdString(step.text));
    if (step.finished) {
        blink.stop();
    }
}

}  // namespace hodra
