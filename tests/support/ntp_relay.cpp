#include "ntp_relay.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hodra::test {
namespace {

constexpr std::size_t kHeader = 48;

sockaddr_in Loopback(std::uint32_t address, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(address);
    return a;
}

std::size_t Get16(const std::vector<std::uint8_t>& p, std::size_t at) {
    return (std::size_t{p[at]} << 8) | p[at + 1];
}

// The offsets of the extension fields after the header, with their types.
std::vector<std::pair<std::size_t, std::size_t>> Fields(const std::vector<std::uint8_t>& p) {
    std::vector<std::pair<std::size_t, std::size_t>> fields;
    for (std::size_t at = kHeader; at + 4 <= p.size();) {
        const std::size_t length = Get16(p, at + 2);
        if (length < 4 || at + length > p.size()) {
            break;
        }
        fields.emplace_back(at, Get16(p, at));
        at += length;
    }
    return fields;
}

}  // namespace

NtpRelay::NtpRelay(std::uint16_t port) {
    front = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    back = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    wake = eventfd(0, EFD_CLOEXEC);
    const sockaddr_in listenAt = Loopback(0x7F000002, port);
    const sockaddr_in server = Loopback(INADDR_LOOPBACK, port);
    listening = bind(front, reinterpret_cast<const sockaddr*>(&listenAt), sizeof listenAt) == 0 &&
                connect(back, reinterpret_cast<const sockaddr*>(&server), sizeof server) == 0;
    worker = std::thread([this] { Serve(); });
}

NtpRelay::~NtpRelay() {
    const std::uint64_t one = 1;
    (void)!write(wake, &one, sizeof one);
    worker.join();
    close(front);
    close(back);
    close(wake);
}

void NtpRelay::Serve() {
    for (;;) {
        pollfd fds[3] = {{front, POLLIN, 0}, {back, POLLIN, 0}, {wake, POLLIN, 0}};
        if (poll(fds, 3, -1) < 0) {
            continue;
        }
        if (fds[2].revents != 0) {
            return;
        }
        std::vector<std::uint8_t> packet(4096);
        if (fds[0].revents != 0) {
            socklen_t size = sizeof client;
            const ssize_t n =
                recvfrom(front, packet.data(), packet.size(), 0, reinterpret_cast<sockaddr*>(&client), &size);
            if (n > 0) {
                packet.resize(static_cast<std::size_t>(n));
                ++requests;
                Forward(std::move(packet));
            }
        } else if (fds[1].revents != 0) {
            const ssize_t n = recv(back, packet.data(), packet.size(), 0);
            if (n > 0) {
                packet.resize(static_cast<std::size_t>(n));
                Answer(std::move(packet));
            }
        }
    }
}

void NtpRelay::Forward(std::vector<std::uint8_t> request) {
    if (spoil.load() == Spoil::RequestCookie) {
        for (const auto& [at, type] : Fields(request)) {
            if (type == 0x0204) {
                request[at + 8] ^= 0x01;
            }
        }
    }
    send(back, request.data(), request.size(), 0);
}

void NtpRelay::Answer(std::vector<std::uint8_t> reply) {
    if (firstReply.empty()) {
        firstReply = reply;
    }
    switch (spoil.load()) {
    case Spoil::TransmitByte: reply.at(47) ^= 0x01; break;
    case Spoil::DropAuthenticator:
        if (const auto fields = Fields(reply); !fields.empty()) {
            reply.resize(fields.back().first);
        }
        break;
    case Spoil::Replay: reply = firstReply; break;
    case Spoil::Nothing:
    case Spoil::RequestCookie: break;
    }
    sendto(front, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&client), sizeof client);
}

}  // namespace hodra::test
