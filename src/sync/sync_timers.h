#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include "sync/blink_sequence.h"
#include "sync/long_timer.h"

namespace hodra {

// The main window's two synchronisation timers: the auto-sync timer, which asks for a
// synchronise run every period, and the blink timer, 100 ms. Each is wired to its slot.
class SyncTimers : public QObject {
    Q_OBJECT
public:
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

public slots:
    // A period of the automatic synchronisation is over: the run is asked for, the next
    // period counts from now.
    void OnAutoSyncTimer();
    // One blink step of the success message.
    void OnBlinkTimer();

signals:
    void autoSyncDue();
    void messageChanged(const QString& text);

private:
    LongTimer autoSync;
    int minutes = 0;
    QTimer blink;
    BlinkSequence sequence;
    qint64 blinkLastCon = 0;
};

}  // namespace hodra
