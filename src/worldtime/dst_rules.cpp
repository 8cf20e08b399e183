#include "worldtime/dst_rules.h"

#include "worldtime/world_time_table.h"

namespace hodra {
namespace {

int DaysIn(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// The last given weekday of a month, and the first on or after a day.
int LastWeekday(int year, int month, int weekday) {
    const int last = DaysIn(year, month);
    const int lastWeekday = WallTime{year, month, last}.Weekday();
    return last - (lastWeekday - weekday + 7) % 7;
}

int FirstWeekdayFrom(int year, int month, int fromDay, int weekday) {
    const int w = WallTime{year, month, fromDay}.Weekday();
    return fromDay + (weekday - w + 7) % 7;
}

constexpr int kSunday = 0;
constexpr int kThursday = 4;
constexpr int kFriday = 5;

WallTime At(int year, int month, int day, int hour, int minute = 0, int second = 0) {
    return {year, month, day, hour, minute, second};
}

// A wall-clock moment some seconds earlier (across midnight if need be).
WallTime Before(const WallTime& t, int seconds) {
    return WallTime::FromSeconds(t.ToSeconds() - seconds);
}

}  // namespace

std::optional<WallTime> DstStart(int code, int y) {
    switch (code) {
    case 1: return At(y, 4, FirstWeekdayFrom(y, 4, 1, kSunday), 2);
    case 2: return At(y, 3, LastWeekday(y, 3, kSunday), 2);
    case 3: return At(y, 3, LastWeekday(y, 3, kSunday), 1);
    case 4: return At(y, 3, LastWeekday(y, 3, kSunday), 3);
    case 5: return At(y, 3, LastWeekday(y, 3, kSunday), 0);
    case 6: return At(y, 10, FirstWeekdayFrom(y, 10, 2, kSunday), 0);
    case 7: return At(y, 4, LastWeekday(y, 4, kSunday), 2);
    case 8: return At(y, 10, FirstWeekdayFrom(y, 10, 10, kSunday), 0);
    case 9: return At(y, 4, 1, 0);
    case 10: return At(y, 3, 29, 0);
    case 11: return At(y, 5, 1, 0);
    case 12: return At(y, 10, LastWeekday(y, 10, kSunday), 2);
    case 13: return At(y, 10, FirstWeekdayFrom(y, 10, 1, kSunday), 0);
    case 14: return At(y, 3, 25, 0);
    case 15: return At(y, 3, 25, 3);
    // Today's rules.
    case 16: return At(y, 3, FirstWeekdayFrom(y, 3, 8, kSunday), 2);    // US, Canada
    case 17: return At(y, 3, FirstWeekdayFrom(y, 3, 8, kSunday), 0);    // Cuba
    case 18: return At(y, 3, FirstWeekdayFrom(y, 3, 23, kFriday), 2);   // Israel
    case 19: return At(y, 4, LastWeekday(y, 4, kFriday), 0);            // Egypt
    case 20: return At(y, 9, FirstWeekdayFrom(y, 9, 2, kSunday), 0);    // Chile
    case 21: return At(y, 10, FirstWeekdayFrom(y, 10, 1, kSunday), 2);  // south-east Australia
    case 22: return At(y, 9, LastWeekday(y, 9, kSunday), 2);            // New Zealand
    default: return std::nullopt;
    }
}

std::optional<WallTime> DstEnd(int code, int y) {
    switch (code) {
    case 1: return At(y, 10, LastWeekday(y, 10, kSunday), 2);
    case 2: return At(y, 10, LastWeekday(y, 10, kSunday), 3);
    case 3: return At(y, 10, LastWeekday(y, 10, kSunday), 0);
    case 4: return At(y, 10, LastWeekday(y, 10, kSunday), 1);
    case 5: return At(y, 2, FirstWeekdayFrom(y, 2, 12, kSunday), 0);
    case 6: return At(y, 3, FirstWeekdayFrom(y, 3, 10, kSunday), 0);
    case 7: return At(y, 10, 1, 0);
    case 8: return At(y, 9, 6, 0);
    case 9: return At(y, 3, LastWeekday(y, 3, kSunday), 2);
    case 10: return At(y, 3, FirstWeekdayFrom(y, 3, 16, kSunday), 0);
    case 11: return At(y, 10, 28, 0);
    case 12: return At(y, 10, 28, 4);
    // Today's rules. The clocks go back at a daylight-time moment, so each period ends
    // on the last standard-time second before it.
    case 13: return At(y, 11, FirstWeekdayFrom(y, 11, 1, kSunday), 0, 59, 59);      // US, Canada
    case 14: return Before(At(y, 11, FirstWeekdayFrom(y, 11, 1, kSunday), 0), 1);   // Cuba
    case 15: return At(y, 10, LastWeekday(y, 10, kSunday), 0, 59, 59);              // EU (UTC+0), Israel
    case 16: return At(y, 10, LastWeekday(y, 10, kSunday), 1, 59, 59);              // EU (UTC+1), Moldova
    case 17: return At(y, 10, LastWeekday(y, 10, kSunday), 2, 59, 59);              // EU (UTC+2)
    case 18: return Before(At(y, 10, LastWeekday(y, 10, kSunday), 0), 3601);        // Lebanon
    case 19: return At(y, 10, LastWeekday(y, 10, kThursday), 22, 59, 59);           // Egypt
    case 20: return Before(At(y, 4, FirstWeekdayFrom(y, 4, 2, kSunday), 0), 3601);  // Chile
    case 21: return At(y, 4, FirstWeekdayFrom(y, 4, 1, kSunday), 1, 59, 59);        // Australia, New Zealand
    default: return std::nullopt;
    }
}

bool StartWrapsYear(int code) {
    switch (code) {
    case 6:
    case 8:
    case 12:
    case 13:
    case 20:
    case 21:
    case 22: return true;
    default: return false;
    }
}

bool InDaylightSavingPeriod(const RegionEntry& entry, const WallTime& t) {
    if (entry.dstStart == 0 || entry.dstEnd == 0) {
        return false;
    }
    const auto start = DstStart(entry.dstStart, t.year);
    const auto end = DstEnd(entry.dstEnd, t.year);
    if (!start || !end) {
        return false;
    }
    if (StartWrapsYear(entry.dstStart)) {
        const WallTime newYear{t.year, 1, 1, 0, 0, 0};
        const WallTime yearEnd{t.year, 12, 31, 23, 59, 59};
        if ((newYear <= t && t <= *end) || (*start <= t && t <= yearEnd)) {
            return true;
        }
    }
    return *start <= t && t <= *end;
}

}  // namespace hodra
