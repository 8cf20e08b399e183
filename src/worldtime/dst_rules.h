#pragma once

#include <optional>

#include "worldtime/wall_time.h"

namespace hodra {

struct RegionEntry;

// Daylight-saving rule codes of the world time table. Each code names a date-time in the
// region's standard time. Start codes 1-15 and end codes 1-12 are the table's original
// rules; start codes from 16 and end codes from 13 are the rules regions use today
// (README lists them all). Codes -1 (not known) and 0 (none) have no date.
std::optional<WallTime> DstStart(int code, int year);
std::optional<WallTime> DstEnd(int code, int year);
// Periods that begin in the second half of the year and end in the next.
bool StartWrapsYear(int code);

// Whether t (the region's standard wall-clock time) lies in the entry's period of the
// year of t, bounds included.
bool InDaylightSavingPeriod(const RegionEntry& entry, const WallTime& t);

}  // namespace hodra
