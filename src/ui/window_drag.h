#pragma once

#include <QPoint>
#include <functional>

class QWidget;

namespace hodra {

// Moves a window with the mouse held on it, in screen points (the window moves under the
// pointer, so a point in its own coordinates would be measured against where it was). On
// native Wayland the compositor moves the window itself.
class WindowDrag {
public:
    // dropped: the drag ended with the window where it is now.
    WindowDrag(QWidget& window, std::function<void()> dropped) : window(window), dropped(std::move(dropped)) {}

    void Begin(QPoint globalPoint);
    void MoveTo(QPoint globalPoint);
    void End();
    void Cancel() { dragging = false; }

private:
    QWidget& window;
    std::function<void()> dropped;
    bool dragging = false;
    QPoint pressWindow;
    QPoint pressCursor;
};

}  // namespace hodra
