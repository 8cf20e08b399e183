#include "sync_controller.h"

#include <QMetaObject>

namespace hodra {

SyncController::SyncController(SyncOperation& operation, std::string primaryHost, std::string secondaryHost,
                               FlagsSource flags, QObject* parent)
    : QObject(parent),
      operation(operation),
      primaryHost(std::move(primaryHost)),
      secondaryHost(std::move(secondaryHost)),
      flags(std::move(flags)) {}

SyncController::~SyncController() {
    if (worker.joinable()) {
        worker.join();
    }
}

void SyncController::OnCompare() {
    start(false);
}

void SyncController::OnSync() {
    start(true);
}

void SyncController::start(bool synchronise) {
    if (running) {
        return;  // dropped, not queued
    }
    emit buttonsEnabledChanged(false);
    running = true;
    if (worker.joinable()) {
        worker.join();
    }
    SyncRequest request;
    request.synchronise = synchronise;
    request.primaryHost = primaryHost;
    request.secondaryHost = secondaryHost;
    const RunFlags current = flags ? flags() : RunFlags{};
    request.blink = current.blink;
    request.log = current.log;
    worker = std::thread([this, request] {
        SyncOutcome outcome = operation.Run(request);
        {
            std::lock_guard guard(pendingLock);
            pending = std::move(outcome);
        }
        QMetaObject::invokeMethod(this, &SyncController::deliver, Qt::QueuedConnection);
    });
}

void SyncController::finishPendingRun() {
    if (worker.joinable()) {
        worker.join();
    }
    deliver();
}

void SyncController::deliver() {
    std::optional<SyncOutcome> outcome;
    {
        std::lock_guard guard(pendingLock);
        outcome.swap(pending);
    }
    if (!outcome) {
        return;  // already applied by finishPendingRun
    }
    if (worker.joinable()) {
        worker.join();
    }
    if (!outcome->message.empty()) {
        emit messageChanged(QString::fromStdString(outcome->message));
    }
    emit resultsRecorded(*outcome);
    if (outcome->startBlink) {
        emit blinkRequested(outcome->lastCon);
    }
    running = false;
    emit buttonsEnabledChanged(true);
    emit runFinished();
}

}  // namespace hodra
