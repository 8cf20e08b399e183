#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>

#include "time/ntp_timestamp.h"
#include "time/sntp_error.h"

namespace hodra {

inline constexpr std::size_t kSntpPacketSize = 48;
inline constexpr std::uint8_t kSntpClientHeader = 0x1B;  // LI 0, version 3, mode 3
inline constexpr std::uint8_t kSntpServerMode = 4;
inline constexpr std::uint32_t kKissNtsNak = 0x4E54534E;  // "NTSN": the server could not use our NTS cookie

using SntpRequest = std::array<std::uint8_t, kSntpPacketSize>;

// All zero but the first byte and the transmit timestamp.
SntpRequest EncodeRequest(NtpTimestamp transmit);

// What the request carries in its transmit field: 64 random bits, which the reply must
// echo and which tell an observer nothing of our clock. A draw that is zero or lies within
// a day of `now` is drawn again, so the field never passes for our time. Nothing when the
// kernel has no random source.
std::optional<NtpTimestamp> RandomRequestStamp(NtpTimestamp now);

// A server whose root distance (root delay / 2 + root dispersion) is larger than this
// does not know the time well enough to set a clock by it.
inline constexpr double kMaxRootDistance = 1.5;

// The header fields of a reply (RFC 4330 layout, big-endian on the wire).
struct SntpReply {
    std::uint8_t leapIndicator = 0;
    std::uint8_t version = 0;
    std::uint8_t mode = 0;
    std::uint8_t stratum = 0;
    std::int8_t poll = 0;
    std::int8_t precision = 0;
    std::uint32_t rootDelay = 0;
    std::uint32_t rootDispersion = 0;
    std::uint32_t referenceId = 0;
    NtpTimestamp reference;
    NtpTimestamp originate;
    NtpTimestamp receive;
    NtpTimestamp transmit;
};

// Reads the 48 header bytes; the caller's buffer holds at least that many (zero-filled).
SntpReply DecodeReply(const std::uint8_t* bytes);

// Root delay / 2 + root dispersion, seconds.
double RootDistance(const SntpReply& reply);

struct ReplyExpectation {
    NtpTimestamp sentTransmit;  // the transmit field of our request
    std::time_t notBeforeUnix;  // server times before this instant are bogus
};

// The client checks of RFC 4330 section 5, and the server's own account of how well it
// knows the time (root distance, reference time); SntpError::None when the reply may be used.
SntpError ValidateReply(const SntpReply& reply, std::size_t length, const ReplyExpectation& expected);

}  // namespace hodra
