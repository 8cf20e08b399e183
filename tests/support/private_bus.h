#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace hodra::test {

// A D-Bus daemon of the test's own, for the length of a test: a stand-in for the system
// or session bus, so that no test ever talks to the machine's real services.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    static bool Available(std::string* whyNot);
    bool Running() const { return !address.empty(); }
    const std::string& Address() const { return address; }

private:
    std::string directory;
    std::string address;
    pid_t pid = -1;
};

// A program of the tests that serves a fake bus service (a stand-in for timedated or the
// notification daemon), started on a private bus; it prints "ready" once its name is owned,
// and is stopped with the object.
class FakeBusService {
public:
    FakeBusService(const std::string& program, const std::vector<std::string>& args);
    ~FakeBusService();
    FakeBusService(const FakeBusService&) = delete;
    FakeBusService& operator=(const FakeBusService&) = delete;

    bool Ready() const { return ready; }
    // Tells the service something (fake_system_events: SIGUSR1, SIGUSR2).
    void Signal(int signal) const;

private:
    pid_t pid = -1;
    bool ready = false;
};

}  // namespace hodra::test
