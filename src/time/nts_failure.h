#pragma once

#include <string>
#include <vector>

namespace hodra::nts {

// Why an NTS key exchange gave no session.
enum class KeyExchangeError {
    NoGnuTls,            // the TLS library could not be loaded
    LookupFailed,        // the name did not resolve (detail: the resolver's text)
    LookupTimeout,       // the name was still being looked up when the time was up
    Cancelled,           // the run was cancelled
    Timeout,             // the deadline passed
    System,              // a socket call failed (number: errno)
    NoCredentials,       // no TLS credentials could be made
    NoSystemTrust,       // the system's trust store holds no certificate
    EmptyTrustFile,      // the trust file holds no certificate
    SessionMade,         // no TLS session could be made
    SessionSetup,        // the TLS session could not be set up
    Tls,                 // the handshake failed (detail: the TLS library's text)
    Untrusted,           // the certificate did not verify (detail: why, as the library tells it)
    ExpiredBeforeBuild,  // a certificate expired before this program was built
    NoAlpn,              // the server did not choose ntske/1
    SendFailed,          // the request could not be sent
    CutShort,            // the connection ended before the answer did
    TooLong,             // the answer grew past what any server sends
    NoKeys,              // the keys could not be exported
    // What was wrong with the server's records.
    BadEnd,           // an end of message record with a body
    NothingChosen,    // the end came before a protocol and an algorithm were chosen
    NoCookie,         // the answer held no cookie
    NoNtpv4,          // a next protocol record other than NTPv4 alone, or a second one
    ServerError,      // an error record (number: its code, -1 when it had none)
    ServerWarning,    // a warning record (number: its code, -1 when it had none)
    NoAesSiv,         // an AEAD record other than AES-SIV-CMAC-256 alone, or a second one
    EmptyCookie,      // a cookie record without a cookie
    BadServer,        // a malformed or second NTP server record
    BadPort,          // a malformed or second NTP port record, or port 0
    UnknownCritical,  // a critical record of a type we do not know (number: the type)
};

struct KeyExchangeFailure {
    KeyExchangeError kind;
    int number = 0;       // errno, or the server's code or record type (see the kinds)
    std::string detail;   // the resolver's or the TLS library's own text
    std::string address;  // the address it happened with; empty before any was tried
};

// The failure in Korean, for diagnostics on stderr.
std::string Describe(const KeyExchangeFailure& failure);
// All of them: each address with its failure, the first few named.
std::string Describe(const std::vector<KeyExchangeFailure>& failures);

}  // namespace hodra::nts
