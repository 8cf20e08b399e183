#include "dialogs/screen_fit.h"

#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace hodra {
namespace {

// One side: a control that reaches as far as the giving one's far edge follows that edge,
// moving with it when it starts beyond the giving one's near edge, else narrowing with it.
void FollowEdge(int& start, int& length, int giveStart, int giveEnd, int by) {
    if (start + length - 1 < giveEnd) {
        return;
    }
    if (start > giveStart) {
        start -= by;
    } else {
        length -= by;
    }
}

QRect Follow(QRect r, const QRect& giving, int dx, int dy) {
    int x = r.x();
    int y = r.y();
    int w = r.width();
    int h = r.height();
    FollowEdge(x, w, giving.left(), giving.right(), dx);
    FollowEdge(y, h, giving.top(), giving.bottom(), dy);
    return {x, y, w, h};
}

}  // namespace

QSize FitToScreen(const BuiltDialog& built, int give, const QScreen* screen) {
    QWidget* giving = built.controls.value(give);
    if (screen == nullptr || giving == nullptr) {
        return built.clientSize;
    }
    const QSize room = screen->availableGeometry().size() - kFrameRoom;
    const QRect before = giving->geometry();
    // What it gives is bounded by its own size: a control keeps a third of itself.
    const int dx = std::clamp(built.clientSize.width() - room.width(), 0, before.width() * 2 / 3);
    const int dy = std::clamp(built.clientSize.height() - room.height(), 0, before.height() * 2 / 3);
    if (dx == 0 && dy == 0) {
        return built.clientSize;
    }
    for (QWidget* w : built.all) {
        w->setGeometry(Follow(w->geometry(), before, dx, dy));
    }
    return built.clientSize - QSize(dx, dy);
}

}  // namespace hodra
