#include "tray_status.h"

#include <QPainter>
#include <QPixmap>

#include "compare_text.h"
#include "resources.h"
#include "tray_frame.h"

namespace hodra {
namespace {

constexpr int kMinuteMs = 60000;

QString Outcome(const RunRecord& r) {
    static const std::pair<const char*, const char*> kTexts[] = {
        {"compared", "비교함"},
        {"set", "동기됨"},
        {"not-permitted", "동기 실패 (권한 없음)"},
        {"failed", "동기 실패"},
        {"too-large", "차이가 커서 맞추지 않음"},
        {"unconfirmed", "확인되지 않아 맞추지 않음"},
        {"no-answer", "서버 응답 없음"},
    };
    for (const auto& [word, text] : kTexts) {
        if (r.outcome == word) {
            return QString::fromUtf8(text);
        }
    }
    return QString::fromStdString(r.outcome);
}

QString Relative(qint64 seconds) {
    const qint64 minutes = (seconds + 59) / 60;
    if (minutes < 60) {
        return QStringLiteral("%1분 후").arg(minutes);
    }
    if (minutes % 60 == 0) {
        return QStringLiteral("%1시간 후").arg(minutes / 60);
    }
    return QStringLiteral("%1시간 %2분 후").arg(minutes / 60).arg(minutes % 60);
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
    QStringList lines{QStringLiteral("Hodra")};
    if (!last) {
        lines << QStringLiteral("마지막 실행: 없음");
    } else {
        const QDateTime when = QDateTime::fromMSecsSinceEpoch(last->utcMs).toLocalTime();
        lines << QStringLiteral("마지막 실행: %1 (%2 %3)")
                     .arg(when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                          last->automatic ? QStringLiteral("자동") : QStringLiteral("사용자"),
                          last->synchronise ? QStringLiteral("동기") : QStringLiteral("비교"));
        lines << QStringLiteral("결과: ") + Outcome(*last);
        if (last->offset) {
            lines << QStringLiteral("측정: ") + QString::fromStdString(CompareText(*last->offset));
            lines << QStringLiteral("서버: %1 (%2)%3")
                         .arg(QString::fromStdString(last->server), QString::fromStdString(last->address),
                              last->authenticated ? QStringLiteral(" 인증됨 (NTS)") : QString());
        }
    }
    if (nextRun) {
        lines << QStringLiteral("다음 동기: %1 (%2)")
                     .arg(nextRun->toString(QStringLiteral("HH:mm")), Relative(now.secsTo(*nextRun)));
    } else {
        lines << QStringLiteral("다음 동기: 자동 동기 꺼짐");
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
