#pragma once

#include <QDateTime>
#include <QIcon>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

#include "run_record.h"

namespace hodra {

class TrayFrame;

// What the tray icon says of the clock: the tooltip (the last run's outcome and time, the
// offset it measured, the server, the next automatic run) and a mark on the icon from an
// automatic run that failed until a run succeeds. Brought up to date after each run and
// each minute.
class TrayStatus : public QObject {
    Q_OBJECT
public:
    // Milliseconds to the next automatic run, none when there is none.
    using NextRun = std::function<std::optional<std::int64_t>()>;

    TrayStatus(TrayFrame& tray, NextRun next, QObject* parent = nullptr);

    static QString Tooltip(const std::optional<RunRecord>& last, const std::optional<QDateTime>& nextRun,
                           const QDateTime& now);
    // The program's icon, with a small red mark when the last automatic run failed.
    static QIcon Icon(bool failed);

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
    QTimer minute;
};

}  // namespace hodra
