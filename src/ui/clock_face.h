#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QStaticText>
#include <QTimer>
#include <QWidget>
#include <ctime>
#include <functional>

#include "ui/clock_accessibility.h"
#include "settings/settings.h"
#include "ui/window_state.h"

namespace hodra {

class TickSound;

// The main window's clock: date line, 12-hour time and AM/PM (full layout) or one line
// of 243 x 20 (slim layout, when Small2 is on). Its timer follows the clock and redraws
// whenever the picture would change, ticking once per change of the displayed second. In the small layouts it forwards the left button to
// the window (for dragging) and offers the command menu on a right click.
class ClockFace : public QWidget, public PaintedClock {
    Q_OBJECT
public:
    using TimeSource = std::function<std::time_t()>;

    // The timer wakes just after each second boundary of the system clock (at most a
    // second apart), where a fixed 50 ms period would wake twenty times for one change.
    static constexpr int kMaxTimerMs = 1000;
    static constexpr int kPastBoundaryMs = 3;
    static constexpr QSize kSlimSize{243, 20};

    // Created at its rectangle in the parent, which it keeps as its client area.
    ClockFace(const Settings& settings, const WindowState& state, TickSound* tick, QWidget* parent, const QRect& rect,
              TimeSource now = {});

    std::time_t shownTime() const { return shown; }
    // The date and time it shows, as a screen reader says them.
    QString shownText() const override;
    QRect clientRectAtCreation() const { return clientRect; }
    // The timer's work; public so tests can drive it with their own clock, and so the
    // window can have the clock looked at again at once (after setting it, for instance).
    void OnTimer();

signals:
    // Points on the screen, for dragging the window.
    void mouseMoved(QPoint globalPoint);
    void leftPressed(QPoint globalPoint);
    void leftReleased(QPoint globalPoint);
    void contextMenuRequested(QPoint globalPoint);
    // Once, after the first paint.
    void firstPainted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ScheduleNext();
    void PaintFull(QPainter& p, const struct ClockTexts& texts);
    void PaintSlim(QPainter& p, const struct ClockTexts& texts);

    struct PaintKey {
        std::time_t second = -1;
        ColorRef text = 0;
        ColorRef background = 0;
        bool slim = false;
        QSize size;
        bool operator==(const PaintKey&) const = default;
    };

    const Settings& settings;
    const WindowState& state;
    TickSound* tick;
    TimeSource now;
    std::time_t shown;
    QRect clientRect;
    QTimer timer;
    QFont timeFont;
    QFont smallFont;
    QStaticText staticTime, staticPeriod, staticDate, slimTime, slimPeriod, slimDate;
    PaintKey painted;
    bool paintedOnce = false;
};

}  // namespace hodra
