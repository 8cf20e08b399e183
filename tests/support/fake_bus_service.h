#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <cstdio>

namespace hodra::test {

// The end of every fake bus service's main: its object at path under name on the bus,
// "ready" once the name is owned (FakeBusService waits for that line), then the event loop.
inline int Serve(QDBusConnection& bus, QObject& service, const char* path, const char* name) {
    if (!bus.isConnected() ||
        !bus.registerObject(QString::fromLatin1(path), &service,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QString::fromLatin1(name))) {
        std::fprintf(stderr, "%s: cannot serve\n", name);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return QCoreApplication::exec();
}

}  // namespace hodra::test
