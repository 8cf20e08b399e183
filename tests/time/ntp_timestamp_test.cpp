#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "time/clock_setter.h"
#include "fake_clock_driver.h"
#include "time/ntp_timestamp.h"
#include "time/sntp_result.h"

namespace hodra {
namespace {

TEST(NtpTimestamp, TellingValues) {
    const NtpTimestamp unixEpoch = NtpTimestamp::FromUnix(timespec{0, 0});
    EXPECT_EQ(unixEpoch.Seconds(), 2208988800u);
    EXPECT_EQ(unixEpoch.Fraction(), 0u);
    EXPECT_EQ(NtpTimestamp::FromUnix(timespec{0, 500000000}).Fraction(), 2147483648u) << "half a second";
    // Zero is the start of era 1, 2036-02-07 06:28:16 UTC; the last second of era 0 lies
    // just before.
    EXPECT_EQ(NtpTimestamp().ToUnix().tv_sec, 2085978496);
    EXPECT_EQ(NtpTimestamp::FromParts(0xFFFFFFFFu, 0).ToUnix().tv_sec, 2085978495);
    // The nearest nanosecond to the last fraction of era 0 is the first instant of era 1.
    const timespec carried = NtpTimestamp::FromParts(0xFFFFFFFFu, 0xFFFFFFFFu).ToUnix();
    EXPECT_EQ(carried.tv_sec, 2085978496);
    EXPECT_EQ(carried.tv_nsec, 0);
}

TEST(NtpTimestamp, UnixConversionsFollowTheEraPivot) {
    const timespec y2040{2208988800, 0};  // 2040-01-01 00:00:00 UTC, a Sunday
    const NtpTimestamp t = NtpTimestamp::FromUnix(y2040);
    EXPECT_LT(t.Seconds(), 0x80000000u);
    EXPECT_EQ(t.ToUnix().tv_sec, y2040.tv_sec);
    const timespec halfSecond{1700000000, 500000000};
    const timespec back = NtpTimestamp::FromUnix(halfSecond).ToUnix();
    EXPECT_EQ(back.tv_sec, halfSecond.tv_sec);
    EXPECT_EQ(back.tv_nsec, halfSecond.tv_nsec);
    // Every nanosecond value survives the trip through the 32-bit fraction (±1 ns).
    for (long ns = 0; ns < 1000000000; ns += 999983) {
        const timespec in{1800000000, ns};
        const timespec out = NtpTimestamp::FromUnix(in).ToUnix();
        ASSERT_EQ(out.tv_sec, in.tv_sec);
        ASSERT_LE(std::abs(out.tv_nsec - in.tv_nsec), 1);
    }
}

// The fraction counts 2^32ths of a second, in the differences as in the Unix conversions.
TEST(NtpTimestamp, DifferenceIsAntisymmetricAndCountsTheFractionInTwoToThe32nds) {
    const NtpTimestamp a = NtpTimestamp::FromParts(3900000000u, 123456789u);
    const NtpTimestamp b = NtpTimestamp::FromParts(3900000001u, 123456789u + 2147483648u);
    EXPECT_EQ(Difference(a, a), 0.0);
    EXPECT_EQ(Difference(b, a), 1.5);
    EXPECT_EQ(AbsoluteDifference(b, a), 1.5);
    EXPECT_EQ(Difference(b, a), -Difference(a, b));
    const NtpTimestamp c = NtpTimestamp::FromParts(12, 99);
    const NtpTimestamp d = NtpTimestamp::FromParts(7, 4000000000u);
    EXPECT_EQ(Difference(c, d), -Difference(d, c));
}

// A PC whose clock was reset (1970, 2000) against a server past the end of era 0 (2036,
// 2040): the offset is the true difference, the round trip stays small, and the step by
// the offset lands on the server's time. The signed difference keeps short spans right
// across the boundary; 1970 to 2040 (70 years) needs each stamp read in its era.
TEST(NtpTimestamp, ResetPcClocksMeasureServersPastTheEraBoundary) {
    const auto at = [](std::int64_t unix, long ns) { return NtpTimestamp::FromUnix(timespec{unix, ns}); };
    for (const std::int64_t pc : {std::int64_t{0}, std::int64_t{946684800}}) {                    // 1970, 2000
        for (const std::int64_t server : {std::int64_t{2085978500}, std::int64_t{2208988800}}) {  // 2036, 2040
            SntpResult r;
            r.originate = at(pc, 0);
            r.receive = at(server, 1000000);   // 1 ms out
            r.transmit = at(server, 2000000);  // held 1 ms
            r.destination = at(pc, 3000000);   // 1 ms back
            const double truth = static_cast<double>(server - pc);
            EXPECT_NEAR(ClockOffset(r), truth, 1e-6) << pc << " against " << server;
            EXPECT_NEAR(RoundTripDelay(r), 0.002, 1e-6);
            test::FakeClockDriver driver;
            ClockSetter setter(driver);
            ASSERT_TRUE(setter.StepClock(ClockOffset(r)));
            const double landed = static_cast<double>(pc) + 0.003 + driver.steps.at(0);
            EXPECT_NEAR(landed, static_cast<double>(server) + 0.003, 1e-6) << "the step lands on the server's time";
        }
    }
    // Short spans across the boundary in either direction, by the signed difference alone.
    const NtpTimestamp before = at(2085978496 - 2, 0);
    const NtpTimestamp after = at(2085978496 + 3, 500000000);
    EXPECT_NEAR(Difference(after, before), 5.5, 1e-9);
    EXPECT_NEAR(Difference(before, after), -5.5, 1e-9);
}

TEST(NtpTimestamp, AddSeconds) {
    const NtpTimestamp ten = NtpTimestamp::FromParts(10, 0);
    const NtpTimestamp earlier = AddSeconds(ten, -0.25);
    EXPECT_EQ(earlier.Seconds(), 9u);
    EXPECT_EQ(earlier.Fraction(), 3221225472u);
    EXPECT_EQ(AddSeconds(ten, 0.0), ten);
    EXPECT_EQ(AddSeconds(ten, -0.0), ten);
    const NtpTimestamp later = AddSeconds(ten, 5.25);
    EXPECT_EQ(later.Seconds(), 15u);
    EXPECT_EQ(later.Fraction(), 1073741824u);
    EXPECT_NEAR(Difference(AddSeconds(ten, 123.456), ten), 123.456, 1e-9);
    // Crossing the era boundary wraps the seconds.
    EXPECT_EQ(AddSeconds(NtpTimestamp::FromParts(0xFFFFFFFFu, 0), 2.0).Seconds(), 1u);
    // Non-finite offsets change nothing rather than invoking undefined conversions.
    EXPECT_EQ(AddSeconds(ten, std::numeric_limits<double>::quiet_NaN()), ten);
    EXPECT_EQ(AddSeconds(ten, std::numeric_limits<double>::infinity()), ten);
}

TEST(NtpTimestamp, WireFormIsBigEndianSecondsFirst) {
    const NtpTimestamp t = NtpTimestamp::FromParts(0x01020304u, 0xA0B0C0D0u);
    const auto wire = t.ToNetwork();
    const std::uint8_t expected[8] = {1, 2, 3, 4, 0xA0, 0xB0, 0xC0, 0xD0};
    EXPECT_EQ(std::memcmp(wire.data(), expected, 8), 0);
    EXPECT_EQ(NtpTimestamp::FromNetwork(wire.data()), t);
}

TEST(NtpTimestamp, NowMatchesTheSystemClock) {
    timespec before{};
    clock_gettime(CLOCK_REALTIME, &before);
    const NtpTimestamp now = NtpTimestamp::Now();
    timespec after{};
    clock_gettime(CLOCK_REALTIME, &after);
    EXPECT_GE(Difference(now, NtpTimestamp::FromUnix(before)), 0.0);
    EXPECT_LE(Difference(now, NtpTimestamp::FromUnix(after)), 0.0);
}

}  // namespace
}  // namespace hodra
