#include "clock_linux.h"

#include <cerrno>
#include <sys/auxv.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/timex.h>
#include <time.h>

namespace hodra {
namespace {

bool SetEffective(cap_t caps, bool enable) {
    const cap_value_t value[] = {CAP_SYS_TIME};
    return cap_set_flag(caps, CAP_EFFECTIVE, 1, value, enable ? CAP_SET : CAP_CLEAR) == 0 && cap_set_proc(caps) == 0;
}

bool HasFlag(cap_t caps, cap_flag_t set) {
    cap_flag_value_t value = CAP_CLEAR;
    return cap_get_flag(caps, CAP_SYS_TIME, set, &value) == 0 && value == CAP_SET;
}

}  // namespace

bool LinuxClockDriver::Fail(int code) {
    lastError = code;
    errno = code;
    return false;
}

bool LinuxClockDriver::RaiseRight() {
    cap_t caps = cap_get_proc();
    if (caps == nullptr) {
        // A kernel without capabilities has nothing to raise: the clock is set directly.
        return errno == ENOSYS || Fail(errno);
    }
    bool ok = true;
    if (!CAP_IS_SUPPORTED(CAP_SYS_TIME) || !HasFlag(caps, CAP_PERMITTED)) {
        ok = Fail(EPERM);
    } else if (!SetEffective(caps, true)) {
        ok = Fail(errno);
    }
    cap_free(caps);
    return ok;
}

void LinuxClockDriver::LowerRight() {
    cap_t caps = cap_get_proc();
    if (caps != nullptr) {
        (void)SetEffective(caps, false);
        cap_free(caps);
    }
}

bool LinuxClockDriver::SetSystemClock(const timespec& utc) {
    if (clock_settime(CLOCK_REALTIME, &utc) != 0) {
        return Fail(errno);
    }
    return true;
}

bool LinuxClockDriver::StepSystemClock(const timespec& offset) {
    timex step{};
    step.modes = ADJ_SETOFFSET | ADJ_NANO;
    step.time.tv_sec = offset.tv_sec;
    step.time.tv_usec = offset.tv_nsec;  // nanoseconds, with ADJ_NANO
    return clock_adjtime(CLOCK_REALTIME, &step) >= 0 || Fail(errno);
}

namespace {

// Dropping rights is always allowed; a kernel without capabilities has none to drop.
bool KeepOnly(bool keepClock) {
    cap_t only = cap_init();  // all clear
    if (only == nullptr) {
        return false;
    }
    if (keepClock) {
        const cap_value_t value[] = {CAP_SYS_TIME};
        cap_set_flag(only, CAP_PERMITTED, 1, value, CAP_SET);
    }
    const bool dropped = cap_set_proc(only) == 0 || errno == ENOSYS;
    cap_free(only);
    (void)prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    return dropped;
}

}  // namespace

bool DropPrivilegesAtStart() {
    cap_t current = cap_get_proc();
    if (current == nullptr) {
        return errno == ENOSYS;
    }
    const bool keepClock = HasFlag(current, CAP_PERMITTED);
    cap_free(current);
    return KeepOnly(keepClock);
}

bool DropAllPrivileges() {
    return KeepOnly(false);
}

bool RunsWithBorrowedRight() {
    return getauxval(AT_SECURE) != 0;
}

bool FileHoldsClockRight(const std::string& path) {
    cap_t caps = cap_get_file(path.c_str());
    if (caps == nullptr) {
        return false;
    }
    const bool held = HasFlag(caps, CAP_PERMITTED);
    cap_free(caps);
    return held;
}

bool ClockPrivilegeEffective() {
    cap_t caps = cap_get_proc();
    if (caps == nullptr) {
        return false;
    }
    const bool effective = HasFlag(caps, CAP_EFFECTIVE);
    cap_free(caps);
    return effective;
}

}  // namespace hodra
