#include "time/host_port.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <system_error>
#include <thread>

#include "time/cancel_token.h"
#include "time/platform/quiet_thread.h"
#include "time/time_texts.h"
#include "time/platform/wake_fd.h"

namespace hodra {
namespace {

constexpr char kNtsScheme[] = "nts://";

std::optional<std::uint16_t> ParsePort(const std::string& text) {
    unsigned port = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(port);
}

// An IPv6 address as text, a scope ("%eth0") allowed.
bool IsIpv6(const std::string& text) {
    addrinfo hints{};
    hints.ai_family = AF_INET6;
    hints.ai_flags = AI_NUMERICHOST;
    addrinfo* found = nullptr;
    if (text.empty() || getaddrinfo(text.c_str(), nullptr, &hints, &found) != 0) {
        return false;
    }
    freeaddrinfo(found);
    return true;
}

// "host", "host:port", "[v6]", "[v6]:port" or a bare "v6".
std::optional<ServerName> SplitHost(const std::string& text, std::uint16_t defaultPort) {
    ServerName name;
    name.port = defaultPort;
    if (!text.empty() && text.front() == '[') {
        const auto close = text.find(']');
        if (close == std::string::npos) {
            return std::nullopt;
        }
        name.host = text.substr(1, close - 1);
        const std::string rest = text.substr(close + 1);
        if (!IsIpv6(name.host) || (!rest.empty() && rest.front() != ':')) {
            return std::nullopt;
        }
        if (!rest.empty()) {
            const auto port = ParsePort(rest.substr(1));
            if (!port) {
                return std::nullopt;
            }
            name.port = *port;
        }
        return name;
    }
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        name.host = text;
    } else if (text.find(':', colon + 1) != std::string::npos) {
        if (!IsIpv6(text)) {
            return std::nullopt;  // two colons make an IPv6 address or nothing
        }
        name.host = text;
    } else {
        const auto port = ParsePort(text.substr(colon + 1));
        if (!port) {
            return std::nullopt;
        }
        name.host = text.substr(0, colon);
        name.port = *port;
    }
    if (name.host.empty()) {
        return std::nullopt;
    }
    return name;
}

}  // namespace

std::string ServerName::Text() const {
    const bool v6 = host.find(':') != std::string::npos;
    return (nts ? kNtsScheme : "") + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::optional<ServerName> ParseServerName(const std::string& text, std::uint16_t defaultPort) {
    const bool nts = text.rfind(kNtsScheme, 0) == 0;
    auto name =
        nts ? SplitHost(text.substr(std::strlen(kNtsScheme)), kNtsKeyExchangePort) : SplitHost(text, defaultPort);
    if (name) {
        name->nts = nts;
    }
    return name;
}

std::uint16_t Endpoint::Port() const {
    if (Family() == AF_INET6) {
        return ntohs(reinterpret_cast<const sockaddr_in6*>(&address)->sin6_port);
    }
    return ntohs(reinterpret_cast<const sockaddr_in*>(&address)->sin_port);
}

std::string Endpoint::AddressText() const {
    char text[INET6_ADDRSTRLEN] = {};
    if (Family() == AF_INET6) {
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(&address)->sin6_addr, text, sizeof text);
    } else {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(&address)->sin_addr, text, sizeof text);
    }
    return text;
}

bool operator==(const Endpoint& a, const Endpoint& b) {
    return a.length == b.length && std::memcmp(&a.address, &b.address, a.length) == 0;
}

namespace {

Resolution LookUp(const std::string& host, std::uint16_t port, int socketType) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = socketType;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    Resolution out;
    out.error = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (out.error != 0) {
        return out;
    }
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if ((a->ai_family != AF_INET && a->ai_family != AF_INET6) || a->ai_addrlen > sizeof(sockaddr_storage)) {
            continue;
        }
        Endpoint e;
        std::memcpy(&e.address, a->ai_addr, a->ai_addrlen);
        e.length = a->ai_addrlen;
        bool seen = false;
        for (const Endpoint& earlier : out.endpoints) {
            seen = seen || earlier == e;
        }
        if (!seen && out.endpoints.size() < kMostAddressesAsked) {
            out.endpoints.push_back(e);
        }
    }
    freeaddrinfo(found);
    if (out.endpoints.empty()) {
        out.error = EAI_NONAME;
    }
    return out;
}

// One lookup on a thread of its own, so that the caller can stop waiting for it; the
// thread keeps this alive until it is done, whoever gave up first.
struct Lookup {
    std::string host;
    std::uint16_t port = 0;
    int socketType = 0;
    Resolution result;
    std::atomic<bool> finished{false};
    WakeFd done;
};

// An address written out needs no name service: it resolves at once, with no thread.
bool IsAddressText(const std::string& host) {
    in6_addr any{};
    return inet_pton(AF_INET, host.c_str(), &any) == 1 || inet_pton(AF_INET6, host.c_str(), &any) == 1;
}

}  // namespace

Resolution ResolveAll(const std::string& host, std::uint16_t port, int socketType, const CancelToken* cancel,
                      std::optional<std::chrono::milliseconds> limit) {
    if ((cancel == nullptr && !limit) || IsAddressText(host)) {
        return LookUp(host, port, socketType);
    }
    auto lookup = std::make_shared<Lookup>();
    lookup->host = host;
    lookup->port = port;
    lookup->socketType = socketType;
    if (lookup->done.Fd() < 0) {
        return LookUp(host, port, socketType);
    }
    try {
        StartQuietThread([lookup] {
            lookup->result = LookUp(lookup->host, lookup->port, lookup->socketType);
            lookup->finished.store(true, std::memory_order_release);
            lookup->done.Raise();
        }).detach();
    } catch (const std::system_error&) {
        return LookUp(host, port, socketType);  // no thread to be had (a process limit): wait for it here
    }
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (limit) {
        deadline = std::chrono::steady_clock::now() + *limit;
    }
    const Readiness ready = WaitReadable(lookup->done.Fd(), cancel, deadline);
    Resolution out;
    switch (ready.status) {
    case Readiness::Status::Ready: break;
    case Readiness::Status::Cancelled: out.error = EAI_CANCELED; return out;
    case Readiness::Status::TimedOut:
        out.error = EAI_AGAIN;
        out.timedOut = true;
        return out;
    case Readiness::Status::Failed: out.error = EAI_SYSTEM; return out;
    }
    if (!lookup->finished.load(std::memory_order_acquire)) {
        out.error = EAI_SYSTEM;
        return out;
    }
    return lookup->result;
}

std::string CanonicalAddress(const std::string& address) {
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1 && IN6_IS_ADDR_V4MAPPED(&v6)) {
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, v6.s6_addr + 12, text, sizeof text);
        return text;
    }
    return address;
}

std::chrono::steady_clock::time_point ShareOf(std::chrono::steady_clock::time_point start,
                                              std::chrono::steady_clock::time_point end, std::size_t i,
                                              std::size_t count) {
    const auto share = (end - start) / static_cast<long>(count);
    return i + 1 >= count ? end : start + share * static_cast<long>(i + 1);
}

std::string NameFailures(const std::vector<std::string>& failures) {
    constexpr std::size_t kNamed = 4;
    std::string all;
    for (std::size_t i = 0; i < failures.size() && i < kNamed; ++i) {
        all += (all.empty() ? "" : "; ") + failures[i];
    }
    if (failures.size() > kNamed) {
        all += "; " + text::Fill(text::kMoreAddressesFailed, std::to_string(failures.size() - kNamed));
    }
    return all;
}

}  // namespace hodra
