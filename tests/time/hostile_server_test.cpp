// Hostile and broken primary servers: none of their replies is used, the clock is not
// set from them, and the run falls through to the secondary server.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "result_log.h"
#include "sntp_client.h"
#include "sync_operation.h"

namespace hodra {
namespace {

using std::chrono::milliseconds;
using test::FakeSntpServer;
using test::ReplyScript;

constexpr double kHostileOffset = 1000.0;  // what the clock would be moved by, were a reply used
constexpr double kSecondaryOffset = 3.0;

struct Kind {
    Kind(std::string name, ReplyScript script, bool slow = false, std::string host = {})
        : name(std::move(name)), script(std::move(script)), slow(slow), host(std::move(host)) {}
    std::string name;
    ReplyScript script;
    bool slow;         // needs the full two-second wait
    std::string host;  // instead of the hostile server (closed port, bad name)
};

ReplyScript Scripted(void (*change)(ReplyScript&)) {
    ReplyScript s;
    s.clockOffset = kHostileOffset;
    change(s);
    return s;
}

std::vector<Kind> RejectedKinds() {
    std::vector<Kind> kinds = {
        {"spoofed originate", Scripted([](ReplyScript& s) { s.originate = NtpTimestamp::FromParts(3900000000u, 7); })},
        {"kiss-o'-death RATE", Scripted([](ReplyScript& s) { s.stratum = 0; s.referenceId = 0x52415445; })},
        {"kiss-o'-death DENY", Scripted([](ReplyScript& s) { s.stratum = 0; s.referenceId = 0x44454E59; })},
        {"kiss-o'-death RSTR", Scripted([](ReplyScript& s) { s.stratum = 0; s.referenceId = 0x52535452; })},
        {"leap indicator 3", Scripted([](ReplyScript& s) { s.leapIndicator = 3; })},
        {"mode 3", Scripted([](ReplyScript& s) { s.mode = 3; })},
        {"mode 5", Scripted([](ReplyScript& s) { s.mode = 5; })},
        {"mode 0", Scripted([](ReplyScript& s) { s.mode = 0; })},
        {"version 0", Scripted([](ReplyScript& s) { s.version = 0; })},
        {"version 7", Scripted([](ReplyScript& s) { s.version = 7; })},
        {"stratum 16", Scripted([](ReplyScript& s) { s.stratum = 16; })},
        {"transmit stamp zero", Scripted([](ReplyScript& s) { s.transmit = NtpTimestamp(); })},
        {"server time before the build date", Scripted([](ReplyScript& s) { s.clockOffset = -10.0 * 365 * 86400; })},
        {"47-byte reply", Scripted([](ReplyScript& s) { s.length = 47; })},
        {"1-byte reply", Scripted([](ReplyScript& s) { s.length = 1; })},
        {"reply from another port", Scripted([](ReplyScript& s) { s.fromOtherPort = true; })},
        {"reply from another address", Scripted([](ReplyScript& s) { s.fromOtherAddress = true; })},
        {"reply after 2.1 s", Scripted([](ReplyScript& s) { s.delay = milliseconds(2100); }), true},
    };
    std::mt19937 random(4330);
    ReplyScript garbage;
    garbage.raw.resize(1000);
    for (auto& b : garbage.raw) {
        b = static_cast<std::uint8_t>(random());
    }
    garbage.raw[0] = 0x1C;  // even a plausible header byte does not save it
    kinds.push_back({"1000 bytes of garbage", garbage});
    kinds.push_back({"ICMP port unreachable", {}, false, "closed"});
    kinds.push_back({"host name that does not resolve", {}, false, "no-such-time-server.invalid"});
    return kinds;
}

class Hostile : public ::testing::Test {
protected:
    SyncOutcome RunAgainst(const Kind& kind, const std::string& secondary, test::FakeClockDriver& driver) {
        hostile.SetScript(kind.script);
        SntpClient client(kind.slow ? SntpClient::kReplyTimeout : milliseconds(400));
        ClockSetter setter(driver);
        ResultLog log("/nonexistent/HodraLog.txt");
        SyncOperation operation(client, &setter, log);
        std::string primary = hostile.Address();
        if (kind.host == "closed") {
            auto* gone = new FakeSntpServer;
            primary = gone->Address();
            delete gone;
        } else if (!kind.host.empty()) {
            primary = kind.host;
        }
        return operation.Run({true, {primary, secondary}, true, false});
    }

    FakeSntpServer hostile;
    FakeSntpServer good;
    FakeSntpServer silent;
};

TEST_F(Hostile, NoHostileReplyIsUsedAndTheSecondaryAnswers) {
    ReplyScript ahead;
    ahead.clockOffset = kSecondaryOffset;
    good.SetScript(ahead);
    ReplyScript quiet;
    quiet.silent = true;
    silent.SetScript(quiet);
    int tried = 0;
    int accepted = 0;
    for (const Kind& kind : RejectedKinds()) {
        test::FakeClockDriver toSecondary;
        const SyncOutcome fallen = RunAgainst(kind, good.Address(), toSecondary);
        EXPECT_EQ(fallen.serverId, 2) << kind.name;
        EXPECT_EQ(fallen.message, "한국표준시에 동기되었습니다.") << kind.name;
        ASSERT_EQ(toSecondary.setTimes.size(), 1u) << kind.name;
        const double moved = Difference(NtpTimestamp::FromUnix(toSecondary.setTimes[0]), NtpTimestamp::Now());
        EXPECT_NEAR(moved, kSecondaryOffset, 0.05) << kind.name << ": the clock followed the hostile server";

        test::FakeClockDriver alone;
        const SyncOutcome none = RunAgainst(kind, silent.Address(), alone);
        EXPECT_EQ(none.serverId, 3) << kind.name;
        EXPECT_EQ(none.message, "서버에서 응답이 없습니다") << kind.name;
        EXPECT_TRUE(alone.calls.empty()) << kind.name << ": the clock was touched";
        ++tried;
        accepted += fallen.serverId == 1 || none.serverId == 1;
    }
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(tried, 21);
    std::printf("hostile kinds tried: %d, accepted: %d\n", tried, accepted);
}

TEST_F(Hostile, ToleratedOddities) {
    // A slow but timely reply, a reply sent 100 times and a long valid one are used as
    // they should be, and the extra copies do not leak into the next exchange.
    const std::pair<const char*, ReplyScript> cases[] = {
        {"reply after 1.9 s", Scripted([](ReplyScript& s) { s.clockOffset = 7.0; s.delay = milliseconds(1900); })},
        {"reply sent 100 times", Scripted([](ReplyScript& s) { s.clockOffset = 7.0; s.copies = 100; })},
        {"1000-byte valid reply", Scripted([](ReplyScript& s) { s.clockOffset = 7.0; s.length = 1000; })},
    };
    for (const auto& [name, script] : cases) {
        hostile.SetScript(script);
        SntpClient client;
        SntpResult result;
        ASSERT_TRUE(client.Exchange(hostile.Address(), result)) << name;
        EXPECT_NEAR(result.offset, 7.0, 0.02) << name;
        ReplyScript plain;
        plain.clockOffset = -2.0;
        hostile.SetScript(plain);
        ASSERT_TRUE(client.Exchange(hostile.Address(), result)) << name;
        EXPECT_NEAR(result.offset, -2.0, 0.02) << name << ": a stale copy was taken";
    }
}

}  // namespace
}  // namespace hodra
