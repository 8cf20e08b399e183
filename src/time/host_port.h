#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/socket.h>
#include <vector>

namespace hodra {

class CancelToken;

inline constexpr std::uint16_t kNtsKeyExchangePort = 4460;

// A server as an administrator or a user writes it: "name", "name:port", "a.b.c.d:port",
// "[v6]:port", "[v6]" or a bare "v6"; with "nts://" before it a Network Time Security
// server, whose port is the key exchange's (4460 unless given).
struct ServerName {
    std::string host;  // a name or an address, without brackets
    std::uint16_t port = 0;
    bool nts = false;

    // Written back in the same syntax, the port always given.
    std::string Text() const;
};

// Nothing for an empty host, a bad or out-of-range port, or brackets around what is no
// IPv6 address. defaultPort applies where none is written (ignored for nts://).
std::optional<ServerName> ParseServerName(const std::string& text, std::uint16_t defaultPort);

// One address of a host, with its port.
struct Endpoint {
    sockaddr_storage address{};
    socklen_t length = 0;

    int Family() const { return address.ss_family; }
    std::uint16_t Port() const;
    std::string AddressText() const;  // "192.0.2.7", "::1"
    friend bool operator==(const Endpoint& a, const Endpoint& b);
};

struct Resolution {
    int error = 0;  // 0, or the getaddrinfo error code (EAI_CANCELED, EAI_AGAIN after the limit)
    std::vector<Endpoint> endpoints;
};

// Every address of a host (or address text), IPv6 and IPv4, in the resolver's order (RFC
// 6724: IPv6 first where it works), without duplicates. socketType is SOCK_DGRAM or
// SOCK_STREAM. A raised cancel gives up the wait at once, a limit after that long; the
// lookup itself then runs on to its end on a thread of its own.
Resolution ResolveAll(const std::string& host, std::uint16_t port, int socketType, const CancelToken* cancel = nullptr,
                      std::optional<std::chrono::milliseconds> limit = std::nullopt);

}  // namespace hodra
