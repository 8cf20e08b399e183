#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "blink_sequence.h"
#include "long_timer.h"

namespace hodra {

// The main window's two synchronisation timers: the auto-sync timer (16), which asks
// for a synchronise run every period, and the blink timer (19), 100 ms.
class SyncTimers : public QObject {
    Q_OBJECT
public:
    static constexpr int kAutoSyncTimerId = 16;
    static constexpr int kBlinkTimerId = 19;
    static constexpr int kBlinkPeriodMs = 100;

    explicit SyncTimers(const MonotonicClock& clock = BootClock::Instance(), QObject* parent = nullptr);

    void ArmAutoSync(int minutes);
    void DisarmAutoSync();
    bool autoSyncArmed() const { return autoSync.isActive(); }
    int autoSyncMinutes() const { return minutes; }
    LongTimer& autoSyncTimer() { return autoSync; }
    const LongTimer& autoSyncTimer() const { return autoSync; }

    void StartBlink(qint64 lastCon);
    bool blinking() const { return blink.isActive(); }
    int blinkCount() const { return sequence.Count(); }

    // The window's timer handler; an id that is neither timer's changes nothing.
    void OnTimer(int id);

signals:
    void autoSyncDue();
    void messageChanged(const QString& text);

private:
    void AutoSyncTick();
    void BlinkTick();

    LongTimer autoSync;
    int minutes = 0;
    QTimer blink;
    BlinkSequence sequence;
    qint64 blinkLastCon = 0;
};

}  // namespace hodra
