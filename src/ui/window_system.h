#pragma once

#include <QGuiApplication>

namespace hodra {

// A native Wayland window neither picks its own position nor stays on top: the compositor
// decides both. (Where XWayland is there the program runs through it; see main.)
inline bool WindowPlacementIsOurs() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));  // wayland, wayland-egl ...
}

}  // namespace hodra
