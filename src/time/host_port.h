#pragma once

#include <chrono>
#include <cstdint>
#include <netinet/in.h>
#include <optional>
#include <string>

namespace hodra {

struct HostPort {
    std::string host;
    std::uint16_t port;
};

// Splits "host:port"; without a port the given default is used. Empty hosts, bad or
// out-of-range ports give nothing.
std::optional<HostPort> SplitHostPort(const std::string& text, std::uint16_t defaultPort);

class CancelToken;

// The first IPv4 address of a host name (or dotted text); 0 on success, else the
// getaddrinfo error code. A raised cancel gives up the wait at once (EAI_CANCELED), a limit
// after that long (EAI_AGAIN); the lookup itself then runs on to its end on a thread of its
// own.
int ResolveIpv4(const std::string& host, in_addr& out, const CancelToken* cancel = nullptr,
                std::optional<std::chrono::milliseconds> limit = std::nullopt);

}  // namespace hodra
