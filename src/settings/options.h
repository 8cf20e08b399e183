#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "settings.h"

namespace hodra {

enum class OptionKind {
    Flag,     // a check box; stored as 0 or 1, any other non-zero reads as on
    Minutes,  // the interval of the automatic synchronisation, in its own edit field
    Colour,   // a colour button; stored as the signed 32-bit form of 0x00BBGGRR
};

// One option of the settings sheet, declared once: the profile reads, writes and defaults
// it from here, and the environment page lays it on its control from here.
struct Option {
    const char* key;  // the profile value's name, and the Settings member's
    OptionKind kind;
    int controlId;          // its control on the environment page (dialog 131)
    std::int32_t fallback;  // the default, and what a stored value outside the range reads as
    std::int32_t least;
    std::int32_t most;
    bool resetByDefaults;  // "초기값" sets it back
    bool Settings::*flag;  // the member, by kind
    std::int32_t Settings::*number;
    ColorRef Settings::*colour;
};

namespace option_detail {
constexpr std::int32_t kAnyColour = std::int32_t{-2147483647 - 1};
constexpr Option Flag(const char* key, int control, bool on, bool Settings::*member, bool reset = true) {
    return {key, OptionKind::Flag, control, on ? 1 : 0, 0, 1, reset, member, nullptr, nullptr};
}
constexpr Option Colour(const char* key, int control, ColorRef value, ColorRef Settings::*member) {
    return {key,        OptionKind::Colour,
            control,    static_cast<std::int32_t>(value),
            kAnyColour, 2147483647,
            true,       nullptr,
            nullptr,    member};
}
}  // namespace option_detail

// In the order the profile has always been written.
inline constexpr std::array<Option, 14> kOptions = {
    option_detail::Flag("AutoCon", 1002, true, &Settings::AutoCon),
    Option{"AutoConDuration", OptionKind::Minutes, 1004, 60, kMinAutoConDuration, kMaxAutoConDuration, true, nullptr,
           &Settings::AutoConDuration, nullptr},
    option_detail::Flag("AutoCompare", 1011, true, &Settings::AutoCompare),
    option_detail::Flag("Beep", 1001, false, &Settings::Beep),
    option_detail::Flag("SCR", 1007, true, &Settings::SCR),
    option_detail::Colour("TxtColor", 1009, 0x0000FF00, &Settings::TxtColor),
    option_detail::Colour("BgColor", 1008, 0x00000000, &Settings::BgColor),
    option_detail::Colour("TxtColor2", 1018, 0x0000FFFF, &Settings::TxtColor2),
    option_detail::Colour("BgColor2", 1017, 0x00808080, &Settings::BgColor2),
    option_detail::Flag("Blink", 1010, true, &Settings::Blink),
    option_detail::Flag("Log", 1012, false, &Settings::Log),
    option_detail::Flag("Top", 1013, true, &Settings::Top),
    option_detail::Flag("Small", 1014, false, &Settings::Small),
    option_detail::Flag("Small2", 1016, false, &Settings::Small2, /*reset=*/false),
};

consteval const Option& OptionNamed(std::string_view key) {
    for (const Option& o : kOptions) {
        if (key == o.key) {
            return o;
        }
    }
    throw "no such option";  // a key typed wrong does not compile
}

// The option's value in s, in its stored form; and the other way.
std::int32_t OptionValue(const Settings& s, const Option& o);
void SetOption(Settings& s, const Option& o, std::int32_t value);

// A value from the profile: a flag is on when non-zero, a value outside the range reads as
// the default.
std::int32_t Accepted(const Option& o, std::int32_t stored);

}  // namespace hodra
