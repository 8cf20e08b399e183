#pragma once

#include "clock_driver.h"

namespace hodra {

// CAP_SYS_TIME through libcap, clock_settime(CLOCK_REALTIME) with nanoseconds.
// Capabilities are per thread: the right is raised and lowered on the calling thread.
class LinuxClockDriver : public ClockDriver {
public:
    TokenResult OpenToken() override;
    bool LookupPrivilege() override;
    bool AdjustPrivilege(bool enable) override;
    bool SetSystemClock(const timespec& utc) override;
    int LastError() const override { return lastError; }

private:
    bool Fail(int code);
    int lastError = 0;
};

// Lowers CAP_SYS_TIME out of the calling thread's effective set (threads created
// afterwards inherit that), keeping it permitted for ClockSetter. Call at start.
void LowerClockPrivilege();

// Whether CAP_SYS_TIME is in the calling thread's effective set.
bool ClockPrivilegeEffective();

}  // namespace hodra
