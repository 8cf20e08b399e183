#include "udp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "host_port.h"

namespace hodra {
namespace {

std::chrono::steady_clock::time_point DeadlineAfter(std::chrono::milliseconds timeout) {
    return std::chrono::steady_clock::now() + timeout;
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

UdpSocket::~UdpSocket() {
    Close();
}

bool UdpSocket::Fail() {
    lastErrno = errno;
    return false;
}

bool UdpSocket::Create() {
    fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return Fail();
    }
    // Ask for the kernel's arrival time of each datagram; without it the caller
    // stamps the arrival itself.
    const int on = 1;
    (void)setsockopt(fd, SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    return true;
}

bool UdpSocket::Connect(const std::string& host, std::uint16_t port) {
    lookupFailed = false;
    lookupError = 0;
    peer = sockaddr_in{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = inet_addr(host.c_str());
    if (peer.sin_addr.s_addr == INADDR_NONE) {
        lookupError = ResolveIpv4(host, peer.sin_addr);
        if (lookupError != 0) {
            lookupFailed = true;
            lastErrno = EHOSTUNREACH;
            errno = lastErrno;
            return false;
        }
    }
    if (connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        return Fail();
    }
    return true;
}

bool UdpSocket::Send(const void* bytes, std::size_t length) {
    if (send(fd, bytes, length, 0) < 0) {
        return Fail();
    }
    return true;
}

bool UdpSocket::WaitReadable(std::chrono::milliseconds timeout, bool& ready) {
    ready = false;
    const auto deadline = DeadlineAfter(timeout);
    pollfd entry{fd, POLLIN, 0};
    for (;;) {
        const int n = poll(&entry, 1, RemainingMs(deadline));
        if (n > 0) {
            ready = true;
            return true;
        }
        if (n == 0) {
            return true;
        }
        if (errno != EINTR) {
            return Fail();
        }
    }
}

UdpSocket::Received UdpSocket::Receive(void* buffer, std::size_t size) {
    Received got;
    iovec io{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    ssize_t n = 0;
    do {
        n = recvmsg(fd, &message, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        Fail();
        return got;
    }
    got.length = n;
    got.truncated = (message.msg_flags & MSG_TRUNC) != 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            std::memcpy(&got.kernelStamp, CMSG_DATA(c), sizeof got.kernelStamp);
            got.hasKernelStamp = true;
        }
    }
    return got;
}

void UdpSocket::Close() {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

const char* UdpSocket::LookupErrorText() const {
    return lookupError != 0 ? gai_strerror(lookupError) : "";
}

std::string UdpSocket::PeerAddress() const {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    return text;
}

std::uint16_t UdpSocket::PeerPort() const {
    return ntohs(peer.sin_port);
}

}  // namespace hodra
