// Hostile and broken primary servers: none of their replies is used, the clock is not
// set from them, and the run falls through to the secondary server. Hostile networks too:
// a datagram the kernel drops after poll announced it, a name server that never answers.
// The suite runs in a network and mount namespace of its own (see tests/CMakeLists.txt).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/udp.h>
#include <poll.h>
#include <random>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "time/cancel_token.h"
#include "temp_dir.h"

#include "time/clock_setter.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "time/sntp_client.h"
#include "sync/sync_operation.h"

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
        {"kiss-o'-death RATE", Scripted([](ReplyScript& s) {
             s.stratum = 0;
             s.referenceId = 0x52415445;
         })},
        {"kiss-o'-death DENY", Scripted([](ReplyScript& s) {
             s.stratum = 0;
             s.referenceId = 0x44454E59;
         })},
        {"kiss-o'-death RSTR", Scripted([](ReplyScript& s) {
             s.stratum = 0;
             s.referenceId = 0x52535452;
         })},
        {"leap indicator 3", Scripted([](ReplyScript& s) { s.leapIndicator = 3; })},
        {"mode 3", Scripted([](ReplyScript& s) { s.mode = 3; })},
        {"mode 5", Scripted([](ReplyScript& s) { s.mode = 5; })},
        {"mode 0", Scripted([](ReplyScript& s) { s.mode = 0; })},
        {"version 0", Scripted([](ReplyScript& s) { s.version = 0; })},
        {"version 7", Scripted([](ReplyScript& s) { s.version = 7; })},
        {"stratum 16", Scripted([](ReplyScript& s) { s.stratum = 16; })},
        {"transmit stamp zero", Scripted([](ReplyScript& s) { s.transmit = NtpTimestamp(); })},
        {"held longer than the round trip", Scripted([](ReplyScript& s) { s.receiveAfterArrival = -5.0; })},
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
        SyncOperation operation(client, &setter);
        std::string primary = hostile.Address();
        if (kind.host == "closed") {
            auto* gone = new FakeSntpServer;
            primary = gone->Address();
            delete gone;
        } else if (!kind.host.empty()) {
            primary = kind.host;
        }
        return operation.Run({true, {primary, secondary}});
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
        EXPECT_EQ(ResultMessage(fallen), "한국표준시에 동기되었습니다.") << kind.name;
        ASSERT_EQ(toSecondary.steps.size(), 1u) << kind.name;
        EXPECT_NEAR(toSecondary.steps[0], kSecondaryOffset, fallen.delay / 2 + 0.0005)
            << kind.name << ": the clock followed the hostile server";

        test::FakeClockDriver alone;
        const SyncOutcome none = RunAgainst(kind, silent.Address(), alone);
        EXPECT_EQ(none.serverId, 3) << kind.name;
        EXPECT_EQ(ResultMessage(none), "서버에서 응답이 없습니다") << kind.name;
        EXPECT_TRUE(alone.calls.empty()) << kind.name << ": the clock was touched";
        ++tried;
        accepted += fallen.serverId == 1 || none.serverId == 1;
    }
    EXPECT_EQ(accepted, 0);
    EXPECT_EQ(tried, 22);
    std::printf("hostile kinds tried: %d, accepted: %d\n", tried, accepted);
}

TEST_F(Hostile, ToleratedOddities) {
    // A slow but timely reply, a reply sent 100 times and a long valid one are used as
    // they should be, and the extra copies do not leak into the next exchange.
    const std::pair<const char*, ReplyScript> cases[] = {
        {"reply after 1.5 s", Scripted([](ReplyScript& s) {
             s.clockOffset = 7.0;
             s.delay = milliseconds(1500);
         })},
        {"reply sent 100 times", Scripted([](ReplyScript& s) {
             s.clockOffset = 7.0;
             s.copies = 100;
         })},
        {"1000-byte valid reply", Scripted([](ReplyScript& s) {
             s.clockOffset = 7.0;
             s.length = 1000;
         })},
    };
    for (const auto& [name, script] : cases) {
        hostile.SetScript(script);
        SntpClient client;
        ExchangeResult asked = client.Exchange(hostile.Address());
        ASSERT_TRUE(asked) << name;
        EXPECT_NEAR(asked.reply->offset, 7.0, RoundTripDelay(*asked.reply) / 2 + 0.0005) << name;
        ReplyScript plain;
        plain.clockOffset = -2.0;
        hostile.SetScript(plain);
        asked = client.Exchange(hostile.Address());
        ASSERT_TRUE(asked) << name;
        EXPECT_NEAR(asked.reply->offset, -2.0, RoundTripDelay(*asked.reply) / 2 + 0.0005)
            << name << ": a stale copy was taken";
    }
}

// The loopback interface of a fresh network namespace starts down.
class LoopbackUp : public ::testing::Environment {
public:
    void SetUp() override {
        const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ifreq request{};
        std::strcpy(request.ifr_name, "lo");
        if (ioctl(s, SIOCGIFFLAGS, &request) == 0 && (request.ifr_flags & IFF_UP) == 0) {
            request.ifr_flags |= IFF_UP;
            (void)ioctl(s, SIOCSIFFLAGS, &request);
        }
        close(s);
    }
};
const auto* const kLoopback = ::testing::AddGlobalTestEnvironment(new LoopbackUp);

int BoundUdp(sockaddr_in& address) {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    address = sockaddr_in{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    return fd;
}

// A UDP datagram from port `from` to port `to` on loopback whose checksum is wrong. Longer
// than the 76 bytes the kernel checks on arrival, so it is queued and poll announces it;
// the read then finds the checksum bad and drops it.
void SendCorrupted(int raw, std::uint16_t from, std::uint16_t to) {
    std::uint8_t datagram[8 + 200] = {};
    udphdr header{};
    header.source = htons(from);
    header.dest = htons(to);
    header.len = htons(sizeof datagram);
    header.check = htons(0x1234);
    std::memcpy(datagram, &header, sizeof header);
    sockaddr_in loopback{};
    loopback.sin_family = AF_INET;
    loopback.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sendto(raw, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr*>(&loopback), sizeof loopback);
}

std::vector<std::uint8_t> ValidReplyTo(const std::uint8_t* request) {
    std::vector<std::uint8_t> reply(48, 0);
    reply[0] = 0x24;  // LI 0, version 4, mode 4
    reply[1] = 2;
    std::memcpy(&reply[24], request + 40, 8);  // originate: the request's transmit stamp
    const auto now = NtpTimestamp::Now().ToNetwork();
    const auto reference = AddSeconds(NtpTimestamp::Now(), -16.0).ToNetwork();
    std::memcpy(&reply[16], reference.data(), 8);
    std::memcpy(&reply[32], now.data(), 8);
    std::memcpy(&reply[40], now.data(), 8);
    return reply;
}

class HostileNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        raw = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_UDP);
        if (raw < 0) {
            GTEST_SKIP() << "no raw socket here (" << std::strerror(errno) << "); run in the suite's namespace";
        }
    }
    void TearDown() override {
        if (raw >= 0) {
            close(raw);
        }
    }
    int raw = -1;
};

TEST_F(HostileNetwork, ADatagramTheReadDropsDoesNotEndTheWait) {
    // The kernel behaves as this test assumes: on a non-blocking socket poll announces the
    // bad datagram, and the read finds nothing.
    sockaddr_in probe{};
    const int probeFd = BoundUdp(probe);
    fcntl(probeFd, F_SETFL, O_NONBLOCK);
    SendCorrupted(raw, 40000, ntohs(probe.sin_port));
    pollfd entry{probeFd, POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 5000), 1) << "poll did not see the datagram: nothing to test";
    char byte = 0;
    ASSERT_LT(recv(probeFd, &byte, 1, 0), 0);
    close(probeFd);

    for (const bool thenAnswer : {false, true}) {
        sockaddr_in server{};
        const int serverFd = BoundUdp(server);
        SntpClient client(milliseconds(500));
        ExchangeResult asked;
        std::thread asking([&] { asked = client.Exchange("127.0.0.1", ntohs(server.sin_port)); });
        std::uint8_t request[48];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        ASSERT_EQ(recvfrom(serverFd, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from), &fromSize), 48);
        SendCorrupted(raw, ntohs(server.sin_port), ntohs(from.sin_port));
        if (thenAnswer) {
            const auto reply = ValidReplyTo(request);
            sendto(serverFd, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from), fromSize);
        }
        asking.join();
        close(serverFd);
        if (thenAnswer) {
            EXPECT_TRUE(asked) << "the good reply after the bad one: " << DescribeFailure(asked);
        } else {
            EXPECT_FALSE(asked);
            EXPECT_EQ(asked.failure.kind, SntpError::Timeout) << "the wait must go on to its deadline, not fail";
        }
    }
}

// A name server that takes the question and never answers; a cancel ends the lookup's wait.
// How many of this process's threads block SIGTERM, from the kernel's view of each.
int ThreadsBlockingTermination() {
    int blocking = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("SigBlk:", 0) == 0) {
                blocking += static_cast<int>((std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1U);
            }
        }
    }
    return blocking;
}

TEST_F(HostileNetwork, ANameLookupThatHangsIsCancelled) {
    const int blockingBefore = ThreadsBlockingTermination();
    test::TempDir dir;
    const std::string conf = dir.StdPath("resolv.conf");
    std::ofstream(conf) << "nameserver 127.0.0.1\noptions timeout:30 attempts:5\n";
    if (mount(conf.c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0) {
        GTEST_SKIP() << "cannot put a resolv.conf of our own in place: " << std::strerror(errno);
    }
    sockaddr_in dns{};
    dns.sin_family = AF_INET;
    dns.sin_port = htons(53);
    dns.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int dnsFd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_EQ(bind(dnsFd, reinterpret_cast<sockaddr*>(&dns), sizeof dns), 0) << std::strerror(errno);

    SntpClient client;
    CancelToken cancel;
    ExchangeResult asked;
    std::thread asking([&] { asked = client.Exchange("time.hangs.example", kNtpPort, &cancel); });
    char question[512];
    ASSERT_GT(recv(dnsFd, question, sizeof question, 0), 0) << "the lookup never reached the name server";
    // The clock helper holds termination off in its own thread around a step; the lookup's
    // thread, still waiting, must not take that signal instead and end the helper.
    EXPECT_EQ(ThreadsBlockingTermination(), blockingBefore + 1);
    cancel.Cancel();
    asking.join();  // without the cancel this would wait 30 s times five
    EXPECT_FALSE(asked);
    EXPECT_EQ(asked.failure.kind, SntpError::Cancelled);
    // Uncancelled, the lookup counts against the host's own time: the host fails when that
    // is up, however long the resolver would wait.
    SntpClient hurried(std::chrono::milliseconds(300));
    const ExchangeResult late = hurried.Exchange("time.hangs.example");
    EXPECT_FALSE(late);
    EXPECT_EQ(late.failure.kind, SntpError::LookupTimeout);
    EXPECT_EQ(DescribeFailure(late), "이름 조회 시간 초과");
    close(dnsFd);
    umount("/etc/resolv.conf");
}

}  // namespace
}  // namespace hodra
