#include "sync/blink_sequence.h"

#include <cstdio>
#include <ctime>

#include "sync/sync_texts.h"

namespace hodra {

BlinkSequence::Step BlinkSequence::Tick(std::int64_t lastCon) {
    if (count >= 11) {
        count = 0;
        return {FinalSyncText(lastCon), true};
    }
    ++count;
    return {count % 2 == 1 ? text::kSynchronised : "", false};
}

std::string FinalSyncText(std::int64_t lastCon) {
    const std::time_t t = static_cast<std::time_t>(lastCon);
    std::tm local{};
    localtime_r(&t, &local);
    const char* halfDay = local.tm_hour >= 12 ? "PM" : "AM";
    const int hour = local.tm_hour > 12 ? local.tm_hour - 12 : local.tm_hour;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, text::kFinalSyncTime, halfDay, hour, local.tm_min, local.tm_sec);
    return buffer;
}

}  // namespace hodra
