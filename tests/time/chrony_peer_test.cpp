// Against a real NTP server: chronyd on loopback, with the true clock and with a clock
// moved by libfaketime.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "chrony_server.h"
#include "sntp_client.h"

namespace hodra {
namespace {

double MedianOffset(const std::string& address, int samples) {
    SntpClient client;
    std::vector<double> offsets;
    for (int i = 0; i < samples; ++i) {
        SntpResult result;
        if (client.Exchange(address, result)) {
            offsets.push_back(result.offset);
        }
    }
    EXPECT_EQ(static_cast<int>(offsets.size()), samples) << DescribeSntpError(client.LastError());
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

}  // namespace
}  // namespace hodra
