#include "platform/termination_hold.h"

#include <csignal>
#include <cstdio>

namespace hodra {
namespace {

sigset_t Endings() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void TerminationHold::Begin() {
    const sigset_t endings = Endings();
    held = sigprocmask(SIG_BLOCK, &endings, nullptr) == 0;
}

TerminationHold::~TerminationHold() {
    if (held) {
        std::fflush(stdout);
        const sigset_t endings = Endings();
        sigprocmask(SIG_UNBLOCK, &endings, nullptr);
    }
}

}  // namespace hodra
