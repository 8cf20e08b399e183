#pragma once

#include <QColor>

#include "settings/settings.h"

namespace hodra {

inline constexpr ColorRef kSystemColour = 0xFFFFFFFFu;

// COLORREF is 0x00BBGGRR.
inline QColor ToQColor(ColorRef c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>((c >> 16) & 0xFF));
}

inline ColorRef ToColorRef(const QColor& c) {
    return static_cast<ColorRef>(c.red()) | (static_cast<ColorRef>(c.green()) << 8) |
           (static_cast<ColorRef>(c.blue()) << 16);
}

}  // namespace hodra
