#include "clock_setter.h"

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

}  // namespace hodra
