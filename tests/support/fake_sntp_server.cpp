#include "fake_sntp_server.h"

#include <arpa/inet.h>
#include <algorithm>
#include <array>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace hodra::test {
namespace {

int BindLoopback(std::uint16_t wantedPort, std::uint16_t* boundPort, std::uint32_t hostAddress = INADDR_LOOPBACK) {
    const int s = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(wantedPort);
    address.sin_addr.s_addr = htonl(hostAddress);
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("fake SNTP server: cannot bind 127.0.0.1");
    }
    socklen_t size = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
    if (boundPort != nullptr) {
        *boundPort = ntohs(address.sin_port);
    }
    return s;
}

NtpTimestamp ServerNow(double offset) {
    return AddSeconds(NtpTimestamp::Now(), offset);
}

void Put(std::uint8_t* out, NtpTimestamp t) {
    const auto wire = t.ToNetwork();
    std::memcpy(out, wire.data(), wire.size());
}

}  // namespace

ssize_t FakeSntpServer::ReceiveStamped(std::uint8_t* buffer, std::size_t size, sockaddr_in& from, timespec& arrival) {
    iovec io{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(fd, &message, 0);
    clock_gettime(CLOCK_REALTIME, &arrival);
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            std::memcpy(&arrival, CMSG_DATA(c), sizeof arrival);
        }
    }
    return n;
}

FakeSntpServer::FakeSntpServer() {
    fd = BindLoopback(0, &port);
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    otherFd = BindLoopback(0, nullptr);
    otherAddressFd = BindLoopback(0, nullptr, 0x7F000002);  // 127.0.0.2
    wakeFd = eventfd(0, EFD_CLOEXEC);
    worker = std::thread([this] { Serve(); });
}

FakeSntpServer::~FakeSntpServer() {
    const std::uint64_t one = 1;
    (void)!write(wakeFd, &one, sizeof one);
    worker.join();
    close(fd);
    close(otherFd);
    close(otherAddressFd);
    close(wakeFd);
}

std::string FakeSntpServer::Address() const {
    return "127.0.0.1:" + std::to_string(port);
}

void FakeSntpServer::SetScript(const ReplyScript& script) {
    std::lock_guard guard(scriptLock);
    current = script;
}

void FakeSntpServer::SetSequence(std::vector<ReplyScript> scripts) {
    std::lock_guard guard(scriptLock);
    sequence = std::move(scripts);
}

bool FakeSntpServer::WaitForRequests(int n, std::chrono::milliseconds limit) const {
    std::unique_lock guard(requestLock);
    return requestArrived.wait_for(guard, limit, [this, n] { return requests.load() >= n; });
}

std::vector<std::uint8_t> FakeSntpServer::LastRequest() const {
    std::lock_guard guard(scriptLock);
    return lastRequest;
}

void FakeSntpServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wakeFd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        if (fds[1].revents != 0) {
            return;
        }
        std::array<std::uint8_t, 2048> request{};
        sockaddr_in from{};
        timespec kernelArrival{};
        const ssize_t n = ReceiveStamped(request.data(), request.size(), from, kernelArrival);
        if (n <= 0) {
            continue;
        }
        const socklen_t fromLength = sizeof from;
        ReplyScript script;
        {
            std::lock_guard guard(scriptLock);
            script = current;
            if (!sequence.empty()) {
                script = sequence.front();
                sequence.erase(sequence.begin());
            }
            lastRequest.assign(request.begin(), request.begin() + n);
        }
        if (script.tripOut.count() > 0) {
            std::this_thread::sleep_for(script.tripOut);
            clock_gettime(CLOCK_REALTIME, &kernelArrival);
        }
        // Stamped by the kernel, as a real server does, so thread wake-up does not count.
        const NtpTimestamp trueArrival = NtpTimestamp::FromUnix(kernelArrival);
        const NtpTimestamp arrival = AddSeconds(trueArrival, script.clockOffset);
        {
            std::lock_guard guard(requestLock);
            requests.fetch_add(1);
        }
        requestArrived.notify_all();
        if (!script.silent) {
            Answer(request.data(), static_cast<std::size_t>(n), &from, fromLength, script,
                   script.receiveAfterArrival ? AddSeconds(trueArrival, *script.receiveAfterArrival) : arrival);
        }
    }
}

void FakeSntpServer::Answer(const std::uint8_t* request, std::size_t length, const void* from, unsigned fromLength,
                            const ReplyScript& script, NtpTimestamp arrival) {
    std::vector<std::uint8_t> reply(std::max<std::size_t>(48, script.length.value_or(48)), 0);
    reply[0] = static_cast<std::uint8_t>((script.leapIndicator << 6) | ((script.version & 7) << 3) | (script.mode & 7));
    reply[1] = script.stratum;
    reply[2] = 6;
    reply[3] = static_cast<std::uint8_t>(-20);
    reply[12] = static_cast<std::uint8_t>(script.referenceId >> 24);
    reply[13] = static_cast<std::uint8_t>(script.referenceId >> 16);
    reply[14] = static_cast<std::uint8_t>(script.referenceId >> 8);
    reply[15] = static_cast<std::uint8_t>(script.referenceId);
    const NtpTimestamp requestTransmit = length >= 48 ? NtpTimestamp::FromNetwork(request + 40) : NtpTimestamp();
    for (int i = 0; i < 4; ++i) {
        reply[4 + i] = static_cast<std::uint8_t>(script.rootDelay >> (24 - 8 * i));
        reply[8 + i] = static_cast<std::uint8_t>(script.rootDispersion >> (24 - 8 * i));
    }
    Put(&reply[16], script.reference.value_or(AddSeconds(arrival, -16.0)));
    Put(&reply[24], script.originate.value_or(requestTransmit));
    Put(&reply[32], script.receive.value_or(arrival));
    if (script.delay.count() > 0) {
        std::this_thread::sleep_for(script.delay);
    }
    Put(&reply[40], script.transmit.value_or(ServerNow(script.clockOffset)));

    if (!script.raw.empty()) {
        reply = script.raw;
    }
    const std::size_t sendLength = script.raw.empty() ? script.length.value_or(48) : script.raw.size();
    const int out = script.fromOtherAddress ? otherAddressFd : script.fromOtherPort ? otherFd : fd;
    if (!script.junkFirst.empty()) {
        sendto(out, script.junkFirst.data(), script.junkFirst.size(), 0, static_cast<const sockaddr*>(from),
               fromLength);
    }
    for (int i = 0; i < script.copies; ++i) {
        sendto(out, reply.data(), sendLength, 0, static_cast<const sockaddr*>(from), fromLength);
    }
}

}  // namespace hodra::test
