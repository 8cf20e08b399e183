#include "host_port.h"

#include <charconv>
#include <netdb.h>
#include <sys/socket.h>

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

int ResolveIpv4(const std::string& host, in_addr& out) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr) {
        return rc != 0 ? rc : EAI_NONAME;
    }
    out = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return 0;
}

}  // namespace hodra
