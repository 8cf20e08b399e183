#pragma once

#include "settings/settings.h"

namespace hodra::test {

// Two complete sets of option values and of state values that differ in every field.
inline void ApplyOptionSet(Settings& s, bool second) {
    s.AutoCon = second;
    s.AutoConDuration = second ? 5 : 90;
    s.AutoCompare = second;
    s.Beep = !second;
    s.SCR = second;
    s.TxtColor = second ? 0x000000FF : 0x00FF0000;
    s.BgColor = second ? 0x00112233 : 0x00445566;
    s.TxtColor2 = second ? 0x00010101 : 0x00020202;
    s.BgColor2 = second ? 0x00030303 : 0x00040404;
    s.Blink = second;
    s.Log = !second;
    s.Top = second;
    s.Small = !second;
    s.Small2 = second;
}

inline void ApplyStateSet(Settings& s, bool second) {
    s.LastCon = second ? 1800000000 : 1700000000;
    s.LastDiff = second ? 1.25 : -2.5;
    s.ServerID = second ? 2 : 1;
}

}  // namespace hodra::test
