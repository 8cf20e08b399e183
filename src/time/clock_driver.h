#pragma once

#include <ctime>

namespace hodra {

// The operating-system side of setting the clock. The steps mirror the privilege
// dance of ClockSetter so that a fake can check their order.
class ClockDriver {
public:
    enum class TokenResult {
        Opened,        // the process's privilege state is available
        NotSupported,  // the system has no privileges: the clock may be set directly
        Failed,
    };

    virtual ~ClockDriver() = default;
    virtual TokenResult OpenToken() = 0;
    // Whether the system knows the right to set the clock at all.
    virtual bool LookupPrivilege() = 0;
    // Raises (or lowers) the right in the effective set of the calling thread.
    virtual bool AdjustPrivilege(bool enable) = 0;
    virtual bool SetSystemClock(const timespec& utc) = 0;

    enum class StepResult {
        Stepped,
        Unsupported,  // the kernel has no relative step: set the clock absolutely instead
        Failed,
    };
    // Moves the clock by offset (tv_nsec in 0..999999999, tv_sec signed) in one kernel call,
    // so nothing happens between reading the clock and setting it.
    virtual StepResult StepSystemClock(const timespec& offset) = 0;
    // errno-style code of the last failing step.
    virtual int LastError() const = 0;
};

}  // namespace hodra
