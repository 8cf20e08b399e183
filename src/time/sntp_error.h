#pragma once

#include <string>
#include <vector>

#include "time/nts_failure.h"

namespace hodra {

// Why an exchange gave no usable reply; read after a false result.
enum class SntpError {
    None,
    Timeout,             // nothing readable within the reply time-out
    LookupFailed,        // the host name did not resolve
    LookupTimeout,       // the name was still being looked up when the host's time was up
    NoOtherAddress,      // no address of the host is left but the one already heard
    BadHost,             // the host text or its port could not be parsed
    Socket,              // socket() failed
    Connect,             // connect() failed
    Send,                // send() failed
    Receive,             // recvmsg() failed or delivered nothing (errno tells why)
    ShortReply,          // fewer than 48 bytes
    BadMode,             // mode is not 4 (server)
    BadVersion,          // version outside 1..4
    Unsynchronised,      // leap indicator 3: the server's clock is not synchronised
    KissOfDeath,         // stratum 0
    BadStratum,          // stratum above 15
    ZeroTransmit,        // transmit timestamp is zero
    BogusOriginate,      // originate timestamp is not the transmit field we sent
    BadReference,        // the reference time is later than the transmit time
    RootDistance,        // root delay / 2 + root dispersion over 1.5 s
    BeforeBuildDate,     // the server's time lies before this program was built
    ImplausibleDelay,    // the round trip came out below zero or beyond the wait
    Cancelled,           // the run was cancelled (the program is closing)
    NoRandom,            // the kernel gave no random bits for the request
    NtsKeyExchange,      // the NTS key exchange failed (TLS, certificate, records)
    NtsNoCookie,         // every cookie of the key exchange was spent before this request
    NtsNak,              // the server could not use our cookie (NTS NAK)
    NtsUnauthenticated,  // no Authenticator that verifies, or no echo of our identifier
};

// A short Korean explanation for diagnostics on stderr.
const char* DescribeSntpError(SntpError error);

// Why an exchange with an address, or with a host before any address, gave no usable reply.
struct SntpFailure {
    SntpError kind = SntpError::None;
    int error = 0;                                     // errno, where the system gave one
    std::string detail;                                // the resolver's own text
    int dropped = 0;                                   // replies that were no answer to ours; kind is the last one's
    std::vector<nts::KeyExchangeFailure> keyExchange;  // NtsKeyExchange: why, address by address
    std::string address;                               // the address asked; empty before any was
};

// The failure in Korean, for diagnostics: what went wrong, then its detail in parentheses.
std::string Describe(const SntpFailure& failure);

}  // namespace hodra
