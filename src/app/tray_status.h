#pragma once

#include <QDateTime>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "history/run_record.h"
#include "sync/run_recovery.h"

namespace hodra {

class TrayFrame;

// What the tray icon says of the clock: the tooltip (the last run's outcome and time, the
// offset it measured, the server, the next automatic run and which kind it is) and a mark
// on the icon from an automatic run that failed until a run succeeds. Brought up to date
// after each run, each minute and when the settings change.
class TrayStatus : public QObject {
    Q_OBJECT
public:
    // The next automatic run, none when there is none.
    using NextRun = std::function<std::optional<PendingRun>()>;

    TrayStatus(TrayFrame& tray, NextRun next, QObject* parent = nullptr);

    static QString Tooltip(const std::optional<RunRecord>& last, const std::optional<PendingRun>& next,
                           const QDateTime& now);
    // The program's icon with a small red mark: the last automatic run failed.
    static QIcon MarkedIcon();

    // The last run as the history had it at start.
    void Restore(const std::optional<RunRecord>& last);
    void Record(const RunRecord& run);
    void Refresh();

    bool marked() const { return failed; }
    const QString& tooltip() const { return shown; }

private:
    TrayFrame& tray;
    NextRun next;
    std::optional<RunRecord> last;
    bool failed = false;
    QString shown;
    // Each drawn once: a new icon for the tray at every refresh kept ~100 kB in caches each time.
    QIcon plainIcon;
    QIcon markedIcon;
    std::optional<bool> markShown;
    QTimer minute;
};

}  // namespace hodra
