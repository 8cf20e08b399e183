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

    SntpError LastError() const { return lastError; }
    int LastErrno() const { return lastErrno; }
    // Why the last failure happened, in detail (errno or resolver text), for diagnostics.
    const std::string& LastDetail() const { return lastDetail; }
    std::chrono::milliseconds ReplyTimeout() const { return timeout; }

private:
    bool Fail(SntpError error, int errnoValue);
    bool Fail(SntpError error, const UdpSocket& socket);

    const std::chrono::milliseconds timeout;
    std::time_t notBeforeUnix;
    SntpError lastError = SntpError::None;
    int lastErrno = 0;
    std::string lastDetail;
};

}  // namespace hodra
