#include "host_port.h"

#include <charconv>

namespace hodra {

std::optional<HostPort> SplitHostPort(const std::string& text, std::uint16_t defaultPort) {
    const auto colon = text.rfind(':');
    if (colon == std::string::npos) {
        if (text.empty()) {
            return std::nullopt;
        }
        return HostPort{text, defaultPort};
    }
    const std::string host = text.substr(0, colon);
    const std::string portText = text.substr(colon + 1);
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || portText.empty() || ec != std::errc() || end != portText.data() + portText.size() ||
        port == 0 || port > 65535) {
        return std::nullopt;
    }
    return HostPort{host, static_cast<std::uint16_t>(port)};
}

}  // namespace hodra
