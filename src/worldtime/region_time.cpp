#include "worldtime/region_time.h"

#include "worldtime/dst_rules.h"
#include "worldtime/world_time_table.h"

namespace hodra {

namespace {
constexpr int kKoreaOffsetSeconds = 9 * 3600;
}

WallTime RegionStandardTime(std::time_t utc, int offsetMinutes) {
    return WallTime::FromSeconds(utc + kKoreaOffsetSeconds + static_cast<std::time_t>(offsetMinutes) * 60);
}

RegionTime RegionTimeAt(const RegionEntry& entry, std::time_t utc) {
    RegionTime r;
    r.standard = RegionStandardTime(utc, entry.offsetMinutes);
    r.daylightSaving = InDaylightSavingPeriod(entry, r.standard);
    r.local = r.daylightSaving ? WallTime::FromSeconds(r.standard.ToSeconds() + 3600) : r.standard;
    return r;
}

}  // namespace hodra
