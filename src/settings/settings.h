#pragma once

#include <cstdint>

namespace hodra {

// A Windows-style colour value, 0x00BBGGRR; 0xFFFFFFFF (-1) asks for a system colour.
using ColorRef = std::uint32_t;

// Every option and persisted result, one field per profile value, named after it. The
// options' defaults, ranges and keys are declared with them in options.h.
struct Settings {
    Settings();

    bool AutoCon;
    std::int32_t AutoConDuration;  // minutes
    bool AutoCompare;
    bool Beep;
    bool SCR;
    ColorRef TxtColor;
    ColorRef BgColor;
    ColorRef TxtColor2;
    ColorRef BgColor2;
    bool Blink;
    bool Log;
    bool Top;
    bool Small;
    bool Small2;
    std::int64_t LastCon = 0;   // seconds since 1970-01-01 UTC of the last synchronisation
    double LastDiff = 0.0;      // seconds applied by it
    std::int32_t ServerID = 0;  // 0 none yet, 1 primary, 2 secondary, 3 neither answered
    std::int32_t Hodra_X = 0;
    std::int32_t Hodra_Y = 0;
    std::int32_t WorldTime_X = 0;
    std::int32_t WorldTime_Y = 0;

    friend bool operator==(const Settings&, const Settings&) = default;
};

inline constexpr std::int32_t kMinAutoConDuration = 1;
inline constexpr std::int32_t kMaxAutoConDuration = 144000;  // 100 days

}  // namespace hodra
