#pragma once

#include <QSize>

#include "dialogs/dialog_builder.h"

class QScreen;

namespace hodra {

// A dialog laid out from its template is as large as its dialog units make it, which at a
// large scale factor on a small screen is more than the screen holds. Where it would not fit
// the screen's available area (with room for a window frame), the control `give` gives up
// the difference: it shrinks, and the controls beyond its right or bottom edge move with
// that edge. Returns the client size the dialog then takes; unchanged where it fits.
QSize FitToScreen(const BuiltDialog& built, int give, const QScreen* screen);

// The room a window manager's frame takes around a window: a title bar and thin borders.
inline constexpr QSize kFrameRoom{16, 40};

}  // namespace hodra
