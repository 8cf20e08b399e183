#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include <sys/types.h>

#include "time/host_port.h"
#include "time/ntp_timestamp.h"
#include "time/platform/unique_fd.h"

namespace hodra {

class CancelToken;

// One connected datagram socket, IPv4 or IPv6; closed when it goes out of scope.
// Every operation reports through its result: 0 when done, else the errno of the call.
class UdpSocket {
public:
    UdpSocket() = default;
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    // For the family of the address it will be connected to.
    int Create(int family);
    // Only datagrams from this address and port reach the socket afterwards.
    int Connect(const Endpoint& peer);
    int Send(const void* bytes, std::size_t length);

    struct Received {
        enum class Status { Delivered, TimedOut, Cancelled, Failed };
        Status status = Status::Failed;
        int error = 0;           // Failed: the errno
        ssize_t length = -1;     // bytes delivered
        bool truncated = false;  // the datagram was longer than the buffer
        NtpTimestamp userStamp;  // our clock when the datagram was seen
        bool hasKernelStamp = false;
        timespec kernelStamp{};  // the kernel's receive time (CLOCK_REALTIME)
        bool hasTransmitStamp = false;
        timespec transmitStamp{};  // the kernel's time of sending our request
    };
    // The next datagram before the deadline. A datagram that poll announced but the read
    // could not deliver (one dropped for a bad checksum) does not end the wait: it goes on
    // to the same deadline. Failed carries its errno, for instance ICMP port unreachable.
    Received ReceiveUntil(void* buffer, std::size_t size, std::chrono::steady_clock::time_point deadline,
                          const CancelToken* cancel);
    // The kernel's stamp of the last send, where it has come already.
    std::optional<timespec> TransmitStamp() const;

private:
    // One read without blocking; false when nothing was there to read.
    bool ReadOne(void* buffer, std::size_t size, Received& got);
    // Takes the kernel's transmit stamps off the error queue; false when there was none.
    bool ReadTransmitStamps();

    UniqueFd fd;
    bool kernelTransmitStamps = false;  // SO_TIMESTAMPING took
    bool transmitStamped = false;
    timespec transmitStamp{};
};

}  // namespace hodra
