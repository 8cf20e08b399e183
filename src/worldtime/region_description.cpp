#include "worldtime/region_description.h"

#include <cstddef>

#include "worldtime/region_time.h"
#include "worldtime/world_time_table.h"
#include "worldtime/worldtime_texts.h"

namespace hodra {
namespace {

template <std::size_t N>
QString ByCode(const char* const (&texts)[N], int code) {
    return code >= 0 && static_cast<std::size_t>(code) < N ? QString(texts[code]) : QString();
}

}  // namespace

QString DifferenceLine(int offsetMinutes) {
    // Wide enough to negate any offset the table can hold.
    const long long m = offsetMinutes;
    if (m > 0) {
        return QString(text::kRegionAhead).arg(m / 60).arg(m % 60);
    }
    if (m < 0) {
        return QString(text::kRegionBehind).arg(-m / 60).arg(-m % 60);
    }
    return text::kRegionSameZone;
}

QString DstStartText(int code) {
    return ByCode(text::kDstStartTexts, code);
}

QString DstEndText(int code) {
    return ByCode(text::kDstEndTexts, code);
}

QString ComposeDescription(const RegionEntry* entry, std::time_t utc) {
    if (entry == nullptr) {
        return {};
    }
    const QString d = DifferenceLine(entry->offsetMinutes);
    if (entry->dstStart == -1) {
        return d + text::kDstUnknown;
    }
    if (entry->dstStart == 0) {
        return d + text::kDstNever;
    }
    if (!RegionTimeAt(*entry, utc).daylightSaving) {
        return d + text::kDstNotNow;
    }
    return d + text::kDstNow + DstStartText(entry->dstStart) + DstEndText(entry->dstEnd);
}

}  // namespace hodra
