#include "ui/clock_face.h"

#include "ui/clock_accessibility.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStaticText>

#include "ui/clock_texts.h"
#include "ui/clock_timing.h"
#include "ui/colorref.h"
#include "ui/first_paint_probe.h"
#include "dialogs/fonts.h"
#include "ui/text_painting.h"
#include "platform/tick_sound.h"
#include "ui/ui_texts.h"

namespace hodra {

ClockFace::ClockFace(const Settings& settings, const WindowState& state, TickSound* tick, QWidget* parent,
                     const QRect& rect, TimeSource now)
    : QWidget(parent),
      settings(settings),
      state(state),
      tick(tick),
      now(now ? std::move(now) : TimeSource([] { return std::time(nullptr); })),
      shown(this->now()),
      clientRect(QPoint(0, 0), rect.size()),
      timeFont(MakeFont(QStringLiteral("Arial"), 24.0)),
      smallFont(MakeFont(text::kGulim, 10.0)) {
    InstallClockAccessibility();
    setAccessibleName(text::kClockName);
    setGeometry(rect);
    // Every paint covers the whole layout: nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &ClockFace::OnTimer);
    ScheduleNext();
}

void ClockFace::ScheduleNext() {
    timer.start(MillisecondsPastNextSecond(kPastBoundaryMs, kMaxTimerMs));
}

void ClockFace::OnTimer() {
    const std::time_t current = now();
    // Redraw when what the clock shows has changed: its second, colours or layout.
    const PaintKey key{current, settings.TxtColor, settings.BgColor, settings.Small2, size()};
    if (!(key == painted)) {
        update();
    }
    if (current != shown) {
        shown = current;
        if (state.MainWindowShown && settings.Beep && tick != nullptr) {
            tick->Play();
        }
    }
    ScheduleNext();
}

QString ClockFace::shownText() const {
    return SpokenClockText(TwelveHourTexts(LocalTime(shown)));
}

void ClockFace::paintEvent(QPaintEvent*) {
    painted = PaintKey{shown, settings.TxtColor, settings.BgColor, settings.Small2, size()};
    const ClockTexts texts = TwelveHourTexts(LocalTime(shown));
    QPainter p(this);
    p.setPen(ToQColor(settings.TxtColor));
    if (settings.Small2) {
        PaintSlim(p, texts);
    } else {
        PaintFull(p, texts);
    }
    if (!paintedOnce) {
        paintedOnce = true;
        NoteFirstPaint();
        // After the paint is on its way: what the first sight does not need comes now.
        QMetaObject::invokeMethod(this, &ClockFace::firstPainted, Qt::QueuedConnection);
    }
}

void ClockFace::PaintFull(QPainter& p, const ClockTexts& texts) {
    p.fillRect(QRect(QPoint(0, 0), clientRect.size()), ToQColor(settings.BgColor));
    p.setFont(timeFont);
    DrawTextAt(p, 55, 15, staticTime, texts.time);
    p.setFont(smallFont);
    DrawTextAt(p, 30, 30, staticPeriod, texts.period);
    DrawTextAt(p, 35, 4, staticDate, texts.date);
}

void ClockFace::PaintSlim(QPainter& p, const ClockTexts& texts) {
    p.fillRect(QRect(QPoint(0, 0), kSlimSize), ToQColor(settings.BgColor));
    p.setFont(smallFont);
    DrawTextAt(p, 3, 3, slimDate, texts.date);
    DrawTextAt(p, 160, 3, slimTime, texts.time);
    DrawTextAt(p, 220, 3, slimPeriod, texts.period);
}

void ClockFace::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->globalPosition().toPoint();
    emit mouseMoved(at);
    emit leftPressed(at);
}

void ClockFace::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event->globalPosition().toPoint());
}

void ClockFace::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint at = event->globalPosition().toPoint();
    emit mouseMoved(at);
    emit leftReleased(at);
}

void ClockFace::contextMenuEvent(QContextMenuEvent* event) {
    if (settings.Small || settings.Small2) {
        emit contextMenuRequested(event->globalPos());
    }
    event->accept();
}

}  // namespace hodra
