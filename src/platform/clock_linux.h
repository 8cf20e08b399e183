#pragma once

#include <string>

#include "time/clock_driver.h"

namespace hodra {

// CAP_SYS_TIME through libcap, clock_settime(CLOCK_REALTIME) with nanoseconds.
// Capabilities are per thread: the capability is raised and lowered on the calling thread.
class LinuxClockDriver : public ClockDriver {
public:
    int RaiseCapability() override;
    void LowerCapability() override;
    int SetSystemClock(const timespec& utc) override;
    // clock_adjtime(CLOCK_REALTIME) with ADJ_SETOFFSET | ADJ_NANO.
    int StepSystemClock(const timespec& offset) override;
};

// Least privilege at start: every capability but CAP_SYS_TIME leaves the permitted set,
// none stays effective, inheritable or ambient, so CAP_SYS_TIME can be raised only by
// ClockSetter and only on the thread that sets the clock. Call before any thread starts
// (threads inherit the set of the one that creates them).
// False when the capabilities could not be dropped: the program must not go on then.
[[nodiscard]] bool DropPrivilegesAtStart();

// For programs that never set the clock (the window): every capability leaves every set.
[[nodiscard]] bool DropAllPrivileges();

// Whether this program runs with a capability its caller does not have: the kernel marked the
// start as secure (AT_SECURE) because a file capability or a set-id bit granted more than
// the caller held. Root gives no such mark, nor does a caller holding CAP_SYS_TIME that
// runs a copy without the file capability (its ambient capability passes on). A file capability
// clears the ambient set, so to the installed helper every other caller borrows the capability,
// also one given CAP_SYS_TIME only to pass on (an inheritable bit is no capability of its own).
bool RunsUnderAtSecure();

// Whether CAP_SYS_TIME is in the calling thread's effective set.
bool ClockPrivilegeEffective();

// Whether the program file at path carries CAP_SYS_TIME as a permitted file capability:
// the clock helper as installed, not as built.
bool FileHoldsClockCapability(const std::string& path);

}  // namespace hodra
