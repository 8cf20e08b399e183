#pragma once

#include <QDBusConnection>
#include <QObject>

class QSocketNotifier;

#include "time/platform/unique_fd.h"

namespace hodra {

// What the system says of the network and of sleep: the network came up (NetworkManager's
// State became connected; where NetworkManager is not on the bus, a route of the kernel's
// changed), or the machine resumed from suspend (logind's PrepareForSleep(false)).
class SystemEvents : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kConnectedGlobal = 70;  // NM_STATE_CONNECTED_GLOBAL

    explicit SystemEvents(QDBusConnection bus = QDBusConnection::systemBus(), QObject* parent = nullptr);
    ~SystemEvents() override;

    // Subscribes; asks the bus whether NetworkManager is there, so it waits for the first paint.
    void Start();
    bool watchingRoutes() const { return routes != nullptr; }

signals:
    void networkUp();
    void resumed();

private slots:
    void OnNetworkState(uint state);
    void OnPrepareForSleep(bool sleeping);

private:
    void WatchRoutes();
    void DrainRoutes();

    QDBusConnection bus;
    uint state = 0;
    UniqueFd routeSocket;
    QSocketNotifier* routes = nullptr;
};

}  // namespace hodra
