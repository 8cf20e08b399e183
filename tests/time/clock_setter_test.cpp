#include <gtest/gtest.h>

#include "time/clock_setter.h"
#include "fake_clock_driver.h"

namespace hodra {
namespace {

using Calls = std::vector<std::string>;
using test::FakeClockDriver;

TEST(ClockSetter, RaisesTheCapabilityOnlyAroundTheClockCall) {
    FakeClockDriver driver;
    ClockSetter setter(driver);
    EXPECT_TRUE(setter.StepClock(timespec{2, 500000000}));
    EXPECT_EQ(driver.calls, (Calls{"raise", "step", "lower"}));
    EXPECT_FALSE(driver.effective);
    ASSERT_EQ(driver.steps.size(), 1u);
    EXPECT_EQ(driver.steps[0], 2.5) << "nanoseconds, as given";
}

TEST(ClockSetter, EveryFailurePathLowersWhatWasRaised) {
    {
        FakeClockDriver driver;
        driver.setSucceeds = false;
        ClockSetter setter(driver);
        EXPECT_EQ(setter.StepClock(1.0).error, EPERM);
        EXPECT_EQ(driver.calls, (Calls{"raise", "step", "lower"}));
        EXPECT_FALSE(driver.effective);
    }
    {
        // A refused raise is lowered too, and nothing is set without the capability.
        FakeClockDriver driver;
        driver.raiseSucceeds = false;
        ClockSetter setter(driver);
        EXPECT_FALSE(setter.StepClock(1.0));
        EXPECT_EQ(driver.calls, (Calls{"raise", "lower"}));
    }
}

TEST(ClockSetter, EachCallRaisesAndLowersAfresh) {
    FakeClockDriver driver;
    ClockSetter setter(driver);
    driver.raiseSucceeds = false;
    EXPECT_FALSE(setter.StepClock(1.0));
    driver.raiseSucceeds = true;
    EXPECT_TRUE(setter.StepClock(1.0));
    EXPECT_EQ(driver.calls, (Calls{"raise", "lower", "raise", "step", "lower"}));
    EXPECT_FALSE(driver.effective);
}

// The step is one kernel call by the offset; only a kernel without it gets the absolute set,
// and a step refused for want of the capability is not retried another way.
TEST(ClockSetter, StepsRelativelyAndFallsBackOnlyWhereTheKernelHasNoStep) {
    {
        FakeClockDriver driver;
        ClockSetter setter(driver);
        EXPECT_TRUE(setter.StepClock(-0.25));
        EXPECT_EQ(driver.calls, (Calls{"raise", "step", "lower"}));
        ASSERT_EQ(driver.steps.size(), 1u);
        EXPECT_DOUBLE_EQ(driver.steps[0], -0.25) << "seconds below zero, nanoseconds 0..999999999";
        EXPECT_TRUE(setter.StepClock(1.9999999996));
        EXPECT_NEAR(driver.steps[1], 2.0, 1e-9) << "nanoseconds rounding up carry into the second";
    }
    {
        // A kernel without the relative step (ENOSYS, EOPNOTSUPP) gets the absolute set.
        FakeClockDriver driver;
        driver.stepErrno = ENOSYS;
        ClockSetter setter(driver);
        const NtpTimestamp before = NtpTimestamp::Now();
        EXPECT_TRUE(setter.StepClock(3.0));
        const NtpTimestamp after = NtpTimestamp::Now();
        EXPECT_EQ(driver.calls, (Calls{"raise", "step", "set", "lower"}));
        ASSERT_EQ(driver.setTimes.size(), 1u);
        // The clock read during the call, plus the offset.
        const NtpTimestamp set = NtpTimestamp::FromUnix(driver.setTimes[0]);
        EXPECT_GE(Difference(set, before), 3.0 - 1e-9);
        EXPECT_LE(Difference(set, after), 3.0 + 1e-9);
    }
    // Every other refusal is final: EINVAL (a time the kernel will not have) and EPERM
    // never turn into an absolute set, nor does a missing mode where that set could be abused.
    for (const auto& [why, fallback] : {std::pair{EINVAL, true}, {EPERM, true}, {EOPNOTSUPP, false}}) {
        FakeClockDriver driver;
        driver.stepErrno = why;
        ClockSetter setter(driver);
        setter.AllowAbsoluteFallback(fallback);
        EXPECT_EQ(setter.StepClock(3.0).error, why);
        EXPECT_EQ(driver.calls, (Calls{"raise", "step", "lower"})) << why;
        EXPECT_TRUE(driver.setTimes.empty()) << why;
    }
}

}  // namespace
}  // namespace hodra
