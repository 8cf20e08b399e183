#include "platform/screen_saver.h"

#include <QDir>
#include <QSettings>
#include <X11/Xlib.h>

#include "platform/x11_display.h"

namespace hodra {
namespace {

// On: the server's default time-out if the saver was off; off: no time-out.
void SwitchX11ScreenSaver(bool on) {
    Display* display = X11Display();
    if (display == nullptr) {
        return;
    }
    int timeout = 0;
    int interval = 0;
    int preferBlanking = 0;
    int allowExposures = 0;
    XGetScreenSaver(display, &timeout, &interval, &preferBlanking, &allowExposures);
    if (on && timeout == 0) {
        XSetScreenSaver(display, -1, interval, preferBlanking, allowExposures);
    } else if (!on) {
        XSetScreenSaver(display, 0, interval, preferBlanking, allowExposures);
    }
    XFlush(display);
}

}  // namespace

QString ScreenSaverEntry::IniPath() const {
    return QDir(configDirectory).filePath(QStringLiteral("system.ini"));
}

void ScreenSaverEntry::Apply(bool on) const {
    QDir().mkpath(configDirectory);
    QSettings ini(IniPath(), QSettings::IniFormat);
    ini.setValue(QStringLiteral("boot/SCRNSAVE.EXE"), on ? screenSaverPath : QString());
    ini.sync();
    SwitchX11ScreenSaver(on);
}

}  // namespace hodra
