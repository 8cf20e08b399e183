#pragma once

#include <QImage>
#include <string>
#include <sys/types.h>

namespace hodra::e2e {

// A real Wayland compositor for a test: Debian's weston, headless, drawing in software so
// that it can take screenshots, with XWayland beside it.
class Compositor {
public:
    Compositor();
    ~Compositor();
    Compositor(const Compositor&) = delete;
    Compositor& operator=(const Compositor&) = delete;

    static bool Available(std::string* whyNot);
    bool Ready() const { return ready; }
    const std::string& Failure() const { return failure; }
    // WAYLAND_DISPLAY for clients (an absolute path) and XWayland's X display.
    const std::string& WaylandDisplay() const { return socket; }
    const std::string& XDisplay() const { return xDisplay; }
    // What the compositor shows, as weston-screenshooter takes it.
    QImage Screenshot(const std::string& saveAs) const;

private:
    std::string directory;
    std::string socket;
    std::string xDisplay;
    pid_t weston = -1;
    bool ready = false;
    std::string failure;
};

}  // namespace hodra::e2e
