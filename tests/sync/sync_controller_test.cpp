#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaType>
#include <string>
#include <vector>

#include "clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "result_log.h"
#include "sntp_client.h"
#include "sync_controller.h"

namespace hodra {
namespace {

using std::chrono::milliseconds;
using test::FakeSntpServer;
using test::ReplyScript;

// Records what the window would see, in order.
struct Observer {
    std::vector<std::string> events;
    SyncOutcome last;

    void Watch(SyncController& c) {
        QObject::connect(&c, &SyncController::buttonsEnabledChanged,
                         [this](bool on) { events.push_back(on ? "enable" : "disable"); });
        QObject::connect(&c, &SyncController::messageChanged,
                         [this](const QString& t) { events.push_back("text:" + t.toStdString()); });
        QObject::connect(&c, &SyncController::resultsRecorded, [this](const SyncOutcome& o) {
            last = o;
            events.push_back("results:" + std::to_string(o.serverId));
        });
        QObject::connect(&c, &SyncController::blinkRequested, [this](qint64) { events.push_back("blink"); });
    }
};

class Controller : public ::testing::Test {
protected:
    Controller()
        : client(milliseconds(300)),
          setter(driver),
          log("/nonexistent/HodraLog.txt"),
          operation(client, setter, log) {}

    std::unique_ptr<SyncController> Make(const std::string& primary, bool blink = true) {
        auto c = std::make_unique<SyncController>(operation, primary, "127.0.0.1:9",
                                                  [blink] { return SyncController::RunFlags{blink, false}; });
        observer.Watch(*c);
        return c;
    }

    static bool WaitIdle(SyncController& c, int ms = 5000) {
        QElapsedTimer timer;
        timer.start();
        while (c.busy() && timer.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return !c.busy();
    }

    FakeSntpServer server;
    test::FakeClockDriver driver;
    SntpClient client;
    ClockSetter setter;
    ResultLog log;
    SyncOperation operation;
    Observer observer;
};

TEST_F(Controller, AppliesTheOutcomeInOrderOnTheUiThread) {
    ReplyScript ahead;
    ahead.clockOffset = 4.0;
    server.SetScript(ahead);
    auto c = Make(server.Address());
    c->OnSync();
    EXPECT_TRUE(c->busy());
    ASSERT_TRUE(WaitIdle(*c));
    const std::vector<std::string> expected = {"disable", "text:한국표준시에 동기되었습니다.", "results:1", "blink",
                                               "enable"};
    EXPECT_EQ(observer.events, expected);
    EXPECT_TRUE(observer.last.clockSet);
    EXPECT_NEAR(observer.last.lastDiff, 4.0, 0.005);
}

TEST_F(Controller, RequestsDuringARunAreDroppedAndButtonsStayDisabled) {
    ReplyScript slow;
    slow.delay = milliseconds(200);
    server.SetScript(slow);
    auto c = Make(server.Address());
    c->OnCompare();
    c->OnSync();
    c->OnCompare();
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.events, std::vector<std::string>{"disable"});
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_EQ(server.RequestsSeen(), 1);
    EXPECT_TRUE(driver.calls.empty()) << "the dropped synchronise must not run";
    EXPECT_EQ(observer.events.back(), "enable");
    EXPECT_EQ(std::count(observer.events.begin(), observer.events.end(), "disable"), 1);
    // Idle again: the next request runs.
    c->OnCompare();
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_EQ(server.RequestsSeen(), 2);
}

TEST_F(Controller, NeitherServerRecordsServerThreeWithoutBlink) {
    ReplyScript quiet;
    quiet.silent = true;
    server.SetScript(quiet);
    auto c = Make(server.Address());
    c->OnSync();
    ASSERT_TRUE(WaitIdle(*c));
    const std::vector<std::string> expected = {"disable", "text:서버에서 응답이 없습니다", "results:3", "enable"};
    EXPECT_EQ(observer.events, expected);
}

TEST_F(Controller, ClosingDuringARunWaitsForItAndKeepsItsResults) {
    ReplyScript slow;
    slow.clockOffset = -2.0;
    slow.delay = milliseconds(250);
    server.SetScript(slow);
    auto c = Make(server.Address(), false);
    c->OnSync();
    c->finishPendingRun();  // no event loop in between: the close path
    EXPECT_FALSE(c->busy());
    EXPECT_EQ(observer.events.back(), "enable");
    EXPECT_TRUE(observer.last.clockSet);
    EXPECT_NEAR(observer.last.lastDiff, -2.0, 0.005);
    // The queued delivery that follows finds nothing more to apply.
    const auto count = observer.events.size();
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.events.size(), count);
    // Destroying a controller mid-run neither crashes nor hangs.
    c->OnCompare();
    c.reset();
}

}  // namespace
}  // namespace hodra
