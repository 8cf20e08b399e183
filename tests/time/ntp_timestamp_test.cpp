#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "clock_setter.h"
#include "fake_clock_driver.h"
#include "ntp_timestamp.h"
#include "sntp_result.h"

namespace hodra {
namespace {

SystemTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    SystemTime st;
    st.year = static_cast<std::uint16_t>(y);
    st.month = static_cast<std::uint16_t>(mo);
    st.day = static_cast<std::uint16_t>(d);
    st.hour = static_cast<std::uint16_t>(h);
    st.minute = static_cast<std::uint16_t>(mi);
    st.second = static_cast<std::uint16_t>(s);
    st.milliseconds = static_cast<std::uint16_t>(ms);
    return st;
}

TEST(NtpTimestamp, TellingValues) {
    EXPECT_EQ(NtpTimestamp::FromSystemTime(At(1900, 1, 1)).Value(), 0u);
    const NtpTimestamp unixEpoch = NtpTimestamp::FromSystemTime(At(1970, 1, 1));
    EXPECT_EQ(unixEpoch.Seconds(), 2208988800u);
    EXPECT_EQ(unixEpoch.Fraction(), 0u);
    EXPECT_EQ(MsToFraction(0), 0u);
    EXPECT_EQ(MsToFraction(1), 4294967u);
    EXPECT_EQ(MsToFraction(2), 8589935u);
    EXPECT_EQ(MsToFraction(500), 2147483648u);
    EXPECT_EQ(MsToFraction(999), 4290672329u);
    EXPECT_EQ(DayNumber(1900, 1, 1), 2415021);
    EXPECT_EQ(DayNumber(1970, 1, 1), 2440588);
    EXPECT_EQ(DayNumber(2000, 1, 1), 2451545);
}

TEST(NtpTimestamp, ZeroIsTheStartOfEraOne) {
    const SystemTime st = NtpTimestamp().ToSystemTime();
    EXPECT_EQ(st, (SystemTime{2036, 2, 4, 7, 6, 28, 16, 0}));  // a Thursday
    // The last second of era 0 lies just before.
    const SystemTime last = NtpTimestamp::FromParts(0xFFFFFFFFu, 0).ToSystemTime();
    EXPECT_EQ(last, (SystemTime{2036, 2, 4, 7, 6, 28, 15, 0}));
}

TEST(NtpTimestamp, MillisecondRoundingCarriesFrom999Point5) {
    const std::uint32_t base = 3913056000u;  // 2024-01-01 00:00:00
    EXPECT_EQ(NtpTimestamp::FromParts(base, 4292819811u).ToSystemTime().milliseconds, 999);
    const SystemTime carried = NtpTimestamp::FromParts(base, 4292819812u).ToSystemTime();
    EXPECT_EQ(carried.second, 1);
    EXPECT_EQ(carried.milliseconds, 0);
    // Carrying across midnight at the end of a year moves the date and weekday too.
    const NtpTimestamp lastSecond = NtpTimestamp::FromSystemTime(At(2023, 12, 31, 23, 59, 59));
    const SystemTime newYear = NtpTimestamp::FromParts(lastSecond.Seconds(), 0xFFFFFFFFu).ToSystemTime();
    EXPECT_EQ(newYear, (SystemTime{2024, 1, 1, 1, 0, 0, 0, 0}));
    // Across the era boundary.
    const SystemTime eraCarry = NtpTimestamp::FromParts(0xFFFFFFFFu, 0xFFFFFFFFu).ToSystemTime();
    EXPECT_EQ(eraCarry, (SystemTime{2036, 2, 4, 7, 6, 28, 16, 0}));
}

// Every millisecond of a sample of dates from 1968 to 2104 comes back unchanged, with
// the weekday filled in (checked against the day count from a known Sunday).
TEST(NtpTimestamp, RoundTripsEveryMillisecondFrom1968To2104) {
    const std::int32_t firstDay = DayNumber(1968, 1, 21);
    const std::int32_t lastDay = DayNumber(2104, 2, 25);
    const std::int32_t knownSunday = DayNumber(2024, 1, 7);
    int checked = 0;
    for (std::int32_t j = firstDay; j <= lastDay; j += 37) {
        const CalendarDate date = DateFromDayNumber(j);
        ASSERT_EQ(DayNumber(date.year, date.month, date.day), j);
        SystemTime st = At(date.year, date.month, date.day, (j * 7) % 24, (j * 13) % 60, (j * 31) % 60);
        st.dayOfWeek = static_cast<std::uint16_t>(((j - knownSunday) % 7 + 7) % 7);
        for (int ms = 0; ms < 1000; ++ms) {
            st.milliseconds = static_cast<std::uint16_t>(ms);
            ASSERT_EQ(NtpTimestamp::FromSystemTime(st).ToSystemTime(), st)
                << date.year << "-" << date.month << "-" << date.day << " ms " << ms;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000000);
}

TEST(NtpTimestamp, UnixConversionsFollowTheEraPivot) {
    const timespec y2040{2208988800, 0};  // 2040-01-01 00:00:00 UTC, a Sunday
    const NtpTimestamp t = NtpTimestamp::FromUnix(y2040);
    EXPECT_LT(t.Seconds(), 0x80000000u);
    EXPECT_EQ(t.ToUnix().tv_sec, y2040.tv_sec);
    EXPECT_EQ(t.ToSystemTime(), (SystemTime{2040, 1, 0, 1, 0, 0, 0, 0}));
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

TEST(NtpTimestamp, DifferenceIsAntisymmetricAndUsesTheFullFractionDivisor) {
    const NtpTimestamp a = NtpTimestamp::FromParts(3900000000u, 123456789u);
    const NtpTimestamp b = NtpTimestamp::FromParts(3900000001u, 123456789u + 2147483648u);
    EXPECT_EQ(Difference(a, a), 0.0);
    EXPECT_DOUBLE_EQ(Difference(b, a), 1.5000000001164153);
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
    EXPECT_EQ(earlier.Fraction(), 3221225473u);
    EXPECT_EQ(AddSeconds(ten, 0.0), ten);
    EXPECT_EQ(AddSeconds(ten, -0.0), ten);
    const NtpTimestamp later = AddSeconds(ten, 5.25);
    EXPECT_EQ(later.Seconds(), 15u);
    EXPECT_EQ(later.Fraction(), 1073741823u);
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
