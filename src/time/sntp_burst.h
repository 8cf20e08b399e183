#pragma once

#include <chrono>
#include <ctime>
#include <optional>
#include <vector>

#include "time/ntp_timestamp.h"
#include "time/sntp_error.h"
#include "time/sntp_result.h"

namespace hodra {

class CancelToken;
namespace nts {
class Authenticator;
}
class UdpSocket;

// The requests of one burst to one address, on its connected socket: each with its own
// random transmit field (and, for NTS, its own cookie and identifier), each reply judged
// on its own against the request it answers, so that a late reply to an earlier request
// still counts. The valid reply with the least round trip is the measurement (ties: the
// earliest); its offset errs by at most half that trip.
class SntpBurst {
public:
    using Deadline = std::chrono::steady_clock::time_point;

    // longestTrip: a round trip beyond it (seconds) says the stamps cannot be trusted.
    SntpBurst(UdpSocket& socket, nts::Authenticator* auth, std::time_t notBeforeUnix, double longestTrip)
        : socket(socket), auth(auth), notBeforeUnix(notBeforeUnix), longestTrip(longestTrip) {}

    // The next request; SntpError::None once it went out, else why not.
    SntpError Send();

    // What ended a wait for replies.
    enum class Heard {
        LatestAnswered,  // the last request sent has its valid reply
        Silence,         // `until` passed first
        Kissed,          // a Kiss-o'-Death answered one of our requests: ask no more
        Failed,          // the socket failed (ICMP unreachable: FailedErrno) or the wait was cancelled
    };
    // Takes replies until the last request is answered or `until` passes; datagrams that are
    // no usable reply to any request of the burst are counted and dropped.
    Heard Listen(Deadline until, const CancelToken* cancel);

    const std::optional<SntpResult>& Best() const { return best; }
    int Sent() const { return static_cast<int>(requests.size()); }
    int Answered() const { return answered; }
    int Dropped() const { return dropped; }
    SntpError LastDropped() const { return lastDropped; }
    int FailedErrno() const { return failedErrno; }  // 0 for a cancel

private:
    struct Request {
        NtpTimestamp nonce;                  // the transmit field the reply must echo
        NtpTimestamp sent;                   // our clock just before the send
        std::optional<timespec> kernelSent;  // the kernel's stamp of the send, when it gave one
        bool answered = false;
    };

    // The request a reply's originate field names, if it is one of ours still unanswered.
    Request* AnsweredRequest(NtpTimestamp originate);
    std::optional<timespec> OwnTransmitStamp(const Request& request) const;
    void Take(const SntpResult& measured);

    UdpSocket& socket;
    nts::Authenticator* auth;
    const std::time_t notBeforeUnix;
    const double longestTrip;
    std::vector<Request> requests;
    std::optional<SntpResult> best;
    int answered = 0;
    int dropped = 0;
    SntpError lastDropped = SntpError::None;
    int failedErrno = 0;
};

}  // namespace hodra
