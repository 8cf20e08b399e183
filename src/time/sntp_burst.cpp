#include "time/sntp_burst.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <vector>

#include "time/nts_authenticator.h"
#include "time/sntp_packet.h"
#include "time/platform/udp_socket.h"

namespace hodra {
namespace {

// Server stamps of coarse precision may make a round trip on loopback a hair negative.
constexpr double kDelaySlack = 0.001;
// Room for a reply with extension fields (NTS cookies); a plain one uses its 48 bytes.
constexpr std::size_t kReceiveBufferSize = 2048;

// The kernel's time of sending, where it gave one that lies between our own stamp before
// the send and the reply's arrival.
std::optional<NtpTimestamp> KernelTransmitTime(std::optional<timespec> kernelSent, NtpTimestamp sent,
                                               NtpTimestamp arrival) {
    if (!kernelSent) {
        return std::nullopt;
    }
    const NtpTimestamp kernel = NtpTimestamp::FromUnix(*kernelSent);
    if (Difference(kernel, sent) < 0.0 || Difference(arrival, kernel) < 0.0) {
        return std::nullopt;
    }
    return kernel;
}

// The exchange's stamps from a reply that passed the checks.
SntpResult Measured(const UdpSocket::Received& got, const SntpReply& reply, NtpTimestamp sent,
                    std::optional<timespec> kernelSent) {
    SntpResult result;
    result.destination = got.hasKernelStamp ? NtpTimestamp::FromUnix(got.kernelStamp) : got.userStamp;
    const std::optional<NtpTimestamp> left = KernelTransmitTime(kernelSent, sent, result.destination);
    result.originate = left.value_or(sent);
    result.kernelTransmitStamp = left.has_value();
    result.kernelReceiveStamp = got.hasKernelStamp;
    result.receive = reply.receive;
    result.transmit = reply.transmit;
    result.offset = ClockOffset(result);
    result.stratum = reply.stratum;
    result.referenceId = reply.referenceId;
    result.reference = reply.reference;
    return result;
}

// The header's verdict, then, for an authenticated exchange, the authenticator's. An NTS
// NAK is dropped like any Kiss-o'-Death (it is not authenticated), but named as one.
SntpError Judge(const SntpReply& reply, const std::uint8_t* datagram, std::size_t length,
                const ReplyExpectation& expected, const nts::Authenticator* auth) {
    if (auth != nullptr && reply.stratum == 0 && reply.referenceId == kKissNtsNak) {
        return SntpError::NtsNak;
    }
    const SntpError header = ValidateReply(reply, length, expected);
    return auth == nullptr || header != SntpError::None ? header : auth->Verify(datagram, length);
}

}  // namespace

SntpError SntpBurst::Send() {
    // The field the reply must echo is random; our own time of sending stays with us.
    const std::optional<NtpTimestamp> nonce = RandomRequestStamp(NtpTimestamp::Now());
    if (!nonce) {
        return SntpError::NoRandom;
    }
    const SntpRequest header = EncodeRequest(*nonce);
    std::vector<std::uint8_t> request(header.begin(), header.end());
    if (const SntpError unsealed = auth != nullptr ? auth->Seal(request) : SntpError::None;
        unsealed != SntpError::None) {
        return unsealed;
    }
    const NtpTimestamp sent = NtpTimestamp::Now();
    if (const int refused = socket.Send(request.data(), request.size()); refused != 0) {
        failedErrno = refused;
        return SntpError::Send;
    }
    requests.push_back({*nonce, sent, std::nullopt});
    requests.back().kernelSent = OwnTransmitStamp(requests.back());
    return SntpError::None;
}

// The socket's last stamp of sending belongs to a request only when it is no earlier than
// the request: an earlier request's stamp, come late, is left alone.
std::optional<timespec> SntpBurst::OwnTransmitStamp(const Request& request) const {
    const std::optional<timespec> stamp = socket.TransmitStamp();
    if (stamp && Difference(NtpTimestamp::FromUnix(*stamp), request.sent) >= 0.0) {
        return stamp;
    }
    return std::nullopt;
}

SntpBurst::Request* SntpBurst::AnsweredRequest(NtpTimestamp originate) {
    for (Request& r : requests) {
        if (r.nonce == originate && !r.answered) {
            return &r;
        }
    }
    return nullptr;
}

void SntpBurst::Take(const SntpResult& measured) {
    ++answered;
    if (!best || RoundTripDelay(measured) < RoundTripDelay(*best)) {
        best = measured;
    }
}

SntpBurst::Heard SntpBurst::Listen(Deadline until, const CancelToken* cancel) {
    for (;;) {
        std::array<std::uint8_t, kReceiveBufferSize> buffer{};
        const UdpSocket::Received got = socket.ReceiveUntil(buffer.data(), buffer.size(), until, cancel);
        switch (got.status) {
        case UdpSocket::Received::Status::Delivered: break;
        case UdpSocket::Received::Status::TimedOut: return Heard::Silence;
        case UdpSocket::Received::Status::Cancelled: failedErrno = 0; return Heard::Failed;
        case UdpSocket::Received::Status::Failed: failedErrno = got.error; return Heard::Failed;
        }
        const SntpReply reply = DecodeReply(buffer.data());
        Request* request = AnsweredRequest(reply.originate);
        // The latest request's stamp of sending may have come while we waited.
        const bool latest = request == &requests.back();
        if (latest && !request->kernelSent) {
            request->kernelSent = OwnTransmitStamp(*request);
        }
        // A datagram longer than the buffer arrives cut to it: a plain reply needs only its
        // header, an authenticated one cut short cannot verify.
        const ReplyExpectation expected{request != nullptr ? request->nonce : requests.back().nonce, notBeforeUnix};
        SntpError verdict = got.truncated && auth != nullptr
                                ? SntpError::NtsUnauthenticated
                                : Judge(reply, buffer.data(), static_cast<std::size_t>(got.length), expected, auth);
        if (verdict == SntpError::None) {
            const SntpResult measured = Measured(got, reply, request->sent, request->kernelSent);
            // The true offset lies within half the round trip of the measured one. A round
            // trip below zero (the server claims to have held the request longer than it was
            // away) or beyond the wait says the stamps cannot be trusted that far.
            const double trip = RoundTripDelay(measured);
            if (trip >= -kDelaySlack && trip <= longestTrip) {
                request->answered = true;
                Take(measured);
                if (latest) {
                    return Heard::LatestAnswered;
                }
                continue;
            }
            verdict = SntpError::ImplausibleDelay;
        }
        ++dropped;
        lastDropped = verdict;
        // A Kiss-o'-Death that answers one of our requests (the server asks us to slow down
        // or stop) ends the burst; an unauthenticated one does not end an NTS exchange.
        if (verdict == SntpError::KissOfDeath && auth == nullptr && request != nullptr) {
            return Heard::Kissed;
        }
    }
}

}  // namespace hodra
