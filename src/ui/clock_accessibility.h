#pragma once

#include <QString>

namespace hodra {

struct ClockTexts;

// The clocks are painted, so a screen reader would find nothing in them: they are made
// known as clocks whose value is the date and time they show. Safe to call more than once.
void InstallClockAccessibility();

// What a screen reader says for the texts a clock draws: date, AM/PM and time.
QString SpokenClockText(const ClockTexts& texts);

}  // namespace hodra
