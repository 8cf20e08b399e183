#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "exchanger.h"
#include "sntp_error.h"

namespace hodra {

class UdpSocket;

// One SNTP exchange per call over a fresh UDP socket, closed on every path.
class SntpClient : public Exchanger {
public:
    static constexpr std::chrono::milliseconds kReplyTimeout{2000};

    SntpClient();
    // For tests that must not wait the full two seconds.
    explicit SntpClient(std::chrono::milliseconds replyTimeout);

    bool Exchange(const std::string& host, SntpResult& result, std::uint16_t port,
                  const CancelToken* cancel) override;
    bool Exchange(const std::string& host, SntpResult& result, std::uint16_t port = kNtpPort) {
        return Exchange(host, result, port, nullptr);
    }
    std::string LastFailure() const override;

    // After a failure: why. When datagrams came but none was a usable reply, the kind of
    // the last one dropped.
    SntpError LastError() const { return lastError; }
    int LastErrno() const { return lastErrno; }
    // Why the last failure happened, in detail (errno or resolver text), for diagnostics.
    const std::string& LastDetail() const { return lastDetail; }
    // Datagrams of the last exchange that were not a usable reply to it.
    int DroppedDatagrams() const { return dropped; }
    std::chrono::milliseconds ReplyTimeout() const { return timeout; }

private:
    using Deadline = std::chrono::steady_clock::time_point;

    bool Fail(SntpError error, int errnoValue);
    bool Fail(SntpError error, const UdpSocket& socket);
    // One request on a connected socket; datagrams that are no usable reply to it are
    // counted and dropped until the deadline.
    bool Ask(UdpSocket& socket, Deadline deadline, const CancelToken* cancel, SntpResult& result);
    bool WaitedInVain(SntpError why, int errnoValue);

    const std::chrono::milliseconds timeout;
    std::time_t notBeforeUnix;
    SntpError lastError = SntpError::None;
    int lastErrno = 0;
    std::string lastDetail;
    int dropped = 0;
    SntpError lastDropped = SntpError::None;
};

}  // namespace hodra
