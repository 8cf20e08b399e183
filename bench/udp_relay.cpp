#include "udp_relay.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace hodra::bench {
namespace {

// A client leaves no trace when it is done; its flow goes after this long without traffic,
// far beyond any delay a datagram is held for, so that a long run does not pile up sockets.
constexpr auto kIdleFlow = std::chrono::seconds(10);
// More than the clients that start within one turn of the loop (ntpdig opens 4 at once).
constexpr std::size_t kSpareSockets = 8;

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

std::uint64_t KeyOf(const sockaddr_in& client) {
    return (static_cast<std::uint64_t>(ntohl(client.sin_addr.s_addr)) << 16) | ntohs(client.sin_port);
}

int UdpSocket() {
    return socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

}  // namespace

UdpRelay::UdpRelay(int target_port, PathDraw out, PathDraw back)
    : target_port_(target_port), draws_{std::move(out), std::move(back)} {}

UdpRelay::~UdpRelay() {
    for (auto& [key, flow] : flows_) {
        close(flow.upstream);
    }
    for (const int upstream : spare_) {
        close(upstream);
    }
    if (listen_ >= 0) {
        close(listen_);
    }
}

bool UdpRelay::Open(int listen_port, std::string& error) {
    listen_ = UdpSocket();
    sockaddr_in address = Loopback(listen_port);
    socklen_t size = sizeof address;
    if (listen_ < 0 || bind(listen_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(listen_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        error = std::strerror(errno);
        return false;
    }
    port_ = ntohs(address.sin_port);
    return true;
}

void UdpRelay::Run(const volatile std::sig_atomic_t& stop, const sigset_t& wake) {
    std::vector<pollfd> watched;
    std::vector<std::uint64_t> keys;  // the flow of each upstream socket watched
    while (!stop) {
        watched.assign({{listen_, POLLIN, 0}});
        keys.assign({0});
        for (const auto& [key, flow] : flows_) {
            watched.push_back({flow.upstream, POLLIN, 0});
            keys.push_back(key);
        }
        if (ppoll(watched.data(), watched.size(), Timeout(), &wake) > 0) {
            for (std::size_t i = 1; i < watched.size(); ++i) {
                if (watched[i].revents != 0) {
                    ReadServer(keys[i]);
                }
            }
            if (watched[0].revents != 0) {
                ReadClients();
            }
        }
        SendDue();
        ForgetIdleFlows(Clock::now());
        // Opening a socket for a new client takes longer than relaying a datagram; done
        // here, between datagrams, it adds nothing to the first datagram's way out.
        while (spare_.size() < kSpareSockets && AddSpare()) {
        }
    }
}

const timespec* UdpRelay::Timeout() {
    // Nanoseconds, not poll's milliseconds, which would add up to a millisecond to each delay.
    auto wait = std::chrono::nanoseconds(std::chrono::seconds(1));
    if (const auto due = queue_.NextDue()) {
        wait = std::max(std::chrono::nanoseconds(0), std::min(wait, *due - Clock::now()));
    }
    timeout_ = {static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};
    return &timeout_;
}

void UdpRelay::ReadClients() {
    unsigned char buffer[2048];
    for (;;) {
        sockaddr_in client{};
        socklen_t size = sizeof client;
        const long got = recvfrom(listen_, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&client), &size);
        if (got < 0) {
            return;
        }
        const auto arrived = Clock::now();
        if (FlowFor(client, arrived) != nullptr) {
            Take(Direction::kOut, KeyOf(client), arrived, buffer, got);
        }
    }
}

void UdpRelay::ReadServer(std::uint64_t key) {
    const int upstream = flows_.at(key).upstream;
    unsigned char buffer[2048];
    for (;;) {
        // A refusal (the server not yet listening) reads as an error once; a path drops it.
        const long got = recv(upstream, buffer, sizeof buffer, 0);
        if (got < 0 && errno != ECONNREFUSED) {
            return;
        }
        if (got >= 0) {
            Take(Direction::kBack, key, Clock::now(), buffer, got);
        }
    }
}

void UdpRelay::Take(Direction direction, std::uint64_t key, Clock::time_point arrived, const unsigned char* data,
                    long size) {
    const auto fate = draws_[static_cast<int>(direction)].Next();
    if (!fate) {
        ++tally_.dropped[static_cast<int>(direction)];
        return;
    }
    queue_.Hold(arrived + *fate, direction, key, std::vector<unsigned char>(data, data + size));
}

void UdpRelay::SendDue() {
    const auto now = Clock::now();
    while (auto datagram = queue_.TakeDue(now)) {
        const auto found = flows_.find(datagram->flow);
        if (found == flows_.end()) {
            continue;
        }
        Flow& flow = found->second;
        flow.last_used = now;
        const auto& bytes = datagram->bytes;
        if (datagram->direction == Direction::kOut) {
            send(flow.upstream, bytes.data(), bytes.size(), 0);
        } else {
            sendto(listen_, bytes.data(), bytes.size(), 0, reinterpret_cast<const sockaddr*>(&flow.client),
                   sizeof flow.client);
        }
        ++tally_.forwarded[static_cast<int>(datagram->direction)];
    }
}

UdpRelay::Flow* UdpRelay::FlowFor(const sockaddr_in& client, Clock::time_point now) {
    const std::uint64_t key = KeyOf(client);
    auto found = flows_.find(key);
    if (found == flows_.end()) {
        if (spare_.empty() && !AddSpare()) {
            return nullptr;
        }
        Flow flow;
        flow.client = client;
        flow.upstream = spare_.back();
        spare_.pop_back();
        found = flows_.emplace(key, flow).first;
    }
    found->second.last_used = now;
    return &found->second;
}

bool UdpRelay::AddSpare() {
    const int upstream = UdpSocket();
    const sockaddr_in target = Loopback(target_port_);
    if (upstream < 0 || connect(upstream, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        if (upstream >= 0) {
            close(upstream);
        }
        return false;
    }
    spare_.push_back(upstream);
    return true;
}

void UdpRelay::ForgetIdleFlows(Clock::time_point now) {
    for (auto it = flows_.begin(); it != flows_.end();) {
        if (now - it->second.last_used > kIdleFlow) {
            close(it->second.upstream);
            it = flows_.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace hodra::bench
