#pragma once

#include <cerrno>
#include <ctime>
#include <string>
#include <vector>

#include "clock_driver.h"

namespace hodra::test {

// Records every step ClockSetter asks for; each step's outcome is scripted.
class FakeClockDriver : public ClockDriver {
public:
    TokenResult token = TokenResult::Opened;
    bool lookupSucceeds = true;
    bool raiseSucceeds = true;
    bool setSucceeds = true;

    std::vector<std::string> calls;
    std::vector<timespec> setTimes;
    bool effective = false;  // the right is currently raised

    TokenResult OpenToken() override {
        calls.push_back("open");
        if (token == TokenResult::Failed) {
            error = EACCES;
        }
        return token;
    }
    bool LookupPrivilege() override {
        calls.push_back("lookup");
        return lookupSucceeds || Fail(EINVAL);
    }
    bool AdjustPrivilege(bool enable) override {
        calls.push_back(enable ? "raise" : "lower");
        if (enable && !raiseSucceeds) {
            return Fail(EPERM);
        }
        effective = enable;
        return true;
    }
    bool SetSystemClock(const timespec& utc) override {
        calls.push_back(effective || token == TokenResult::NotSupported ? "set" : "set-unprivileged");
        setTimes.push_back(utc);
        return setSucceeds || Fail(EPERM);
    }
    int LastError() const override { return error; }

private:
    bool Fail(int code) {
        error = code;
        return false;
    }
    int error = 0;
};

}  // namespace hodra::test
