// The clock helper's two processes: the keeper's rules (fed directly, over a socket pair,
// with the fake driver), the keeper and the helper as they run, and both syscall filters.
// Runs inside `unshare --user --map-root-user` (see tests/CMakeLists.txt): a clock call
// there can only fail with EPERM.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <linux/capability.h>
#include <netdb.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/mount.h>
#include <sys/ptrace.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/clock_keeper.h"
#include "time/clock_setter.h"
#include "user_namespace.h"
#include "fake_clock_driver.h"
#include "fake_sntp_server.h"
#include "platform/syscall_filter.h"

extern char** environ;

namespace hodra {
namespace {

using Calls = std::vector<std::string>;
constexpr std::int64_t kSecond = 1000000000;

std::vector<unsigned char> Datagram(std::uint32_t kind, std::int64_t nanoseconds, std::uint32_t reserved = 0) {
    const keeper::Request request{kind, reserved, nanoseconds};
    const auto* bytes = reinterpret_cast<const unsigned char*>(&request);
    return {bytes, bytes + sizeof request};
}

TEST(ClockKeeper, MakesOnlyTheStepItsBoundAdmitsAndRefusesWhatIsMalformed) {
    const StepBound limit{1000 * kSecond, false};
    const StepBound allowed{1000 * kSecond, true};
    std::vector<unsigned char> tooShort = Datagram(keeper::kStep, kSecond);
    tooShort.resize(12);
    std::vector<unsigned char> tooLong = Datagram(keeper::kStep, kSecond);
    tooLong.push_back(0);
    struct Case {
        const char* what;
        std::vector<unsigned char> datagram;
        StepBound bound;
        int answer;
        std::vector<double> steps;
    };
    for (const Case& c : {
             Case{"within the limit", Datagram(keeper::kStep, 1000 * kSecond), limit, 0, {1000.0}},
             Case{"back by a quarter second", Datagram(keeper::kStep, -kSecond / 4), limit, 0, {-0.25}},
             Case{"a nanosecond over", Datagram(keeper::kStep, -1000 * kSecond - 1), limit, ERANGE, {}},
             Case{"over, with --allow-large-step", Datagram(keeper::kStep, 5000 * kSecond), allowed, 0, {5000.0}},
             Case{"no limit", Datagram(keeper::kStep, 5000 * kSecond), StepBound{}, 0, {5000.0}},
             Case{"a budget spent", Datagram(keeper::kStep, 1), StepBound{0, false}, ERANGE, {}},
             Case{"no step", Datagram(keeper::kNoStep, 0), limit, 0, {}},
             Case{"short", tooShort, allowed, EINVAL, {}},
             Case{"long", tooLong, allowed, EINVAL, {}},
             Case{"unknown kind", Datagram(3, kSecond), allowed, EINVAL, {}},
             Case{"reserved bits", Datagram(keeper::kStep, kSecond, 1), allowed, EINVAL, {}},
             Case{"no magnitude",
                  Datagram(keeper::kStep, std::numeric_limits<std::int64_t>::min()),
                  allowed,
                  EINVAL,
                  {}},
         }) {
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
        ASSERT_EQ(write(pair[0], c.datagram.data(), c.datagram.size()), static_cast<ssize_t>(c.datagram.size()));
        // A second request behind the first is never served.
        const auto second = Datagram(keeper::kStep, kSecond);
        ASSERT_EQ(write(pair[0], second.data(), second.size()), static_cast<ssize_t>(second.size()));
        test::FakeClockDriver driver;
        ClockSetter setter(driver);
        EXPECT_EQ(ServeOneRequest(pair[1], setter, c.bound).error, c.answer) << c.what;
        keeper::Answer answer{-1};
        EXPECT_EQ(read(pair[0], &answer, sizeof answer), static_cast<ssize_t>(sizeof answer)) << c.what;
        EXPECT_EQ(answer.error, c.answer) << c.what;
        EXPECT_EQ(driver.steps, c.steps) << c.what;
        EXPECT_EQ(driver.calls, c.steps.empty() ? Calls{} : Calls({"raise", "step", "lower"})) << c.what;
        close(pair[0]);
        close(pair[1]);
    }
}

std::string StatusField(pid_t pid, const std::string& name) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(name + ":", 0) == 0) {
            std::istringstream value(line.substr(name.size() + 1));
            std::string word;
            value >> word;
            return word;
        }
    }
    return "(none)";
}

unsigned long long CapPrm(pid_t pid) {
    return std::stoull(StatusField(pid, "CapPrm"), nullptr, 16);
}

// The socket inodes a process holds (and how many other descriptors), and the inodes of
// one of /proc/net's tables.
std::vector<std::string> SocketInodes(pid_t pid, int* others = nullptr) {
    std::vector<std::string> inodes;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
        const std::string target = std::filesystem::read_symlink(fd.path()).string();
        if (target.rfind("socket:[", 0) == 0) {
            inodes.push_back(target.substr(8, target.size() - 9));
        } else if (others != nullptr) {
            ++*others;
        }
    }
    return inodes;
}

std::set<std::string> TableInodes(const char* table, int inodeColumn) {
    std::set<std::string> inodes;
    std::ifstream in(std::string("/proc/net/") + table);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string word;
        for (int i = 0; i <= inodeColumn && words >> word; ++i) {
        }
        inodes.insert(word);
    }
    return inodes;
}

class Split : public ::testing::Test {
protected:
    void SetUp() override {
        if (!test::InPrivateUserNamespace()) {
            FAIL() << "refusing to run outside a private user namespace: this test steps the clock by nothing";
        }
    }
};

TEST_F(Split, TheKeeperIsConfinedHoldsOnlyItsCapabilityAndServesOneRequest) {
    KeeperLink keeper = StartClockKeeper({1000 * kSecond, false}, false);
    ASSERT_TRUE(keeper.error == 0 && AwaitClockKeeper(keeper)) << std::strerror(keeper.error);
    EXPECT_EQ(CapPrm(keeper.pid), 1ull << CAP_SYS_TIME);
    EXPECT_EQ(StatusField(keeper.pid, "NoNewPrivs"), "1");
    EXPECT_EQ(StatusField(keeper.pid, "Seccomp"), "2");
    int others = 0;
    const auto sockets = SocketInodes(keeper.pid, &others);
    EXPECT_EQ(others, 0) << "the keeper keeps no descriptor but its socket";
    ASSERT_EQ(sockets.size(), 1u);
    EXPECT_EQ(TableInodes("unix", 6).count(sockets[0]), 1u) << "and that socket is its pair's";

    // Were the namespace ever to allow it, this would step the clock by nothing.
    const auto step = Datagram(keeper::kStep, 0);
    ASSERT_EQ(send(keeper.fd.Get(), step.data(), step.size(), MSG_NOSIGNAL), static_cast<ssize_t>(step.size()));
    keeper::Answer answer{-1};
    ASSERT_EQ(read(keeper.fd.Get(), &answer, sizeof answer), static_cast<ssize_t>(sizeof answer));
    EXPECT_EQ(answer.error, EPERM) << "the call was made, and the namespace refused it";
    (void)send(keeper.fd.Get(), step.data(), step.size(), MSG_NOSIGNAL);
    EXPECT_LE(read(keeper.fd.Get(), &answer, sizeof answer), 0) << "a second request finds the keeper gone";
    int status = 0;
    ASSERT_EQ(waitpid(keeper.pid, &status, 0), keeper.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    keeper.pid = -1;
    StopClockKeeper(keeper);
}

// In a child of its own: confined by `confine`, then `act`. The child's end as waitpid says.
int InConfinedChild(const std::function<int()>& confine, const std::function<void()>& act) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (confine() != 0) {
            _exit(100);
        }
        act();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

bool KilledBySigsys(int status) {
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS;
}

TEST(SyscallFilter, TheNetworkProcessMayResolveAndTalkButNothingElse) {
    const auto network = [] { return ConfineNetworkProcess(); };
    const int allowed = InConfinedChild(network, [] {
        addrinfo* found = nullptr;
        const addrinfo hints{AI_ADDRCONFIG, AF_UNSPEC, SOCK_DGRAM, 0, 0, nullptr, nullptr, nullptr};
        if (getaddrinfo("localhost", "123", &hints, &found) != 0) {
            _exit(1);
        }
        const int udp = socket(found->ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (udp < 0 || connect(udp, found->ai_addr, found->ai_addrlen) != 0) {
            _exit(2);
        }
        if (open("/etc/hosts", O_RDONLY | O_CLOEXEC) < 0) {
            _exit(3);
        }
        // A local datagram socket (the journal's) may be had; a local stream, which would
        // reach D-Bus, is refused without ending the process.
        if (socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0) < 0 || socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0) >= 0 ||
            errno != EACCES) {
            _exit(4);
        }
        std::thread([] {}).join();
    });
    EXPECT_TRUE(WIFEXITED(allowed) && WEXITSTATUS(allowed) == 0) << "status " << allowed;

    struct Forbidden {
        const char* what;
        std::function<void()> act;
    };
    for (const Forbidden& f : {
             Forbidden{"execve", [] { execl("/bin/true", "true", nullptr); }},
             Forbidden{"clock_settime",
                       [] {
                           timespec now{};
                           clock_gettime(CLOCK_REALTIME, &now);
                           clock_settime(CLOCK_REALTIME, &now);
                       }},
             Forbidden{"an open for writing", [] { open("/tmp/hodra-filter-test", O_WRONLY | O_CREAT, 0600); }},
             Forbidden{"ptrace", [] { ptrace(PTRACE_TRACEME, 0, nullptr, nullptr); }},
             Forbidden{"mount", [] { mount("none", "/tmp", "tmpfs", 0, nullptr); }},
             Forbidden{"fork", [] { (void)fork(); }},
             Forbidden{"a raw socket", [] { socket(AF_PACKET, SOCK_RAW, 0); }},
         }) {
        EXPECT_TRUE(KilledBySigsys(InConfinedChild(network, f.act))) << f.what;
    }
    EXPECT_EQ(access("/tmp/hodra-filter-test", F_OK), -1) << "the open for writing made the file";
}

TEST(SyscallFilter, TheKeeperMayNotEvenOpenASocket) {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair), 0);
    const int kept = pair[1];
    const auto keeper = [kept] { return ConfineKeeper(kept); };
    EXPECT_TRUE(KilledBySigsys(InConfinedChild(keeper, [] { socket(AF_INET, SOCK_DGRAM, 0); })));
    EXPECT_TRUE(KilledBySigsys(InConfinedChild(keeper, [] { open("/etc/hosts", O_RDONLY); })));
    const int wrote = InConfinedChild(keeper, [kept] {
        const keeper::Answer answer{7};
        _exit(write(kept, &answer, sizeof answer) == sizeof answer ? 0 : 1);
    });
    EXPECT_TRUE(WIFEXITED(wrote) && WEXITSTATUS(wrote) == 0) << "its own socket it may use: " << wrote;
    close(pair[0]);
    close(pair[1]);
}

// The helper as it runs: caught while it waits on a server that never answers.
TEST_F(Split, WhileTheHelperWaitsOnAServerOnlyTheConfinedKeeperHoldsTheCapability) {
    test::FakeSntpServer silent;
    test::ReplyScript quiet;
    quiet.silent = true;
    silent.SetScript(quiet);
    const std::string host = silent.Address();
    std::vector<char*> argv{const_cast<char*>(HODRA_SNTP), const_cast<char*>("--sync"), const_cast<char*>(host.c_str()),
                            nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t helper = -1;
    ASSERT_EQ(posix_spawn(&helper, HODRA_SNTP, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_TRUE(silent.WaitForRequests(1)) << "the helper never asked";
    kill(helper, SIGSTOP);  // held still while we look
    int status = 0;
    ASSERT_EQ(waitpid(helper, &status, WUNTRACED), helper);

    std::ifstream childrenFile("/proc/" + std::to_string(helper) + "/task/" + std::to_string(helper) + "/children");
    pid_t keeper = -1;
    childrenFile >> keeper;
    ASSERT_GT(keeper, 0) << "no keeper beside the network process";

    EXPECT_EQ(CapPrm(helper), 0ull) << "the process that holds the UDP socket";
    EXPECT_EQ(StatusField(helper, "NoNewPrivs"), "1");
    EXPECT_EQ(StatusField(helper, "Seccomp"), "2");
    const std::set<std::string> udp = TableInodes("udp", 9);
    bool holdsUdp = false;
    for (const std::string& inode : SocketInodes(helper)) {
        holdsUdp = holdsUdp || udp.count(inode) != 0;
    }
    EXPECT_TRUE(holdsUdp) << "the network process holds the exchange's socket";

    EXPECT_EQ(CapPrm(keeper), 1ull << CAP_SYS_TIME) << "the keeper";
    EXPECT_EQ(StatusField(keeper, "Seccomp"), "2");
    const auto keeperSockets = SocketInodes(keeper);
    ASSERT_EQ(keeperSockets.size(), 1u);
    EXPECT_EQ(udp.count(keeperSockets[0]), 0u) << "the keeper has no network socket";

    kill(helper, SIGKILL);
    waitpid(helper, &status, 0);
}

// What a command printed on both outputs, and how it ended.
int RunShell(const std::string& command, std::string& output) {
    FILE* child = popen((command + " 2>&1").c_str(), "r");
    if (child == nullptr) {
        return -1;
    }
    char chunk[512];
    while (const std::size_t n = fread(chunk, 1, sizeof chunk, child)) {
        output.append(chunk, n);
    }
    return pclose(child);
}

// On a kernel without seccomp filters no keeper waits and not one packet goes out for a
// synchronisation; a compare holds no capability and runs all the same.
TEST_F(Split, WithoutSeccompTheHelperSetsNothingButStillCompares) {
    test::FakeSntpServer server;
    std::string output;
    const int synchronised = RunShell(HODRA_WITHOUT_SECCOMP " " HODRA_SNTP " --sync " + server.Address(), output);
    EXPECT_TRUE(WIFEXITED(synchronised) && WEXITSTATUS(synchronised) == 3) << synchronised << ": " << output;
    EXPECT_NE(output.find("시스템 호출 필터(seccomp)로 막을 수 없어 시계를 맞추지 않습니다"), std::string::npos)
        << output;
    EXPECT_EQ(server.RequestsSeen(), 0);
    output.clear();
    const int compared = RunShell(HODRA_WITHOUT_SECCOMP " " HODRA_SNTP " " + server.Address(), output);
    EXPECT_EQ(compared, 0) << output;
    EXPECT_NE(output.find(" outcome=compared "), std::string::npos) << output;
}

}  // namespace
}  // namespace hodra
