#include "time/ntp_timestamp.h"

#include <cmath>

#include "time/byte_order.h"

namespace hodra {
namespace {

constexpr std::uint64_t kEraLength = std::uint64_t{1} << 32;
constexpr std::uint32_t kEraPivot = 0x80000000u;
// The fraction counts 2^32ths of a second, as ToUnix and FromUnix read and write it.
constexpr double kSecondsToFraction = 4294967296.0;
constexpr double kFractionToSeconds = 1.0 / kSecondsToFraction;

// NTP seconds counted from 1900 without wrapping: seconds with the top bit clear belong
// to era 1 (2036-02-07 06:28:16 UTC onwards), so the stamp covers 1968 to 2104.
std::uint64_t UnwrappedSeconds(std::uint32_t seconds) {
    return seconds < kEraPivot ? seconds + kEraLength : seconds;
}

}  // namespace

double FractionToSeconds(std::uint32_t fraction) {
    return fraction * kFractionToSeconds;
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
