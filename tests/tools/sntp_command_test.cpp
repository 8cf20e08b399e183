#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "time/clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "time/sntp_client.h"
#include "tools/sntp_command.h"
#include "sync/sync_operation.h"

namespace hodra {
namespace {

using test::FakeSntpServer;
using test::ReplyScript;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

class SntpCommand : public ::testing::Test {
protected:
    Outcome Run(const std::vector<std::string>& args, double maxStep = 0.0) {
        auto options = ParseSntpArguments(args, {"unused-default"});
        if (!options) {
            return {kExitUsage, "", ""};
        }
        options->maxStep = maxStep;
        SntpClient client(std::chrono::milliseconds(300));
        ClockSetter setter(driver);
        SyncOperation operation(client, &setter);
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunSntpCommand(*options, operation, out, err);
        return {status, out.str(), err.str()};
    }

    test::FakeClockDriver driver;
};

TEST_F(SntpCommand, ComparePrintsTheTextAndTheReportLine) {
    FakeSntpServer server;
    ReplyScript ahead;
    ahead.clockOffset = 5.31;
    ahead.stratum = 3;
    server.SetScript(ahead);
    const Outcome got = Run({server.Address()});
    EXPECT_EQ(got.status, kExitAnswered);
    const std::regex expected(
        "사용자 PC가 5\\.3 초 늦습니다\\.\n"
        "server=127\\.0\\.0\\.1:" +
        std::to_string(server.Port()) +
        " address=127\\.0\\.0\\.1 offset=\\+5\\.3\\d{8} delay=0\\.\\d{9} stratum=3 answered=1 outcome=compared"
        " transmit=kernel receive=kernel auth=none samples=4/4\n");
    EXPECT_TRUE(std::regex_match(got.out, expected)) << got.out;
    EXPECT_TRUE(driver.calls.empty());
}

TEST_F(SntpCommand, StopsAtTheFirstHostThatAnswers) {
    FakeSntpServer silent;
    FakeSntpServer fast;
    FakeSntpServer unused;
    ReplyScript quiet;
    quiet.silent = true;
    silent.SetScript(quiet);
    ReplyScript early;
    early.clockOffset = -12.345;
    fast.SetScript(early);
    const Outcome got = Run({silent.Address(), fast.Address(), unused.Address()});
    EXPECT_EQ(got.status, kExitAnswered);
    EXPECT_EQ(got.out.substr(0, got.out.find('\n')), "사용자 PC가 12.3 초 빠릅니다.");
    EXPECT_NE(got.out.find(" answered=2 outcome=compared "), std::string::npos) << got.out;
    EXPECT_NE(got.err.find(silent.Address() + ": 응답 시간 초과"), std::string::npos) << got.err;
    EXPECT_EQ(unused.RequestsSeen(), 0);
}

TEST_F(SntpCommand, NoAnswerExitsOneWithEachReason) {
    FakeSntpServer silent;
    ReplyScript quiet;
    quiet.silent = true;
    silent.SetScript(quiet);
    const Outcome got = Run({silent.Address(), "no-such-host.invalid"});
    EXPECT_EQ(got.status, kExitNoAnswer);
    EXPECT_EQ(got.out, "서버에서 응답이 없습니다\nanswered=3 outcome=no-answer\n");
    EXPECT_NE(got.err.find("no-such-host.invalid: 호스트 이름을 찾을 수 없음"), std::string::npos) << got.err;
}

TEST_F(SntpCommand, SyncSetsTheMeasuredTimeOrReportsTheFailure) {
    FakeSntpServer server;
    ReplyScript ahead;
    ahead.clockOffset = 3.0;
    server.SetScript(ahead);
    Outcome got = Run({"--sync", server.Address()});
    EXPECT_EQ(got.status, kExitAnswered);
    EXPECT_NE(got.out.find("\n한국표준시에 동기되었습니다.\nserver="), std::string::npos) << got.out;
    EXPECT_NE(got.out.find(" answered=1 outcome=set "), std::string::npos) << got.out;
    // The step is the offset the report shows, which lies within half its round trip of 3 s.
    ASSERT_EQ(driver.steps.size(), 1u);
    const auto field = [&got](const std::string& key) {
        const auto at = got.out.find(" " + key + "=");
        return std::stod(got.out.substr(at + key.size() + 2));
    };
    EXPECT_NEAR(driver.steps[0], field("offset"), 1e-9);
    EXPECT_NEAR(field("offset"), 3.0, field("delay") / 2 + 0.0005);

    driver.setSucceeds = false;
    got = Run({server.Address(), "--sync"});
    EXPECT_EQ(got.status, kExitSetFailed);
    EXPECT_NE(got.out.find("\n동기에 실패했습니다.\n"), std::string::npos) << got.out;
    EXPECT_NE(got.out.find(" outcome=not-permitted "), std::string::npos) << "EPERM: " << got.out;
}

// Over MaxStep: the sizes and a status of its own; with --allow-large-step the step waits
// for a second server that agrees.
TEST_F(SntpCommand, AStepOverTheLimitNeedsTheOptionAndASecondServer) {
    FakeSntpServer first;
    FakeSntpServer second;
    ReplyScript ahead;
    ahead.clockOffset = 7200.0;
    first.SetScript(ahead);
    second.SetScript(ahead);
    Outcome got = Run({"--sync", first.Address()}, 1000);
    EXPECT_EQ(got.status, kExitTooLarge);
    EXPECT_NE(got.out.find("\nPC가 7200 초 늦지만 차이가 커서 안 맞췄습니다.\nserver="), std::string::npos) << got.out;
    EXPECT_NE(got.out.find(" outcome=too-large "), std::string::npos) << got.out;
    EXPECT_NE(got.err.find("한도 1000 초(MaxStep)"), std::string::npos) << got.err;
    got = Run({"--sync", "--allow-large-step", first.Address()}, 1000);
    EXPECT_EQ(got.status, kExitUnconfirmed);
    EXPECT_NE(got.out.find(" outcome=unconfirmed "), std::string::npos) << got.out;
    EXPECT_TRUE(driver.steps.empty());
    got = Run({"--sync", "--allow-large-step", first.Address(), second.Address()}, 1000);
    EXPECT_EQ(got.status, kExitAnswered) << got.err;
    EXPECT_EQ(driver.steps.size(), 1u);
    EXPECT_EQ(second.RequestsSeen(), SntpClient::kBurstRequests) << "asked one burst, to confirm";
    // An automatic run's budget narrows the limit: what the last day's steps left of it.
    got = Run({"--sync", "--step-budget", "100.000", first.Address()}, 1000);
    EXPECT_EQ(got.status, kExitTooLarge);
    EXPECT_NE(got.err.find("남은 한도 100.000 초"), std::string::npos) << got.err;
    EXPECT_EQ(driver.steps.size(), 1u);
}

TEST_F(SntpCommand, BadUsage) {
    const std::vector<std::string> deployment = {"primary.example", "secondary.example:1234"};
    EXPECT_FALSE(ParseSntpArguments({"--synch"}, deployment));
    EXPECT_FALSE(ParseSntpArguments({"host:99999"}, deployment));
    EXPECT_FALSE(ParseSntpArguments({"-x", "host"}, deployment));
    EXPECT_FALSE(ParseSntpArguments({"--allow-large-step"}, deployment)) << "only a step can be large";
    EXPECT_FALSE(ParseSntpArguments({"--auto"}, deployment)) << "only a step is told to the journal";
    EXPECT_FALSE(ParseSntpArguments({"--nts-ca"}, deployment));
    for (const char* budget : {"", "-1", "nan", "inf", "1e", "10 s"}) {
        EXPECT_FALSE(ParseSntpArguments({"--sync", "--step-budget", budget}, deployment)) << budget;
    }
    EXPECT_FALSE(ParseSntpArguments({"--sync", "--step-budget"}, deployment));
    EXPECT_FALSE(ParseSntpArguments({"--step-budget", "5"}, deployment)) << "only a step has a budget";
    EXPECT_FALSE(ParseSntpArguments({"--sync", "--allow-large-step", "--step-budget", "5"}, deployment));
    EXPECT_EQ(ParseSntpArguments({"--sync", "--step-budget", "0"}, deployment)->stepBudget, 0.0);
    EXPECT_FALSE(ParseSntpArguments({"[::1", "::1:x"}, deployment));
    const auto hosts = ParseSntpArguments({"[::1]:123", "::1", "nts://time.example", "--nts-ca", "ca.pem"}, deployment);
    ASSERT_TRUE(hosts);
    EXPECT_EQ(hosts->hosts, (std::vector<std::string>{"[::1]:123", "::1", "nts://time.example"}));
    EXPECT_EQ(hosts->ntsCaFile, "ca.pem");
    EXPECT_NE(RefusalUnderAtSecure(*hosts), "")
        << "with a capability borrowed under AT_SECURE only the administrator's trust file";
    const auto defaults = ParseSntpArguments({}, deployment);
    ASSERT_TRUE(defaults);
    EXPECT_EQ(defaults->hosts, deployment);
    EXPECT_FALSE(defaults->sync);
    // With a capability borrowed under AT_SECURE only the administrator's servers may set the clock.
    EXPECT_EQ(RefusalUnderAtSecure(*defaults), "");
    EXPECT_EQ(RefusalUnderAtSecure(*ParseSntpArguments({"--sync"}, deployment)), "");
    EXPECT_EQ(RefusalUnderAtSecure(*ParseSntpArguments({"127.0.0.1:9"}, deployment)), "");
    EXPECT_NE(RefusalUnderAtSecure(*ParseSntpArguments({"--sync", "127.0.0.1:9"}, deployment)), "");
}

}  // namespace
}  // namespace hodra
