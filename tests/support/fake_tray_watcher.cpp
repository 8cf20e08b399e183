// A stand-in for a panel's StatusNotifierWatcher on a test's private session bus: the tray
// of Wayland desktops. It says a host is there and records each item that registers.
// usage: fake_tray_watcher BUS_ADDRESS LOG
// Each RegisterStatusNotifierItem appends "item SERVICE" to LOG.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <cstdio>
#include <fstream>

#include "fake_bus_service.h"

class Watcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)

public:
    explicit Watcher(QString log) : log(std::move(log)) {}
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return registered; }

public slots:
    void RegisterStatusNotifierItem(const QString& service, const QDBusMessage& message) {
        // An item may give its object path instead of its bus name.
        const QString name = service.startsWith('/') ? message.service() : service;
        registered << name;
        std::ofstream(log.toStdString(), std::ios::app) << "item " << name.toStdString() << '\n';
    }
    void RegisterStatusNotifierHost(const QString&) {}

private:
    QString log;
    QStringList registered;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: fake_tray_watcher BUS_ADDRESS LOG\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("fake"));
    Watcher watcher(args[2]);
    return hodra::test::Serve(bus, watcher, "/StatusNotifierWatcher", "org.kde.StatusNotifierWatcher");
}

#include "fake_tray_watcher.moc"
