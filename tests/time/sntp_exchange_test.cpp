#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include <cerrno>
#include <chrono>
#include <dirent.h>

#include "fake_sntp_server.h"
#include "time/host_port.h"
#include "time/sntp_client.h"

namespace hodra {
namespace {

using std::chrono::milliseconds;
using test::FakeSntpServer;
using test::ReplyScript;

int OpenDescriptors() {
    int count = 0;
    DIR* dir = opendir("/proc/self/fd");
    while (readdir(dir) != nullptr) {
        ++count;
    }
    closedir(dir);
    return count;
}

class Exchange : public ::testing::Test {
protected:
    bool Ask(const ReplyScript& script, milliseconds timeout = SntpClient::kReplyTimeout) {
        server.SetScript(script);
        SntpClient client(timeout);
        const int before = OpenDescriptors();
        const int seen = server.RequestsSeen();
        const auto start = std::chrono::steady_clock::now();
        const ExchangeResult asked = client.Exchange(server.Address());
        const bool ok = static_cast<bool>(asked);
        if (ok) {
            result = *asked.reply;
        }
        took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // A burst may end before the server has read its last request: wait for it, so that
        // the next script is not spent on a request of this exchange.
        if (ok) {
            EXPECT_TRUE(server.WaitForRequests(seen + result.requestsSent));
        }
        EXPECT_EQ(OpenDescriptors(), before) << "a socket was left open";
        error = asked.failure.kind;
        return ok;
    }

    // The measured offset lies within half the round trip of the truth, however long the
    // trip took on a loaded machine (a little more for the fake server's own stamping).
    void ExpectOffset(double truth) {
        EXPECT_NEAR(result.offset, truth, RoundTripDelay(result) / 2 + 0.0005);
        EXPECT_GE(RoundTripDelay(result), 0.0);
        EXPECT_LE(RoundTripDelay(result), took) << "the round trip cannot outlast the call";
    }

    FakeSntpServer server;
    SntpResult result;
    SntpError error = SntpError::None;
    double took = 0.0;
};

TEST_F(Exchange, RequestIsFortyEightBytesWhoseTransmitFieldHidesOurClock) {
    ASSERT_TRUE(Ask({}));
    const auto request = server.LastRequest();
    ASSERT_EQ(request.size(), 48u);
    EXPECT_EQ(request[0], 0x1B);
    for (std::size_t i = 1; i < 40; ++i) {
        EXPECT_EQ(request[i], 0) << "byte " << i;
    }
    // The field the reply echoes is random: nowhere near our clock, and new each time.
    const NtpTimestamp field = NtpTimestamp::FromNetwork(request.data() + 40);
    const NtpTimestamp before = NtpTimestamp::Now();
    EXPECT_GT(std::abs(Difference(field, before)), 86400.0) << "the request tells our time";
    ASSERT_TRUE(Ask({}));
    const NtpTimestamp after = NtpTimestamp::Now();
    EXPECT_NE(NtpTimestamp::FromNetwork(server.LastRequest().data() + 40), field);
    // T1, kept to ourselves, is the kernel's time of sending, within the call.
    EXPECT_TRUE(result.kernelTransmitStamp);
    EXPECT_TRUE(result.kernelReceiveStamp);
    EXPECT_GE(Difference(result.originate, before), 0.0);
    EXPECT_LE(Difference(result.originate, after), 0.0);
    EXPECT_EQ(result.serverAddress, "127.0.0.1");
    EXPECT_EQ(result.serverPort, server.Port());
    EXPECT_EQ(result.stratum, 2);
}

TEST_F(Exchange, OffsetFollowsTheServerClock) {
    ReplyScript ahead;
    ahead.clockOffset = 1.0;
    ASSERT_TRUE(Ask(ahead));
    ExpectOffset(1.0);

    ReplyScript behind;
    behind.clockOffset = -1.0;
    ASSERT_TRUE(Ask(behind));
    ExpectOffset(-1.0);

    // T2 - T1 = 0.3 s and the trip out, T3 - T4 about -0.1 s: offset +0.1 s.
    ReplyScript skewed;
    skewed.clockOffset = -0.1;
    skewed.receiveAfterArrival = 0.3;
    ASSERT_TRUE(Ask(skewed));
    // T2 is made up, so the trip back alone (at most the whole call) is unaccounted for.
    EXPECT_NEAR(result.offset, 0.1, took / 2 + 0.0005);
}

TEST_F(Exchange, DelayedReplyStillMeasuresTheOffset) {
    ReplyScript slow;
    slow.clockOffset = 2.5;
    slow.delay = milliseconds(150);  // server holds the request: T3 - T2 = 0.15 s
    ASSERT_TRUE(Ask(slow));
    ExpectOffset(2.5);  // and the 0.15 s the server held it are not part of the round trip
}

TEST_F(Exchange, SilenceTimesOutAfterTheFullTwoSeconds) {
    ReplyScript silent;
    silent.silent = true;
    server.SetScript(silent);
    SntpClient client;  // the real 2000 ms
    EXPECT_EQ(client.ReplyTimeout(), milliseconds(2000));
    const auto start = std::chrono::steady_clock::now();
    const ExchangeResult asked = client.Exchange(server.Address());
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(asked);
    EXPECT_EQ(asked.failure.kind, SntpError::Timeout);
    EXPECT_EQ(asked.failure.error, ETIMEDOUT);
    EXPECT_GE(waited, milliseconds(1995));  // a monotonic deadline: load only makes it later
}

// A burst of four: each reply judged on its own, the least-delayed valid one kept.
TEST_F(Exchange, ABurstKeepsTheLeastDelayedValidAnswer) {
    ReplyScript base;
    base.clockOffset = 3.0;
    ReplyScript slow = base;
    slow.tripOut = milliseconds(30);
    ReplyScript broken = base;
    broken.leapIndicator = 3;
    server.SetSequence({slow, base, broken, base});
    ASSERT_TRUE(Ask(base));
    EXPECT_EQ(server.RequestsSeen(), SntpClient::kBurstRequests);
    EXPECT_EQ(result.requestsSent, 4);
    EXPECT_EQ(result.validReplies, 3) << "the broken reply is skipped";
    EXPECT_LT(RoundTripDelay(result), 0.015) << "not the slow first answer";
    ExpectOffset(3.0);
}

// A lost datagram costs one request, not the host; a late reply to an earlier request
// still counts; a server that answers only the first (rate-limited) gives that one; a
// Kiss-o'-Death ends the burst at once with what it has, or fails the host without.
TEST_F(Exchange, ABurstSurvivesLossAndLateRepliesAndStopsAtAKiss) {
    ReplyScript base;
    ReplyScript lost = base;
    lost.silent = true;
    ReplyScript late = base;
    late.tripOut = milliseconds(150);
    ReplyScript kiss = base;
    kiss.stratum = 0;
    kiss.referenceId = 0x52415445;  // RATE
    kiss.leapIndicator = 3;         // as ntpd and ntpsec send it

    server.SetSequence({lost, base, base, base});
    ASSERT_TRUE(Ask(base, milliseconds(400)));
    EXPECT_EQ(result.validReplies, 3);
    EXPECT_EQ(result.requestsSent, 4);

    server.SetSequence({late, lost, lost, lost});
    ASSERT_TRUE(Ask(base, milliseconds(400))) << "the first reply came after the second request";
    EXPECT_EQ(result.validReplies, 1);
    EXPECT_GE(RoundTripDelay(result), 0.150);

    server.SetSequence({base});
    ASSERT_TRUE(Ask(lost, milliseconds(400)));
    EXPECT_EQ(result.validReplies, 1);
    EXPECT_EQ(result.requestsSent, 4) << "the limited server's silence costs only short waits";

    const int before = server.RequestsSeen();
    server.SetSequence({base, kiss});
    ASSERT_TRUE(Ask(base));
    EXPECT_EQ(server.RequestsSeen() - before, 2) << "no request after the kiss";
    EXPECT_EQ(result.validReplies, 1);
    EXPECT_FALSE(Ask(kiss));
    EXPECT_EQ(error, SntpError::KissOfDeath);
    EXPECT_EQ(server.RequestsSeen() - before, 3);
}

TEST_F(Exchange, RepliesThatFailTheClientChecksAreRejected) {
    struct Case {
        const char* what;
        ReplyScript script;
        SntpError expected;
    };
    auto with = [](auto change) {
        ReplyScript s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"47 bytes", with([](ReplyScript& s) { s.length = 47; }), SntpError::ShortReply},
        {"1 byte", with([](ReplyScript& s) { s.length = 1; }), SntpError::ShortReply},
        {"mode 3", with([](ReplyScript& s) { s.mode = 3; }), SntpError::BadMode},
        {"mode 5", with([](ReplyScript& s) { s.mode = 5; }), SntpError::BadMode},
        {"version 0", with([](ReplyScript& s) { s.version = 0; }), SntpError::BadVersion},
        {"version 7", with([](ReplyScript& s) { s.version = 7; }), SntpError::BadVersion},
        {"leap 3", with([](ReplyScript& s) { s.leapIndicator = 3; }), SntpError::Unsynchronised},
        {"stratum 16", with([](ReplyScript& s) { s.stratum = 16; }), SntpError::BadStratum},
        {"zero transmit", with([](ReplyScript& s) { s.transmit = NtpTimestamp(); }), SntpError::ZeroTransmit},
        {"spoofed originate", with([](ReplyScript& s) { s.originate = NtpTimestamp::FromParts(3900000000u, 1); }),
         SntpError::BogusOriginate},
        {"before build date", with([](ReplyScript& s) { s.clockOffset = -20.0 * 365 * 86400; }),
         SntpError::BeforeBuildDate},
        // A server that does not know the time well: root delay / 2 + dispersion over 1.5 s.
        {"root distance 2 s", with([](ReplyScript& s) {
             s.rootDelay = 1 << 16;
             s.rootDispersion = 3 << 15;
         }),
         SntpError::RootDistance},
        {"root delay and dispersion 65536 s", with([](ReplyScript& s) { s.rootDelay = s.rootDispersion = ~0u; }),
         SntpError::RootDistance},
        {"reference after transmit", with([](ReplyScript& s) { s.reference = AddSeconds(NtpTimestamp::Now(), 60); }),
         SntpError::BadReference},
    };
    for (const Case& c : cases) {
        // Dropped, not taken: the wait goes on to its end and names what it dropped.
        EXPECT_FALSE(Ask(c.script, milliseconds(200))) << c.what;
        EXPECT_EQ(error, c.expected) << c.what;
        EXPECT_GE(took, 0.195) << c.what;
    }
    // A root distance of just 1.5 s is still good.
    ReplyScript distant;
    distant.rootDelay = 1 << 16;
    distant.rootDispersion = 1 << 16;
    EXPECT_TRUE(Ask(distant));
    // Leap indicators 1 and 2 announce a leap second; the reply is still good.
    ReplyScript leap;
    leap.leapIndicator = 1;
    EXPECT_TRUE(Ask(leap));
    // An orphan-mode server (an isolated network's own time) has no reference time.
    ReplyScript orphan;
    orphan.reference = NtpTimestamp();
    orphan.stratum = 8;
    EXPECT_TRUE(Ask(orphan));
    EXPECT_EQ(server.RequestsSeen(), SntpClient::kBurstRequests * (static_cast<int>(std::size(cases)) + 3));
}

// Junk on the socket before the reply is dropped and the wait goes on: the real reply is
// taken, with its own round trip.
TEST_F(Exchange, AJunkDatagramBeforeTheReplyDoesNotEndTheExchange) {
    for (const std::vector<std::uint8_t>& junk :
         {std::vector<std::uint8_t>(48, 0x24), std::vector<std::uint8_t>{1, 2}}) {
        ReplyScript script;
        script.clockOffset = 4.0;
        script.delay = milliseconds(30);
        script.junkFirst = junk;
        ASSERT_TRUE(Ask(script)) << "the junk ended the exchange";
        ExpectOffset(4.0);
        EXPECT_LT(RoundTripDelay(result), 0.030) << "the server's 30 ms hold is no part of the trip";
    }
}

TEST_F(Exchange, OverlongDatagramIsCutNotRefused) {
    ReplyScript big;
    big.length = 1000;
    big.clockOffset = 0.5;
    ASSERT_TRUE(Ask(big));
    ExpectOffset(0.5);
}

TEST_F(Exchange, ReplyFromAnotherPortIsDroppedByTheConnectedSocket) {
    ReplyScript elsewhere;
    elsewhere.fromOtherPort = true;
    EXPECT_FALSE(Ask(elsewhere, milliseconds(300)));
    EXPECT_EQ(error, SntpError::Timeout);
}

TEST(ExchangeFailures, ClosedPortFailsAtOnceAndBadHostsFailWithTheirReason) {
    SntpClient client(milliseconds(1500));
    const int before = OpenDescriptors();
    FakeSntpServer* nobody = new FakeSntpServer;
    const std::string closed = nobody->Address();
    delete nobody;
    const ExchangeResult refused = client.Exchange(closed);
    EXPECT_FALSE(refused);
    // ICMP port unreachable ends the wait: a receive error, not the time-out.
    EXPECT_EQ(refused.failure.kind, SntpError::Receive);
    EXPECT_EQ(refused.failure.error, ECONNREFUSED);

    EXPECT_EQ(client.Exchange("no-such-host.invalid").failure.kind, SntpError::LookupFailed);
    // 255.255.255.255 is the one dotted form inet_addr cannot return: it goes to the lookup,
    // which yields the broadcast address that an unprivileged connect refuses.
    EXPECT_EQ(client.Exchange("255.255.255.255:9").failure.kind, SntpError::Connect);
    for (const char* bad : {"127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", ":123", "127.0.0.1:12x", ""}) {
        const ExchangeResult asked = client.Exchange(bad);
        EXPECT_FALSE(asked) << bad;
        EXPECT_EQ(asked.failure.kind, SntpError::BadHost) << bad;
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(ExchangeHosts, NamesResolveAndThePortArgumentAppliesWithoutOne) {
    FakeSntpServer server;
    SntpClient client(milliseconds(500));
    const ExchangeResult named = client.Exchange("localhost:" + std::to_string(server.Port()));
    ASSERT_TRUE(named);
    EXPECT_EQ(named.reply->serverAddress, "127.0.0.1");
    EXPECT_TRUE(client.Exchange("127.0.0.1", server.Port()));
    EXPECT_EQ(server.RequestsSeen(), 2 * SntpClient::kBurstRequests);
}

// Every way a server is written, and what is no server at all.
TEST(ExchangeHosts, ServerNamesAsWritten) {
    struct Case {
        const char* text;
        const char* host;
        std::uint16_t port;
        bool nts;
        const char* back;
    };
    for (const Case& c : {Case{"time.example", "time.example", 123, false, "time.example:123"},
                          Case{"time.example:1234", "time.example", 1234, false, "time.example:1234"},
                          Case{"192.0.2.7:99", "192.0.2.7", 99, false, "192.0.2.7:99"},
                          Case{"[2001:db8::7]:99", "2001:db8::7", 99, false, "[2001:db8::7]:99"},
                          Case{"[::1]", "::1", 123, false, "[::1]:123"}, Case{"::1", "::1", 123, false, "[::1]:123"},
                          Case{"fe80::1%lo", "fe80::1%lo", 123, false, "[fe80::1%lo]:123"},
                          Case{"nts://time.example", "time.example", 4460, true, "nts://time.example:4460"},
                          Case{"nts://[::1]:4461", "::1", 4461, true, "nts://[::1]:4461"}}) {
        const auto name = ParseServerName(c.text, 123);
        ASSERT_TRUE(name) << c.text;
        EXPECT_EQ(name->host, c.host);
        EXPECT_EQ(name->port, c.port) << c.text;
        EXPECT_EQ(name->nts, c.nts) << c.text;
        EXPECT_EQ(name->Text(), c.back);
    }
    for (const char* bad :
         {"", ":123", "[::1", "[time.example]:123", "[::1]123", "1:2:x", "a:b:c", "nts://", "host:0", "host:65536"}) {
        EXPECT_FALSE(ParseServerName(bad, 123)) << bad;
    }
}

// With the socket fault shim preloaded (see tests/CMakeLists.txt): a send that waits 40 ms
// between our stamp and the packet leaving. The kernel's transmit stamp keeps the wait out
// of the arithmetic; without it the wait shows as network delay.
TEST_F(Exchange, TheKernelsTransmitStampKeepsASlowSendOutOfTheMeasurement) {
    if (std::getenv("HODRA_SOCKET_FAULTS") == nullptr) {
        GTEST_SKIP() << "needs the socket fault shim preloaded";
    }
    setenv("HODRA_SLOW_SEND_MS", "40", 1);
    NtpTimestamp called = NtpTimestamp::Now();
    ASSERT_TRUE(Ask({}));
    EXPECT_TRUE(result.kernelTransmitStamp);
    EXPECT_GE(Difference(result.originate, called), 0.040) << "T1 is when the request left, after the wait";
    ExpectOffset(0.0);

    setenv("HODRA_NO_TIMESTAMPING", "1", 1);
    called = NtpTimestamp::Now();
    ReplyScript lost;  // only the burst's first request is answered: its stamp is the one to check
    lost.silent = true;
    server.SetSequence({ReplyScript{}});
    ASSERT_TRUE(Ask(lost));
    unsetenv("HODRA_NO_TIMESTAMPING");
    unsetenv("HODRA_SLOW_SEND_MS");
    EXPECT_FALSE(result.kernelTransmitStamp) << "the kernel gave no transmit stamp: our own stands in";
    EXPECT_LT(Difference(result.originate, called), 0.040) << "our own stamp, read before the send";
    EXPECT_TRUE(result.kernelReceiveStamp) << "the arrival keeps the kernel's stamp";
    EXPECT_GE(RoundTripDelay(result), 0.040) << "and the wait is taken for network delay";
    ExpectOffset(0.0);
}

}  // namespace
}  // namespace hodra
