#pragma once

#include <QString>
#include <ctime>

namespace hodra {

struct RegionEntry;

// The world time dialog's description of a region at an instant: its difference from
// Korea, then whether and when daylight saving applies. Empty for no region.
QString ComposeDescription(const RegionEntry* entry, std::time_t utc);

QString DifferenceLine(int offsetMinutes);
QString DstStartText(int code);
QString DstEndText(int code);

}  // namespace hodra
