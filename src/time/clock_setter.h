#pragma once

#include "clock_driver.h"
#include "ntp_timestamp.h"

namespace hodra {

// Sets the system clock, holding the right to do so for the one call only.
class ClockSetter {
public:
    explicit ClockSetter(ClockDriver& driver) : driver(driver) {}

    bool EnablePrivilege();
    void RestorePrivilege();
    bool SetClock(NtpTimestamp utc);

    int LastError() const { return driver.LastError(); }

private:
    ClockDriver& driver;
    bool privilegeEnabled = false;
};

}  // namespace hodra
