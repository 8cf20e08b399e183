// The reply decoder and validator on arbitrary datagrams.
#include <cstdint>
#include <cstring>

#include "time/sntp_packet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t buffer[hodra::kSntpPacketSize] = {};
    std::memcpy(buffer, data, size < sizeof buffer ? size : sizeof buffer);
    const hodra::SntpReply reply = hodra::DecodeReply(buffer);
    const hodra::ReplyExpectation expected{hodra::NtpTimestamp::FromParts(3990000000u, 12345), 1796688000};
    const hodra::SntpError verdict = hodra::ValidateReply(reply, size, expected);
    if (verdict == hodra::SntpError::None) {
        // An accepted reply must have passed every check.
        if (size < 48 || reply.mode != 4 || reply.stratum == 0 || reply.stratum > 15 || reply.leapIndicator == 3 ||
            reply.originate != expected.sentTransmit) {
            __builtin_trap();
        }
    }
    (void)reply.receive.ToUnix();
    (void)hodra::Difference(reply.transmit, reply.receive);
    (void)hodra::AddSeconds(reply.transmit, hodra::Difference(reply.receive, reply.originate));
    return 0;
}
