#include "run_notices.h"

#include <QWidget>

#include "sync_controller.h"

namespace hodra {

RunNotices::RunNotices(SyncController& sync, const QWidget& window, Notify notify, QObject* parent)
    : QObject(parent), window(window), notify(std::move(notify)) {
    connect(&sync, &SyncController::resultsRecorded, this, &RunNotices::OnResults);
}

void RunNotices::OnResults(const SyncOutcome& outcome) {
    const bool outOfSight = !window.isVisible() || window.isMinimized();
    if (!outcome.automatic || !RunFailed(outcome) || !outOfSight) {
        return;
    }
    const QString summary =
        outcome.synchronise ? QStringLiteral("Hodra2 자동 동기") : QStringLiteral("Hodra2 시작 비교");
    QString body = QString::fromStdString(outcome.message);
    if (outcome.tooLarge) {
        body += QStringLiteral("\n맞추려면 창의 \"동기\"를 누르십시오.");
    }
    notify(summary, body);
}

}  // namespace hodra
