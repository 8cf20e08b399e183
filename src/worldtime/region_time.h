#pragma once

#include <ctime>

#include "worldtime/wall_time.h"

namespace hodra {

struct RegionEntry;

// A region's clock, worked out from UTC alone: Korea Standard Time (UTC+9) plus the
// region's offset, plus an hour in its daylight-saving period. The PC's own time zone
// takes no part, so the result is right on a PC set to any zone.
struct RegionTime {
    WallTime standard;  // the region's standard wall-clock time
    WallTime local;     // what its clocks show
    bool daylightSaving = false;
};

WallTime RegionStandardTime(std::time_t utc, int offsetMinutes);
RegionTime RegionTimeAt(const RegionEntry& entry, std::time_t utc);

}  // namespace hodra
