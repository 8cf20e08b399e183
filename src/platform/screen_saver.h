#pragma once

#include <QString>

namespace hodra {

// The screen-saver entry: "SCRNSAVE.EXE" in section "boot" of "system.ini" in the
// program's configuration directory names the screen saver (or is empty), and the X11
// screen saver is switched on or off to match. Failures are silent.
class ScreenSaverEntry {
public:
    ScreenSaverEntry(QString configDirectory, QString screenSaverPath)
        : configDirectory(std::move(configDirectory)), screenSaverPath(std::move(screenSaverPath)) {}

    void Apply(bool on) const;
    QString IniPath() const;

private:
    const QString configDirectory;
    const QString screenSaverPath;
};

}  // namespace hodra
