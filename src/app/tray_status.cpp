#include "app/tray_status.h"

#include <QPainter>
#include <QPixmap>

#include "app/app_texts.h"
#include "sync/compare_text.h"
#include "dialogs/resources.h"
#include "app/tray_frame.h"

namespace hodra {
namespace {

constexpr int kMinuteMs = 60000;

QString Outcome(const RunRecord& r) {
    return text::OutcomeTextOf(ResultWord(r.result))->whole;
}

QString Relative(qint64 seconds) {
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 60) {
        return QString(text::kInMinutes).arg(minutes);
    }
    if (minutes % 60 == 0) {
        return QString(text::kInHours).arg(minutes / 60);
    }
    return QString(text::kInHoursMinutes).arg(minutes / 60).arg(minutes % 60);
}

}  // namespace

TrayStatus::TrayStatus(TrayFrame& tray, NextRun next, QObject* parent)
    : QObject(parent), tray(tray), next(std::move(next)) {
    minute.setInterval(kMinuteMs);
    connect(&minute, &QTimer::timeout, this, &TrayStatus::Refresh);
    minute.start();
}

QString TrayStatus::Tooltip(const std::optional<RunRecord>& last, const std::optional<PendingRun>& next,
                            const QDateTime& now) {
    QStringList lines{text::kTooltipTitle};
    if (!last) {
        lines << text::kNoRunYet;
    } else {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(last->utcMs).toLocalTime();
        lines << QString(text::kLastRun)
                     .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          last->automatic ? text::kRunAutomatic : text::kRunByUser,
                          last->synchronise ? text::kRunSync : text::kRunCompare);
        lines << text::kRunOutcome + Outcome(*last);
        if (last->offset) {
            lines << text::kRunMeasured + QString::fromStdString(CompareText(*last->offset));
            lines << QString(text::kRunServer)
                         .arg(QString::fromStdString(last->server), QString::fromStdString(last->address),
                              last->authenticated ? QString(text::kAuthenticated) : QString());
        }
    }
    if (next) {
        const QDateTime at = now.addMSecs(next->inMs);
        const QString kind = next->synchronise ? text::kRunSync : text::kRunCompare;
        const QString when = at.toString(QStringLiteral("HH:mm"));
        lines << (next->retry > 0 ? QString(text::kNextRetry).arg(kind, when, Relative(now.secsTo(at))).arg(next->retry)
                                  : QString(text::kNextRun).arg(kind, when, Relative(now.secsTo(at))));
    } else {
        lines << text::kNoNextRun;
    }
    return lines.join('\n');
}

QIcon TrayStatus::MarkedIcon() {
    const QIcon plain = AppIcon();
    QIcon marked;
    for (const int size : {16, 22, 24, 32, 48, 64, 128}) {
        QPixmap pixmap = plain.pixmap(size, size);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        const double dot = size * 0.45;
        painter.setPen(QPen(Qt::white, std::max(1.0, size / 16.0)));
        painter.setBrush(QColor(0xd0, 0x10, 0x10));
        painter.drawEllipse(QRectF(size - dot - 0.5, size - dot - 0.5, dot, dot));
        painter.end();
        marked.addPixmap(pixmap);
    }
    return marked;
}

void TrayStatus::Restore(const std::optional<RunRecord>& found) {
    last = found;
    failed = found && found->automatic && !found->Succeeded();
    Refresh();
}

void TrayStatus::Record(const RunRecord& run) {
    last = run;
    if (run.Succeeded()) {
        failed = false;
    } else if (run.automatic) {
        failed = true;
    }
    Refresh();
}

void TrayStatus::Refresh() {
    const QString text = Tooltip(last, next ? next() : std::nullopt, QDateTime::currentDateTime());
    if (text != shown) {
        shown = text;
        tray.icon().setToolTip(text);
    }
    if (markShown != failed) {
        markShown = failed;
        QIcon& icon = failed ? markedIcon : plainIcon;
        if (icon.isNull()) {
            icon = failed ? MarkedIcon() : AppIcon();
        }
        tray.icon().setIcon(icon);
    }
}

}  // namespace hodra
