#include "app/signal_exit.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace hodra {
namespace {

int pipeEnds[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    (void)!write(pipeEnds[0], &byte, 1);
}

}  // namespace

SignalExit::SignalExit(QObject* parent) : QObject(parent) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        return;
    }
    notifier = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        char byte = 0;
        (void)!read(pipeEnds[1], &byte, 1);
        emit requested();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A session that ends, or the terminal that started us closing, ends the program as a
    // close does: the last synchronisation is saved first.
    for (const int ending : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(ending, &action, nullptr);
    }
}

SignalExit::~SignalExit() {
    for (const int ending : {SIGTERM, SIGINT, SIGHUP}) {
        signal(ending, SIG_DFL);
    }
}

}  // namespace hodra
