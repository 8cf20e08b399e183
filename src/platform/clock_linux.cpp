#include "platform/clock_linux.h"

#include <cerrno>
#include <sys/auxv.h>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/timex.h>
#include <time.h>

namespace hodra {
namespace {

bool HasFlag(cap_t caps, cap_flag_t set) {
    cap_flag_value_t value = CAP_CLEAR;
    return cap_get_flag(caps, CAP_SYS_TIME, set, &value) == 0 && value == CAP_SET;
}

// The calling thread's sets through the bare calls: the keeper raises its capability under a
// filter that admits them and nothing that allocates memory.
struct ThreadCaps {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3]{};

    bool Read() { return capget(&header, data) == 0; }
    bool Write() { return capset(&header, data) == 0; }
    __u32& Word(__u32 __user_cap_data_struct::*set) { return data[CAP_TO_INDEX(CAP_SYS_TIME)].*set; }
    bool Has(__u32 __user_cap_data_struct::*set) { return (Word(set) & CAP_TO_MASK(CAP_SYS_TIME)) != 0; }
};

}  // namespace

int LinuxClockDriver::RaiseCapability() {
    ThreadCaps caps;
    if (!caps.Read()) {
        // A kernel without capabilities has nothing to raise: the clock is set directly.
        return errno == ENOSYS ? 0 : errno;
    }
    if (!caps.Has(&__user_cap_data_struct::permitted)) {
        return EPERM;
    }
    caps.Word(&__user_cap_data_struct::effective) |= CAP_TO_MASK(CAP_SYS_TIME);
    return caps.Write() ? 0 : errno;
}

void LinuxClockDriver::LowerCapability() {
    ThreadCaps caps;
    if (caps.Read()) {
        caps.Word(&__user_cap_data_struct::effective) &= ~CAP_TO_MASK(CAP_SYS_TIME);
        (void)caps.Write();
    }
}

int LinuxClockDriver::SetSystemClock(const timespec& utc) {
    return clock_settime(CLOCK_REALTIME, &utc) == 0 ? 0 : errno;
}

int LinuxClockDriver::StepSystemClock(const timespec& offset) {
    timex step{};
    step.modes = ADJ_SETOFFSET | ADJ_NANO;
    step.time.tv_sec = offset.tv_sec;
    step.time.tv_usec = offset.tv_nsec;  // nanoseconds, with ADJ_NANO
    return clock_adjtime(CLOCK_REALTIME, &step) >= 0 ? 0 : errno;
}

namespace {

// Dropping capabilities is always allowed; a kernel without capabilities has none to drop.
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

// Where the process may (root's CAP_SETPCAP), so that nothing it could start would regain a
// capability. Ends at the first refusal: EPERM without that capability, EINVAL past the kernel's last.
// A capability already out is not dropped again (each drop makes new credentials).
void EmptyBoundingSet() {
    for (int value = 0;; ++value) {
        const int held = prctl(PR_CAPBSET_READ, value, 0, 0, 0);
        if (held < 0 || (held == 1 && prctl(PR_CAPBSET_DROP, value, 0, 0, 0) != 0)) {
            return;
        }
    }
}

}  // namespace

bool DropPrivilegesAtStart() {
    EmptyBoundingSet();
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

bool RunsUnderAtSecure() {
    return getauxval(AT_SECURE) != 0;
}

bool FileHoldsClockCapability(const std::string& path) {
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
