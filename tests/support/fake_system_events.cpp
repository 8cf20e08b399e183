// Stand-ins for NetworkManager and logind on a test's private system bus: they only say
// what the program listens for, when the test tells them to.
// usage: fake_system_events BUS_ADDRESS
// SIGUSR1: NetworkManager's State becomes connected (StateChanged 70).
// SIGUSR2: logind says the machine resumed (PrepareForSleep false, after true).
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

int wakePipe[2] = {-1, -1};

void Forward(int signal) {
    const char which = static_cast<char>(signal);
    (void)!write(wakePipe[1], &which, 1);
}

void Emit(QDBusConnection& bus, const char* path, const char* interface, const char* name, const QVariant& value) {
    QDBusMessage signal = QDBusMessage::createSignal(path, interface, name);
    signal << value;
    bus.send(signal);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2 || pipe(wakePipe) != 0) {
        std::fprintf(stderr, "usage: fake_system_events BUS_ADDRESS\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(argv[1], QStringLiteral("fake"));
    if (!bus.isConnected() || !bus.registerService("org.freedesktop.NetworkManager") ||
        !bus.registerService("org.freedesktop.login1")) {
        std::fprintf(stderr, "fake_system_events: cannot serve\n");
        return 1;
    }
    std::signal(SIGUSR1, Forward);
    std::signal(SIGUSR2, Forward);
    QSocketNotifier told(wakePipe[0], QSocketNotifier::Read);
    QObject::connect(&told, &QSocketNotifier::activated, [&bus] {
        char which = 0;
        if (read(wakePipe[0], &which, 1) != 1) {
            return;
        }
        if (which == SIGUSR1) {
            Emit(bus, "/org/freedesktop/NetworkManager", "org.freedesktop.NetworkManager", "StateChanged", 20u);
            Emit(bus, "/org/freedesktop/NetworkManager", "org.freedesktop.NetworkManager", "StateChanged", 70u);
        } else {
            Emit(bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", true);
            Emit(bus, "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "PrepareForSleep", false);
        }
    });
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}
