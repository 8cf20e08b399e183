#pragma once

#include <cstdint>

namespace hodra {

// A Windows-style colour value, 0x00BBGGRR; 0xFFFFFFFF (-1) asks for a system colour.
using ColorRef = std::uint32_t;

// Every option and persisted result, one field per profile value, named after it.
struct Settings {
    bool AutoCon = true;
    std::int32_t AutoConDuration = 60;  // minutes
    bool AutoCompare = true;
    bool Beep = false;
    bool SCR = true;
    ColorRef TxtColor = 0x0000FF00;
    ColorRef BgColor = 0x00000000;
    ColorRef TxtColor2 = 0x0000FFFF;
    ColorRef BgColor2 = 0x00808080;
    bool Blink = true;
    bool Log = false;
    bool Top = true;
    bool Small = false;
    bool Small2 = false;
    std::int64_t LastCon = 0;  // seconds since 1970-01-01 UTC of the last synchronisation
    double LastDiff = 0.0;     // seconds applied by it
    std::int32_t ServerID = 0; // 0 none yet, 1 primary, 2 secondary, 3 neither answered
    std::int32_t Hodra_X = 0;
    std::int32_t Hodra_Y = 0;
    std::int32_t WorldTime_X = 0;
    std::int32_t WorldTime_Y = 0;

    friend bool operator==(const Settings&, const Settings&) = default;
};

inline constexpr std::int32_t kMinAutoConDuration = 1;
inline constexpr std::int32_t kMaxAutoConDuration = 144000;  // 100 days

}  // namespace hodra
