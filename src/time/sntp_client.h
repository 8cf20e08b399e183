#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "time/exchanger.h"
#include "time/nts_key_exchange.h"
#include "time/sntp_error.h"

namespace hodra {

namespace nts {
class Authenticator;
}
class UdpSocket;

// One SNTP exchange per call: every address of the host in turn, each over a fresh UDP
// socket closed on every path, sharing the host's reply time-out. A host written
// nts://name first gets keys and cookies from its NTS key exchange (a deadline of its
// own), and only an authenticated reply counts for it.
class SntpClient : public Exchanger {
public:
    static constexpr std::chrono::milliseconds kReplyTimeout{2000};
    // The most requests one address of a host gets in a run: a burst that keeps the
    // least-delayed answer, and survives a lost datagram.
    static constexpr int kBurstRequests = 4;

    SntpClient();
    // For tests that must not wait the full two seconds.
    explicit SntpClient(std::chrono::milliseconds replyTimeout);
    // The certificates an NTS key exchange trusts; by default the system's store.
    void SetNtsTrust(nts::Trust trust) { ntsTrust = std::move(trust); }

    ExchangeResult Exchange(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                            const AnsweredBy* avoid) override;
    ExchangeResult Exchange(const std::string& host, std::uint16_t port = kNtpPort,
                            const CancelToken* cancel = nullptr) {
        return Exchange(host, port, cancel, nullptr);
    }
    std::chrono::milliseconds ReplyTimeout() const { return timeout; }

private:
    using Deadline = std::chrono::steady_clock::time_point;

    ExchangeResult ExchangeNts(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                               const AnsweredBy* avoid);
    ExchangeResult AskEachAddress(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                                  const AnsweredBy* avoid, nts::Authenticator* auth);
    // A burst of requests on a connected socket, the least-delayed valid reply kept.
    ExchangeResult Ask(UdpSocket& socket, Deadline deadline, const CancelToken* cancel, nts::Authenticator* auth);

    const std::chrono::milliseconds timeout;
    std::time_t notBeforeUnix;
    nts::Trust ntsTrust;
};

}  // namespace hodra
