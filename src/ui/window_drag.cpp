#include "ui/window_drag.h"

#include <QWidget>
#include <QWindow>

#include "ui/window_system.h"

namespace hodra {

void WindowDrag::Begin(QPoint globalPoint) {
    if (!WindowPlacementIsOurs()) {
        // The compositor moves a native Wayland window, and keeps where it goes.
        if (QWindow* native = window.windowHandle()) {
            native->startSystemMove();
        }
        return;
    }
    pressWindow = window.pos();
    pressCursor = globalPoint;
    dragging = true;
}

void WindowDrag::MoveTo(QPoint globalPoint) {
    if (dragging) {
        window.move(pressWindow + (globalPoint - pressCursor));
    }
}

void WindowDrag::End() {
    if (!dragging) {
        return;
    }
    dragging = false;
    dropped();
}

}  // namespace hodra
