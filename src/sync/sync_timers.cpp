#include "sync_timers.h"

namespace hodra {

SyncTimers::SyncTimers(const MonotonicClock& clock, QObject* parent) : QObject(parent), autoSync(clock) {
    blink.setInterval(kBlinkPeriodMs);
    blink.setTimerType(Qt::PreciseTimer);
    connect(&autoSync, &LongTimer::timeout, this, [this] { OnTimer(kAutoSyncTimerId); });
    connect(&blink, &QTimer::timeout, this, [this] { OnTimer(kBlinkTimerId); });
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

void SyncTimers::OnTimer(int id) {
    if (id == kAutoSyncTimerId) {
        AutoSyncTick();
    } else if (id == kBlinkTimerId) {
        BlinkTick();
    }
}

void SyncTimers::AutoSyncTick() {
    autoSync.Stop();
    emit autoSyncDue();
    // The next period counts from this tick, not from the end of the run.
    ArmAutoSync(minutes);
}

void SyncTimers::BlinkTick() {
    const BlinkSequence::Step step = sequence.Tick(blinkLastCon);
    emit messageChanged(QString::fromStdString(step.text));
    if (step.finished) {
        blink.stop();
    }
}

}  // namespace hodra
