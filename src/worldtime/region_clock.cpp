#include "worldtime/region_clock.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/clock_accessibility.h"
#include "ui/clock_texts.h"
#include "ui/clock_timing.h"
#include "ui/colorref.h"
#include "dialogs/fonts.h"
#include "worldtime/region_time.h"
#include "ui/text_painting.h"
#include "worldtime/world_time_table.h"
#include "dialogs/dialogs_texts.h"
#include "worldtime/worldtime_texts.h"

namespace hodra {
namespace {

std::tm AsTm(const WallTime& w) {
    std::tm t{};
    t.tm_year = w.year - 1900;
    t.tm_mon = w.month - 1;
    t.tm_mday = w.day;
    t.tm_hour = w.hour;
    t.tm_min = w.minute;
    t.tm_sec = w.second;
    t.tm_wday = w.Weekday();
    return t;
}

}  // namespace

RegionClock::RegionClock(const Settings& settings, int& selectionBlinkCount, Selected selected, QWidget* parent,
                         const QRect& frame, TimeSource now)
    : QWidget(parent),
      settings(settings),
      blinkCount(selectionBlinkCount),
      selected(std::move(selected)),
      now(now ? std::move(now) : TimeSource([] { return std::time(nullptr); })),
      timeFont(MakeFont(QStringLiteral("Arial"), 24.0)),
      smallFont(MakeFont(text::kGulim, 10.0)) {
    InstallClockAccessibility();
    setAccessibleName(text::kRegionClockName);
    setGeometry(frame.adjusted(kInset, kInset, -kInset, -kInset));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, this, &RegionClock::OnTimer);
    ScheduleNext();
}

void RegionClock::ScheduleNext() {
    const bool blinking = blinkCount > 0 && isVisible();
    timer.start(blinking ? kBlinkTimerMs : MillisecondsPastNextSecond(3, 1000));
}

ClockTexts RegionClock::shownTexts() const {
    const std::time_t t = now();
    const RegionEntry* entry = selected ? selected() : nullptr;
    // With no region, the PC's own local time; else the region's, free of the PC's zone.
    const std::tm local = entry == nullptr ? LocalTime(t) : AsTm(RegionTimeAt(*entry, t).local);
    return twelve ? TwelveHourTexts(local) : TwentyFourHourTexts(local);
}

QString RegionClock::shownText() const {
    return SpokenClockText(shownTexts());
}

bool RegionClock::textVisibleInNextPaint() const {
    return blinkCount % 6 < 3;
}

void RegionClock::OnTimer() {
    // Every paint of a blink counts, so the blink repaints each tick; otherwise only a
    // change of the text does.
    const ClockTexts s = shownTexts();
    const QString key = s.date + s.time + s.period + QString::number(settings.TxtColor);
    if (blinkCount > 0 || key != lastPainted) {
        update();
    }
    ScheduleNext();
}

void RegionClock::paintEvent(QPaintEvent*) {
    const ClockTexts s = shownTexts();
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    if (textVisibleInNextPaint()) {
        p.setPen(ToQColor(settings.TxtColor));
        p.setFont(timeFont);
        DrawTextAt(p, 65, 15, staticTime, s.time);
        p.setFont(smallFont);
        DrawTextAt(p, 40, 30, staticPeriod, s.period);
        DrawTextAt(p, 45, 4, staticDate, s.date);
    }
    blinkCount = std::max(blinkCount - 1, 0);
    lastPainted = s.date + s.time + s.period + QString::number(settings.TxtColor);
}

void RegionClock::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        twelve = !twelve;
        update();
    }
}

void RegionClock::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

}  // namespace hodra
