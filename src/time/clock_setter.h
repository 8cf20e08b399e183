#pragma once

#include "time/clock_driver.h"
#include "time/ntp_timestamp.h"

namespace hodra {

// Sets the system clock, holding the capability to do so for the one call only.
class ClockSetter {
public:
    explicit ClockSetter(ClockDriver& driver) : driver(driver) {}

    // Whether the clock moved, or the errno-style reason it did not.
    struct Stepped {
        int error = 0;
        explicit operator bool() const { return error == 0; }
    };

    // Moves the clock by offset seconds in one kernel step; only where the kernel lacks that
    // step (ENOSYS, EOPNOTSUPP) sets it to the clock read now plus the offset. Any other
    // refusal (EINVAL for a time out of range, EPERM) is final.
    Stepped StepClock(double offset);
    // The same by an offset to the nanosecond (tv_nsec in 0..999999999).
    Stepped StepClock(const timespec& offset);

    // Whether a kernel without the relative step may have the clock read and set instead.
    void AllowAbsoluteFallback(bool allowed) { absoluteFallback = allowed; }

private:
    ClockDriver& driver;
    bool absoluteFallback = true;
};

}  // namespace hodra
