#include "time/platform/quiet_thread.h"

#include <csignal>
#include <pthread.h>

namespace hodra {

std::thread StartQuietThread(std::function<void()> work) {
    // The new thread inherits the mask in force when it is made. Faults stay deliverable:
    // blocking them would only hide a crash.
    sigset_t quiet;
    sigfillset(&quiet);
    for (const int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGABRT}) {
        sigdelset(&quiet, fault);
    }
    sigset_t before;
    pthread_sigmask(SIG_BLOCK, &quiet, &before);
    try {
        std::thread thread(std::move(work));
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return thread;
    } catch (...) {
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        throw;
    }
}

}  // namespace hodra
