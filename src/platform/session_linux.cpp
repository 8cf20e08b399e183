#include "platform/session.h"

#include <QByteArray>
#include <QtGlobal>

namespace hodra {

bool PreferXWaylandForAFixedClock() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        !qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
        return true;
    }
    return false;
}

void ForgetPlatformChoice() {
    qunsetenv("QT_QPA_PLATFORM");
}

}  // namespace hodra
