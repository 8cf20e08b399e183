// Runs only inside `unshare --user --map-root-user` (see tests/CMakeLists.txt): there
// CAP_SYS_TIME counts for the namespace alone and clock_settime always fails with EPERM.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <cstdio>
#include <cstring>
#include <sys/capability.h>
#include <unistd.h>

#include "platform/clock_linux.h"
#include "time/clock_setter.h"
#include "user_namespace.h"

namespace hodra {
namespace {

unsigned long long CapSet(const char* name) {
    std::ifstream status("/proc/thread-self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name, 0) == 0) {
            return std::stoull(line.substr(std::string(name).size()), nullptr, 16);
        }
    }
    ADD_FAILURE() << "no " << name << " line";
    return ~0ull;
}

bool CapEffHasSysTime() {
    return (CapSet("CapEff:") >> CAP_SYS_TIME) & 1;
}

// The window tells the installed helper from the built one by its file capability.
// Before any test drops the capabilities: giving a file a capability takes CAP_SETFCAP.
TEST(LinuxClockFile, TheHelpersFileCapabilityIsSeen) {
    char dir[] = "/tmp/hodra-cap-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string helper = std::string(dir) + "/hodra2-sntp";
    std::ofstream(helper) << "#!/bin/sh\n";
    EXPECT_FALSE(FileHoldsClockCapability(helper)) << "as built";
    cap_t caps = cap_from_text("cap_sys_time+p");
    ASSERT_EQ(cap_set_file(helper.c_str(), caps), 0) << std::strerror(errno);
    cap_free(caps);
    EXPECT_TRUE(FileHoldsClockCapability(helper)) << "as installed";
    EXPECT_FALSE(FileHoldsClockCapability(std::string(dir) + "/missing"));
    std::remove(helper.c_str());
    rmdir(dir);
}

class LinuxClock : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::InPrivateUserNamespace()) {
            FAIL() << "refusing to run outside a private user namespace: this test calls clock_settime";
        }
        ASSERT_TRUE(DropPrivilegesAtStart());
    }
};

TEST_F(LinuxClock, StartKeepsOnlyThePermittedClockCapability) {
    EXPECT_EQ(CapSet("CapPrm:"), 1ull << CAP_SYS_TIME);
    EXPECT_EQ(CapSet("CapEff:"), 0ull);
    EXPECT_EQ(CapSet("CapInh:"), 0ull);
    EXPECT_EQ(CapSet("CapAmb:"), 0ull);
}

TEST_F(LinuxClock, SettingFailsWithEpermAndTheCapabilityIsNeverLeftRaised) {
    EXPECT_FALSE(CapEffHasSysTime());
    EXPECT_FALSE(ClockPrivilegeEffective());
    LinuxClockDriver driver;
    ClockSetter setter(driver);
    // Were the namespace ever to allow it, this would set the clock to what it already is.
    {
        const ClockCapability capability(driver);
        EXPECT_TRUE(capability.Held());
        EXPECT_EQ(driver.SetSystemClock(NtpTimestamp::Now().ToUnix()), EPERM);
    }
    EXPECT_FALSE(CapEffHasSysTime());
    // The relative step by nothing: refused for want of the capability, which is no reason to
    // try the absolute set.
    EXPECT_EQ(driver.StepSystemClock(timespec{0, 0}), EPERM);
    EXPECT_EQ(setter.StepClock(0.0).error, EPERM);
    EXPECT_FALSE(CapEffHasSysTime());
}

TEST_F(LinuxClock, WithoutThePermittedCapabilityTheRaiseIsRefused) {
    cap_t caps = cap_get_proc();
    const cap_value_t sysTime[] = {CAP_SYS_TIME};
    cap_set_flag(caps, CAP_PERMITTED, 1, sysTime, CAP_CLEAR);
    cap_set_flag(caps, CAP_EFFECTIVE, 1, sysTime, CAP_CLEAR);
    ASSERT_EQ(cap_set_proc(caps), 0);
    cap_free(caps);

    LinuxClockDriver driver;
    ClockSetter setter(driver);
    EXPECT_EQ(driver.RaiseCapability(), EPERM);
    driver.LowerCapability();
    EXPECT_EQ(setter.StepClock(0.0).error, EPERM);
    EXPECT_FALSE(CapEffHasSysTime());
}

}  // namespace
}  // namespace hodra
