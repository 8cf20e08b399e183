#include "clock_setter.h"

#include <cmath>

namespace hodra {

bool ClockSetter::EnablePrivilege() {
    privilegeEnabled = false;
    switch (driver.OpenToken()) {
    case ClockDriver::TokenResult::NotSupported:
        return true;
    case ClockDriver::TokenResult::Failed:
        return false;
    case ClockDriver::TokenResult::Opened:
        break;
    }
    if (!driver.LookupPrivilege()) {
        return false;
    }
    // Set before asking, so that a refused raise is still undone.
    privilegeEnabled = true;
    return driver.AdjustPrivilege(true);
}

void ClockSetter::RestorePrivilege() {
    if (privilegeEnabled) {
        (void)driver.AdjustPrivilege(false);
        privilegeEnabled = false;
    }
}

bool ClockSetter::SetClock(NtpTimestamp utc) {
    bool result = false;
    if (EnablePrivilege()) {
        result = driver.SetSystemClock(utc.ToUnix());
    }
    RestorePrivilege();
    return result;
}

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

}  // namespace

bool ClockSetter::StepClock(double offset) {
    bool result = false;
    if (EnablePrivilege()) {
        switch (driver.StepSystemClock(OffsetAsTimespec(offset))) {
        case ClockDriver::StepResult::Stepped: result = true; break;
        case ClockDriver::StepResult::Unsupported:
            result = driver.SetSystemClock(AddSeconds(NtpTimestamp::Now(), offset).ToUnix());
            break;
        case ClockDriver::StepResult::Failed: break;
        }
    }
    RestorePrivilege();
    return result;
}

}  // namespace hodra
