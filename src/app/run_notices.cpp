#include "app/run_notices.h"

#include <QWidget>

#include "sync/sync_operation.h"
#include "app/app_texts.h"

namespace hodra {

RunNotices::RunNotices(const QWidget& window, Notify notify) : window(window), notify(std::move(notify)) {}

void RunNotices::Tell(const SyncOutcome& outcome) {
    const bool outOfSight = !window.isVisible() || window.isMinimized();
    if (!outcome.automatic || !RunFailed(outcome) || !outOfSight) {
        return;
    }
    const QString summary = outcome.synchronise ? text::kNoticeAutoSync : text::kNoticeStartCompare;
    QString body = QString::fromStdString(ResultMessage(outcome));
    if (outcome.result == RunResult::TooLarge) {
        body += text::kNoticeHowToStep;
    }
    notify(summary, body);
}

}  // namespace hodra
