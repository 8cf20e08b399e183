#include "ntp_timestamp.h"

#include <cmath>

#include "byte_order.h"

namespace hodra {
namespace {

constexpr std::uint64_t kEraLength = std::uint64_t{1} << 32;
constexpr std::uint32_t kEraPivot = 0x80000000u;
constexpr double kFractionToSeconds = 2.3283064370807974e-10;       // 1 / 4294967295
constexpr double kFractionToMilliseconds = 2.3283064370807974e-07;  // 1000 / 4294967295
constexpr double kSecondsToFraction = 4294967295.0;

struct MsTable {
    std::uint32_t entry[1000];
    constexpr MsTable() : entry() {
        for (std::uint64_t ms = 0; ms < 1000; ++ms) {
            entry[ms] = static_cast<std::uint32_t>(((ms << 32) + 500) / 1000);
        }
    }
};
constexpr MsTable kMsToFraction;
static_assert(kMsToFraction.entry[1] == 4294967u);
static_assert(kMsToFraction.entry[2] == 8589935u);
static_assert(kMsToFraction.entry[500] == 2147483648u);
static_assert(kMsToFraction.entry[999] == 4290672329u);

// NTP seconds counted from 1900 without wrapping: seconds with the top bit clear belong
// to era 1 (2036-02-07 06:28:16 UTC onwards), so the stamp covers 1968 to 2104.
std::uint64_t UnwrappedSeconds(std::uint32_t seconds) {
    return seconds < kEraPivot ? seconds + kEraLength : seconds;
}

}  // namespace

std::uint32_t MsToFraction(unsigned milliseconds) {
    return kMsToFraction.entry[milliseconds % 1000];
}

double FractionToSeconds(std::uint32_t fraction) {
    return fraction * kFractionToSeconds;
}

std::uint32_t FractionToMilliseconds(std::uint32_t fraction) {
    return static_cast<std::uint32_t>(fraction * kFractionToMilliseconds + 0.5);
}

std::int32_t DayNumber(std::int32_t year, std::int32_t month, std::int32_t day) {
    std::int32_t m = 0;
    std::int32_t y = 0;
    if (month > 2) {
        m = month - 3;
        y = year;
    } else {
        m = month + 9;
        y = year - 1;
    }
    const std::int32_t century = y / 100;
    const std::int32_t yearOfCentury = y - 100 * century;
    return (146097 * century) / 4 + (1461 * yearOfCentury) / 4 + (153 * m + 2) / 5 + day + 1721119;
}

CalendarDate DateFromDayNumber(std::int32_t j) {
    const std::int32_t e = 4 * j - 6884477;
    const std::int32_t century = e / 146097;
    const std::int32_t r = (e - 146097 * century) / 4;
    const std::int32_t yearOfCentury = (4 * r + 3) / 1461;
    const std::int32_t dayOfYear = (4 * r + 7 - 1461 * yearOfCentury) / 4;
    const std::int32_t m = (5 * dayOfYear - 3) / 153;
    const std::int32_t day = (5 * dayOfYear + 2 - 153 * m) / 5;
    std::int32_t year = 100 * century + yearOfCentury;
    std::int32_t month = 0;
    if (m < 10) {
        month = m + 3;
    } else {
        month = m - 9;
        year += 1;
    }
    return {static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month), static_cast<std::uint16_t>(day)};
}

NtpTimestamp NtpTimestamp::FromSystemTime(const SystemTime& st) {
    const std::int64_t days = std::int64_t{DayNumber(st.year, st.month, st.day)} - kDayNumber1900;
    const std::int64_t s = ((days * 24 + st.hour) * 60 + st.minute) * 60 + st.second;
    const std::uint64_t v = (static_cast<std::uint64_t>(s) << 32) + MsToFraction(st.milliseconds);
    return NtpTimestamp(v);
}

SystemTime NtpTimestamp::ToSystemTime() const {
    std::uint64_t s = UnwrappedSeconds(Seconds());
    std::uint32_t ms = FractionToMilliseconds(Fraction());
    if (ms >= 1000) {  // 999.5 ms and above round into the next second
        ms = 0;
        s += 1;
    }
    SystemTime st;
    st.second = static_cast<std::uint16_t>(s % 60);
    st.minute = static_cast<std::uint16_t>((s / 60) % 60);
    st.hour = static_cast<std::uint16_t>((s / 3600) % 24);
    const auto j = static_cast<std::int32_t>(s / 86400 + kDayNumber1900);
    st.dayOfWeek = static_cast<std::uint16_t>((j + 1) % 7);
    const CalendarDate date = DateFromDayNumber(j);
    st.year = date.year;
    st.month = date.month;
    st.day = date.day;
    st.milliseconds = static_cast<std::uint16_t>(ms);
    return st;
}

NtpTimestamp NtpTimestamp::Now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return FromUnix(ts);
}

NtpTimestamp NtpTimestamp::FromUnix(const timespec& ts) {
    const auto seconds = static_cast<std::uint32_t>(static_cast<std::uint64_t>(ts.tv_sec) + kUnixEpochSeconds);
    const auto fraction = static_cast<std::uint32_t>((static_cast<std::uint64_t>(ts.tv_nsec) << 32) / 1000000000u);
    return FromParts(seconds, fraction);
}

timespec NtpTimestamp::ToUnix() const {
    std::int64_t seconds = static_cast<std::int64_t>(UnwrappedSeconds(Seconds())) - kUnixEpochSeconds;
    std::uint64_t ns = (std::uint64_t{Fraction()} * 1000000000u + (std::uint64_t{1} << 31)) >> 32;
    if (ns >= 1000000000u) {
        ns -= 1000000000u;
        seconds += 1;
    }
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>(ns);
    return ts;
}

NtpTimestamp::WireForm NtpTimestamp::ToNetwork() const {
    WireForm out{};
    WriteBigEndian32(Seconds(), out.data());
    WriteBigEndian32(Fraction(), out.data() + 4);
    return out;
}

NtpTimestamp NtpTimestamp::FromNetwork(const std::uint8_t* bytes) {
    return FromParts(ReadBigEndian32(bytes), ReadBigEndian32(bytes + 4));
}

double Difference(NtpTimestamp a, NtpTimestamp b) {
    // The difference modulo 2^64 read as signed (RFC 5905): right across an era boundary
    // as long as the true difference is under 68 years.
    const auto delta = static_cast<std::int64_t>(a.Value() - b.Value());
    const bool negative = delta < 0;
    const NtpTimestamp magnitude(negative ? 0 - static_cast<std::uint64_t>(delta) : static_cast<std::uint64_t>(delta));
    const long double seconds = static_cast<long double>(magnitude.Seconds()) +
                                static_cast<long double>(FractionToSeconds(magnitude.Fraction()));
    return static_cast<double>(negative ? -seconds : seconds);
}

double AbsoluteDifference(NtpTimestamp a, NtpTimestamp b) {
    const auto whole = static_cast<std::int64_t>(UnwrappedSeconds(a.Seconds())) -
                       static_cast<std::int64_t>(UnwrappedSeconds(b.Seconds()));
    const auto fraction = static_cast<std::int64_t>(a.Fraction()) - static_cast<std::int64_t>(b.Fraction());
    return static_cast<double>(static_cast<long double>(whole) +
                               fraction * static_cast<long double>(kFractionToSeconds));
}

NtpTimestamp AddSeconds(NtpTimestamp t, double d) {
    const double magnitude = std::fabs(d);
    if (!std::isfinite(magnitude)) {
        return t;
    }
    const double whole = std::trunc(magnitude);
    // Only the low 32 bits of the whole seconds take part, as in the wire arithmetic.
    const auto k = static_cast<std::uint64_t>(std::fmod(whole, 4294967296.0));
    const auto f = static_cast<std::uint64_t>((magnitude - whole) * kSecondsToFraction);
    const std::uint64_t step = (k << 32) + f;
    return NtpTimestamp(d >= 0.0 ? t.Value() + step : t.Value() - step);
}

}  // namespace hodra
