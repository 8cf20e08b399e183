#include "worldtime/wall_time.h"

namespace hodra {

WallTime WallTime::FromSeconds(std::time_t seconds) {
    std::tm t{};
    gmtime_r(&seconds, &t);
    return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

std::time_t WallTime::ToSeconds() const {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timegm(&t);
}

int WallTime::Weekday() const {
    // Sakamoto's method.
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const int y = month < 3 ? year - 1 : year;
    // Years before 1 AD (a region far from any real zone) count on without a negative remainder.
    const int weekday = (y + y / 4 - y / 100 + y / 400 + offsets[month - 1] + day) % 7;
    return weekday < 0 ? weekday + 7 : weekday;
}

}  // namespace hodra
