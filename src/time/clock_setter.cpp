#include "time/clock_setter.h"

#include <cerrno>
#include <cmath>

namespace hodra {

namespace {

timespec OffsetAsTimespec(double offset) {
    double seconds = std::floor(offset);
    long long nanoseconds = std::llround((offset - seconds) * 1e9);
    if (nanoseconds >= 1000000000LL) {
        seconds += 1.0;
        nanoseconds -= 1000000000LL;
    }
    timespec t{};
    t.tv_sec = static_cast<time_t>(seconds);
    t.tv_nsec = static_cast<long>(nanoseconds);
    return t;
}

bool KernelLacksRelativeStep(int error) {
    return error == ENOSYS || error == EOPNOTSUPP;
}

}  // namespace

ClockSetter::Stepped ClockSetter::StepClock(double offset) {
    return StepClock(OffsetAsTimespec(offset));
}

ClockSetter::Stepped ClockSetter::StepClock(const timespec& offset) {
    const ClockCapability capability(driver);
    if (!capability.Held()) {
        return {capability.Error()};
    }
    const int refused = driver.StepSystemClock(offset);
    if (refused == 0 || !absoluteFallback || !KernelLacksRelativeStep(refused)) {
        return {refused};
    }
    const double seconds = static_cast<double>(offset.tv_sec) + static_cast<double>(offset.tv_nsec) * 1e-9;
    return {driver.SetSystemClock(AddSeconds(NtpTimestamp::Now(), seconds).ToUnix())};
}

}  // namespace hodra
