#include "platform/tick_sound.h"

#include <QApplication>
#include <X11/Xlib.h>
#include <canberra.h>

#include "platform/x11_display.h"

namespace hodra {
namespace {

// XBell at 440 Hz for 50 ms, leaving the user's bell settings as they were.
bool X11Beep() {
    Display* display = X11Display();
    if (display == nullptr) {
        return false;
    }
    XKeyboardState saved{};
    XGetKeyboardControl(display, &saved);
    XKeyboardControl beep{};
    beep.bell_pitch = 440;
    beep.bell_duration = 50;
    XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &beep);
    XBell(display, 0);
    XKeyboardControl back{};
    back.bell_pitch = static_cast<int>(saved.bell_pitch);
    back.bell_duration = static_cast<int>(saved.bell_duration);
    XChangeKeyboardControl(display, KBBellPitch | KBBellDuration, &back);
    XFlush(display);
    return true;
}

class CanberraTick : public TickSound {
public:
    explicit CanberraTick(const QString& wavPath) : path(wavPath.toLocal8Bit()) {
        if (ca_context_create(&context) != CA_SUCCESS) {
            context = nullptr;
        }
    }
    ~CanberraTick() override {
        if (context != nullptr) {
            ca_context_destroy(context);
        }
    }

    void Play() override {
        if (PlayFile()) {
            return;
        }
        if (!X11Beep()) {
            QApplication::beep();
        }
    }

private:
    bool PlayFile() {
        if (context == nullptr || path.isEmpty()) {
            return false;
        }
        return ca_context_play(context, 0, CA_PROP_MEDIA_FILENAME, path.constData(), CA_PROP_MEDIA_ROLE, "event",
                               nullptr) == CA_SUCCESS;
    }

    QByteArray path;
    ca_context* context = nullptr;
};

}  // namespace

std::unique_ptr<TickSound> CreateTickSound(const QString& wavPath) {
    return std::make_unique<CanberraTick>(wavPath);
}

}  // namespace hodra
