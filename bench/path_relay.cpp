// A delaying, dropping UDP relay on loopback for bench/path_accuracy: the kernel here has
// no netem, so this stands in for a network path between the clients and a server.
// Prints the port it listens on, then relays until SIGTERM or SIGINT, and prints on
// standard error how many datagrams it forwarded and dropped each way.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "udp_relay.h"

namespace {

volatile std::sig_atomic_t stop = 0;

void Stop(int) {
    stop = 1;
}

// The stop signals stay blocked but while the relay waits, so none slips in between its
// check of the flag and the wait.
sigset_t CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = Stop;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigset_t blocked, during_wait;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    sigaddset(&blocked, SIGINT);
    sigprocmask(SIG_BLOCK, &blocked, &during_wait);
    sigdelset(&during_wait, SIGTERM);
    sigdelset(&during_wait, SIGINT);
    return during_wait;
}

}  // namespace

int main(int argc, char** argv) {
    using hodra::bench::Direction;
    const auto out = argc == 6 ? hodra::bench::ParsePathShape(argv[4]) : std::nullopt;
    const auto back = argc == 6 ? hodra::bench::ParsePathShape(argv[5]) : std::nullopt;
    if (!out || !back) {
        std::fprintf(stderr,
                     "usage: path_relay LISTEN_PORT TARGET_PORT SEED OUT BACK\n"
                     "  OUT, BACK: none | normal:MEAN:SD | queue:CONSTANT:MEAN (ms), then optionally ,loss:PERCENT\n"
                     "  LISTEN_PORT 0 takes a free port; the port is printed on standard output\n");
        return 2;
    }
    const std::uint64_t seed = std::strtoull(argv[3], nullptr, 10);
    // Each direction has a stream of its own, so its k-th datagram's fate does not depend
    // on how the other direction's datagrams interleaved with it.
    hodra::bench::UdpRelay relay(std::atoi(argv[2]), hodra::bench::PathDraw(*out, seed * 2),
                                 hodra::bench::PathDraw(*back, seed * 2 + 1));
    std::string error;
    if (!relay.Open(std::atoi(argv[1]), error)) {
        std::fprintf(stderr, "path_relay: 127.0.0.1:%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    const sigset_t wake = CatchStopSignals();
    std::printf("%d\n", relay.Port());
    std::fflush(stdout);
    relay.Run(stop, wake);
    const auto& tally = relay.Tally();
    const int o = static_cast<int>(Direction::kOut), b = static_cast<int>(Direction::kBack);
    std::fprintf(stderr, "path_relay: out %lu forwarded %lu dropped, back %lu forwarded %lu dropped\n",
                 tally.forwarded[o], tally.dropped[o], tally.forwarded[b], tally.dropped[b]);
    return 0;
}
