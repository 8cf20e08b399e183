#pragma once

#include <cstdint>
#include <string>

#include "time/ntp_timestamp.h"

namespace hodra {

// The four stamps of one exchange and the PC's offset (server minus PC, seconds).
struct SntpResult {
    NtpTimestamp originate;    // T1: when the request left (the kernel's stamp, else ours)
    NtpTimestamp receive;      // T2: server time when the request arrived
    NtpTimestamp transmit;     // T3: server time when the reply left
    NtpTimestamp destination;  // T4: our clock when the reply arrived
    double offset = 0.0;
    // Beside the stamps: which server answered.
    std::uint8_t stratum = 0;
    // The server's reference: two answers alike in both came from one server (or from one
    // upstream at one instant), whatever address they came from.
    std::uint32_t referenceId = 0;
    NtpTimestamp reference;
    std::string serverAddress;  // the address that answered, as text
    std::uint16_t serverPort = 0;
    // Which stamps the arithmetic used: the kernel's (true) or the program's own.
    bool kernelTransmitStamp = false;
    bool kernelReceiveStamp = false;
    bool authenticated = false;  // the reply verified with keys of an NTS key exchange
    // Of the burst this answer came from: valid replies, and requests sent.
    int validReplies = 1;
    int requestsSent = 1;
};

// Round-trip delay (T4 - T1) - (T3 - T2), seconds.
double RoundTripDelay(const SntpResult& r);
// The PC's offset ((T2 - T1) + (T3 - T4)) / 2, seconds, server minus PC.
double ClockOffset(const SntpResult& r);

}  // namespace hodra
