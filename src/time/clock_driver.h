#pragma once

#include <ctime>

namespace hodra {

// The operating system's side of setting the clock: the capability to do it, raised on the
// calling thread for one call, and the two ways the kernel sets the clock. Each call gives 0
// when done, else an errno-style code of why not.
class ClockDriver {
public:
    virtual ~ClockDriver() = default;
    // Raises the capability into the calling thread's effective set; EPERM when the process
    // does not hold it. A system without such capabilities has nothing to raise and says 0.
    virtual int RaiseCapability() = 0;
    virtual void LowerCapability() = 0;
    // Moves the clock by offset (tv_nsec in 0..999999999, tv_sec signed) in one kernel call,
    // so nothing happens between reading the clock and setting it. ENOSYS or EOPNOTSUPP say
    // the kernel has no such step.
    virtual int StepSystemClock(const timespec& offset) = 0;
    virtual int SetSystemClock(const timespec& utc) = 0;
};

// The capability to set the clock, held for this object's life: one call. It is lowered on
// every path, also after a raise that failed half-way.
class ClockCapability {
public:
    explicit ClockCapability(ClockDriver& driver) : driver(driver), error(driver.RaiseCapability()) {}
    ~ClockCapability() { driver.LowerCapability(); }
    ClockCapability(const ClockCapability&) = delete;
    ClockCapability& operator=(const ClockCapability&) = delete;

    bool Held() const { return error == 0; }
    int Error() const { return error; }  // why it is not held

private:
    ClockDriver& driver;
    const int error;
};

}  // namespace hodra
