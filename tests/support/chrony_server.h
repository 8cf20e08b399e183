#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

namespace hodra::test {

// A real NTP server for tests: chronyd on a loopback port, never steering the clock
// (-x, and inside a user namespace where it could not anyway). With a fake offset it
// runs under libfaketime and serves a clock that far ahead (or behind).
class ChronyServer {
public:
    struct Options {
        // Like "+5.25s" or "-12.345s", or a start time like "@2036-02-07 06:28:20"; empty
        // for the true clock.
        std::string fakeOffset;
        std::string bindAddress = "127.0.0.1";  // or "::1"
        std::string alsoBindAddress{};          // the other family's loopback too: one dual-stack server
        std::string extraConfig{};              // more lines of chrony.conf (a ratelimit, say)
        std::uint16_t port = 0;                 // 0: a free one
        // With a certificate and its key (PEM files), NTS-KE on NtsPort() as well.
        std::string ntsCertificate{};
        std::string ntsKey{};
        std::string ntsNtpServer{};  // the NTP server its key exchange names (else its own)
    };

    explicit ChronyServer(const std::string& fakeOffset = "") : ChronyServer(Options{fakeOffset}) {}
    explicit ChronyServer(const Options& options);
    ~ChronyServer();
    ChronyServer(const ChronyServer&) = delete;
    ChronyServer& operator=(const ChronyServer&) = delete;

    // chronyd, unshare and (when asked for) libfaketime are all present.
    static bool Available(const std::string& fakeOffset, std::string* whyNot);
    bool Running() const { return pid > 0; }
    std::uint16_t Port() const { return port; }
    std::uint16_t NtsPort() const { return ntsPort; }
    std::string Address() const;
    // "nts://localhost:PORT", the way a deployment names this server's key exchange.
    std::string NtsAddress() const { return "nts://localhost:" + std::to_string(ntsPort); }
    const std::string& Failure() const { return failure; }
    // The offset chronyd -Q, the reference client, measures against this server (server
    // minus our clock, seconds); nothing when it measured nothing.
    std::optional<double> ReferenceOffset() const;
    // The same through NTS, trusting the certificate in trustFile.
    std::optional<double> ReferenceNtsOffset(const std::string& trustFile) const;

private:
    bool WaitUntilAnswering();

    std::optional<double> QueryReference(const std::string& source, const std::string& extra) const;

    Options options;
    std::string directory;
    std::uint16_t port = 0;
    std::uint16_t ntsPort = 0;
    pid_t pid = -1;
    std::string failure;
};

std::string FindFakeTimeLibrary();
std::uint16_t FreeUdpPort();
std::uint16_t FreeTcpPort();

// A self-signed certificate and key (PEM) for a DNS name, made with openssl in dir:
// "<stem>.crt" and "<stem>.key". With expired set it was valid for a day in 2020 only.
// False when openssl is missing or failed.
bool MakeCertificate(const std::string& dir, const std::string& stem, const std::string& name, bool expired = false);

}  // namespace hodra::test
