#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include <netinet/in.h>
#include <sys/types.h>

namespace hodra {

// One connected IPv4 datagram socket; closed when it goes out of scope.
// Every operation reports through its result and leaves errno as the call set it.
class UdpSocket {
public:
    UdpSocket() = default;
    ~UdpSocket();
    UdpSocket(const UdpSocket&) = delete;
    UdpSocket& operator=(const UdpSocket&) = delete;

    bool Create();
    // Dotted-decimal text connects without a lookup; anything else (including
    // 255.255.255.255, which inet_addr cannot tell from failure) is resolved as a name.
    bool Connect(const std::string& host, std::uint16_t port);
    bool Send(const void* bytes, std::size_t length);
    // false when poll itself failed; otherwise ready says whether a datagram (or a
    // pending error such as ICMP port unreachable) arrived before the time-out.
    bool WaitReadable(std::chrono::milliseconds timeout, bool& ready);

    struct Received {
        ssize_t length = -1;    // bytes delivered, -1 on error
        bool truncated = false; // the datagram was longer than the buffer
        bool hasKernelStamp = false;
        timespec kernelStamp{}; // the kernel's receive time (CLOCK_REALTIME)
    };
    Received Receive(void* buffer, std::size_t size);
    void Close();

    bool IsOpen() const { return fd >= 0; }
    bool LookupFailed() const { return lookupFailed; }
    // The resolver's own reason (gai_strerror) after a failed lookup.
    const char* LookupErrorText() const;
    int LastErrno() const { return lastErrno; }
    // The peer as "A.B.C.D" once connected.
    std::string PeerAddress() const;
    std::uint16_t PeerPort() const;

private:
    bool Fail();

    int fd = -1;
    int lastErrno = 0;
    bool lookupFailed = false;
    int lookupError = 0;
    sockaddr_in peer{};
};

}  // namespace hodra
