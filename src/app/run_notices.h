#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QWidget;

namespace hodra {

class SyncController;
struct SyncOutcome;

// An automatic run (at start-up or on the timer) that failed while the clock window was
// out of sight would go unseen in its message line: it is told as a desktop notification.
class RunNotices : public QObject {
public:
    using Notify = std::function<void(const QString& summary, const QString& body)>;

    RunNotices(SyncController& sync, const QWidget& window, Notify notify, QObject* parent = nullptr);

private:
    void OnResults(const SyncOutcome& outcome);

    const QWidget& window;
    Notify notify;
};

}  // namespace hodra
