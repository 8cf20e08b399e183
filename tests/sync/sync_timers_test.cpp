#include <gtest/gtest.h>

#include <QSignalSpy>
#include <cstdlib>
#include <string>
#include <vector>

#include "sync/blink_sequence.h"
#include "fake_monotonic_clock.h"
#include "sync/long_timer.h"
#include "sync/run_recovery.h"
#include "sync/sync_operation.h"
#include "sync/sync_timers.h"

namespace hodra {
namespace {

using test::FakeMonotonicClock;

// Moves the fake clock from wake-up to wake-up, as the event loop would, until the
// timer fires or `limitMs` have passed. Returns the time it fired at (or -1).
std::int64_t RunUntilFired(LongTimer& timer, FakeMonotonicClock& clock, std::int64_t limitMs) {
    QSignalSpy fired(&timer, &LongTimer::timeout);
    std::int64_t elapsed = 0;
    while (elapsed <= limitMs && fired.isEmpty()) {
        const int wake = timer.nextWakeMs();
        if (wake < 0) {
            break;
        }
        EXPECT_LE(wake, LongTimer::kMaxWakeMs);
        const std::int64_t step = std::max(wake, 1);
        clock.Advance(step);
        elapsed += step;
        timer.Check();
    }
    return fired.isEmpty() ? -1 : elapsed;
}

TEST(LongTimer, FiresOncePerFullIntervalWhateverItsLength) {
    FakeMonotonicClock clock;
    LongTimer timer(clock);
    timer.Start(60000);
    QSignalSpy fired(&timer, &LongTimer::timeout);
    clock.Advance(59999);
    timer.Check();
    EXPECT_TRUE(fired.isEmpty());
    clock.Advance(1);
    timer.Check();
    EXPECT_EQ(fired.size(), 1);
    EXPECT_FALSE(timer.isActive());
    timer.Check();
    EXPECT_EQ(fired.size(), 1);

    const std::int64_t hundredDays = 144000LL * 60000;
    timer.Start(hundredDays);
    EXPECT_EQ(RunUntilFired(timer, clock, hundredDays + 60000), hundredDays);
    EXPECT_EQ(fired.size(), 2);
}

TEST(LongTimer, OverdueDeadlineFiresAtTheFirstWakeAfterASuspend) {
    FakeMonotonicClock clock;
    LongTimer timer(clock);
    QSignalSpy fired(&timer, &LongTimer::timeout);
    timer.Start(3600000);
    clock.Advance(2 * 3600000);  // suspended past the deadline: the boot clock kept counting
    timer.Check();
    EXPECT_EQ(fired.size(), 1);
}

TEST(SyncTimers, AutoSyncTickAsksForARunAndRestartsTheFullPeriod) {
    FakeMonotonicClock clock;
    SyncTimers timers(clock);
    QSignalSpy due(&timers, &SyncTimers::autoSyncDue);
    timers.ArmAutoSync(1);
    EXPECT_EQ(RunUntilFired(timers.autoSyncTimer(), clock, 120000), 60000);
    EXPECT_EQ(due.size(), 1);
    EXPECT_TRUE(timers.autoSyncArmed());
    EXPECT_EQ(timers.autoSyncTimer().remainingMs(), 60000);

    // The settings sheet stops the timer and re-arms it when it closes: the period starts again.
    clock.Advance(45000);
    timers.DisarmAutoSync();
    EXPECT_FALSE(timers.autoSyncArmed());
    clock.Advance(30000);
    timers.ArmAutoSync(1);
    EXPECT_EQ(timers.autoSyncTimer().remainingMs(), 60000);
    EXPECT_EQ(due.size(), 1);
}

// After automatic runs no server answered: 30 s, 60 s, 120 s ... never past the interval;
// an answer ends it, and a network that comes up brings the pending try forward.
TEST(RunRecovery, TriesAgainSoonerThanTheIntervalAndStopsAtAnAnswer) {
    EXPECT_EQ(RunRecovery::RetryDelayMs(1, 3600000), 30000);
    EXPECT_EQ(RunRecovery::RetryDelayMs(2, 3600000), 60000);
    EXPECT_EQ(RunRecovery::RetryDelayMs(4, 3600000), 240000);
    EXPECT_EQ(RunRecovery::RetryDelayMs(40, 3600000), 3600000) << "never later than the regular interval";
    EXPECT_EQ(RunRecovery::RetryDelayMs(2, 45000), 45000);

    FakeMonotonicClock clock;
    SyncTimers timers(clock);
    timers.ArmAutoSync(60);
    RunRecovery recovery(timers, clock);
    QSignalSpy tries(&recovery, &RunRecovery::retryDue);
    SyncOutcome silence;
    silence.automatic = true;
    silence.synchronise = true;
    silence.result = RunResult::NoAnswer;
    silence.serverId = 3;  // both servers asked, neither answered
    SyncOutcome asked = silence;
    asked.automatic = false;
    recovery.OnRunFinished(asked);
    EXPECT_FALSE(recovery.retrying()) << "a run the user asked for is the user's to repeat";
    SyncOutcome helperFailed = silence;
    helperFailed.result = RunResult::NotStarted;
    helperFailed.serverId = 0;
    recovery.OnRunFinished(helperFailed);
    EXPECT_FALSE(recovery.retrying()) << "a helper that would not start is not a network that is down";
    for (const std::int64_t expected : {30000, 60000, 120000}) {
        recovery.OnRunFinished(silence);
        EXPECT_EQ(RunUntilFired(recovery.retryTimer(), clock, 3600000), expected);
        ASSERT_EQ(tries.size(), 1);
        EXPECT_TRUE(tries.takeFirst().at(0).toBool()) << "the same kind of run again";
    }
    // That try came while a run the user asked for was busy, and was dropped; the user's run
    // found no server either: the series goes on.
    recovery.OnRunFinished(asked);
    EXPECT_EQ(recovery.retryTimer().remainingMs(), 120000);
    EXPECT_LT(recovery.nextRun()->inMs, 3600000);
    recovery.OnRunFinished(silence);
    ASSERT_TRUE(recovery.nextRun());
    EXPECT_EQ(recovery.nextRun()->inMs, 240000) << "the tooltip's next run is the try";
    EXPECT_EQ(recovery.nextRun()->retry, 4) << "the fourth, of a synchronisation";
    EXPECT_TRUE(recovery.nextRun()->synchronise);
    SyncOutcome answered = silence;
    answered.result = RunResult::Compared;
    recovery.OnRunFinished(answered);
    EXPECT_FALSE(recovery.retrying());
    EXPECT_EQ(recovery.failures(), 0);
    EXPECT_GT(recovery.nextRun()->inMs, 3000000) << "back to the regular interval";
    EXPECT_EQ(recovery.nextRun()->retry, 0);

    recovery.OnRunFinished(silence);
    recovery.OnNetworkUp();
    ASSERT_TRUE(tries.wait(RunRecovery::kSettleMs + 30000)) << "the network brings the try forward";
    EXPECT_FALSE(recovery.retrying());
    // Resumed with a regular run overdue: it fires then, not at the timer's next wake-up.
    QSignalSpy regular(&timers, &SyncTimers::autoSyncDue);
    clock.Advance(2 * 3600000);
    recovery.OnResumed();
    EXPECT_TRUE(regular.wait(RunRecovery::kSettleMs + 30000));

    // Automatic synchronisation turned off: its pending try ends instead of setting the clock.
    recovery.OnRunFinished(silence);
    timers.DisarmAutoSync();
    EXPECT_FALSE(recovery.nextRun()) << "the tooltip no longer promises a run";
    const auto triedBefore = tries.size();
    RunUntilFired(recovery.retryTimer(), clock, 3600000);
    EXPECT_EQ(tries.size(), triedBefore);
    EXPECT_EQ(recovery.failures(), 0);
}

class Blink : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        savedTz = tz ? tz : "";
        hadTz = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        hadTz ? setenv("TZ", savedTz.c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    std::string savedTz;
    bool hadTz = false;
};

std::vector<std::string> Sequence(SyncTimers& timers, qint64 lastCon) {
    QSignalSpy text(&timers, &SyncTimers::messageChanged);
    timers.StartBlink(lastCon);
    int ticks = 0;
    while (timers.blinking() && ticks < 50) {
        timers.OnBlinkTimer();
        ++ticks;
    }
    std::vector<std::string> shown;
    for (const auto& args : text) {
        shown.push_back(args.at(0).toString().toStdString());
    }
    return shown;
}

TEST_F(Blink, FirstSequenceIsOneTickShorterThanLaterOnes) {
    FakeMonotonicClock clock;
    SyncTimers timers(clock);
    const std::string on = "한국표준시에 동기되었습니다.";
    const std::string final = "최종 동기시각은 AM 00시 05분 09초 였습니다.";
    const std::vector<std::string> first = {"", on, "", on, "", on, "", on, "", on, final};
    EXPECT_EQ(Sequence(timers, 309), first);  // 1970-01-01 00:05:09
    EXPECT_EQ(timers.blinkCount(), 0);
    const std::vector<std::string> later = {on, "", on, "", on, "", on, "", on, "", on, final};
    EXPECT_EQ(Sequence(timers, 309), later);
}

TEST_F(Blink, ASecondSuccessRestartsTheTimerAndTheCountGoesOn) {
    FakeMonotonicClock clock;
    SyncTimers timers(clock);
    timers.StartBlink(100);
    for (int i = 0; i < 4; ++i) {
        timers.OnBlinkTimer();
    }
    EXPECT_EQ(timers.blinkCount(), 5);
    QSignalSpy text(&timers, &SyncTimers::messageChanged);
    timers.StartBlink(45000);  // 12:30:00
    while (timers.blinking()) {
        timers.OnBlinkTimer();
    }
    EXPECT_EQ(text.size(), 7);  // counts 6..11, then the final tick
    EXPECT_EQ(text.last().at(0).toString().toStdString(), "최종 동기시각은 PM 12시 30분 00초 였습니다.");
}

TEST_F(Blink, FinalTextUsesTwelveHourWithNoonAsTwelve) {
    EXPECT_EQ(FinalSyncText(309), "최종 동기시각은 AM 00시 05분 09초 였습니다.");
    EXPECT_EQ(FinalSyncText(12 * 3600 + 30 * 60), "최종 동기시각은 PM 12시 30분 00초 였습니다.");
    EXPECT_EQ(FinalSyncText(13 * 3600 + 7 * 60 + 45), "최종 동기시각은 PM 01시 07분 45초 였습니다.");
    EXPECT_EQ(FinalSyncText(23 * 3600 + 59 * 60 + 59), "최종 동기시각은 PM 11시 59분 59초 였습니다.");
}

}  // namespace
}  // namespace hodra
