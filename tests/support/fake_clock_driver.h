#pragma once

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include "time/clock_driver.h"
#include "time/ntp_timestamp.h"

namespace hodra::test {

// Records every call ClockSetter makes; each one's outcome is scripted.
class FakeClockDriver : public ClockDriver {
public:
    bool raiseSucceeds = true;
    bool setSucceeds = true;
    int stepErrno = 0;  // what a refused step says: EINVAL, ENOSYS ...; 0 steps

    std::vector<std::string> calls;
    // Every clock the driver would have set, by either call: for a step the true time at the
    // call plus the offset.
    std::vector<timespec> setTimes;
    std::vector<double> steps;  // the offsets of relative steps, seconds
    bool effective = false;     // the capability is currently raised

    int RaiseCapability() override {
        calls.push_back("raise");
        if (!raiseSucceeds) {
            return EPERM;
        }
        effective = true;
        return 0;
    }
    void LowerCapability() override {
        calls.push_back("lower");
        effective = false;
    }
    int SetSystemClock(const timespec& utc) override {
        calls.push_back(effective ? "set" : "set-unprivileged");
        setTimes.push_back(utc);
        return setSucceeds ? 0 : EPERM;
    }
    int StepSystemClock(const timespec& offset) override {
        calls.push_back(effective ? "step" : "step-unprivileged");
        if (stepErrno != 0) {
            return stepErrno;
        }
        if (!setSucceeds) {
            return EPERM;
        }
        const double seconds = static_cast<double>(offset.tv_sec) + offset.tv_nsec * 1e-9;
        steps.push_back(seconds);
        setTimes.push_back(AddSeconds(NtpTimestamp::Now(), seconds).ToUnix());
        return 0;
    }
};

}  // namespace hodra::test
