// Runs in a user namespace with the shim that records clock_settime: 1,000 synchronise
// runs on worker threads while another thread watches every thread's CapEff, which may
// hold CAP_SYS_TIME only while StepClock runs.
#include <gtest/gtest.h>

#include <atomic>
#include <dirent.h>
#include <fstream>
#include <string>
#include <sys/capability.h>
#include <thread>

#include "platform/clock_linux.h"
#include "time/clock_setter.h"
#include "fake_sntp_server.h"
#include "time/sntp_client.h"
#include "sync/sync_operation.h"
#include "user_namespace.h"

namespace hodra {
namespace {

// Counts entries into and exits from the privileged window: odd while inside it.
std::atomic<unsigned> windowEdges{0};

class WatchedDriver : public ClockDriver {
public:
    int RaiseCapability() override {
        windowEdges.fetch_add(1);
        return real.RaiseCapability();
    }
    void LowerCapability() override {
        real.LowerCapability();
        windowEdges.fetch_add(1);
    }
    int SetSystemClock(const timespec& utc) override { return real.SetSystemClock(utc); }
    int StepSystemClock(const timespec& offset) override { return real.StepSystemClock(offset); }

private:
    LinuxClockDriver real;
};

bool AnyThreadHoldsSysTime() {
    DIR* tasks = opendir("/proc/self/task");
    bool held = false;
    while (dirent* t = readdir(tasks)) {
        if (t->d_name[0] == '.') {
            continue;
        }
        std::ifstream status(std::string("/proc/self/task/") + t->d_name + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("CapEff:", 0) == 0) {
                held = held || ((std::stoull(line.substr(7), nullptr, 16) >> CAP_SYS_TIME) & 1);
            }
        }
    }
    closedir(tasks);
    return held;
}

TEST(PrivilegeWindow, ClockCapabilityIsEffectiveOnlyInsideStepClock) {
    ASSERT_TRUE(test::InPrivateUserNamespace()) << "refusing to run outside a private user namespace";
    ASSERT_NE(std::getenv("HODRA_SHIM_LOG"), nullptr) << "needs the clock_settime shim";
    ASSERT_TRUE(DropPrivilegesAtStart());
    std::ofstream(std::getenv("HODRA_SHIM_LOG"), std::ios::trunc).close();

    test::FakeSntpServer server;
    SntpClient client(std::chrono::milliseconds(500));
    WatchedDriver driver;
    ClockSetter setter(driver);
    SyncOperation operation(client, &setter);

    std::atomic<bool> done{false};
    std::atomic<long> samples{0};
    long violations = 0, seenInside = 0, outsideAfterRun = 0;
    std::thread sampler([&] {
        while (!done) {
            const unsigned before = windowEdges.load();
            const bool held = AnyThreadHoldsSysTime();
            const unsigned after = windowEdges.load();
            ++samples;
            if (held && before == after && before % 2 == 0) {
                ++violations;  // seen while no thread was inside StepClock
            }
            seenInside += held;
        }
    });
    int set = 0;
    for (int run = 0; run < 1000; ++run) {
        SyncOutcome outcome;
        std::thread worker([&] { outcome = operation.Run({true, {server.Address(), "127.0.0.1:9"}}); });
        worker.join();
        set += outcome.ClockSet();
        // Between runs no thread is inside StepClock: the capability must be down everywhere.
        outsideAfterRun += AnyThreadHoldsSysTime();
    }
    // The sampler has looked at least once before it stops, however slow the machine.
    while (samples.load() == 0) {
        std::this_thread::yield();
    }
    done = true;
    sampler.join();
    EXPECT_EQ(set, 1000) << "the shim lets every run set the clock";
    EXPECT_EQ(violations, 0) << "CAP_SYS_TIME was effective outside StepClock";
    EXPECT_EQ(outsideAfterRun, 0) << "CAP_SYS_TIME stayed effective after StepClock returned";
    std::ifstream recorded(std::getenv("HODRA_SHIM_LOG"));
    long lines = 0;
    for (std::string line; std::getline(recorded, line);) {
        ++lines;
    }
    EXPECT_EQ(lines, 1000) << "one recorded step per run";
    EXPECT_EQ(windowEdges.load(), 2000u);
    std::printf("samples %ld, with the capability raised inside StepClock %ld, outside %ld\n", samples.load(),
                seenInside, violations);
}

}  // namespace
}  // namespace hodra
