#include "time/platform/udp_socket.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <linux/errqueue.h>
#include <linux/net_tstamp.h>
#include <sys/socket.h>
#include <unistd.h>

#include "time/cancel_token.h"

namespace hodra {

int UdpSocket::Create(int family) {
    // Non-blocking, so that a datagram poll announced but the read drops (a bad checksum)
    // sends us back to waiting instead of blocking the read forever.
    fd.Reset(socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd.Valid()) {
        return errno;
    }
    // The kernel's own times of sending and arrival: the first is read off the error queue
    // after the send, so the time the send path takes is not mistaken for network delay.
    // Where the kernel offers no transmit stamps the arrival stamp alone is asked for, and
    // the caller's own stamps stand in for what is missing.
    const unsigned stamps = SOF_TIMESTAMPING_SOFTWARE | SOF_TIMESTAMPING_RX_SOFTWARE | SOF_TIMESTAMPING_TX_SOFTWARE |
                            SOF_TIMESTAMPING_OPT_TSONLY;
    kernelTransmitStamps = setsockopt(fd.Get(), SOL_SOCKET, SO_TIMESTAMPING, &stamps, sizeof stamps) == 0;
    if (!kernelTransmitStamps) {
        const int on = 1;
        (void)setsockopt(fd.Get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
    }
    return 0;
}

int UdpSocket::Connect(const Endpoint& to) {
    return connect(fd.Get(), reinterpret_cast<const sockaddr*>(&to.address), to.length) == 0 ? 0 : errno;
}

int UdpSocket::Send(const void* bytes, std::size_t length) {
    transmitStamped = false;
    if (send(fd.Get(), bytes, length, 0) < 0) {
        return errno;
    }
    if (kernelTransmitStamps) {
        (void)ReadTransmitStamps();  // on loopback it is there at once; else it comes while we wait
    }
    return 0;
}

bool UdpSocket::ReadTransmitStamps() {
    bool any = false;
    for (;;) {
        char data[64];
        iovec io{data, sizeof data};
        alignas(cmsghdr) char control[512];
        msghdr message{};
        message.msg_iov = &io;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (recvmsg(fd.Get(), &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
            return any;
        }
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPING) {
                scm_timestamping stamps{};
                std::memcpy(&stamps, CMSG_DATA(c), sizeof stamps);
                if (stamps.ts[0].tv_sec != 0 || stamps.ts[0].tv_nsec != 0) {
                    transmitStamp = stamps.ts[0];
                    transmitStamped = true;
                    any = true;
                }
            }
        }
    }
}

UdpSocket::Received UdpSocket::ReceiveUntil(void* buffer, std::size_t size,
                                            std::chrono::steady_clock::time_point deadline, const CancelToken* cancel) {
    using Status = Received::Status;
    Received got;
    for (;;) {
        const Readiness ready = WaitReadable(fd.Get(), cancel, deadline);
        switch (ready.status) {
        case Readiness::Status::Cancelled: got.status = Status::Cancelled; return got;
        case Readiness::Status::TimedOut: got.status = Status::TimedOut; return got;
        case Readiness::Status::Failed: got.error = ready.error; return got;
        case Readiness::Status::Ready: break;
        }
        // POLLERR is the transmit stamp waiting on the error queue, or a socket error such as
        // ICMP port unreachable, which the ordinary read below reports.
        if ((ready.events & POLLERR) != 0 && ReadTransmitStamps() && (ready.events & POLLIN) == 0) {
            continue;
        }
        got.userStamp = NtpTimestamp::Now();
        if (ReadOne(buffer, size, got)) {
            if (!transmitStamped && kernelTransmitStamps) {
                (void)ReadTransmitStamps();
            }
            got.hasTransmitStamp = transmitStamped;
            got.transmitStamp = transmitStamp;
            return got;
        }
        if (got.error != EAGAIN && got.error != EWOULDBLOCK) {
            return got;
        }
    }
}

bool UdpSocket::ReadOne(void* buffer, std::size_t size, Received& got) {
    iovec io{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(scm_timestamping)) + CMSG_SPACE(sizeof(timespec))];
    msghdr message{};
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t n = recvmsg(fd.Get(), &message, MSG_DONTWAIT);
    if (n < 0) {
        got.status = Received::Status::Failed;
        got.error = errno;
        return false;
    }
    got.status = Received::Status::Delivered;
    got.error = 0;
    got.length = n;
    got.truncated = (message.msg_flags & MSG_TRUNC) != 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            std::memcpy(&got.kernelStamp, CMSG_DATA(c), sizeof got.kernelStamp);
            got.hasKernelStamp = true;
        } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPING) {
            scm_timestamping stamps{};
            std::memcpy(&stamps, CMSG_DATA(c), sizeof stamps);
            got.kernelStamp = stamps.ts[0];
            got.hasKernelStamp = stamps.ts[0].tv_sec != 0 || stamps.ts[0].tv_nsec != 0;
        }
    }
    return true;
}

std::optional<timespec> UdpSocket::TransmitStamp() const {
    return transmitStamped ? std::optional<timespec>(transmitStamp) : std::nullopt;
}

}  // namespace hodra
