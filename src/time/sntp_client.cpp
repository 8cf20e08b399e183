#include "time/sntp_client.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <optional>

#include "build_info.h"
#include "time/cancel_token.h"
#include "time/host_port.h"
#include "time/nts_authenticator.h"
#include "time/sntp_burst.h"
#include "time/time_texts.h"
#include "time/platform/udp_socket.h"

namespace hodra {

SntpClient::SntpClient() : SntpClient(kReplyTimeout) {}

SntpClient::SntpClient(std::chrono::milliseconds replyTimeout)
    : timeout(replyTimeout), notBeforeUnix(static_cast<std::time_t>(kBuildEpochUnix)) {}

namespace {

ExchangeResult Failed(SntpError kind, int error, std::string detail = {}) {
    ExchangeResult r;
    r.failure = SntpFailure{kind, error, std::move(detail), 0, {}, {}};
    return r;
}

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

// The wait ended without a usable reply: what was dropped on the way says more than the end.
ExchangeResult NoUsableReply(const SntpBurst& burst, SntpError why, int error) {
    if (burst.Dropped() == 0) {
        return Failed(why, error);
    }
    ExchangeResult r = Failed(burst.LastDropped(), EPROTO);
    r.failure.dropped = burst.Dropped();
    return r;
}

}  // namespace

std::string DescribeFailure(const ExchangeResult& result) {
    if (result.addressFailures.size() <= 1) {
        return Describe(result.failure);
    }
    std::vector<std::string> each;
    for (const SntpFailure& f : result.addressFailures) {
        each.push_back(f.address + ": " + Describe(f));
    }
    return NameFailures(each);
}

ExchangeResult SntpClient::Exchange(const std::string& hostText, std::uint16_t port, const CancelToken* cancel,
                                    const AnsweredBy* avoid) {
    const auto server = ParseServerName(hostText, port);
    if (!server) {
        return Failed(SntpError::BadHost, EINVAL);
    }
    if (server->nts) {
        return ExchangeNts(server->host, server->port, cancel, avoid);
    }
    return AskEachAddress(server->host, server->port, cancel, avoid, nullptr);
}

// A fresh key exchange every time: the program asks seldom, and keeps no cookie. Whatever
// fails here fails the host; it is never asked without authentication instead.
ExchangeResult SntpClient::ExchangeNts(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                                       const AnsweredBy* avoid) {
    nts::KeyExchangeResult keys =
        nts::RunKeyExchange(host, port, ntsTrust, std::chrono::steady_clock::now() + nts::kKeyExchangeTimeout, cancel);
    if (cancel != nullptr && cancel->Cancelled()) {
        return Failed(SntpError::Cancelled, ECANCELED);
    }
    if (!keys.session) {
        ExchangeResult r = Failed(SntpError::NtsKeyExchange, EPROTO);
        r.failure.keyExchange = std::move(keys.failures);
        return r;
    }
    nts::Authenticator authenticator(std::move(*keys.session));
    ExchangeResult r = AskEachAddress(keys.ntpServer, keys.ntpPort, cancel, avoid, &authenticator);
    if (r.reply) {
        r.reply->authenticated = true;
    }
    return r;
}

ExchangeResult SntpClient::AskEachAddress(const std::string& host, std::uint16_t port, const CancelToken* cancel,
                                          const AnsweredBy* avoid, nts::Authenticator* auth) {
    // The host's time starts with its lookup: a slow resolver spends it too.
    const auto start = std::chrono::steady_clock::now();
    const Resolution found = ResolveAll(host, port, SOCK_DGRAM, cancel, timeout);
    if (found.error == EAI_CANCELED) {
        return Failed(SntpError::Cancelled, ECANCELED);
    }
    if (found.timedOut) {
        return Failed(SntpError::LookupTimeout, ETIMEDOUT);
    }
    if (found.error != 0) {
        return Failed(SntpError::LookupFailed, EHOSTUNREACH, gai_strerror(found.error));
    }
    std::vector<Endpoint> addresses;
    for (const Endpoint& e : found.endpoints) {
        if (avoid == nullptr || CanonicalAddress(e.AddressText()) != CanonicalAddress(avoid->address) ||
            e.Port() != avoid->port) {
            addresses.push_back(e);
        }
    }
    if (addresses.empty()) {
        return Failed(SntpError::NoOtherAddress, EADDRNOTAVAIL);
    }
    ExchangeResult all;
    TakeTurns(addresses, std::chrono::steady_clock::now(), start + timeout, [&](const Endpoint& to, Deadline until) {
        UdpSocket socket;
        ExchangeResult one;
        if (const int refused = socket.Create(to.Family()); refused != 0) {
            one = Failed(SntpError::Socket, refused);
        } else if (const int unreachable = socket.Connect(to); unreachable != 0) {
            one = Failed(SntpError::Connect, unreachable);
        } else if (one = Ask(socket, until, cancel, auth); one) {
            one.reply->serverAddress = to.AddressText();
            one.reply->serverPort = to.Port();
            all = std::move(one);
            return true;
        }
        all.failure = one.failure;
        if (one.failure.kind == SntpError::Cancelled) {
            return true;
        }
        all.addressFailures.push_back(one.failure);
        all.addressFailures.back().address = to.AddressText();
        return false;
    });
    return all;
}

// A short burst to one address: up to kBurstRequests requests, the next one as soon as
// the last is answered or a short silence ends. Before any answer the requests share the
// address's time equally (a lost datagram costs one share, not the host); after one, the
// next waits a few of the best round trip. No wait buys nothing: the burst ends once its
// last request is answered, or when too little time is left to hear another reply.
ExchangeResult SntpClient::Ask(UdpSocket& socket, Deadline deadline, const CancelToken* cancel,
                               nts::Authenticator* auth) {
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
    if (heard == SntpBurst::Heard::Failed && burst.FailedErrno() == 0) {
        return Failed(SntpError::Cancelled, ECANCELED);
    }
    if (burst.Best()) {
        ExchangeResult r;
        r.reply = *burst.Best();
        r.reply->validReplies = burst.Answered();
        r.reply->requestsSent = burst.Sent();
        return r;
    }
    if (unsent != SntpError::None) {
        return Failed(unsent, unsent == SntpError::Send ? burst.FailedErrno() : EPROTO);
    }
    return heard == SntpBurst::Heard::Failed ? NoUsableReply(burst, SntpError::Receive, burst.FailedErrno())
                                             : NoUsableReply(burst, SntpError::Timeout, ETIMEDOUT);
}

}  // namespace hodra
