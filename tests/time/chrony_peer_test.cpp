// Against a real NTP server: chronyd on loopback, with the true clock and with a clock
// moved by libfaketime.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "chrony_server.h"
#include "read_file.h"
#include "temp_dir.h"
#include "time/sntp_client.h"

namespace hodra {
namespace {

double MedianOffset(const std::string& address, int samples) {
    SntpClient client;
    std::vector<double> offsets;
    std::string failure;
    for (int i = 0; i < samples; ++i) {
        const ExchangeResult asked = client.Exchange(address);
        if (asked) {
            offsets.push_back(asked.reply->offset);
        } else {
            failure = DescribeFailure(asked);
        }
    }
    EXPECT_EQ(static_cast<int>(offsets.size()), samples) << failure;
    if (offsets.empty()) {
        return 1e9;
    }
    std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
    return offsets[offsets.size() / 2];
}

void ExpectOffset(const std::string& fake, double expected) {
    std::string why;
    if (!test::ChronyServer::Available(fake, &why)) {
        GTEST_SKIP() << why;
    }
    test::ChronyServer chrony(fake);
    ASSERT_TRUE(chrony.Running()) << chrony.Failure();
    EXPECT_NEAR(MedianOffset(chrony.Address(), 9), expected, 0.001);
}

TEST(ChronyPeer, SameClockGivesZeroOffset) {
    ExpectOffset("", 0.0);
}

TEST(ChronyPeer, ServerAheadByFivePointTwoFiveSeconds) {
    ExpectOffset("+5.25s", 5.25);
}

// A chronyd whose clock lies past the end of NTP era 0: we measure what chronyd -Q measures,
// and the helper's step (recorded by the shim, never made) lands on the server's time.
TEST(ChronyPeer, ServersPastTheEraBoundaryAreMeasuredAndSteppedTo) {
    for (const char* start : {"@2036-02-07 06:28:20", "@2040-01-01 00:00:00"}) {
        std::string why;
        if (!test::ChronyServer::Available(start, &why)) {
            GTEST_SKIP() << why;
        }
        test::ChronyServer chrony(start);
        ASSERT_TRUE(chrony.Running()) << chrony.Failure();
        SntpClient client;
        const ExchangeResult asked = client.Exchange(chrony.Address());
        ASSERT_TRUE(asked) << DescribeFailure(asked);
        const SntpResult& result = *asked.reply;
        const std::optional<double> reference = chrony.ReferenceOffset();
        ASSERT_TRUE(reference.has_value()) << "chronyd -Q measured nothing";
        EXPECT_GT(*reference, 2.8e8) << start;
        EXPECT_NEAR(result.offset, *reference, 0.001) << start;

        // A deployment without a step limit: the limit is not what this is about.
        test::TempDir dir;
        std::filesystem::create_directories(dir.StdPath("xdg/Hodra Client V2.0"));
        std::ofstream(dir.StdPath("xdg/Hodra Client V2.0/Hodra2.conf")) << "[Deployment]\nMaxStep=0\n";
        const std::string log = dir.StdPath("settime.log");
        const std::string command = "XDG_CONFIG_DIRS='" + dir.StdPath("xdg") +
                                    "' " HODRA_RUN_SANDBOXED " --shim " HODRA_SHIM " '" + log +
                                    "' " HODRA_SNTP " --sync " + chrony.Address() + " >'" + dir.StdPath("report") + "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        // "clock_adjtime 0 TARGET NOW hodra2-sntp": TARGET is where the clock would be.
        std::istringstream call(test::ReadFile(log));
        std::string name;
        std::string clockId;
        double target = 0.0;
        double now = 0.0;
        call >> name >> clockId >> target >> now;
        EXPECT_EQ(name, "clock_adjtime") << start;
        // The helper's measurement lies within half its round trip of the truth: on a loaded
        // machine that trip is what widens the agreement.
        const std::string report = test::ReadFile(dir.StdPath("report"));
        const std::size_t delayAt = report.find(" delay=");
        ASSERT_NE(delayAt, std::string::npos) << report;
        const double delay = std::stod(report.substr(delayAt + 7));
        EXPECT_NEAR(target - now, *reference, 0.001 + delay) << start << ": the step lands on the server's time";
    }
}

// A step over the limit needs a second server. One chronyd reached at both of its
// addresses (127.0.0.1 and ::1, as a dual-stack server is) answers alike from both, with one
// reference: it does not confirm itself, and nothing is set. A second chronyd does.
TEST(ChronyPeer, ADualStackServerDoesNotConfirmItsOwnLargeStep) {
    std::string why;
    if (!test::ChronyServer::Available("+5000s", &why)) {
        GTEST_SKIP() << why;
    }
    test::ChronyServer::Options both{"+5000s"};
    both.alsoBindAddress = "::1";
    test::ChronyServer dual(both);
    ASSERT_TRUE(dual.Running()) << dual.Failure();
    test::TempDir dir;
    const std::string log = dir.StdPath("settime.log");
    const auto synchronise = [&](const std::string& hosts) {
        const std::string command = HODRA_RUN_SANDBOXED " --shim " HODRA_SHIM " '" + log +
                                    "' " HODRA_SNTP " --sync --allow-large-step " + hosts + " >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string port = std::to_string(dual.Port());
    EXPECT_EQ(synchronise("127.0.0.1:" + port + " [::1]:" + port), 5) << "one server, two addresses";
    EXPECT_EQ(synchronise("127.0.0.1:" + port + " [::ffff:127.0.0.1]:" + port), 5) << "one address, written twice";
    EXPECT_EQ(test::ReadFile(log), "") << "nothing was set";
    test::ChronyServer other("+5000s");
    ASSERT_TRUE(other.Running()) << other.Failure();
    EXPECT_EQ(synchronise(dual.Address() + " " + other.Address()), 0) << "a second server agrees";
    EXPECT_EQ(test::ReadFile(log).rfind("clock_adjtime ", 0), 0u);
}

// The burst against a real server: chronyd answers all four; one that lets each client a
// burst of one and one response per 250 ms (ratelimit) drops most of a burst, and the run
// still measures, saying in samples= how many of its requests were answered.
TEST(ChronyPeer, TheBurstAgainstARealServerAndARateLimitedOne) {
    std::string why;
    if (!test::ChronyServer::Available("", &why)) {
        GTEST_SKIP() << why;
    }
    const auto samples = [](const std::string& address) {
        FILE* helper = popen((HODRA_SNTP " " + address + " 2>/dev/null").c_str(), "r");
        std::string report;
        char chunk[512];
        while (helper != nullptr && fgets(chunk, sizeof chunk, helper) != nullptr) {
            report = chunk;  // the last line
        }
        const int status = helper != nullptr ? pclose(helper) : -1;
        const auto at = report.find(" samples=");
        EXPECT_EQ(status, 0) << report;
        EXPECT_NE(report.find(" outcome=compared "), std::string::npos) << report;
        return at == std::string::npos ? std::string()
                                       : report.substr(at + 9, report.find_first_of(" \n", at + 9) - at - 9);
    };
    test::ChronyServer plain("");
    ASSERT_TRUE(plain.Running()) << plain.Failure();
    EXPECT_EQ(samples(plain.Address()), "4/4");
    test::ChronyServer::Options limited{""};
    limited.extraConfig = "ratelimit interval -2 burst 1 leak 4\n";
    test::ChronyServer strict(limited);
    ASSERT_TRUE(strict.Running()) << strict.Failure();
    const std::string counted = samples(strict.Address());
    std::printf("samples against a rate-limited chronyd: %s\n", counted.c_str());
    ASSERT_NE(counted.find('/'), std::string::npos) << counted;
    EXPECT_GE(std::stoi(counted), 1) << counted;
    EXPECT_LE(std::stoi(counted.substr(counted.find('/') + 1)), SntpClient::kBurstRequests) << counted;
}

}  // namespace
}  // namespace hodra
