// A delaying UDP relay on loopback: clients send to its port, it forwards each datagram to
// the server's port and each reply back, every one held for its direction's delay or
// dropped. Each client gets an upstream socket of its own, so that the server's replies
// find their client; replies leave from the port the client sent to, as a connected client
// socket requires.
#pragma once

#include <csignal>
#include <cstdint>
#include <map>
#include <netinet/in.h>
#include <string>
#include <time.h>
#include <vector>

#include "delay_queue.h"
#include "path_shape.h"

namespace hodra::bench {

struct RelayTally {
    unsigned long forwarded[2] = {};  // by Direction
    unsigned long dropped[2] = {};
};

class UdpRelay {
public:
    UdpRelay(int target_port, PathDraw out, PathDraw back);
    ~UdpRelay();
    UdpRelay(const UdpRelay&) = delete;
    UdpRelay& operator=(const UdpRelay&) = delete;

    // Binds 127.0.0.1:listen_port (0: a free port, see Port()).
    bool Open(int listen_port, std::string& error);
    int Port() const { return port_; }
    // Relays until stop is set; wake is the signal mask while it waits, which lets the
    // stop signals in.
    void Run(const volatile std::sig_atomic_t& stop, const sigset_t& wake);
    const RelayTally& Tally() const { return tally_; }

private:
    struct Flow {
        sockaddr_in client{};
        int upstream = -1;
        Clock::time_point last_used;
    };

    const timespec* Timeout();
    void ReadClients();
    void ReadServer(std::uint64_t key);
    void Take(Direction direction, std::uint64_t key, Clock::time_point arrived, const unsigned char* data, long size);
    void SendDue();
    Flow* FlowFor(const sockaddr_in& client, Clock::time_point now);
    bool AddSpare();
    void ForgetIdleFlows(Clock::time_point now);

    int target_port_;
    PathDraw draws_[2];
    int listen_ = -1;
    int port_ = 0;
    std::map<std::uint64_t, Flow> flows_;
    std::vector<int> spare_;  // upstream sockets connected ahead of the clients that take them
    DelayQueue queue_;
    RelayTally tally_;
    timespec timeout_{};
};

}  // namespace hodra::bench
