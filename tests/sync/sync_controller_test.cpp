#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMetaType>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "sync/clock_report.h"
#include "time/clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "fake_time_service.h"
#include "platform/child_process_linux.h"
#include "sync/helper_sync.h"
#include "read_file.h"
#include "sync/result_log.h"
#include "sync/run_parts.h"
#include "time/sntp_client.h"
#include "sync/sync_controller.h"
#include "temp_dir.h"

namespace hodra {
namespace {

using std::chrono::milliseconds;
using test::FakeSntpServer;
using test::ReplyScript;

// Records what the window would see, in order.
struct Observer {
    std::vector<std::string> events;
    SyncOutcome last;
    AppliedStep lastStep;

    void Watch(SyncController& c) {
        QObject::connect(&c, &SyncController::buttonsEnabledChanged,
                         [this](bool on) { events.push_back(on ? "enable" : "disable"); });
        QObject::connect(&c, &SyncController::messageChanged,
                         [this](const QString& t) { events.push_back("text:" + t.toStdString()); });
        QObject::connect(&c, &SyncController::resultsRecorded, [this](const SyncOutcome& o, const AppliedStep& step) {
            last = o;
            lastStep = step;
            events.push_back("results:" + std::to_string(o.serverId));
        });
        QObject::connect(&c, &SyncController::blinkRequested, [this](qint64) { events.push_back("blink"); });
    }
};

class Controller : public ::testing::Test {
protected:
    Controller() : client(milliseconds(300)), setter(driver), operation(client, &setter) {}

    std::unique_ptr<SyncController> Make(const std::string& primary, bool blink = true) {
        auto c =
            std::make_unique<SyncController>(operation, SyncController::Servers{{primary, "127.0.0.1:9"}}, [blink] {
                return SyncController::RunFlags{blink, false};
            });
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
    SyncOperation operation;
    Observer observer;
};

TEST_F(Controller, AppliesTheOutcomeInOrderOnTheUiThread) {
    ReplyScript ahead;
    ahead.clockOffset = 4.0;
    server.SetScript(ahead);
    auto c = Make(server.Address());
    const auto before = std::time(nullptr);
    c->OnSync();
    EXPECT_TRUE(c->busy());
    ASSERT_TRUE(WaitIdle(*c));
    const std::vector<std::string> expected = {"disable", "text:한국표준시에 동기되었습니다.", "results:1", "blink",
                                               "enable"};
    EXPECT_EQ(observer.events, expected);
    EXPECT_TRUE(observer.last.ClockSet());
    EXPECT_NEAR(observer.last.offset, 4.0, observer.last.delay / 2 + 0.0005);
    EXPECT_GE(observer.lastStep.lastCon, before) << "the window stamps the step as it applies it";
    EXPECT_LE(observer.lastStep.lastCon, std::time(nullptr));
    EXPECT_FALSE(observer.lastStep.log) << "Log was off when the run started";

    // Blink off when the run started: no blink, whatever the settings are by its end.
    auto quiet = Make(server.Address(), false);
    observer.events.clear();
    quiet->OnSync();
    ASSERT_TRUE(WaitIdle(*quiet));
    EXPECT_EQ(observer.events,
              (std::vector<std::string>{"disable", "text:한국표준시에 동기되었습니다.", "results:1", "enable"}));
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
    const int oneRun = server.RequestsSeen();
    EXPECT_LE(oneRun, SntpClient::kBurstRequests) << "one run's burst, no more";
    EXPECT_TRUE(driver.calls.empty()) << "the dropped synchronise must not run";
    EXPECT_EQ(observer.events.back(), "enable");
    EXPECT_EQ(std::count(observer.events.begin(), observer.events.end(), "disable"), 1);
    // Idle again: the next request runs.
    c->OnCompare();
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_GT(server.RequestsSeen(), oneRun);
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

// A close cancels the run at once: with a reply time-out of an hour, a close that waited
// for the exchange would hang here.
TEST_F(Controller, ClosingDuringARunCancelsItAtOnceAndAppliesNothing) {
    ReplyScript quiet;
    quiet.silent = true;
    server.SetScript(quiet);
    SntpClient patient(std::chrono::hours(1));
    SyncOperation waiting(patient, &setter);
    SyncController c(waiting, SyncController::Servers{{server.Address()}}, [] {
        return SyncController::RunFlags{true, true};
    });
    observer.Watch(c);
    c.OnSync();
    ASSERT_TRUE(server.WaitForRequests(1));
    c.CancelPendingRun();
    EXPECT_FALSE(c.busy());
    QCoreApplication::processEvents();
    EXPECT_EQ(observer.events, std::vector<std::string>{"disable"}) << "a cancelled run records nothing";
    EXPECT_TRUE(driver.calls.empty()) << "and sets no clock";
    // Destroying a controller mid-run neither crashes nor hangs.
    c.OnCompare();
    ASSERT_TRUE(server.WaitForRequests(2));
}

// Automatic runs leave the clock to the system where it keeps it; a run the user asks for
// still sets it.
TEST_F(Controller, AutomaticRunsOnlyCompareWhereTheSystemKeepsTheClock) {
    ReplyScript ahead;
    ahead.clockOffset = 4.0;
    server.SetScript(ahead);
    test::FakeTimeService system;
    system.keepsClock = true;
    auto c = Make(server.Address());
    c->setTimeService(&system);
    c->OnAutoSync();
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_EQ(system.queries, 1);
    EXPECT_TRUE(driver.calls.empty()) << "no step behind the system's back";
    std::vector<std::string> expected = {"disable", "text:시스템 동기중: PC가 4.0 초 늦습니다.", "results:1", "enable"};
    EXPECT_EQ(observer.events, expected);
    EXPECT_FALSE(observer.last.ClockSet());

    observer.events.clear();
    c->OnSync();
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_EQ(system.queries, 1) << "a run the user asks for does not ask the system";
    EXPECT_EQ(driver.setTimes.size(), 1u);

    system.keepsClock = false;
    c->OnAutoSync();
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_EQ(system.queries, 2);
    EXPECT_EQ(driver.setTimes.size(), 2u) << "without the system keeping it, the timer sets the clock";

    system.keepsClock = true;
    observer.events.clear();
    c->OnAutoCompare();
    ASSERT_TRUE(WaitIdle(*c));
    EXPECT_EQ(system.queries, 2) << "the start-up run compares anyway: nothing to ask";
    expected = {"disable", "text:사용자 PC가 4.0 초 늦습니다.", "results:1", "enable"};
    EXPECT_EQ(observer.events, expected);
}

// A forger on the path may not walk the clock by just under the limit, run after run: the
// automatic steps of a day add up to at most the limit; past it an automatic run only
// compares and says so, and "동기" by the user works as before.
TEST_F(Controller, AutomaticStepsOfADayAddUpToAtMostTheLimit) {
    ReplyScript ahead;
    ahead.clockOffset = 900.0;  // each run finds the server 900 s ahead again
    server.SetScript(ahead);
    SyncController c(operation, SyncController::Servers{{server.Address()}, 1000.0}, [] {
        return SyncController::RunFlags{false, false};
    });
    observer.Watch(c);
    c.setStepLedger([this] {
        double moved = 0.0;
        for (const double step : driver.steps) {
            moved += std::abs(step);
        }
        return moved;
    });
    c.OnAutoSync();
    ASSERT_TRUE(WaitIdle(c));
    ASSERT_EQ(driver.steps.size(), 1u) << "900 s of the day's 1000";
    observer.events.clear();
    c.OnAutoSync();
    ASSERT_TRUE(WaitIdle(c));
    EXPECT_EQ(driver.steps.size(), 1u) << "1800 s in a day is over the limit";
    EXPECT_EQ(observer.last.result, RunResult::TooLarge);
    EXPECT_EQ(observer.events[1], "text:PC가 900 초 늦지만 차이가 커서 안 맞췄습니다.");
    c.OnSync();
    ASSERT_TRUE(WaitIdle(c));
    EXPECT_EQ(driver.steps.size(), 2u) << "the user's own run, within the limit";
}

// A run that may not set the clock hands the measured offset to the system's service.
TEST_F(Controller, RefusedStepGoesToTheSystemServiceWithTheMeasuredOffset) {
    ReplyScript ahead;
    ahead.clockOffset = -1.5;
    server.SetScript(ahead);
    SyncOperation unprivileged(client, nullptr);
    test::FakeTimeService system;
    SyncController c(unprivileged, SyncController::Servers{{server.Address()}}, [] {
        return SyncController::RunFlags{true, true};
    });
    c.setTimeService(&system);
    observer.Watch(c);
    c.OnSync();
    ASSERT_TRUE(WaitIdle(c));
    ASSERT_EQ(system.steps.size(), 1u);
    EXPECT_NEAR(system.steps[0], observer.last.offset, 1e-12) << "the measured offset, as measured";
    EXPECT_NEAR(system.steps[0], -1.5, observer.last.delay / 2 + 0.0005);
    EXPECT_TRUE(system.mayAsk[0]) << "the user asked: polkit may ask for a password";
    std::vector<std::string> expected = {"disable", "text:한국표준시에 동기되었습니다.", "results:1", "blink",
                                         "enable"};
    EXPECT_EQ(observer.events, expected);
    EXPECT_TRUE(observer.last.ClockSet());
    EXPECT_EQ(observer.last.offset, system.steps[0]);
    EXPECT_TRUE(observer.lastStep.log) << "the system's step is logged as our own";

    // The timer's run never brings up a password dialog.
    c.OnAutoSync();
    ASSERT_TRUE(WaitIdle(c));
    ASSERT_EQ(system.mayAsk.size(), 2u);
    EXPECT_FALSE(system.mayAsk[1]);

    observer.events.clear();
    system.stepSucceeds = false;
    c.OnSync();
    ASSERT_TRUE(WaitIdle(c));
    expected = {"disable", "text:동기에 실패했습니다.", "results:1", "enable"};
    EXPECT_EQ(observer.events, expected) << "no blink, nothing recorded";
    EXPECT_FALSE(observer.last.ClockSet());

    observer.events.clear();
    c.setTimeService(nullptr);
    c.OnSync();
    ASSERT_TRUE(WaitIdle(c));
    EXPECT_EQ(observer.events, expected) << "no route at all: the usual failure";
}

// A stand-in for the clock helper: a script that answers as hodra2-sntp would.
class ScriptedHelper : public ::testing::Test {
protected:
    std::string Helper(const std::string& body) {
        const std::string path = dir.StdPath("hodra2-sntp");
        std::ofstream(path) << "#!/bin/sh\necho \"$@\" > " << dir.StdPath("args") << "\n" << body << "\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    SyncOutcome Synchronise(const std::string& helper, bool allowLargeStep = false) {
        HelperSync runs(compare, helper, RunChild);
        SyncRequest request{true, {"127.0.0.1:9"}};
        request.allowLargeStep = allowLargeStep;
        const CancelToken none;
        return runs.Run(request, none);
    }
    std::string Read(const QString& name) { return test::ReadFile(dir.StdPath(name)); }

    test::TempDir dir;
    SntpClient client{milliseconds(300)};
    SyncOperation compare{client, nullptr};
};

TEST_F(ScriptedHelper, ItsReportBecomesTheOutcomeOfAnInProcessRun) {
    SyncOutcome out = Synchronise(
        Helper("echo '사용자 PC가 1.5 초 늦습니다.'\necho '한국표준시에 동기되었습니다.'\n"
               "echo 'server=time.example:123 address=192.0.2.7 offset=+1.500000 delay=0.000100 stratum=2 answered=2 "
               "outcome=set'"));
    EXPECT_EQ(Read("args"), "--sync\n") << "the helper picks the administrator's servers itself";
    EXPECT_EQ(ResultMessage(out), "한국표준시에 동기되었습니다.");
    EXPECT_TRUE(out.ClockSet());
    EXPECT_EQ(out.serverId, 2);
    EXPECT_EQ(out.serverAddress, "192.0.2.7");
    EXPECT_NEAR(out.offset, 1.5, 1e-9);

    out =
        Synchronise(Helper("echo 'server=a:123 address=192.0.2.7 offset=-0.250000 delay=0.000100 stratum=2 "
                           "answered=1 outcome=not-permitted'\nexit 3"));
    EXPECT_EQ(out.result, RunResult::NotPermitted);
    EXPECT_FALSE(out.ClockSet());
    EXPECT_DOUBLE_EQ(out.offset, -0.25);
    EXPECT_EQ(ResultMessage(out), "동기에 실패했습니다.");

    out =
        Synchronise(Helper("echo 'server=a:123 address=192.0.2.7 offset=-7200.5 delay=0.0001 stratum=2 answered=1 "
                           "outcome=too-large'\nexit 4"));
    EXPECT_EQ(out.result, RunResult::TooLarge);
    EXPECT_EQ(ResultMessage(out), "PC가 7201 초 빠르지만 차이가 커서 안 맞췄습니다.");
    out = Synchronise(Helper("echo 'server=a:123 address=192.0.2.7 offset=-7200.5 delay=0.0001 stratum=2 answered=1 "
                             "outcome=unconfirmed'\nexit 5"),
                      true);
    EXPECT_EQ(Read("args"), "--sync --allow-large-step\n") << "the user's word goes with that one run";
    HelperSync budgeted(compare, Helper("echo 'answered=2 outcome=no-answer'"), RunChild);
    SyncRequest automatic{.synchronise = true, .hosts = {"127.0.0.1:9"}, .automatic = true};
    automatic.stepBudget = 100.0;
    (void)budgeted.Run(automatic, CancelToken{});
    EXPECT_EQ(Read("args"), "--sync --step-budget 100.000 --auto\n") << "the day's budget goes with the timer's run";
    EXPECT_EQ(out.result, RunResult::Unconfirmed);
    EXPECT_EQ(ResultMessage(out), "다른 서버로 확인하지 못해 맞추지 않았습니다.");

    out = Synchronise(Helper("echo '서버에서 응답이 없습니다'\necho 'answered=3 outcome=no-answer'\nexit 1"));
    EXPECT_EQ(ResultMessage(out), "서버에서 응답이 없습니다");
    EXPECT_EQ(out.serverId, 3);
    EXPECT_FALSE(out.Answered());
}

TEST_F(ScriptedHelper, AMissingOrBrokenHelperFailsWithoutTouchingTheServerRecord) {
    ::testing::internal::CaptureStderr();
    SyncOutcome out = Synchronise(dir.StdPath("no-such-helper"));
    EXPECT_EQ(ResultMessage(out), "동기에 실패했습니다.");
    EXPECT_EQ(out.serverId, 0) << "the run never reached a server";
    EXPECT_STREQ(ResultWord(out.result), "failed") << "the history and the tray must not blame the network";
    out = Synchronise(Helper("echo 'answered=banana outcome=set'"));
    EXPECT_EQ(ResultMessage(out), "동기에 실패했습니다.");
    EXPECT_FALSE(out.ClockSet());
    EXPECT_EQ(out.serverId, 0);
    out = Synchronise(Helper("kill -9 $$"));
    EXPECT_EQ(ResultMessage(out), "동기에 실패했습니다.");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no-such-helper"), std::string::npos) << err;
}

// A helper stopped between its step and its report (it holds off the stop meanwhile) is
// waited for: its report becomes the run's outcome, logged, and applied before the close;
// the program's wiring of a run, with the real child runner.
TEST_F(ScriptedHelper, AStopAfterTheStepWaitsForTheReportAndRecordsIt) {
    const std::string helper = Helper("trap '' TERM\ntouch " + dir.StdPath("stepping") + "\nsleep 1\n" +
                                      "echo 'server=a:123 address=192.0.2.7 offset=+2.000000 delay=0.0001 stratum=2 "
                                      "answered=1 outcome=set'");
    RunParts runs(client, RunParts::Plan{{{"127.0.0.1:9"}}, helper, RunChild, dir.StdPath("HodraLog.txt"), [] {
                                             return SyncController::RunFlags{true, true};
                                         }});
    SyncController& c = runs.Controller();
    std::vector<SyncOutcome> recorded;
    AppliedStep step;
    QObject::connect(&c, &SyncController::resultsRecorded, [&](const SyncOutcome& o, const AppliedStep& applied) {
        runs.LogStep(o, applied);
        recorded.push_back(o);
        step = applied;
    });
    c.OnSync();
    struct stat seen {};
    while (stat(dir.StdPath("stepping").c_str(), &seen) != 0) {
        std::this_thread::yield();
    }
    c.CancelPendingRun();
    ASSERT_EQ(recorded.size(), 1u) << "the step is recorded before the close goes on";
    EXPECT_TRUE(recorded[0].ClockSet());
    EXPECT_DOUBLE_EQ(recorded[0].offset, 2.0);
    EXPECT_EQ(Read("HodraLog.txt"), ResultLog::FormatLine(step.lastCon, 2.0));
    EXPECT_FALSE(c.busy());
}

// Closing while the helper runs kills it: a helper that would wait for an hour ends at once.
// Also one that closed its output and runs on: a cancel still ends the wait for it.
TEST_F(ScriptedHelper, CancelEndsARunningHelper) {
    for (const char* before : {"", "exec >&-\n"}) {
        std::remove(dir.StdPath("started").c_str());
        const std::string helper =
            Helper(std::string(before) + "touch " + dir.StdPath("started") + "\nexec sleep 3600");
        HelperSync runs(compare, helper, RunChild);
        CancelToken cancel;
        SyncOutcome out;
        std::thread worker([&] { out = runs.Run(SyncRequest{true, {}}, cancel); });
        struct stat seen {};
        while (stat(dir.StdPath("started").c_str(), &seen) != 0) {
            std::this_thread::yield();
        }
        cancel.Cancel();
        worker.join();
        EXPECT_FALSE(out.ClockSet()) << before;
    }
}

}  // namespace
}  // namespace hodra
