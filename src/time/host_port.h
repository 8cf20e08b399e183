#pragma once

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

// The first IPv4 address of a host name (or dotted text); 0 on success, else the
// getaddrinfo error code.
int ResolveIpv4(const std::string& host, in_addr& out);

}  // namespace hodra
