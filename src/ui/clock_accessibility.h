#pragma once

#include <QString>

namespace hodra {

struct ClockTexts;

// A widget that paints a clock. A screen reader would find nothing in the picture, so it
// is made known as a clock whose value is the date and time shown.
class PaintedClock {
public:
    virtual ~PaintedClock() = default;
    virtual QString shownText() const = 0;
};

// Registers the accessibility of every PaintedClock; safe to call more than once.
void InstallClockAccessibility();

// What a screen reader says for the texts a clock draws: date, AM/PM and time.
QString SpokenClockText(const ClockTexts& texts);

}  // namespace hodra
