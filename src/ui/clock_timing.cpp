#include "ui/clock_timing.h"

#include <algorithm>
#include <ctime>

namespace hodra {

int MillisecondsPastNextSecond(int pastBoundaryMs, int maxMs) {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    const int untilBoundary = 1000 - static_cast<int>(ts.tv_nsec / 1000000);
    return std::clamp(untilBoundary + pastBoundaryMs, pastBoundaryMs, maxMs);
}

}  // namespace hodra
