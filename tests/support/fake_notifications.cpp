// A stand-in for the desktop's notification daemon on a test's private bus: Notify records
// each notification and answers with its id (the one it replaces, or a new one).
// usage: fake_notifications BUS_ADDRESS LOG
// Each Notify appends "Notify REPLACES ICON SUMMARY|BODY -> ID" to LOG before answering.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>
#include <fstream>

#include "fake_bus_service.h"

class Notifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit Notifications(QString log) : log(std::move(log)) {}

public slots:
    uint Notify(const QString&, uint replaces, const QString& icon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        const uint id = replaces != 0 ? replaces : ++last;
        std::ofstream out(log.toStdString(), std::ios::app);
        out << "Notify " << replaces << ' ' << icon.toStdString() << ' ' << summary.toStdString() << '|'
            << body.toStdString() << " -> " << id << '\n';
        return id;
    }
    QStringList GetCapabilities() { return {QStringLiteral("body")}; }

private:
    QString log;
    uint last = 40;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: fake_notifications BUS_ADDRESS LOG\n");
        return 2;
    }
    QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("fake"));
    Notifications service(args[2]);
    return hodra::test::Serve(bus, service, "/org/freedesktop/Notifications", "org.freedesktop.Notifications");
}

#include "fake_notifications.moc"
