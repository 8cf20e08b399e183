// A stand-in for systemd-timedated on a test's private bus: the two properties the program
// reads, and SetTime, which it records instead of setting any clock.
// usage: fake_timedated BUS_ADDRESS LOG [--ntp] [--synchronized] [--refuse ERROR_NAME]
// Each SetTime appends "SetTime USEC RELATIVE INTERACTIVE MAY_ASK" to LOG (flags as 0/1,
// MAY_ASK: the caller allowed interactive authorisation) before the answer goes out.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <cstdio>
#include <fstream>

#include "fake_bus_service.h"

class Timedate : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.timedate1")
    Q_PROPERTY(bool NTP READ ntp)
    Q_PROPERTY(bool NTPSynchronized READ synchronized)

public:
    Timedate(QDBusConnection bus, QString log, bool ntp, bool synchronized, QString refusal)
        : bus(std::move(bus)), log(std::move(log)), ntpOn(ntp), synced(synchronized), refusal(std::move(refusal)) {}

    bool ntp() const { return ntpOn; }
    bool synchronized() const { return synced; }

public slots:
    void SetTime(qlonglong usec, bool relative, bool interactive, const QDBusMessage& message) {
        {
            std::ofstream out(log.toStdString(), std::ios::app);
            out << "SetTime " << usec << ' ' << relative << ' ' << interactive << ' '
                << message.isInteractiveAuthorizationAllowed() << '\n';
        }
        if (!refusal.isEmpty()) {
            message.setDelayedReply(true);
            bus.send(message.createErrorReply(refusal, QStringLiteral("refused by the test")));
        }
    }

private:
    QDBusConnection bus;
    QString log;
    bool ntpOn;
    bool synced;
    QString refusal;
};

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: fake_timedated BUS_ADDRESS LOG [--ntp] [--synchronized] [--refuse NAME]\n");
        return 2;
    }
    const int refuseAt = args.indexOf("--refuse");
    const QString refusal = refuseAt > 0 && refuseAt + 1 < args.size() ? args[refuseAt + 1] : QString();
    QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("fake"));
    Timedate service(bus, args[2], args.contains("--ntp"), args.contains("--synchronized"), refusal);
    return hodra::test::Serve(bus, service, "/org/freedesktop/timedate1", "org.freedesktop.timedate1");
}

#include "fake_timedated.moc"
