#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "settings/settings.h"

namespace hodra {

enum class OptionKind {
    Flag,     // a check box; stored as 0 or 1, any other non-zero reads as on
    Minutes,  // the interval of the automatic synchronisation, in its own edit field
    Colour,   // a colour button; stored as the signed 32-bit form of 0x00BBGGRR
};

// One option of the settings sheet, declared once: the profile reads, writes and defaults
// it from here, and the environment page finds its control by the key (the template names
// each control's option).
struct Option {
    const char* key;  // the profile value's name, and the Settings member's
    OptionKind kind;
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
constexpr Option Flag(const char* key, bool on, bool Settings::*member, bool reset = true) {
    return {key, OptionKind::Flag, on ? 1 : 0, 0, 1, reset, member, nullptr, nullptr};
}
constexpr Option Minutes(const char* key, std::int32_t value, std::int32_t least, std::int32_t most,
                         std::int32_t Settings::*member) {
    return {key, OptionKind::Minutes, value, least, most, true, nullptr, member, nullptr};
}
constexpr Option Colour(const char* key, ColorRef value, ColorRef Settings::*member) {
    return {key,   OptionKind::Colour, static_cast<std::int32_t>(value), kAnyColour, 2147483647, true, nullptr, nullptr,
            member};
}
}  // namespace option_detail

// In the order the profile has always been written. Adding an option: a row here, a member
// of Settings, a control of dialog 131 that names it.
inline constexpr auto kOptions = std::to_array<Option>({
    option_detail::Flag("AutoCon", true, &Settings::AutoCon),
    option_detail::Minutes("AutoConDuration", 60, kMinAutoConDuration, kMaxAutoConDuration, &Settings::AutoConDuration),
    option_detail::Flag("AutoCompare", true, &Settings::AutoCompare),
    option_detail::Flag("Beep", false, &Settings::Beep),
    option_detail::Flag("SCR", true, &Settings::SCR),
    option_detail::Colour("TxtColor", 0x0000FF00, &Settings::TxtColor),
    option_detail::Colour("BgColor", 0x00000000, &Settings::BgColor),
    option_detail::Colour("TxtColor2", 0x0000FFFF, &Settings::TxtColor2),
    option_detail::Colour("BgColor2", 0x00808080, &Settings::BgColor2),
    option_detail::Flag("Blink", true, &Settings::Blink),
    option_detail::Flag("Log", false, &Settings::Log),
    option_detail::Flag("Top", true, &Settings::Top),
    option_detail::Flag("Small", false, &Settings::Small),
    option_detail::Flag("Small2", false, &Settings::Small2, /*reset=*/false),
});

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
