#include "sntp_client.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <optional>

#include "build_info.h"
#include "cancel_token.h"
#include "host_port.h"
#include "nts_authenticator.h"
#include "request_authenticator.h"
#include "sntp_packet.h"
#include "time_texts.h"
#include "udp_socket.h"

namespace hodra {

SntpClient::SntpClient() : SntpClient(kReplyTimeout) {}

SntpClient::SntpClient(std::chrono::milliseconds replyTimeout)
    : timeout(replyTimeout), notBeforeUnix(static_cast<std::time_t>(kBuildEpochUnix)) {}

void SntpClient::Reset() {
    lastError = SntpError::None;
    lastErrno = 0;
    lastDetail.clear();
    addressFailures.clear();
    dropped = 0;
}

bool SntpClient::Fail(SntpError error, int errnoValue) {
    lastError = error;
    lastErrno = errnoValue;
    lastDetail =
        error == SntpError::Timeout || error == SntpError::LookupTimeout || errnoValue == 0 || errnoValue == EPROTO
            ? ""
            : std::strerror(errnoValue);
    errno = errnoValue;
    return false;
}

// The wait ended without a usable reply: what was dropped on the way says more than the end.
bool SntpClient::WaitedInVain(SntpError why, int errnoValue) {
    if (dropped == 0) {
        return Fail(why, errnoValue);
    }
    Fail(lastDropped, EPROTO);
    lastDetail = text::Fill(text::kDroppedReplies, std::to_string(dropped));
    return false;
}

namespace {

// Server stamps of coarse precision may make a round trip on loopback a hair negative.
constexpr double kDelaySlack = 0.001;
// Room for a reply with extension fields (NTS cookies); a plain one uses its 48 bytes.
constexpr std::size_t kReceiveBufferSize = 2048;

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
    result.referenceId = reply.referenceId;
    result.reference = reply.reference;
    return result;
}

// The header's verdict, then, for an authenticated exchange, the authenticator's. An NTS
// NAK is dropped like any Kiss-o'-Death (it is not authenticated), but named as one.
SntpError Judge(const SntpReply& reply, const std::uint8_t* datagram, std::size_t length,
                const ReplyExpectation& expected, const RequestAuthenticator* auth) {
    if (auth != nullptr && reply.stratum == 0 && reply.referenceId == kKissNtsNak) {
        return SntpError::NtsNak;
    }
    const SntpError header = ValidateReply(reply, length, expected);
    return auth == nullptr || header != SntpError::None ? header : auth->Verify(datagram, length);
}

}  // namespace

// The last address's failure alone.
std::string SntpClient::LastReason() const {
    std::string reason = DescribeSntpError(lastError);
    if (!lastDetail.empty()) {
        reason += " (" + lastDetail + ")";
    }
    return reason;
}

std::string SntpClient::LastFailure() const {
    return addressFailures.size() <= 1 ? LastReason() : NameFailures(addressFailures);
}

bool SntpClient::Exchange(const std::string& hostText, SntpResult& result, std::uint16_t port,
                          const CancelToken* cancel, const AnsweredBy* avoid) {
    Reset();
    const auto server = ParseServerName(hostText, port);
    if (!server) {
        return Fail(SntpError::BadHost, EINVAL);
    }
    if (server->nts) {
        return ExchangeNts(server->host, server->port, result, cancel, avoid);
    }
    return AskEachAddress(server->host, server->port, result, cancel, avoid, nullptr);
}

// A fresh key exchange every time: the program asks seldom, and keeps no cookie. Whatever
// fails here fails the host; it is never asked without authentication instead.
bool SntpClient::ExchangeNts(const std::string& host, std::uint16_t port, SntpResult& result, const CancelToken* cancel,
                             const AnsweredBy* avoid) {
    nts::KeyExchangeResult keys =
        nts::RunKeyExchange(host, port, ntsTrust, std::chrono::steady_clock::now() + nts::kKeyExchangeTimeout, cancel);
    if (cancel != nullptr && cancel->Cancelled()) {
        return Fail(SntpError::Cancelled, ECANCELED);
    }
    if (!keys.session) {
        Fail(SntpError::NtsKeyExchange, EPROTO);
        lastDetail = keys.failure;
        return false;
    }
    nts::Authenticator authenticator(std::move(*keys.session));
    if (!AskEachAddress(keys.ntpServer, keys.ntpPort, result, cancel, avoid, &authenticator)) {
        return false;
    }
    result.authenticated = true;
    return true;
}

bool SntpClient::AskEachAddress(const std::string& host, std::uint16_t port, SntpResult& result,
                                const CancelToken* cancel, const AnsweredBy* avoid, RequestAuthenticator* auth) {
    // The host's time starts with its lookup: a slow resolver spends it too.
    const auto start = std::chrono::steady_clock::now();
    const Resolution found = ResolveAll(host, port, SOCK_DGRAM, cancel, timeout);
    if (found.error == EAI_CANCELED) {
        return Fail(SntpError::Cancelled, ECANCELED);
    }
    if (found.timedOut) {
        return Fail(SntpError::LookupTimeout, ETIMEDOUT);
    }
    if (found.error != 0) {
        Fail(SntpError::LookupFailed, EHOSTUNREACH);
        lastDetail = gai_strerror(found.error);
        return false;
    }
    std::vector<Endpoint> addresses;
    for (const Endpoint& e : found.endpoints) {
        if (avoid == nullptr || CanonicalAddress(e.AddressText()) != CanonicalAddress(avoid->address) ||
            e.Port() != avoid->port) {
            addresses.push_back(e);
        }
    }
    if (addresses.empty()) {
        return Fail(SntpError::NoOtherAddress, EADDRNOTAVAIL);
    }
    const auto lookedUp = std::chrono::steady_clock::now();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const Endpoint& to = addresses[i];
        UdpSocket socket;
        if (!socket.Create(to.Family())) {
            Fail(SntpError::Socket, socket.LastErrno());
        } else if (!socket.Connect(to)) {
            Fail(SntpError::Connect, socket.LastErrno());
        } else if (Ask(socket, ShareOf(lookedUp, start + timeout, i, addresses.size()), cancel, auth, result)) {
            result.serverAddress = to.AddressText();
            result.serverPort = to.Port();
            return true;
        }
        if (lastError == SntpError::Cancelled) {
            return false;
        }
        addressFailures.push_back(to.AddressText() + ": " + LastReason());
    }
    return false;
}

bool SntpClient::Ask(UdpSocket& socket, Deadline deadline, const CancelToken* cancel, RequestAuthenticator* auth,
                     SntpResult& result) {
    dropped = 0;
    lastDropped = SntpError::None;
    // The field the reply must echo is random; our own time of sending stays with us.
    const std::optional<NtpTimestamp> nonce = RandomRequestStamp(NtpTimestamp::Now());
    if (!nonce) {
        return Fail(SntpError::NoRandom, errno);
    }
    const SntpRequest header = EncodeRequest(*nonce);
    std::vector<std::uint8_t> request(header.begin(), header.end());
    if (const SntpError unsealed = auth != nullptr ? auth->Seal(request) : SntpError::None;
        unsealed != SntpError::None) {
        return Fail(unsealed, EPROTO);
    }
    const NtpTimestamp sent = NtpTimestamp::Now();
    if (!socket.Send(request.data(), request.size())) {
        return Fail(SntpError::Send, socket.LastErrno());
    }
    const ReplyExpectation expected{*nonce, notBeforeUnix};
    for (;;) {
        std::array<std::uint8_t, kReceiveBufferSize> buffer{};
        const UdpSocket::Received got = socket.ReceiveUntil(buffer.data(), buffer.size(), deadline, cancel);
        switch (got.status) {
        case UdpSocket::Received::Status::Delivered: break;
        case UdpSocket::Received::Status::TimedOut: return WaitedInVain(SntpError::Timeout, ETIMEDOUT);
        case UdpSocket::Received::Status::Cancelled: return Fail(SntpError::Cancelled, ECANCELED);
        case UdpSocket::Received::Status::Failed: return WaitedInVain(SntpError::Receive, socket.LastErrno());
        }
        // A datagram longer than the buffer arrives cut to it: a plain reply needs only its
        // header, an authenticated one cut short cannot verify.
        const SntpReply reply = DecodeReply(buffer.data());
        SntpError verdict = got.truncated && auth != nullptr
                                ? SntpError::NtsUnauthenticated
                                : Judge(reply, buffer.data(), static_cast<std::size_t>(got.length), expected, auth);
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
