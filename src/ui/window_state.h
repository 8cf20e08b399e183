#pragma once

#include <QRect>

namespace hodra {

// Layout and selection values kept beside Settings for the life of the process.
struct WindowState {
    QRect ClockRect;         // the clock's rectangle in the main window, normal layout
    QRect NormalWindowRect;  // the main window's rectangle in the normal layout
    bool MainWindowShown = true;
    int selectionBlinkCount = 0;
};

}  // namespace hodra
