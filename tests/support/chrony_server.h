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
    // fakeOffset like "+5.25s" or "-12.345s", or a start time like "@2036-02-07 06:28:20";
    // empty for the true clock.
    explicit ChronyServer(const std::string& fakeOffset = "");
    ~ChronyServer();
    ChronyServer(const ChronyServer&) = delete;
    ChronyServer& operator=(const ChronyServer&) = delete;

    // chronyd, unshare and (when asked for) libfaketime are all present.
    static bool Available(const std::string& fakeOffset, std::string* whyNot);
    bool Running() const { return pid > 0; }
    std::uint16_t Port() const { return port; }
    std::string Address() const { return "127.0.0.1:" + std::to_string(port); }
    const std::string& Failure() const { return failure; }
    // The offset chronyd -Q, the reference client, measures against this server (server
    // minus our clock, seconds); nothing when it measured nothing.
    std::optional<double> ReferenceOffset() const;

private:
    bool WaitUntilAnswering();

    std::string directory;
    std::uint16_t port = 0;
    pid_t pid = -1;
    std::string failure;
};

std::string FindFakeTimeLibrary();
std::uint16_t FreeUdpPort();

}  // namespace hodra::test
