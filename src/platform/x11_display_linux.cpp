#include "platform/x11_display.h"

#include <QGuiApplication>

namespace hodra {

_XDisplay* X11Display() {
    auto* app = qGuiApp;
    if (app == nullptr) {
        return nullptr;
    }
    if (auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>()) {
        return x11->display();
    }
    return nullptr;
}

}  // namespace hodra
