#pragma once

#include <cstdint>
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

}  // namespace hodra
