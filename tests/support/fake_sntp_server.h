#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <netinet/in.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "time/ntp_timestamp.h"

namespace hodra::test {

// How the fake server answers the next requests. The server's clock is the real clock
// plus clockOffset; every header field and stamp can be replaced.
struct ReplyScript {
    double clockOffset = 0.0;
    std::chrono::milliseconds delay{0};  // waited between receive and transmit stamps
    // Waited before the arrival is stamped, as if the request had been that much longer on
    // its way: the round trip grows by it, and the offset by half of it.
    std::chrono::milliseconds tripOut{0};
    bool silent = false;
    std::optional<std::size_t> length;  // bytes sent: cut or zero-padded
    std::uint8_t leapIndicator = 0;
    std::uint8_t version = 4;
    std::uint8_t mode = 4;
    std::uint8_t stratum = 2;
    std::uint32_t referenceId = 0x4C4F434C;  // "LOCL"
    std::optional<NtpTimestamp> originate;   // instead of the request's transmit stamp
    std::optional<NtpTimestamp> receive;
    std::optional<NtpTimestamp> transmit;
    // Receive stamp this far after the request's arrival on the true clock: T2 - T1 is this
    // plus the trip out.
    std::optional<double> receiveAfterArrival;
    std::optional<NtpTimestamp> reference;  // instead of 16 s before the arrival
    std::uint32_t rootDelay = 0;            // NTP short format, 1/65536 s
    std::uint32_t rootDispersion = 0;
    std::vector<std::uint8_t> junkFirst;  // a datagram sent just before the reply
    int copies = 1;                       // the same reply sent this many times
    bool fromOtherPort = false;           // answer from a second socket
    bool fromOtherAddress = false;        // answer from 127.0.0.2
    std::vector<std::uint8_t> raw;        // when set, exactly these bytes are the reply
};

// A scriptable SNTP server on 127.0.0.1 with an ephemeral port, run on its own thread.
class FakeSntpServer {
public:
    FakeSntpServer();
    ~FakeSntpServer();
    FakeSntpServer(const FakeSntpServer&) = delete;
    FakeSntpServer& operator=(const FakeSntpServer&) = delete;

    std::uint16_t Port() const { return port; }
    std::string Address() const;  // "127.0.0.1:PORT"
    void SetScript(const ReplyScript& script);
    // The next requests get these scripts, one each in turn; then the one SetScript gave.
    void SetSequence(std::vector<ReplyScript> scripts);
    int RequestsSeen() const { return requests.load(); }
    // Blocks until at least n requests arrived; false if the limit passed first.
    bool WaitForRequests(int n, std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    // The bytes of the last request received.
    std::vector<std::uint8_t> LastRequest() const;

private:
    void Serve();
    ssize_t ReceiveStamped(std::uint8_t* buffer, std::size_t size, sockaddr_in& from, timespec& arrival);
    void Answer(const std::uint8_t* request, std::size_t length, const void* from, unsigned fromLength,
                const ReplyScript& script, NtpTimestamp arrival);

    int fd = -1;
    int otherFd = -1;
    int otherAddressFd = -1;
    int wakeFd = -1;
    std::uint16_t port = 0;
    std::atomic<int> requests{0};
    mutable std::mutex requestLock;
    mutable std::condition_variable requestArrived;
    mutable std::mutex scriptLock;
    ReplyScript current;
    std::vector<ReplyScript> sequence;  // for the next requests, first first
    std::vector<std::uint8_t> lastRequest;
    std::thread worker;
};

}  // namespace hodra::test
