#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include <vector>

#include "time/nts_authenticator.h"
#include "time/nts_failure.h"

namespace hodra {
class CancelToken;
}

namespace hodra::nts {

// Whom the key exchange trusts: the certificates of a PEM text, or the system's store.
struct Trust {
    // Nothing: the system's trust store. Else only the certificates of this PEM text: none,
    // when a trust file was named but refused, so that no server is trusted in its place.
    std::optional<std::string> pem;
};

struct KeyExchangeResult {
    std::optional<Session> session;
    std::string ntpServer;  // where to send the NTP requests
    std::uint16_t ntpPort = 123;
    // Why there is no session: each address tried with its failure, or the one failure
    // before any address (the library, the lookup).
    std::vector<KeyExchangeFailure> failures;
};

inline constexpr std::chrono::milliseconds kKeyExchangeTimeout{3000};

// The NTS key exchange (RFC 8915, section 4) with host:port over TLS 1.3 with ALPN
// "ntske/1": the server's certificate must chain to the trusted certificates and name the
// host. Every address of the host is tried in turn before the deadline.
// Loads the TLS library now rather than at the first key exchange: the clock helper does so
// before it confines itself. False when it cannot be loaded.
bool PreloadTls();

KeyExchangeResult RunKeyExchange(const std::string& host, std::uint16_t port, const Trust& trust,
                                 std::chrono::steady_clock::time_point deadline, const CancelToken* cancel);

}  // namespace hodra::nts
