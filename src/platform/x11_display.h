#pragma once

struct _XDisplay;

namespace hodra {

// The X display the application runs on, or null on other platforms (Wayland, offscreen).
_XDisplay* X11Display();

}  // namespace hodra
