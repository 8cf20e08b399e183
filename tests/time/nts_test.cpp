// Network Time Security and every address of a host, against chronyd on loopback: its
// key exchange over TLS, a man in the middle between us and its NTP port, and chronyd
// bound to ::1. Runs in a mount namespace of its own (a hosts file of its own).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fstream>
#include <memory>
#include <netinet/in.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <sys/socket.h>
#include <unistd.h>

#include "chrony_server.h"
#include "time/clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "time/host_port.h"
#include "time/nts_key_exchange.h"
#include "time/nts_records.h"
#include "ntp_relay.h"
#include "read_file.h"
#include "time/sntp_client.h"
#include "sync/sync_operation.h"
#include "temp_dir.h"

namespace hodra {
namespace {

using std::chrono::milliseconds;
using test::ChronyServer;
using test::NtpRelay;

// chronyd serving NTS with a certificate for `name`; its key exchange sends us to the
// relay on 127.0.0.2, which passes requests on to its NTP port.
class Nts : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!ChronyServer::Available("", &why)) {
            GTEST_SKIP() << why;
        }
        ASSERT_TRUE(test::MakeCertificate(dir.StdPath(), "localhost", "localhost")) << "openssl failed";
        Serve("localhost");
    }
    void Serve(const std::string& stem) {
        relay.reset();
        chrony.reset();
        ChronyServer::Options o;
        o.ntsCertificate = dir.StdPath() + "/" + stem + ".crt";
        o.ntsKey = dir.StdPath() + "/" + stem + ".key";
        o.ntsNtpServer = "127.0.0.2";
        chrony = std::make_unique<ChronyServer>(o);
        ASSERT_TRUE(chrony->Running()) << chrony->Failure();
        relay = std::make_unique<NtpRelay>(chrony->Port());
        ASSERT_TRUE(relay->Listening());
    }
    SntpClient Trusting(const std::string& stem, milliseconds timeout = SntpClient::kReplyTimeout) {
        SntpClient client(timeout);
        client.SetNtsTrust({test::ReadFile(dir.StdPath() + "/" + stem + ".crt")});
        return client;
    }

    test::TempDir dir;
    std::unique_ptr<ChronyServer> chrony;
    std::unique_ptr<NtpRelay> relay;
};

TEST_F(Nts, MeasuresWhatChronydMeasuresAndSaysItIsAuthenticated) {
    SntpClient client = Trusting("localhost");
    const ExchangeResult asked = client.Exchange(chrony->NtsAddress());
    ASSERT_TRUE(asked) << DescribeFailure(asked);
    const SntpResult& result = *asked.reply;
    EXPECT_TRUE(result.authenticated);
    EXPECT_EQ(result.serverAddress, "127.0.0.2") << "the NTP server the key exchange named";
    EXPECT_EQ(result.serverPort, chrony->Port()) << "and its port";
    const auto reference = chrony->ReferenceNtsOffset(dir.StdPath() + "/localhost.crt");
    ASSERT_TRUE(reference.has_value()) << "chronyd -Q measured nothing through NTS";
    EXPECT_NEAR(result.offset, *reference, RoundTripDelay(result) + 0.0005);
}

// Every rule of the key exchange's records that a server can break ends the exchange with
// its own kind, before the keys are used; an answer still on its way is only incomplete.
TEST(KeyExchangeRecords, EachBrokenRuleEndsTheExchangeWithItsOwnKind) {
    using Bytes = std::vector<std::uint8_t>;
    using E = nts::KeyExchangeError;
    const auto record = [](std::uint16_t type, Bytes body) {
        Bytes r{static_cast<std::uint8_t>(type >> 8), static_cast<std::uint8_t>(type),
                static_cast<std::uint8_t>(body.size() >> 8), static_cast<std::uint8_t>(body.size())};
        r.insert(r.end(), body.begin(), body.end());
        return r;
    };
    const Bytes ntpv4 = record(0x8001, {0, 0});
    const Bytes aesSiv = record(0x8004, {0, 15});
    const Bytes cookie = record(5, Bytes(64, 7));
    const Bytes end = record(0x8000, {});
    const auto join = [](std::initializer_list<Bytes> parts) {
        Bytes all;
        for (const Bytes& p : parts) {
            all.insert(all.end(), p.begin(), p.end());
        }
        return all;
    };
    struct Case {
        Bytes stream;
        E kind;
        int number;
    };
    const Case cases[] = {
        {join({ntpv4, record(0x8002, {0, 1}), end}), E::ServerError, 1},
        {join({ntpv4, record(0x8003, {0, 5})}), E::ServerWarning, 5},
        {join({ntpv4, record(0x8002, {})}), E::ServerError, -1},
        {join({ntpv4, record(0x9234, {1}), aesSiv, cookie, end}), E::UnknownCritical, 0x1234},
        {join({ntpv4, ntpv4}), E::NoNtpv4, 0},
        {record(0x8001, {0, 1}), E::NoNtpv4, 0},
        {join({ntpv4, record(0x8004, {0, 17})}), E::NoAesSiv, 0},
        {join({ntpv4, aesSiv, aesSiv}), E::NoAesSiv, 0},
        {join({ntpv4, aesSiv, cookie, record(0x8007, {0, 0})}), E::BadPort, 0},
        {join({ntpv4, aesSiv, record(0x8007, {0, 123}), record(0x8007, {0, 123})}), E::BadPort, 0},
        {join({ntpv4, aesSiv, record(0x8006, {'a', ' ', 'b'})}), E::BadServer, 0},
        {join({ntpv4, aesSiv, record(5, {})}), E::EmptyCookie, 0},
        {join({ntpv4, aesSiv, end}), E::NoCookie, 0},
        {join({ntpv4, cookie, end}), E::NothingChosen, 0},
        {join({ntpv4, aesSiv, cookie, record(0x8000, {0})}), E::BadEnd, 0},
    };
    for (const Case& c : cases) {
        const nts::KeyExchangeParse parse = nts::ParseKeyExchangeAnswer(c.stream.data(), c.stream.size());
        ASSERT_EQ(parse.status, nts::KeyExchangeParse::Status::Refused) << static_cast<int>(c.kind);
        EXPECT_EQ(parse.refusal->kind, c.kind);
        EXPECT_EQ(parse.refusal->number, c.number) << static_cast<int>(c.kind);
    }
    EXPECT_EQ(nts::Describe(nts::KeyExchangeFailure{E::ServerError, 1, {}, "127.0.0.1"}),
              "127.0.0.1: 키 교환: 서버가 오류를 알림 (1)");

    // Unknown records that are not critical are passed over; the first of the server's
    // port and name serve, the cookies up to the most we keep.
    Bytes whole = join({record(0x4321, {9, 9}), ntpv4, aesSiv, record(6, {'n', 't', 'p'}), record(7, {0x11, 0x5c})});
    for (std::size_t i = 0; i < nts::kMaxCookies + 2; ++i) {
        whole = join({whole, cookie});
    }
    const nts::KeyExchangeParse early = nts::ParseKeyExchangeAnswer(whole.data(), whole.size() - 1);
    EXPECT_EQ(early.status, nts::KeyExchangeParse::Status::Incomplete) << "the last cookie is still on its way";
    whole = join({whole, end});
    const nts::KeyExchangeParse parse = nts::ParseKeyExchangeAnswer(whole.data(), whole.size());
    ASSERT_EQ(parse.status, nts::KeyExchangeParse::Status::Complete);
    EXPECT_EQ(parse.answer.ntpServer, "ntp");
    EXPECT_EQ(parse.answer.ntpPort, 4444);
    EXPECT_EQ(parse.answer.cookies.size(), nts::kMaxCookies);
}

// A certificate that does not prove the server's name ends the host at the key exchange:
// not one NTP packet goes out.
TEST_F(Nts, CertificatesThatProveNothingEndTheHostBeforeAnyNtpPacket) {
    ASSERT_TRUE(test::MakeCertificate(dir.StdPath(), "other", "other.example"));
    ASSERT_TRUE(test::MakeCertificate(dir.StdPath(), "expired", "localhost", true));
    struct Case {
        const char* served;
        const char* trusted;
        const char* why;
    };
    for (const Case& c : {Case{"localhost", "other", "signed by no one we trust"},
                          Case{"other", "other", "made for another name"}, Case{"expired", "expired", "expired"}}) {
        Serve(c.served);
        SntpClient client = Trusting(c.trusted);
        const ExchangeResult asked = client.Exchange(chrony->NtsAddress());
        EXPECT_FALSE(asked) << c.why;
        EXPECT_EQ(asked.failure.kind, SntpError::NtsKeyExchange) << c.why;
        ASSERT_EQ(asked.failure.keyExchange.size(), 1u) << c.why;
        EXPECT_EQ(asked.failure.keyExchange[0].kind, nts::KeyExchangeError::Untrusted)
            << c.why << ": " << DescribeFailure(asked);
        EXPECT_EQ(relay->RequestsSeen(), 0) << c.why;
    }
    SntpClient systemStore;  // the machine's trust store knows no test certificate
    EXPECT_FALSE(systemStore.Exchange(chrony->NtsAddress()));
    EXPECT_EQ(relay->RequestsSeen(), 0);
}

// Whatever the man in the middle does is refused, never taken as unauthenticated time,
// and the next host is asked.
TEST_F(Nts, AManInTheMiddleIsRefusedAndTheNextHostAnswers) {
    test::FakeSntpServer next;
    SntpClient client = Trusting("localhost", milliseconds(400));
    ASSERT_TRUE(client.Exchange(chrony->NtsAddress())) << "one good reply, for the replay";
    struct Case {
        NtpRelay::Spoil spoil;
        SntpError refusal;
    };
    for (const Case& c : {Case{NtpRelay::Spoil::TransmitByte, SntpError::NtsUnauthenticated},
                          Case{NtpRelay::Spoil::DropAuthenticator, SntpError::NtsUnauthenticated},
                          Case{NtpRelay::Spoil::Replay, SntpError::BogusOriginate},
                          Case{NtpRelay::Spoil::RequestCookie, SntpError::NtsNak}}) {
        relay->SetSpoil(c.spoil);
        test::FakeClockDriver driver;
        ClockSetter setter(driver);
        SyncOperation operation(client, &setter);
        const SyncOutcome out = operation.Run({false, {chrony->NtsAddress(), next.Address()}});
        EXPECT_EQ(out.serverId, 2) << static_cast<int>(c.spoil);
        EXPECT_FALSE(out.authenticated);
        ASSERT_EQ(out.failures.size(), 1u) << static_cast<int>(c.spoil);
        EXPECT_EQ(out.failures[0].exchange.failure.kind, c.refusal) << Describe(out.failures[0]);
    }
}

// Over the step limit an authenticated answer stands alone; a plain one needs a second
// server (here none answers). A limit of a nanosecond makes any step a large one.
TEST_F(Nts, AnAuthenticatedAnswerNeedsNoSecondSource) {
    test::FakeSntpServer plain;
    SntpClient client = Trusting("localhost", milliseconds(400));
    test::FakeClockDriver driver;
    ClockSetter setter(driver);
    SyncOperation operation(client, &setter);
    SyncRequest request{true, {chrony->NtsAddress(), "127.0.0.1:9"}};
    request.maxStep = 1e-9;
    request.allowLargeStep = true;
    const SyncOutcome authenticated = operation.Run(request);
    EXPECT_TRUE(authenticated.authenticated);
    EXPECT_TRUE(authenticated.ClockSet())
        << (authenticated.failures.empty() ? "" : Describe(authenticated.failures.back()));
    request.hosts = {plain.Address(), "127.0.0.1:9"};
    const SyncOutcome unauthenticated = operation.Run(request);
    EXPECT_EQ(unauthenticated.result, RunResult::Unconfirmed);
    EXPECT_EQ(driver.steps.size(), 1u);
}

// The clock helper run as a command: its exit status, and what it printed on both outputs.
struct HelperRun {
    int status = -1;
    std::string output;
    long peakKb = 0;
};

HelperRun RunHelper(const std::string& arguments, const std::string& environment = "") {
    HelperRun run;
    const std::string command =
        "ASAN_OPTIONS=verify_asan_link_order=0 " + environment + " " HODRA_SNTP " " + arguments + " 2>&1";
    FILE* helper = popen(command.c_str(), "r");
    if (helper == nullptr) {
        return run;
    }
    char chunk[512];
    while (const std::size_t n = fread(chunk, 1, sizeof chunk, helper)) {
        run.output.append(chunk, n);
    }
    const int status = pclose(helper);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    run.peakKb = children.ru_maxrss;
    return run;
}

// The helper itself, its network process confined: the key exchange through GnuTLS, the
// name from the hosts file, the authenticated answer, and the step its keeper makes
// (recorded by the shim, never made). A trust file that names no certificate is refused,
// never read as the system's store.
TEST_F(Nts, TheConfinedHelperAuthenticatesAndItsKeeperSteps) {
    const std::string log = dir.StdPath("settime.log");
    const HelperRun synchronised =
        RunHelper("--sync --nts-ca '" + dir.StdPath("localhost.crt") + "' " + chrony->NtsAddress(),
                  "LD_PRELOAD=" HODRA_SHIM " HODRA_SHIM_LOG='" + log + "'");
    EXPECT_EQ(synchronised.status, 0) << synchronised.output;
    EXPECT_NE(synchronised.output.find(" outcome=set "), std::string::npos) << synchronised.output;
    EXPECT_NE(synchronised.output.find(" auth=nts"), std::string::npos) << synchronised.output;
    const std::string recorded = test::ReadFile(log);
    EXPECT_EQ(recorded.rfind("clock_adjtime ", 0), 0u) << recorded;
    EXPECT_NE(recorded.find(" hodra2-sntp\n"), std::string::npos) << recorded;

    // The system's store (no trust file), read under the filter: it knows no test certificate.
    const HelperRun system = RunHelper(chrony->NtsAddress());
    EXPECT_EQ(system.status, 1) << system.output;
    EXPECT_NE(system.output.find("인증서를 믿을 수 없음"), std::string::npos) << system.output;

    std::ofstream(dir.StdPath("empty.pem")).close();
    const HelperRun empty = RunHelper("--nts-ca '" + dir.StdPath("empty.pem") + "' " + chrony->NtsAddress());
    EXPECT_EQ(empty.status, 2) << empty.output;
    EXPECT_NE(empty.output.find("empty.pem: 인증서가 하나도 없습니다"), std::string::npos) << empty.output;
    EXPECT_EQ(relay->RequestsSeen(), SntpClient::kBurstRequests) << "only the synchronisation's burst";
}

// A PC whose clock was reset (to 2000, by libfaketime) can still be repaired over NTS: the
// certificate's validity period is not held against a clock before the build date. One that
// expired before the build date is still refused.
TEST_F(Nts, APcClockFromBeforeTheBuildStillAuthenticates) {
    const std::string faketime = test::FindFakeTimeLibrary();
    if (faketime.empty()) {
        GTEST_SKIP() << "libfaketime is not installed";
    }
    const std::string year2000 = "LD_PRELOAD=" + faketime + " FAKETIME='@2000-01-01 00:00:00'";
    const HelperRun today =
        RunHelper("--nts-ca '" + dir.StdPath("localhost.crt") + "' " + chrony->NtsAddress(), year2000);
    EXPECT_EQ(today.status, 0) << today.output;
    EXPECT_NE(today.output.find(" auth=nts"), std::string::npos) << today.output;

    ASSERT_TRUE(test::MakeCertificate(dir.StdPath(), "expired", "localhost", true));
    Serve("expired");
    const HelperRun expired =
        RunHelper("--nts-ca '" + dir.StdPath("expired.crt") + "' " + chrony->NtsAddress(), year2000);
    EXPECT_EQ(expired.status, 1) << expired.output;
    EXPECT_NE(expired.output.find("인증서를 믿을 수 없음"), std::string::npos) << expired.output;
    EXPECT_EQ(relay->RequestsSeen(), 0);
}

// Every address of a name, IPv6 first where the resolver puts it there.
class Addresses : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        if (!ChronyServer::Available("", &why)) {
            GTEST_SKIP() << why;
        }
        ChronyServer::Options o;
        o.bindAddress = "::1";
        chrony = std::make_unique<ChronyServer>(o);
        ASSERT_TRUE(chrony->Running()) << chrony->Failure();
    }
    // A name of this namespace's hosts file for each of the addresses, in order.
    bool NameFor(const std::string& name, const std::vector<std::string>& addresses) {
        const std::string hosts = dir.StdPath("hosts");
        std::ofstream file(hosts);
        for (const std::string& address : addresses) {
            file << address << ' ' << name << '\n';
        }
        file.close();
        return mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr) == 0;
    }
    // The name resolves to ::1, then 127.0.0.1.
    bool NameForBothLoopbacks() { return NameFor("both.test", {"::1", "127.0.0.1"}); }

    test::TempDir dir;
    std::unique_ptr<ChronyServer> chrony;
};

TEST_F(Addresses, Ipv6IsMeasuredAsWrittenAndThroughAName) {
    SntpClient client;
    ExchangeResult asked = client.Exchange("[::1]:" + std::to_string(chrony->Port()));
    ASSERT_TRUE(asked) << DescribeFailure(asked);
    EXPECT_EQ(asked.reply->serverAddress, "::1");
    asked = client.Exchange("::1", chrony->Port());
    ASSERT_TRUE(asked) << "a bare IPv6 address takes the port given";
    EXPECT_EQ(asked.reply->serverAddress, "::1");
    if (!NameForBothLoopbacks()) {
        GTEST_SKIP() << "no hosts file of our own here";
    }
    asked = client.Exchange("both.test:" + std::to_string(chrony->Port()));
    ASSERT_TRUE(asked) << DescribeFailure(asked);
    EXPECT_EQ(asked.reply->serverAddress, "::1");
    umount("/etc/hosts");
}

// The first address takes the request and never answers: the second answers, within the
// host's one budget.
TEST_F(Addresses, ASilentFirstAddressLeavesTimeForTheSecond) {
    if (!NameForBothLoopbacks()) {
        GTEST_SKIP() << "no hosts file of our own here";
    }
    test::FakeSntpServer second;  // 127.0.0.1:P
    const int silent = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 at{};
    at.sin6_family = AF_INET6;
    at.sin6_addr = in6addr_loopback;
    at.sin6_port = htons(second.Port());
    ASSERT_EQ(bind(silent, reinterpret_cast<const sockaddr*>(&at), sizeof at), 0) << "::1 port taken";
    SntpClient client;
    const auto start = std::chrono::steady_clock::now();
    const ExchangeResult asked = client.Exchange("both.test:" + std::to_string(second.Port()));
    const auto took = std::chrono::steady_clock::now() - start;
    ASSERT_TRUE(asked) << DescribeFailure(asked);
    EXPECT_EQ(asked.reply->serverAddress, "127.0.0.1");
    EXPECT_GE(took, milliseconds(995)) << "the silent address had its half";
    EXPECT_LT(took, SntpClient::kReplyTimeout) << "and the host stayed within its budget";
    char request[64];
    EXPECT_EQ(recv(silent, request, sizeof request, MSG_DONTWAIT), 48) << "the first address was asked first";
    close(silent);
    umount("/etc/hosts");
}

// Whoever answers a lookup decides how many addresses a name has: 64 that all refuse cost
// the first 16 at most, and a failure text of one entry each for the first few.
TEST_F(Addresses, ANameOfSixtyFourRefusingAddressesCostsSixteenAndAShortText) {
    std::vector<std::string> many;
    for (int i = 1; i <= 64; ++i) {
        many.push_back("127.0.0." + std::to_string(i));
    }
    if (!NameFor("many.test", many)) {
        GTEST_SKIP() << "no hosts file of our own here";
    }
    const std::string host = "many.test:" + std::to_string(test::FreeUdpPort());
    SntpClient client;  // as the window compares
    const ExchangeResult asked = client.Exchange(host);
    EXPECT_FALSE(asked);
    EXPECT_EQ(asked.addressFailures.size(), 16u) << "the first 16 addresses only";
    const std::string failure = DescribeFailure(asked);
    EXPECT_NE(failure.find("127.0.0.4: "), std::string::npos) << failure;
    EXPECT_EQ(failure.find("127.0.0.5: "), std::string::npos) << failure;
    EXPECT_NE(failure.find("그 밖의 주소 12개도 실패"), std::string::npos) << failure;
    const HelperRun helper = RunHelper(host);
    EXPECT_EQ(helper.status, 1) << helper.output;
    EXPECT_LT(helper.output.size(), 64u * 1024);
    EXPECT_NE(helper.output.find("그 밖의 주소 12개도 실패"), std::string::npos) << helper.output;
    EXPECT_LT(helper.peakKb, 100 * 1024);
    umount("/etc/hosts");
}

}  // namespace
}  // namespace hodra
