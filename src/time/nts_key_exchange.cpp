#include "time/nts_key_exchange.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "build_info.h"
#include "time/cancel_token.h"
#include "time/platform/gnutls_library.h"
#include "time/host_port.h"
#include "time/nts_records.h"
#include "time/platform/unique_fd.h"

namespace hodra::nts {
namespace {

using Deadline = std::chrono::steady_clock::time_point;

constexpr char kAlpn[] = "ntske/1";
constexpr char kExporterLabel[] = "EXPORTER-network-time-security";
constexpr char kTls13Only[] = "NORMAL:-VERS-ALL:+VERS-TLS1.3";
constexpr std::size_t kLongestAnswer = 64 * 1024;

// Loaded before anything here runs (RunKeyExchange checks).
const GnuTls& Tls() {
    return *LoadGnuTls();
}

struct CredentialsDeleter {
    void operator()(gnutls_certificate_credentials_st* c) const { Tls().gnutls_certificate_free_credentials(c); }
};
struct SessionDeleter {
    void operator()(gnutls_session_int* s) const { Tls().gnutls_deinit(s); }
};
using Credentials = std::unique_ptr<gnutls_certificate_credentials_st, CredentialsDeleter>;
using TlsSession = std::unique_ptr<gnutls_session_int, SessionDeleter>;

// Why a step failed; nothing when it went on.
using Failure = std::optional<KeyExchangeFailure>;

KeyExchangeFailure Because(KeyExchangeError why, int number = 0, std::string detail = {}) {
    return KeyExchangeFailure{why, number, std::move(detail), {}};
}

Failure WaitSocket(int fd, short events, Deadline deadline, const CancelToken* cancel) {
    const Readiness ready = WaitFor(fd, events, cancel, deadline);
    switch (ready.status) {
    case Readiness::Status::Ready: return std::nullopt;
    case Readiness::Status::Cancelled: return Because(KeyExchangeError::Cancelled);
    case Readiness::Status::TimedOut: return Because(KeyExchangeError::Timeout);
    case Readiness::Status::Failed: return Because(KeyExchangeError::System, ready.error);
    }
    return Because(KeyExchangeError::System, EIO);
}

Failure Connect(const Endpoint& to, Deadline deadline, const CancelToken* cancel, UniqueFd& out) {
    out.Reset(socket(to.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!out.Valid()) {
        return Because(KeyExchangeError::System, errno);
    }
    if (connect(out.Get(), reinterpret_cast<const sockaddr*>(&to.address), to.length) == 0) {
        return std::nullopt;
    }
    if (errno != EINPROGRESS) {
        return Because(KeyExchangeError::System, errno);
    }
    if (Failure waited = WaitSocket(out.Get(), POLLOUT, deadline, cancel)) {
        return waited;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(out.Get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) {
        return Because(KeyExchangeError::System, error != 0 ? error : errno);
    }
    return std::nullopt;
}

bool IsAddress(const std::string& host) {
    in6_addr any{};
    return inet_pton(AF_INET, host.c_str(), &any) == 1 || inet_pton(AF_INET6, host.c_str(), &any) == 1;
}

Failure LoadTrust(const Trust& trust, Credentials& out) {
    gnutls_certificate_credentials_t c = nullptr;
    if (Tls().gnutls_certificate_allocate_credentials(&c) != 0) {
        return Because(KeyExchangeError::NoCredentials);
    }
    out.reset(c);
    if (!trust.pem) {
        if (Tls().gnutls_certificate_set_x509_system_trust(c) > 0) {
            return std::nullopt;
        }
        return Because(KeyExchangeError::NoSystemTrust);
    }
    gnutls_datum_t pem{reinterpret_cast<unsigned char*>(const_cast<char*>(trust.pem->data())),
                       static_cast<unsigned>(trust.pem->size())};
    if (Tls().gnutls_certificate_set_x509_trust_mem(c, &pem, GNUTLS_X509_FMT_PEM) > 0) {
        return std::nullopt;
    }
    return Because(KeyExchangeError::EmptyTrustFile);
}

// A clock before the day this program was built is certainly wrong (a PC whose clock was
// reset): its certificate's validity period is not checked against that clock, since
// nothing could then repair it. The chain, the anchors, the name and the key usage still are.
bool ClockCertainlyWrong() {
    return std::time(nullptr) < static_cast<std::time_t>(kBuildEpochUnix);
}

Failure ConfigureSession(gnutls_session_t s, gnutls_certificate_credentials_t c, const std::string& host, int fd) {
    gnutls_datum_t alpn{reinterpret_cast<unsigned char*>(const_cast<char*>(kAlpn)), sizeof kAlpn - 1};
    if (Tls().gnutls_priority_set_direct(s, kTls13Only, nullptr) != 0 ||
        Tls().gnutls_credentials_set(s, GNUTLS_CRD_CERTIFICATE, c) != 0 ||
        Tls().gnutls_alpn_set_protocols(s, &alpn, 1, GNUTLS_ALPN_MANDATORY) != 0) {
        return Because(KeyExchangeError::SessionSetup);
    }
    if (!IsAddress(host)) {
        Tls().gnutls_server_name_set(s, GNUTLS_NAME_DNS, host.data(), host.size());
    }
    // The certificate must chain to the trusted ones and name the host.
    const unsigned timeChecks =
        ClockCertainlyWrong() ? GNUTLS_VERIFY_DISABLE_TIME_CHECKS | GNUTLS_VERIFY_DISABLE_TRUSTED_TIME_CHECKS : 0;
    Tls().gnutls_session_set_verify_cert(s, host.c_str(), timeChecks);
    Tls().gnutls_transport_set_int2(s, fd, fd);
    return std::nullopt;
}

// Runs a non-blocking TLS call to its end, waiting for the socket as it asks.
template <typename Call>
int Drive(gnutls_session_t s, int fd, Deadline deadline, const CancelToken* cancel, Failure& failure, Call call) {
    for (;;) {
        const int rc = call();
        if (rc != GNUTLS_E_AGAIN && rc != GNUTLS_E_INTERRUPTED) {
            return rc;
        }
        failure = WaitSocket(fd, Tls().gnutls_record_get_direction(s) == 1 ? POLLOUT : POLLIN, deadline, cancel);
        if (failure) {
            return rc;
        }
    }
}

KeyExchangeFailure HandshakeFailure(gnutls_session_t s, int rc) {
    if (rc != GNUTLS_E_CERTIFICATE_VERIFICATION_ERROR) {
        return Because(KeyExchangeError::Tls, rc, Tls().gnutls_strerror(rc));
    }
    gnutls_datum_t text{};
    const unsigned status = Tls().gnutls_session_get_verify_cert_status(s);
    std::string why;
    if (Tls().gnutls_certificate_verification_status_print(status, GNUTLS_CRT_X509, &text, 0) == 0) {
        why = reinterpret_cast<const char*>(text.data);
        (*Tls().free)(text.data);
    }
    return Because(KeyExchangeError::Untrusted, static_cast<int>(status), why);
}

// With the time checks left to a clock that is wrong, a certificate of the server's chain
// that expired before this program was built is still refused: that much is known for sure.
bool ExpiredBeforeBuild(gnutls_session_t s) {
    unsigned count = 0;
    const gnutls_datum_t* chain = Tls().gnutls_certificate_get_peers(s, &count);
    for (unsigned i = 0; chain != nullptr && i < count; ++i) {
        gnutls_x509_crt_t certificate = nullptr;
        if (Tls().gnutls_x509_crt_init(&certificate) != 0) {
            return true;
        }
        const bool read = Tls().gnutls_x509_crt_import(certificate, &chain[i], GNUTLS_X509_FMT_DER) == 0;
        const std::time_t expires = read ? Tls().gnutls_x509_crt_get_expiration_time(certificate) : 0;
        Tls().gnutls_x509_crt_deinit(certificate);
        if (!read || expires < static_cast<std::time_t>(kBuildEpochUnix)) {
            return true;
        }
    }
    return false;
}

std::optional<AesSivCmac256::Key> ExportKey(gnutls_session_t s, std::uint8_t direction) {
    const unsigned char context[5] = {0, kNextProtocolNtpv4, 0, kAeadAesSivCmac256, direction};
    AesSivCmac256::Key key{};
    if (Tls().gnutls_prf_rfc5705(s, sizeof kExporterLabel - 1, kExporterLabel, sizeof context,
                                 reinterpret_cast<const char*>(context), key.size(),
                                 reinterpret_cast<char*>(key.data())) != 0) {
        return std::nullopt;
    }
    return key;
}

// The exchange over one connected socket: the session, or why there is none.
KeyExchangeResult Exchange(const std::string& host, int fd, const Trust& trust, Deadline deadline,
                           const CancelToken* cancel) {
    KeyExchangeResult result;
    const auto fail = [&result](KeyExchangeFailure why) {
        result.failures.push_back(std::move(why));
        return result;
    };
    Credentials credentials;
    gnutls_session_t raw = nullptr;
    if (Failure trusted = LoadTrust(trust, credentials)) {
        return fail(*trusted);
    }
    // No session tickets: every run makes a fresh exchange and never resumes one.
    if (Tls().gnutls_init(&raw, GNUTLS_CLIENT | GNUTLS_NONBLOCK | GNUTLS_NO_TICKETS) != 0) {
        return fail(Because(KeyExchangeError::SessionMade));
    }
    const TlsSession session(raw);
    if (Failure configured = ConfigureSession(raw, credentials.get(), host, fd)) {
        return fail(*configured);
    }
    Failure waited;
    const int handshake = Drive(raw, fd, deadline, cancel, waited, [raw] { return Tls().gnutls_handshake(raw); });
    if (waited || handshake < 0) {
        return fail(waited ? *waited : HandshakeFailure(raw, handshake));
    }
    if (ClockCertainlyWrong() && ExpiredBeforeBuild(raw)) {
        return fail(Because(KeyExchangeError::ExpiredBeforeBuild));
    }
    gnutls_datum_t chosen{};
    if (Tls().gnutls_alpn_get_selected_protocol(raw, &chosen) != 0 || chosen.size != sizeof kAlpn - 1 ||
        std::memcmp(chosen.data, kAlpn, chosen.size) != 0) {
        return fail(Because(KeyExchangeError::NoAlpn));
    }
    const std::vector<std::uint8_t> request = EncodeKeyExchangeRequest();
    for (std::size_t sent = 0; sent < request.size();) {
        const auto n = Drive(raw, fd, deadline, cancel, waited, [&] {
            return static_cast<int>(Tls().gnutls_record_send(raw, request.data() + sent, request.size() - sent));
        });
        if (waited || n <= 0) {
            return fail(waited ? *waited : Because(KeyExchangeError::SendFailed));
        }
        sent += static_cast<std::size_t>(n);
    }
    std::vector<std::uint8_t> answer;
    for (;;) {
        std::uint8_t chunk[4096];
        const int n = Drive(raw, fd, deadline, cancel, waited,
                            [&] { return static_cast<int>(Tls().gnutls_record_recv(raw, chunk, sizeof chunk)); });
        if (waited || n <= 0) {
            return fail(waited ? *waited : Because(KeyExchangeError::CutShort));
        }
        answer.insert(answer.end(), chunk, chunk + n);
        KeyExchangeParse parse = ParseKeyExchangeAnswer(answer.data(), answer.size());
        if (parse.status == KeyExchangeParse::Status::Refused) {
            return fail(*parse.refusal);
        }
        if (parse.status == KeyExchangeParse::Status::Complete) {
            const auto toServer = ExportKey(raw, 0);
            const auto toClient = ExportKey(raw, 1);
            if (!toServer || !toClient) {
                return fail(Because(KeyExchangeError::NoKeys));
            }
            result.session = Session{*toServer, *toClient, std::move(parse.answer.cookies)};
            result.ntpServer = parse.answer.ntpServer.empty() ? host : parse.answer.ntpServer;
            result.ntpPort = parse.answer.ntpPort.value_or(123);
            (void)Tls().gnutls_bye(raw, GNUTLS_SHUT_WR);
            return result;
        }
        if (answer.size() > kLongestAnswer) {
            return fail(Because(KeyExchangeError::TooLong));
        }
    }
}

// Why the name gave no address to try.
KeyExchangeFailure LookupFailure(const Resolution& found) {
    if (found.error == EAI_CANCELED) {
        return Because(KeyExchangeError::Cancelled);
    }
    if (found.timedOut) {
        return Because(KeyExchangeError::LookupTimeout);
    }
    return Because(KeyExchangeError::LookupFailed, found.error, gai_strerror(found.error));
}

}  // namespace

bool PreloadTls() {
    return LoadGnuTls() != nullptr;
}

KeyExchangeResult RunKeyExchange(const std::string& host, std::uint16_t port, const Trust& trust, Deadline deadline,
                                 const CancelToken* cancel) {
    KeyExchangeResult result;
    if (LoadGnuTls() == nullptr) {
        result.failures.push_back(Because(KeyExchangeError::NoGnuTls));
        return result;
    }
    // The lookup spends the exchange's time too.
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const Resolution found = ResolveAll(host, port, SOCK_STREAM, cancel, left);
    if (found.error != 0) {
        result.failures.push_back(LookupFailure(found));
        return result;
    }
    // The addresses share the time left for their connection, each in turn, as the NTP
    // exchange's do: one that never answers, or refuses, leaves room for the next.
    std::vector<KeyExchangeFailure> failures;
    TakeTurns(found.endpoints, std::chrono::steady_clock::now(), deadline, [&](const Endpoint& to, Deadline until) {
        UniqueFd socket;
        if (Failure refused = Connect(to, until, cancel, socket)) {
            failures.push_back(*refused);
        } else {
            // Connected, TLS and the records take their round trips: the time left is theirs.
            result = Exchange(host, socket.Get(), trust, deadline, cancel);
            if (result.session) {
                return true;
            }
            failures.push_back(result.failures.back());
        }
        failures.back().address = to.AddressText();
        return cancel != nullptr && cancel->Cancelled();
    });
    if (!result.session) {
        result = KeyExchangeResult{};
        result.failures = std::move(failures);
    }
    return result;
}

}  // namespace hodra::nts
