#pragma once

#include <array>
#include <cstdint>
#include <ctime>

namespace hodra {

// 64-bit NTP time: seconds since 1900-01-01 00:00:00 UTC in the high half, binary
// fraction of the second in the low half. Arithmetic wraps modulo 2^64.
class NtpTimestamp {
public:
    using WireForm = std::array<std::uint8_t, 8>;

    static constexpr std::uint32_t kUnixEpochSeconds = 2208988800u;  // 1970-01-01 in NTP seconds

    constexpr NtpTimestamp() = default;
    constexpr explicit NtpTimestamp(std::uint64_t value) : v(value) {}
    static constexpr NtpTimestamp FromParts(std::uint32_t seconds, std::uint32_t fraction) {
        return NtpTimestamp((std::uint64_t{seconds} << 32) | fraction);
    }

    constexpr std::uint64_t Value() const { return v; }
    constexpr std::uint32_t Seconds() const { return static_cast<std::uint32_t>(v >> 32); }
    constexpr std::uint32_t Fraction() const { return static_cast<std::uint32_t>(v); }

    // The system's UTC clock at full resolution, converted without floating point.
    static NtpTimestamp Now();
    static NtpTimestamp FromUnix(const timespec& ts);
    // Unix time of the stamp, with the era pivot: seconds with the top bit clear lie in era 1.
    timespec ToUnix() const;

    WireForm ToNetwork() const;
    static NtpTimestamp FromNetwork(const std::uint8_t* bytes);

    friend constexpr bool operator==(NtpTimestamp, NtpTimestamp) = default;

private:
    std::uint64_t v = 0;
};

// a - b in seconds, the signed 64-bit difference (RFC 5905): right across an era boundary
// while the true difference is under 68 years.
double Difference(NtpTimestamp a, NtpTimestamp b);
// a - b in seconds with each stamp placed in its era by the pivot (1968 to 2104): right for
// any two times in that span, also a PC clock reset to 1970 against a server in 2040.
double AbsoluteDifference(NtpTimestamp a, NtpTimestamp b);
NtpTimestamp AddSeconds(NtpTimestamp t, double d);

// The binary fraction of a second (2^32ths) in seconds.
double FractionToSeconds(std::uint32_t fraction);

}  // namespace hodra
