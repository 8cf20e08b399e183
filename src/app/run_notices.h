#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace hodra {

struct SyncOutcome;

// An automatic run (at start-up or on the timer) that failed while the clock window was
// out of sight would go unseen in its message line: it is told as a desktop notification.
class RunNotices {
public:
    using Notify = std::function<void(const QString& summary, const QString& body)>;

    RunNotices(const QWidget& window, Notify notify);

    // Tells a finished run when it failed out of sight.
    void Tell(const SyncOutcome& outcome);

private:
    const QWidget& window;
    Notify notify;
};

}  // namespace hodra
