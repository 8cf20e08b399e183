#pragma once

#include <QFont>
#include <QStaticText>
#include <QTimer>
#include <QWidget>
#include <ctime>
#include <functional>

#include "ui/clock_accessibility.h"
#include "ui/clock_texts.h"
#include "settings/settings.h"

namespace hodra {

struct RegionEntry;

// The world time dialog's clock: the selected region's date and time (or the PC's own
// when none is selected) in TxtColor on black, 12-hour with AM/PM or 24-hour (a left
// click switches), blinking for a moment after each selection.
class RegionClock : public QWidget, public PaintedClock {
    Q_OBJECT
public:
    using Selected = std::function<const RegionEntry*()>;
    using TimeSource = std::function<std::time_t()>;

    // 50 ms while a selection blinks (every paint of the blink counts); otherwise just
    // after each second boundary.
    static constexpr int kBlinkTimerMs = 50;
    static constexpr int kInset = 5;

    // frame: the rectangle of the dialog's frame control; the clock sits 5 px inside it.
    RegionClock(const Settings& settings, int& selectionBlinkCount, Selected selected, QWidget* parent,
                const QRect& frame, TimeSource now = {});

    bool twelveHour() const { return twelve; }
    // The date, time and period the clock shows now.
    ClockTexts shownTexts() const;
    // The same, as a screen reader says it.
    QString shownText() const override;
    // Whether the next paint draws text (the blink), and the paint's count-down.
    bool textVisibleInNextPaint() const;
    void OnTimer();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // The second press of a double click already came as a press: it flips once, not twice.
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void ScheduleNext();

    const Settings& settings;
    int& blinkCount;
    Selected selected;
    TimeSource now;
    bool twelve = true;
    QTimer timer;
    QFont timeFont;
    QFont smallFont;
    QStaticText staticTime, staticPeriod, staticDate;
    QString lastPainted;
};

}  // namespace hodra
