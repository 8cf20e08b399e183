// The clients of the system's time service and of the desktop's notifications, against
// fakes on a private bus: never the machine's own services.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <csignal>
#include <cstdlib>
#include <algorithm>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "private_bus.h"
#include "read_file.h"
#include "temp_dir.h"
#include "platform/desktop_notifications.h"
#include "platform/system_events.h"
#include "platform/timedate1.h"

namespace hodra {
namespace {

using test::FakeBusService;
using test::PrivateBus;

class Timedated : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!PrivateBus::Available(&why)) {
            GTEST_SKIP() << why;
        }
    }

    // A fresh bus with a fake service of these flags; a client connection to it.
    QDBusConnection Serve(const std::vector<std::string>& flags) {
        bus = std::make_unique<PrivateBus>();
        EXPECT_TRUE(bus->Running());
        std::vector<std::string> args{bus->Address(), dir.StdPath("calls")};
        args.insert(args.end(), flags.begin(), flags.end());
        if (!flags.empty() && flags.front() == "--absent") {
            service.reset();
        } else {
            service = std::make_unique<FakeBusService>(HODRA_FAKE_TIMEDATED, args);
            EXPECT_TRUE(service->Ready());
        }
        // Names are process-wide: a name used before would return that old connection.
        static int connections = 0;
        const QString name = QStringLiteral("client%1").arg(++connections);
        return QDBusConnection::connectToBus(QString::fromStdString(bus->Address()), name);
    }

public:
    template <typename Done>
    static bool WaitFor(Done done) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < 30000) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        return done();
    }

    std::string Calls() const { return test::ReadFile(dir.StdPath("calls")); }

    test::TempDir dir;
    std::unique_ptr<PrivateBus> bus;
    std::unique_ptr<FakeBusService> service;
};

TEST_F(Timedated, TheSystemKeepsTheClockOnlyWhenSynchronisationIsOnAndDone) {
    struct Case {
        std::vector<std::string> flags;
        bool keeps;
    };
    const std::vector<Case> cases = {{{}, false},
                                     {{"--ntp"}, false},
                                     {{"--synchronized"}, false},
                                     {{"--ntp", "--synchronized"}, true},
                                     {{"--absent"}, false}};
    for (const Case& c : cases) {
        Timedate1 client(Serve(c.flags));
        std::optional<bool> keeps;
        client.QueryKeepsClock([&keeps](bool k) { keeps = k; });
        ASSERT_TRUE(WaitFor([&] { return keeps.has_value(); })) << c.flags.size();
        EXPECT_EQ(*keeps, c.keeps) << (c.flags.empty() ? "no flags" : c.flags.front());
    }
    // No bus at all answers at once, and no.
    Timedate1 nowhere(QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), "none"));
    std::optional<bool> keeps;
    nowhere.QueryKeepsClock([&keeps](bool k) { keeps = k; });
    EXPECT_EQ(keeps, std::optional<bool>(false));
}

TEST_F(Timedated, StepsRelativelyWithInteractiveAuthorisationAndReportsARefusal) {
    Timedate1 client(Serve({}));
    std::optional<bool> stepped;
    client.StepBy(5.2500014, true, [&stepped](bool ok, const std::string&) { stepped = ok; });
    ASSERT_TRUE(WaitFor([&] { return stepped.has_value(); }));
    EXPECT_TRUE(*stepped);
    // Microseconds, relative, interactive, and the message itself lets polkit ask.
    EXPECT_EQ(Calls(), "SetTime 5250001 1 1 1\n");
    stepped.reset();
    client.StepBy(-0.25, false, [&stepped](bool ok, const std::string&) { stepped = ok; });
    ASSERT_TRUE(WaitFor([&] { return stepped.has_value(); }));
    EXPECT_EQ(Calls(), "SetTime 5250001 1 1 1\nSetTime -250000 1 0 0\n") << "a run nobody asked for never asks";

    Timedate1 refused(Serve({"--refuse", "org.freedesktop.timedate1.AutomaticTimeSyncEnabled"}));
    std::string why;
    stepped.reset();
    refused.StepBy(-1.5, true, [&](bool ok, const std::string& reason) {
        stepped = ok;
        why = reason;
    });
    ASSERT_TRUE(WaitFor([&] { return stepped.has_value(); }));
    EXPECT_FALSE(*stepped);
    EXPECT_NE(why.find("AutomaticTimeSyncEnabled"), std::string::npos) << why;
}

TEST_F(Timedated, CancelForgetsAnswersStillToCome) {
    Timedate1 client(Serve({"--ntp", "--synchronized"}));
    bool first = false;
    client.QueryKeepsClock([&first](bool) { first = true; });
    client.Cancel();
    // Replies come in order: once the second is in, the first one was dropped, not late.
    bool second = false;
    client.QueryKeepsClock([&second](bool) { second = true; });
    ASSERT_TRUE(WaitFor([&] { return second; }));
    EXPECT_FALSE(first);
}

// Each notification replaces the one before, and carries the program's icon.
TEST(Notifications, OneNotificationReplacedRatherThanStacked) {
    std::string why;
    if (!PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    test::TempDir dir;
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    FakeBusService daemon(HODRA_FAKE_NOTIFICATIONS, {bus.Address(), dir.StdPath("shown")});
    ASSERT_TRUE(daemon.Ready());
    DesktopNotifications notifications(
        QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), QStringLiteral("notifying")));
    const auto shown = [&dir] { return test::ReadFile(dir.StdPath("shown")); };
    const auto lines = [&shown] {
        const std::string text = shown();
        return std::count(text.begin(), text.end(), '\n');
    };
    notifications.Show(QStringLiteral("Hodra2 자동 동기"), QStringLiteral("서버에서 응답이 없습니다"));
    ASSERT_TRUE(Timedated::WaitFor([&] { return notifications.shownId() == 41; }));
    notifications.Show(QStringLiteral("Hodra2 자동 동기"), QStringLiteral("동기에 실패했습니다."));
    ASSERT_TRUE(Timedated::WaitFor([&] { return lines() == 2; }));
    EXPECT_EQ(shown(),
              "Notify 0 hodra2 Hodra2 자동 동기|서버에서 응답이 없습니다 -> 41\n"
              "Notify 41 hodra2 Hodra2 자동 동기|동기에 실패했습니다. -> 41\n");
}

// NetworkManager and logind (fakes on a private bus) tell of the network and of a resume;
// without NetworkManager on the bus, a route the kernel adds tells of the network. The
// suite runs in a network namespace of its own, so the route is ours to add.
TEST(SystemEventsTest, TheNetworkAndAResumeAreHeardFromTheBusOrTheKernel) {
    std::string why;
    if (!PrivateBus::Available(&why)) {
        GTEST_SKIP() << why;
    }
    PrivateBus bus;
    ASSERT_TRUE(bus.Running());
    FakeBusService fake(HODRA_FAKE_SYSTEM_EVENTS, {bus.Address()});
    ASSERT_TRUE(fake.Ready());
    SystemEvents events(QDBusConnection::connectToBus(QString::fromStdString(bus.Address()), "events"));
    events.Start();
    EXPECT_FALSE(events.watchingRoutes()) << "NetworkManager is there";
    QSignalSpy up(&events, &SystemEvents::networkUp);
    QSignalSpy resumed(&events, &SystemEvents::resumed);
    fake.Signal(SIGUSR1);
    EXPECT_TRUE(up.wait(10000));
    fake.Signal(SIGUSR2);
    EXPECT_TRUE(resumed.wait(10000));
    EXPECT_EQ(up.size(), 1) << "disconnected is no coming up";
    EXPECT_EQ(resumed.size(), 1) << "going to sleep is no resume";

    SystemEvents kernel(QDBusConnection(QStringLiteral("no bus")));
    kernel.Start();
    ASSERT_TRUE(kernel.watchingRoutes());
    QSignalSpy route(&kernel, &SystemEvents::networkUp);
    if (std::system("ip link set lo up && ip route add 192.0.2.0/24 dev lo") != 0) {
        GTEST_SKIP() << "no network namespace of our own to add a route in";
    }
    EXPECT_TRUE(route.wait(10000));
}

}  // namespace
}  // namespace hodra
