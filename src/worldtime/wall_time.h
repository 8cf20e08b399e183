#pragma once

#include <compare>
#include <ctime>

namespace hodra {

// A wall-clock date-time to the second, in no particular time zone.
struct WallTime {
    int year = 1970;
    int month = 1;  // 1-12
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    auto operator<=>(const WallTime&) const = default;

    // Days and seconds counted as if the wall clock were UTC.
    static WallTime FromSeconds(std::time_t seconds);
    std::time_t ToSeconds() const;
    int Weekday() const;  // 0 = Sunday
};

}  // namespace hodra
