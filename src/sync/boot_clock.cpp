#include "sync/boot_clock.h"

#include <ctime>

namespace hodra {

std::int64_t BootClock::NowMs() const {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

const BootClock& BootClock::Instance() {
    static const BootClock clock;
    return clock;
}

}  // namespace hodra
