#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "chrony_server.h"
#include "sync/clock_report.h"
#include "time/clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "read_file.h"
#include "sync/result_log.h"
#include "time/sntp_client.h"
#include "sync/sync_operation.h"
#include "temp_dir.h"

namespace hodra {
namespace {

using std::chrono::milliseconds;
using test::FakeSntpServer;
using test::ReplyScript;

class Run : public ::testing::Test {
protected:
    Run() : client(milliseconds(300)), setter(driver), operation(client, &setter) {
        ReplyScript quiet;
        quiet.silent = true;
        silent.SetScript(quiet);
    }

    SyncRequest Request(bool synchronise, const FakeSntpServer& primary, const FakeSntpServer& secondary) {
        SyncRequest r;
        r.synchronise = synchronise;
        r.hosts = {primary.Address(), secondary.Address()};
        return r;
    }
    void ServerAhead(double seconds) {
        ReplyScript s;
        s.clockOffset = seconds;
        answering.SetScript(s);
    }

    test::TempDir dir;
    FakeSntpServer answering;
    FakeSntpServer silent;
    test::FakeClockDriver driver;
    SntpClient client;
    ClockSetter setter;
    SyncOperation operation;
};

TEST_F(Run, CompareReportsTheOffsetAndNeverTouchesTheClockOrTheLastSync) {
    ServerAhead(-12.345);
    const SyncOutcome out = operation.Run(Request(false, answering, silent));
    EXPECT_TRUE(out.Answered());
    EXPECT_EQ(out.serverId, 1);
    EXPECT_EQ(ResultMessage(out), "사용자 PC가 12.3 초 빠릅니다.");
    EXPECT_FALSE(out.ClockSet());
    EXPECT_EQ(out.serverAddress, "127.0.0.1");
    EXPECT_TRUE(driver.calls.empty());
    EXPECT_EQ(silent.RequestsSeen(), 0);
}

TEST_F(Run, PrimarySilentSecondaryAnswers) {
    ServerAhead(0.03);
    const SyncOutcome out = operation.Run(Request(false, silent, answering));
    EXPECT_TRUE(out.Answered());
    EXPECT_EQ(out.serverId, 2);
    EXPECT_EQ(ResultMessage(out), "한국표준시에 동기되어 있습니다.");
    EXPECT_EQ(silent.RequestsSeen(), SntpClient::kBurstRequests) << "a burst, each request in its own share";
}

TEST_F(Run, SynchroniseStepsTheClockByTheWholeOffset) {
    ServerAhead(1.5);
    const SyncOutcome out = operation.Run(Request(true, answering, silent));
    EXPECT_TRUE(out.Answered());
    EXPECT_EQ(ResultMessage(out), "한국표준시에 동기되었습니다.");
    EXPECT_TRUE(out.ClockSet());
    EXPECT_NEAR(out.offset, 1.5, out.delay / 2 + 0.0005) << "within half the round trip of the truth";
    // The whole offset, as measured, in one relative step.
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"raise", "step", "lower"}));
    ASSERT_EQ(driver.steps.size(), 1u);
    EXPECT_NEAR(driver.steps[0], out.offset, 1e-9);
}

TEST_F(Run, FailedClockSettingShowsTheFailure) {
    ServerAhead(3.0);
    driver.setSucceeds = false;
    const SyncOutcome out = operation.Run(Request(true, answering, silent));
    EXPECT_TRUE(out.Answered());
    EXPECT_EQ(out.serverId, 1);
    EXPECT_EQ(ResultMessage(out), "동기에 실패했습니다.");
    EXPECT_FALSE(out.ClockSet());
    EXPECT_EQ(out.setError, EPERM);
}

// As on a kernel that gives no transmit stamp: our own stamp stands in for it, read
// `earlier` seconds before the request left (a long trip, or a caller who stopped us);
// the first `untouched` exchanges keep the kernel's.
class OwnTransmitStamp : public Exchanger {
public:
    OwnTransmitStamp(Exchanger& real, double earlier, int untouched = 0)
        : real(real), earlier(earlier), untouched(untouched) {}
    ExchangeResult Exchange(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                            const AnsweredBy* avoid) override {
        ExchangeResult result = real.Exchange(host, port, cancel, avoid);
        if (untouched-- > 0 || !result) {
            return result;
        }
        result.reply->kernelTransmitStamp = false;
        result.reply->originate = AddSeconds(result.reply->originate, -earlier);
        return result;
    }

private:
    Exchanger& real;
    double earlier;
    int untouched;
};

// With a capability borrowed under AT_SECURE the clock moves on the kernel's stamps, which a caller who stops
// the helper cannot shift, or on our own within a 50 ms round trip (wrong by at most 25 ms).
TEST_F(Run, KernelStampsOnlyStepsOnTheKernelsStampsOrWithinAShortTrip) {
    ServerAhead(2.5);
    SyncRequest request = Request(true, answering, silent);
    request.kernelStampsOnly = true;
    const SyncOutcome stamped = operation.Run(request);
    EXPECT_TRUE(stamped.ClockSet()) << "loopback gives both kernel stamps";
    ASSERT_EQ(driver.steps.size(), 1u);

    OwnTransmitStamp shortTrip(client, 0.0);
    const SyncOutcome own = SyncOperation(shortTrip, &setter).Run(request);
    EXPECT_TRUE(own.ClockSet()) << "loopback's trip is far below 50 ms";
    EXPECT_FALSE(own.kernelTransmitStamp) << "and the report says whose stamp it was";

    OwnTransmitStamp longTrip(client, 0.060);
    SyncOperation fallback(longTrip, &setter);
    const SyncOutcome refused = fallback.Run(request);
    EXPECT_TRUE(refused.Answered());
    EXPECT_FALSE(refused.ClockSet());
    EXPECT_NE(refused.result, RunResult::NotPermitted)
        << "not a missing capability: the timedated route must not take it up";
    EXPECT_EQ(ResultMessage(refused), "동기에 실패했습니다.");
    ASSERT_EQ(refused.failures.size(), 1u);
    EXPECT_EQ(refused.failures[0].kind, RunFailure::Kind::NoKernelStamps);
    EXPECT_EQ(Describe(refused.failures[0]),
              "커널의 송수신 시각이 없고 왕복 시간이 50 ms를 넘어 시계를 맞추지 않습니다")
        << "the step's own refusal names no host";
    EXPECT_EQ(driver.steps.size(), 2u) << "no third step";
    request.kernelStampsOnly = false;
    EXPECT_TRUE(fallback.Run(request).ClockSet())
        << "without a capability borrowed under AT_SECURE our own stamp serves";
}

// A forged year: never stepped by a run nobody confirmed, and with the user's word only
// when a second server tells the same time.
TEST_F(Run, AStepOverTheLimitNeedsTheUsersWordAndASecondSourceThatAgrees) {
    constexpr double kYear = 365.0 * 86400;
    ServerAhead(kYear);
    FakeSntpServer second;
    auto request = [&](bool allowed) {
        SyncRequest r = Request(true, answering, second);
        r.maxStep = 1000;
        r.allowLargeStep = allowed;
        return r;
    };
    auto secondAhead = [&](double seconds) {
        ReplyScript s;
        s.clockOffset = seconds;
        second.SetScript(s);
    };
    const SyncOutcome automatic = operation.Run(request(false));
    EXPECT_EQ(automatic.result, RunResult::TooLarge);
    EXPECT_EQ(ResultMessage(automatic), "PC가 365.0 일 늦지만 차이가 커서 안 맞췄습니다.");
    EXPECT_EQ(second.RequestsSeen(), 0) << "nothing to confirm without the user's word";

    secondAhead(0.0);
    const SyncOutcome disagreed = operation.Run(request(true));
    EXPECT_EQ(disagreed.result, RunResult::Unconfirmed);
    EXPECT_EQ(ResultMessage(disagreed), "다른 서버로 확인하지 못해 맞추지 않았습니다.");
    ASSERT_FALSE(disagreed.failures.empty());
    const RunFailure& disagreement = disagreed.failures.back();
    EXPECT_EQ(disagreement.kind, RunFailure::Kind::Disagrees);
    EXPECT_NEAR(disagreement.firstOffset - disagreement.offset, kYear, 0.01);
    EXPECT_NE(Describe(disagreement).find(second.Address() + ": 다른 시각을 알림"), std::string::npos);

    ReplyScript quiet;
    quiet.silent = true;
    second.SetScript(quiet);
    const SyncOutcome alone = operation.Run(request(true));
    EXPECT_EQ(alone.result, RunResult::Unconfirmed);
    ASSERT_FALSE(alone.failures.empty());
    EXPECT_EQ(alone.failures.back().kind, RunFailure::Kind::NoSecondSource);
    EXPECT_TRUE(driver.calls.empty()) << "no step without agreement";

    // A second answer alike in reference ID and time is the first server again (another of
    // its addresses); two orphan-mode servers, with no reference time, are two servers.
    ReplyScript sameReference;
    sameReference.clockOffset = kYear + 0.6;
    sameReference.reference = NtpTimestamp::FromParts(3900000000u, 5);
    answering.SetScript([&] {
        ReplyScript s = sameReference;
        s.clockOffset = kYear;
        return s;
    }());
    second.SetScript(sameReference);
    const SyncOutcome itself = operation.Run(request(true));
    EXPECT_EQ(itself.result, RunResult::Unconfirmed);
    ASSERT_FALSE(itself.failures.empty());
    EXPECT_EQ(itself.failures.front().kind, RunFailure::Kind::SameServer) << Describe(itself.failures.front());
    EXPECT_TRUE(driver.calls.empty());
    sameReference.reference = NtpTimestamp();
    second.SetScript(sameReference);
    answering.SetScript([&] {
        ReplyScript s = sameReference;
        s.clockOffset = kYear;
        return s;
    }());
    const SyncOutcome agreed = operation.Run(request(true));
    EXPECT_TRUE(agreed.ClockSet()) << "two orphan-mode servers agree";
    ASSERT_EQ(driver.steps.size(), 1u);
    EXPECT_NEAR(driver.steps[0], kYear, 0.01) << "the first server's measurement is the step";
    ServerAhead(kYear);

    // With a capability borrowed under AT_SECURE the second measurement must be as far from a caller's reach as
    // the first: our own stamps over a long trip confirm nothing.
    OwnTransmitStamp slowSecond(client, 0.060, 1);
    SyncRequest borrowed = request(true);
    borrowed.kernelStampsOnly = true;
    const SyncOutcome unreached = SyncOperation(slowSecond, &setter).Run(borrowed);
    EXPECT_EQ(unreached.result, RunResult::Unconfirmed);
    ASSERT_FALSE(unreached.failures.empty());
    EXPECT_EQ(unreached.failures.front().kind, RunFailure::Kind::NoKernelStamps);
    EXPECT_EQ(unreached.failures.front().host, second.Address());
    EXPECT_EQ(driver.steps.size(), 1u);

    ServerAhead(999.0);  // within the limit: no question, no second source
    const int asked = second.RequestsSeen();
    EXPECT_TRUE(operation.Run(request(false)).ClockSet());
    EXPECT_EQ(second.RequestsSeen(), asked);
}

// A result leaves the helper as its report line's word and its exit status and comes back
// in the window as the same result; the history keeps the same word.
TEST(RunResultTable, ResultsTravelThroughTheReportLineAndTheirWordsAndExitStatuses) {
    const std::pair<RunResult, int> expected[] = {
        {RunResult::NoAnswer, 1}, {RunResult::Compared, 0}, {RunResult::Set, 0},         {RunResult::NotPermitted, 3},
        {RunResult::Failed, 3},   {RunResult::TooLarge, 4}, {RunResult::Unconfirmed, 5},
    };
    for (const auto& [result, exitStatus] : expected) {
        SyncOutcome sent;
        sent.result = result;
        sent.serverId = 2;
        sent.serverHost = "127.0.0.1:123";
        sent.offset = -1.5;
        const std::string line = FormatClockReport(sent);
        SyncOutcome back;
        ASSERT_TRUE(ParseClockReport("hodra2-sntp: a complaint\n" + line + "\n", back)) << line;
        EXPECT_EQ(back.result, result) << line;
        EXPECT_EQ(back.serverId, 2);
        EXPECT_EQ(back.Answered(), result != RunResult::NoAnswer) << line;
        EXPECT_EQ(ResultOfWord(ResultWord(result)), result);
        EXPECT_EQ(ExitStatusOf(result), exitStatus) << ResultWord(result);
    }
    EXPECT_STREQ(ResultWord(RunResult::NotStarted), "failed") << "the history does not blame the network";
    EXPECT_EQ(ExitStatusOf(RunResult::NotStarted), 3);
    EXPECT_EQ(ResultOfWord("stepped"), std::nullopt);
    SyncOutcome unknown;
    EXPECT_FALSE(ParseClockReport("answered=1 outcome=stepped", unknown));
    EXPECT_FALSE(ParseClockReport("answered=0 outcome=no-answer", unknown)) << "a report names the host";
    EXPECT_EQ(ResultMessage(RunResult::TooLarge, 7200.0), "PC가 7200 초 늦지만 차이가 커서 안 맞췄습니다.");
}

TEST(RunTimeouts, NeitherServerAnsweringTakesTwoFullWaits) {
    FakeSntpServer first;
    FakeSntpServer second;
    ReplyScript quiet;
    quiet.silent = true;
    first.SetScript(quiet);
    second.SetScript(quiet);
    test::FakeClockDriver driver;
    SntpClient client;  // the real 2000 ms
    ClockSetter setter(driver);
    SyncOperation operation(client, &setter);
    SyncRequest request{true, {first.Address(), second.Address()}};
    const auto start = std::chrono::steady_clock::now();
    const SyncOutcome out = operation.Run(request);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(out.Answered());
    EXPECT_EQ(out.serverId, 3);
    EXPECT_EQ(ResultMessage(out), "서버에서 응답이 없습니다");
    EXPECT_FALSE(out.ClockSet());
    EXPECT_TRUE(driver.calls.empty());
    // Each waited its full reply time-out (a monotonic deadline: load only makes it longer),
    // and each was asked its burst.
    EXPECT_GE(took, milliseconds(3990));
    EXPECT_EQ(first.RequestsSeen(), SntpClient::kBurstRequests);
    EXPECT_EQ(second.RequestsSeen(), SntpClient::kBurstRequests);
}

TEST(ResultLog, LocalTimeAndThePcErrorBeforeTheCorrection) {
    const char* savedTz = std::getenv("TZ");
    const std::string saved = savedTz ? savedTz : "";
    setenv("TZ", "Asia/Seoul", 1);
    tzset();
    // 2026-03-01 00:00:05 UTC is 09:00:05 in Seoul.
    EXPECT_EQ(ResultLog::FormatLine(1772323205, 1.5), "2026-03-01 09:00:05 -1.500\n");
    EXPECT_EQ(ResultLog::FormatLine(1772323205, -0.25), "2026-03-01 09:00:05 0.250\n");
    savedTz ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
    tzset();
}

TEST(ResultLog, AFileThatCannotBeOpenedCostsOneLineOnStderr) {
    test::TempDir dir;
    ResultLog nowhere(dir.StdPath("no/such/dir/HodraLog.txt"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(nowhere.Append(1800000000, 2.0));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("HodraLog.txt"), std::string::npos);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);

    // Someone else's symbolic link in a shared start directory sends the line nowhere.
    const std::string theirs = dir.StdPath("theirs.txt");
    std::ofstream(theirs) << "kept\n";
    ASSERT_EQ(symlink(theirs.c_str(), dir.StdPath("linked-HodraLog.txt").c_str()), 0);
    ResultLog linked(dir.StdPath("linked-HodraLog.txt"));
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(linked.Append(1800000000, 2.0));
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("기호 링크여서 따라가지 않습니다"), std::string::npos);
    EXPECT_EQ(test::ReadFile(theirs), "kept\n");
}

TEST(RunAgainstChrony, FakedClockTwelveSecondsBehindGivesTheFastText) {
    std::string why;
    if (!test::ChronyServer::Available("-12.345s", &why)) {
        GTEST_SKIP() << why;
    }
    test::ChronyServer chrony("-12.345s");
    ASSERT_TRUE(chrony.Running()) << chrony.Failure();
    test::FakeClockDriver driver;
    SntpClient client;
    ClockSetter setter(driver);
    SyncOperation operation(client, &setter);
    const SyncOutcome out = operation.Run({false, {chrony.Address(), "127.0.0.1:9"}});
    EXPECT_EQ(out.serverId, 1);
    EXPECT_EQ(ResultMessage(out), "사용자 PC가 12.3 초 빠릅니다.");
}

}  // namespace
}  // namespace hodra
