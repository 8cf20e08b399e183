#include "sntp_client.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>

#include "build_info.h"
#include "host_port.h"
#include "sntp_packet.h"
#include "udp_socket.h"

namespace hodra {

SntpClient::SntpClient() : SntpClient(kReplyTimeout) {}

SntpClient::SntpClient(std::chrono::milliseconds replyTimeout)
    : timeout(replyTimeout), notBeforeUnix(static_cast<std::time_t>(kBuildEpochUnix)) {}

bool SntpClient::Fail(SntpError error, int errnoValue) {
    lastError = error;
    lastErrno = errnoValue;
    lastDetail = error == SntpError::Timeout || errnoValue == 0 || errnoValue == EPROTO ? "" : std::strerror(errnoValue);
    errno = errnoValue;
    return false;
}

bool SntpClient::Fail(SntpError error, const UdpSocket& socket) {
    Fail(error, socket.LastErrno());
    if (socket.LookupFailed()) {
        lastDetail = socket.LookupErrorText();
    }
    return false;
}

namespace {

// Server stamps of coarse precision may make a round trip on loopback a hair negative.
constexpr double kDelaySlack = 0.001;

// The kernel's time of sending, where it gave one that lies between our own stamp before
// the send and the reply's arrival.
std::optional<NtpTimestamp> KernelTransmitTime(const UdpSocket::Received& got, NtpTimestamp sent,
                                               NtpTimestamp arrival) {
    if (!got.hasTransmitStamp) {
        return std::nullopt;
    }
    const NtpTimestamp kernel = NtpTimestamp::FromUnix(got.transmitStamp);
    if (Difference(kernel, sent) < 0.0 || Difference(arrival, kernel) < 0.0) {
        return std::nullopt;
    }
    return kernel;
}

}  // namespace

std::string SntpClient::LastFailure() const {
    std::string reason = DescribeSntpError(lastError);
    if (!lastDetail.empty()) {
        reason += " (" + lastDetail + ")";
    }
    return reason;
}

bool SntpClient::Exchange(const std::string& hostText, SntpResult& result, std::uint16_t port,
                          const CancelToken* cancel) {
    lastError = SntpError::None;
    lastErrno = 0;
    lastDetail.clear();
    const auto target = SplitHostPort(hostText, port);
    if (!target) {
        return Fail(SntpError::BadHost, EINVAL);
    }

    UdpSocket socket;
    if (!socket.Create()) {
        return Fail(SntpError::Socket, socket);
    }
    if (!socket.Connect(target->host, target->port, cancel)) {
        if (socket.LookupCancelled()) {
            return Fail(SntpError::Cancelled, ECANCELED);
        }
        return Fail(socket.LookupFailed() ? SntpError::LookupFailed : SntpError::Connect, socket);
    }

    const NtpTimestamp sent = NtpTimestamp::Now();
    const SntpRequest request = EncodeRequest(sent);
    if (!socket.Send(request.data(), request.size())) {
        return Fail(SntpError::Send, socket);
    }

    std::array<std::uint8_t, kSntpReceiveBufferSize> buffer{};
    const UdpSocket::Received got = socket.ReceiveWithin(buffer.data(), buffer.size(), timeout, cancel);
    switch (got.status) {
    case UdpSocket::Received::Status::Delivered: break;
    case UdpSocket::Received::Status::TimedOut: return Fail(SntpError::Timeout, ETIMEDOUT);
    case UdpSocket::Received::Status::Cancelled: return Fail(SntpError::Cancelled, ECANCELED);
    case UdpSocket::Received::Status::Failed: return Fail(SntpError::Receive, socket);
    }
    NtpTimestamp destination = got.userStamp;
    if (got.length == 0) {
        return Fail(SntpError::ShortReply, ENODATA);
    }
    if (got.hasKernelStamp) {
        destination = NtpTimestamp::FromUnix(got.kernelStamp);
    }

    // A datagram longer than the buffer arrives cut to it; only the header matters.
    const SntpReply reply = DecodeReply(buffer.data());
    const SntpError verdict =
        ValidateReply(reply, static_cast<std::size_t>(got.length), ReplyExpectation{sent, notBeforeUnix});
    if (verdict != SntpError::None) {
        return Fail(verdict, EPROTO);
    }

    // The request's own stamp is what the originate check compared; the arithmetic takes the
    // moment the request really left.
    const std::optional<NtpTimestamp> left = KernelTransmitTime(got, sent, destination);
    result.originate = left.value_or(sent);
    result.kernelTransmitStamp = left.has_value();
    result.kernelReceiveStamp = got.hasKernelStamp;
    result.receive = reply.receive;
    result.transmit = reply.transmit;
    result.destination = destination;
    result.offset = (Difference(result.receive, result.originate) + Difference(result.transmit, result.destination)) * 0.5;
    // The true offset lies within half the round trip of the measured one. A round trip
    // below zero (the server claims to have held the request longer than it was away) or
    // beyond the wait says the stamps cannot be trusted that far.
    const double trip = RoundTripDelay(result);
    if (!(trip >= -kDelaySlack) || trip > std::chrono::duration<double>(timeout).count()) {
        return Fail(SntpError::ImplausibleDelay, EPROTO);
    }
    result.stratum = reply.stratum;
    result.serverAddress = socket.PeerAddress();
    result.serverPort = socket.PeerPort();
    return true;
}

}  // namespace hodra
