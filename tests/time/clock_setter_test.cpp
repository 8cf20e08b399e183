#include <gtest/gtest.h>

#include "clock_setter.h"
#include "fake_clock_driver.h"

namespace hodra {
namespace {

using Calls = std::vector<std::string>;
using test::FakeClockDriver;

TEST(ClockSetter, RaisesTheRightOnlyAroundTheClockCall) {
    FakeClockDriver driver;
    ClockSetter setter(driver);
    const NtpTimestamp target = NtpTimestamp::FromParts(3913056000u, 0x80000000u);
    EXPECT_TRUE(setter.SetClock(target));
    EXPECT_EQ(driver.calls, (Calls{"open", "lookup", "raise", "set", "lower"}));
    EXPECT_FALSE(driver.effective);
    ASSERT_EQ(driver.setTimes.size(), 1u);
    EXPECT_EQ(driver.setTimes[0].tv_sec, 3913056000 - 2208988800);
    EXPECT_EQ(driver.setTimes[0].tv_nsec, 500000000);  // nanoseconds, not rounded to ms
}

TEST(ClockSetter, EveryFailurePathLowersWhatWasRaised) {
    {
        FakeClockDriver driver;
        driver.setSucceeds = false;
        ClockSetter setter(driver);
        EXPECT_FALSE(setter.SetClock(NtpTimestamp::Now()));
        EXPECT_EQ(driver.calls, (Calls{"open", "lookup", "raise", "set", "lower"}));
        EXPECT_FALSE(driver.effective);
        EXPECT_EQ(setter.LastError(), EPERM);
    }
    {
        // A refused raise is undone too: the flag is set before asking.
        FakeClockDriver driver;
        driver.raiseSucceeds = false;
        ClockSetter setter(driver);
        EXPECT_FALSE(setter.SetClock(NtpTimestamp::Now()));
        EXPECT_EQ(driver.calls, (Calls{"open", "lookup", "raise", "lower"}));
    }
    {
        FakeClockDriver driver;
        driver.lookupSucceeds = false;
        ClockSetter setter(driver);
        EXPECT_FALSE(setter.SetClock(NtpTimestamp::Now()));
        EXPECT_EQ(driver.calls, (Calls{"open", "lookup"})) << "no adjustment without the privilege's identity";
    }
    {
        FakeClockDriver driver;
        driver.token = ClockDriver::TokenResult::Failed;
        ClockSetter setter(driver);
        EXPECT_FALSE(setter.SetClock(NtpTimestamp::Now()));
        EXPECT_EQ(driver.calls, (Calls{"open"}));
    }
}

TEST(ClockSetter, WithoutPrivilegesTheClockIsSetDirectly) {
    FakeClockDriver driver;
    driver.token = ClockDriver::TokenResult::NotSupported;
    ClockSetter setter(driver);
    EXPECT_TRUE(setter.SetClock(NtpTimestamp::Now()));
    EXPECT_EQ(driver.calls, (Calls{"open", "set"}));
    // The next call starts afresh: nothing is left to restore from the last one.
    driver.token = ClockDriver::TokenResult::Opened;
    driver.calls.clear();
    EXPECT_TRUE(setter.SetClock(NtpTimestamp::Now()));
    EXPECT_EQ(driver.calls, (Calls{"open", "lookup", "raise", "set", "lower"}));
}

}  // namespace
}  // namespace hodra
