#include "tray_status.h"

#include <QPainter>
#include <QPixmap>

#include "app_texts.h"
#include "compare_text.h"
#include "resources.h"
#include "tray_frame.h"

namespace hodra {
namespace {

constexpr int kMinuteMs = 60000;

QString Outcome(const RunRecord& r) {
    const text::OutcomeText* known = text::OutcomeTextOf(r.outcome);
    return known != nullptr ? QString(known->whole) : QString::fromStdString(r.outcome);
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

QString TrayStatus::Tooltip(const std::optional<RunRecord>& last, const std::optional<QDateTime>& nextRun,
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
    if (nextRun) {
        lines
            << QString(text::kNextRun).arg(nextRun->toString(QStringLiteral("HH:mm")), Relative(now.secsTo(*nextRun)));
    } else {
        lines << text::kNoNextRun;
    }
    return lines.join('\n');
}

QIcon TrayStatus::Icon(bool failed) {
    const QIcon plain = AppIcon();
    if (!failed) {
        return plain;
    }
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
    const QDateTime now = QDateTime::currentDateTime();
    const std::optional<std::int64_t> in = next ? next() : std::nullopt;
    const QString text = Tooltip(last, in ? std::optional(now.addMSecs(*in)) : std::nullopt, now);
    if (text != shown) {
        shown = text;
        tray.icon().setToolTip(text);
    }
    tray.icon().setIcon(Icon(failed));
}

}  // namespace hodra
