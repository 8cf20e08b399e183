#include "sntp_client.h"

#include <algorithm>
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
#include "sntp_burst.h"
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

// After an answer, the next request of a burst waits this many of the best round trip for
// its reply, within these bounds: a reply later than that would hardly be the best one.
constexpr int kTripsAfterAnswer = 4;
constexpr std::chrono::milliseconds kShortestWait{5};
constexpr std::chrono::milliseconds kLongestWaitAfterAnswer{250};

std::chrono::nanoseconds TripOf(const SntpResult& r) {
    return std::chrono::nanoseconds(static_cast<std::int64_t>(std::max(0.0, RoundTripDelay(r)) * 1e9));
}

std::chrono::nanoseconds WaitAfterAnswer(const SntpResult& best) {
    return std::clamp<std::chrono::nanoseconds>(TripOf(best) * kTripsAfterAnswer, kShortestWait,
                                                kLongestWaitAfterAnswer);
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
        lastDetail = nts::Describe(keys.failures);
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

// A short burst to one address: up to kBurstRequests requests, the next one as soon as
// the last is answered or a short silence ends. Before any answer the requests share the
// address's time equally (a lost datagram costs one share, not the host); after one, the
// next waits a few of the best round trip. No wait buys nothing: the burst ends once its
// last request is answered, or when too little time is left to hear another reply.
bool SntpClient::Ask(UdpSocket& socket, Deadline deadline, const CancelToken* cancel, RequestAuthenticator* auth,
                     SntpResult& result) {
    SntpBurst burst(socket, auth, notBeforeUnix, std::chrono::duration<double>(timeout).count());
    SntpBurst::Heard heard = SntpBurst::Heard::Silence;
    SntpError unsent = SntpError::None;
    while (burst.Sent() < kBurstRequests) {
        const auto now = std::chrono::steady_clock::now();
        const std::optional<SntpResult>& best = burst.Best();
        if (now >= deadline || (best && deadline - now < TripOf(*best))) {
            break;
        }
        if (unsent = burst.Send(); unsent != SntpError::None) {
            break;  // no cookie left, no random bits, a send that failed: the replies so far serve
        }
        const Deadline until = best ? std::min(deadline, now + WaitAfterAnswer(*best))
                                    : now + (deadline - now) / (kBurstRequests - burst.Sent() + 1);
        heard = burst.Listen(until, cancel);
        if (heard == SntpBurst::Heard::Kissed || heard == SntpBurst::Heard::Failed) {
            break;
        }
    }
    dropped = burst.Dropped();
    lastDropped = burst.LastDropped();
    if (heard == SntpBurst::Heard::Failed && burst.FailedErrno() == 0) {
        return Fail(SntpError::Cancelled, ECANCELED);
    }
    if (burst.Best()) {
        result = *burst.Best();
        result.validReplies = burst.Answered();
        result.requestsSent = burst.Sent();
        return true;
    }
    if (unsent != SntpError::None) {
        return Fail(unsent, unsent == SntpError::Send ? burst.FailedErrno() : EPROTO);
    }
    return heard == SntpBurst::Heard::Failed ? WaitedInVain(SntpError::Receive, burst.FailedErrno())
                                             : WaitedInVain(SntpError::Timeout, ETIMEDOUT);
}

}  // namespace hodra
