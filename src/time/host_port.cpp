#include "host_port.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <memory>
#include <system_error>
#include <netdb.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "cancel_token.h"

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

namespace {

int LookUp(const std::string& host, in_addr& out) {
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

// One lookup on a thread of its own, so that the caller can stop waiting for it; the
// thread keeps this alive until it is done, whoever gave up first.
struct Lookup {
    std::string host;
    in_addr address{};
    int result = 0;
    std::atomic<bool> finished{false};
    int done = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);

    ~Lookup() {
        if (done >= 0) {
            close(done);
        }
    }
};

}  // namespace

int ResolveIpv4(const std::string& host, in_addr& out, const CancelToken* cancel,
                std::optional<std::chrono::milliseconds> limit) {
    if (cancel == nullptr && !limit) {
        return LookUp(host, out);
    }
    auto lookup = std::make_shared<Lookup>();
    lookup->host = host;
    if (lookup->done < 0) {
        return LookUp(host, out);
    }
    try {
        std::thread([lookup] {
            lookup->result = LookUp(lookup->host, lookup->address);
            lookup->finished.store(true, std::memory_order_release);
            const std::uint64_t one = 1;
            (void)!write(lookup->done, &one, sizeof one);
        }).detach();
    } catch (const std::system_error&) {
        return LookUp(host, out);  // no thread to be had (a process limit): wait for it here
    }
    std::optional<std::chrono::steady_clock::time_point> deadline;
    if (limit) {
        deadline = std::chrono::steady_clock::now() + *limit;
    }
    const Readiness ready = WaitReadable(lookup->done, cancel, deadline);
    switch (ready.status) {
    case Readiness::Status::Ready: break;
    case Readiness::Status::Cancelled: return EAI_CANCELED;
    case Readiness::Status::TimedOut: return EAI_AGAIN;
    case Readiness::Status::Failed: return EAI_SYSTEM;
    }
    if (!lookup->finished.load(std::memory_order_acquire)) {
        return EAI_SYSTEM;
    }
    out = lookup->address;
    return lookup->result;
}

}  // namespace hodra
