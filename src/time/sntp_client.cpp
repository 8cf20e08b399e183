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

// The wait ended without a usable reply: what was dropped on the way says more than the end.
bool SntpClient::WaitedInVain(SntpError why, int errnoValue) {
    if (dropped == 0) {
        return Fail(why, errnoValue);
    }
    Fail(lastDropped, EPROTO);
    lastDetail = "받은 응답 " + std::to_string(dropped) + "개를 버림";
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

// The exchange's stamps from a reply that passed the checks.
SntpResult Measured(const UdpSocket::Received& got, const SntpReply& reply, NtpTimestamp sent) {
    SntpResult result;
    result.destination = got.hasKernelStamp ? NtpTimestamp::FromUnix(got.kernelStamp) : got.userStamp;
    const std::optional<NtpTimestamp> left = KernelTransmitTime(got, sent, result.destination);
    result.originate = left.value_or(sent);
    result.kernelTransmitStamp = left.has_value();
    result.kernelReceiveStamp = got.hasKernelStamp;
    result.receive = reply.receive;
    result.transmit = reply.transmit;
    result.offset = ClockOffset(result);
    result.stratum = reply.stratum;
    return result;
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
    if (!Ask(socket, std::chrono::steady_clock::now() + timeout, cancel, result)) {
        return false;
    }
    result.serverAddress = socket.PeerAddress();
    result.serverPort = socket.PeerPort();
    return true;
}

bool SntpClient::Ask(UdpSocket& socket, Deadline deadline, const CancelToken* cancel, SntpResult& result) {
    dropped = 0;
    lastDropped = SntpError::None;
    // The field the reply must echo is random; our own time of sending stays with us.
    const std::optional<NtpTimestamp> nonce = RandomRequestStamp(NtpTimestamp::Now());
    if (!nonce) {
        return Fail(SntpError::NoRandom, errno);
    }
    const SntpRequest request = EncodeRequest(*nonce);
    const NtpTimestamp sent = NtpTimestamp::Now();
    if (!socket.Send(request.data(), request.size())) {
        return Fail(SntpError::Send, socket);
    }
    const ReplyExpectation expected{*nonce, notBeforeUnix};
    for (;;) {
        std::array<std::uint8_t, kSntpReceiveBufferSize> buffer{};
        const UdpSocket::Received got = socket.ReceiveUntil(buffer.data(), buffer.size(), deadline, cancel);
        switch (got.status) {
        case UdpSocket::Received::Status::Delivered: break;
        case UdpSocket::Received::Status::TimedOut: return WaitedInVain(SntpError::Timeout, ETIMEDOUT);
        case UdpSocket::Received::Status::Cancelled: return Fail(SntpError::Cancelled, ECANCELED);
        case UdpSocket::Received::Status::Failed: return WaitedInVain(SntpError::Receive, socket.LastErrno());
        }
        // A datagram longer than the buffer arrives cut to it; only the header matters.
        const SntpReply reply = DecodeReply(buffer.data());
        SntpError verdict = ValidateReply(reply, static_cast<std::size_t>(got.length), expected);
        if (verdict == SntpError::None) {
            const SntpResult measured = Measured(got, reply, sent);
            // The true offset lies within half the round trip of the measured one. A round
            // trip below zero (the server claims to have held the request longer than it was
            // away) or beyond the wait says the stamps cannot be trusted that far.
            const double trip = RoundTripDelay(measured);
            if (trip >= -kDelaySlack && trip <= std::chrono::duration<double>(timeout).count()) {
                result = measured;
                return true;
            }
            verdict = SntpError::ImplausibleDelay;
        }
        ++dropped;
        lastDropped = verdict;
    }
}

}  // namespace hodra
