#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "sync_operation.h"

namespace hodra {

// Starts compare and synchronise runs on a worker thread, at most one at a time, and
// applies each run's outcome on the UI thread in a fixed order: message text, results,
// blink, busy cleared, buttons enabled.
class SyncController : public QObject {
    Q_OBJECT
public:
    struct RunFlags {
        bool blink = false;
        bool log = false;
    };
    using FlagsSource = std::function<RunFlags()>;

    SyncController(SyncOperation& operation, std::string primaryHost, std::string secondaryHost,
                   FlagsSource flags, QObject* parent = nullptr);
    ~SyncController() override;

    bool busy() const { return running; }
    // Waits for a run in progress and applies its outcome now (used when the window closes).
    void finishPendingRun();

public slots:
    void OnCompare();
    void OnSync();

signals:
    void buttonsEnabledChanged(bool enabled);
    void messageChanged(const QString& text);
    void resultsRecorded(const hodra::SyncOutcome& outcome);
    void blinkRequested(qint64 lastCon);
    void runFinished();

private:
    void start(bool synchronise);
    void deliver();

    SyncOperation& operation;
    const std::string primaryHost;
    const std::string secondaryHost;
    FlagsSource flags;
    bool running = false;
    std::thread worker;
    std::mutex pendingLock;
    std::optional<SyncOutcome> pending;
};

}  // namespace hodra
