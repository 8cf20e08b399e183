#include "platform/termination_hold.h"

#include <csignal>
#include <cstdio>

namespace hodra {
namespace {

sigset_t TerminationSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void TerminationHold::Begin() {
    const sigset_t signals = TerminationSignals();
    held = sigprocmask(SIG_BLOCK, &signals, nullptr) == 0;
}

TerminationHold::~TerminationHold() {
    if (held) {
        std::fflush(stdout);
        const sigset_t signals = TerminationSignals();
        sigprocmask(SIG_UNBLOCK, &signals, nullptr);
    }
}

}  // namespace hodra
