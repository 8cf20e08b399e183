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

bool ClockSetter::StepClock(double offset) {
    return StepClock(OffsetAsTimespec(offset));
}

bool ClockSetter::StepClock(const timespec& offset) {
    const ClockCapability capability(driver);
    if (!capability.Held()) {
        return false;
    }
    if (driver.StepSystemClock(offset)) {
        return true;
    }
    const double seconds = static_cast<double>(offset.tv_sec) + static_cast<double>(offset.tv_nsec) * 1e-9;
    return absoluteFallback && KernelLacksRelativeStep(driver.LastError()) &&
           driver.SetSystemClock(AddSeconds(NtpTimestamp::Now(), seconds).ToUnix());
}

}  // namespace hodra
