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
    int error = 0;          // 0, or the getaddrinfo error code (EAI_CANCELED when cancelled)
    bool timedOut = false;  // the limit passed first (error is EAI_AGAIN then)
    std::vector<Endpoint> endpoints;
};

// A name is asked at most its first addresses, in the resolver's order: whoever answers the
// lookup decides how many there are, and each costs a share of the host's time.
inline constexpr std::size_t kMostAddressesAsked = 16;

// An address text in its one canonical form: an IPv4-mapped IPv6 address (::ffff:a.b.c.d)
// is its IPv4 address, since both reach the same socket.
std::string CanonicalAddress(const std::string& address);

// The failures of a name's addresses ("address: reason" each), one entry per address; past
// the first few only their count, so that the text stays short whoever decides how many
// addresses a name has.
std::string NameFailures(const std::vector<std::string>& failures);

// When the i-th of `count` addresses that share the time from start to end must be done:
// each has its equal share, and what one leaves unused (a refusal comes at once) goes to
// the next; a single address has it all.
std::chrono::steady_clock::time_point ShareOf(std::chrono::steady_clock::time_point start,
                                              std::chrono::steady_clock::time_point end, std::size_t i,
                                              std::size_t count);

// Gives the addresses their turns in order, each until its share of the time from start to
// end is up (ShareOf); attempt(address, until) says true to end the turns.
template <typename Attempt>
void TakeTurns(const std::vector<Endpoint>& addresses, std::chrono::steady_clock::time_point start,
               std::chrono::steady_clock::time_point end, Attempt attempt) {
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (attempt(addresses[i], ShareOf(start, end, i, addresses.size()))) {
            return;
        }
    }
}

// Every address of a host (or address text), IPv6 and IPv4, in the resolver's order (RFC
// 6724: IPv6 first where it works), without duplicates, at most kMostAddressesAsked.
// socketType is SOCK_DGRAM or SOCK_STREAM. A raised cancel gives up the wait at once, a
// limit after that long; the lookup itself then runs on to its end on a thread of its own.
Resolution ResolveAll(const std::string& host, std::uint16_t port, int socketType, const CancelToken* cancel = nullptr,
                      std::optional<std::chrono::milliseconds> limit = std::nullopt);

}  // namespace hodra
