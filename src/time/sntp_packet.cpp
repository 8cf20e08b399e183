#include "time/sntp_packet.h"

#include <cmath>

#include "time/byte_order.h"
#include "time/platform/random_bytes.h"

namespace hodra {
namespace {

constexpr std::size_t kOriginateOffset = 24;
constexpr std::size_t kReceiveOffset = 32;
constexpr std::size_t kTransmitOffset = 40;
constexpr double kShortFormatUnit = 1.0 / 65536.0;  // NTP short format: 16.16 seconds
constexpr double kOneDay = 86400.0;

}  // namespace

SntpRequest EncodeRequest(NtpTimestamp transmit) {
    SntpRequest request{};
    request[0] = kSntpClientHeader;
    const auto wire = transmit.ToNetwork();
    for (std::size_t i = 0; i < wire.size(); ++i) {
        request[kTransmitOffset + i] = wire[i];
    }
    return request;
}

std::optional<NtpTimestamp> RandomRequestStamp(NtpTimestamp now) {
    for (;;) {
        std::uint64_t bits = 0;
        if (!FillRandom(&bits, sizeof bits)) {
            return std::nullopt;
        }
        const NtpTimestamp stamp(bits);
        if (bits != 0 && std::abs(Difference(stamp, now)) > kOneDay) {
            return stamp;
        }
    }
}

double RootDistance(const SntpReply& reply) {
    return reply.rootDelay * kShortFormatUnit / 2 + reply.rootDispersion * kShortFormatUnit;
}

SntpReply DecodeReply(const std::uint8_t* bytes) {
    SntpReply reply;
    reply.leapIndicator = static_cast<std::uint8_t>(bytes[0] >> 6);
    reply.version = static_cast<std::uint8_t>((bytes[0] >> 3) & 0x07);
    reply.mode = static_cast<std::uint8_t>(bytes[0] & 0x07);
    reply.stratum = bytes[1];
    reply.poll = static_cast<std::int8_t>(bytes[2]);
    reply.precision = static_cast<std::int8_t>(bytes[3]);
    reply.rootDelay = ReadBigEndian32(bytes + 4);
    reply.rootDispersion = ReadBigEndian32(bytes + 8);
    reply.referenceId = ReadBigEndian32(bytes + 12);
    reply.reference = NtpTimestamp::FromNetwork(bytes + 16);
    reply.originate = NtpTimestamp::FromNetwork(bytes + kOriginateOffset);
    reply.receive = NtpTimestamp::FromNetwork(bytes + kReceiveOffset);
    reply.transmit = NtpTimestamp::FromNetwork(bytes + kTransmitOffset);
    return reply;
}

SntpError ValidateReply(const SntpReply& reply, std::size_t length, const ReplyExpectation& expected) {
    if (length < kSntpPacketSize) {
        return SntpError::ShortReply;
    }
    if (reply.mode != kSntpServerMode) {
        return SntpError::BadMode;
    }
    if (reply.version < 1 || reply.version > 4) {
        return SntpError::BadVersion;
    }
    // A Kiss-o'-Death first: ntpd and ntpsec send theirs with the leap indicator at 3.
    if (reply.stratum == 0) {
        return SntpError::KissOfDeath;
    }
    if (reply.leapIndicator == 3) {
        return SntpError::Unsynchronised;
    }
    if (reply.stratum > 15) {
        return SntpError::BadStratum;
    }
    if (reply.transmit.Value() == 0) {
        return SntpError::ZeroTransmit;
    }
    if (reply.originate != expected.sentTransmit) {
        return SntpError::BogusOriginate;
    }
    // A reference time of zero is an orphan-mode server's (an isolated network that keeps its
    // own time): the rest of the reply still says whether it may be used.
    if (reply.reference.Value() != 0 && Difference(reply.reference, reply.transmit) > 0.0) {
        return SntpError::BadReference;
    }
    if (RootDistance(reply) > kMaxRootDistance) {
        return SntpError::RootDistance;
    }
    if (reply.transmit.ToUnix().tv_sec < expected.notBeforeUnix) {
        return SntpError::BeforeBuildDate;
    }
    return SntpError::None;
}

}  // namespace hodra
