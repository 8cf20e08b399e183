#include "platform/system_events.h"

#include <QDBusConnectionInterface>
#include <QSocketNotifier>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace hodra {
namespace {

constexpr char kNetworkManager[] = "org.freedesktop.NetworkManager";
constexpr char kNetworkManagerPath[] = "/org/freedesktop/NetworkManager";
constexpr char kLogin[] = "org.freedesktop.login1";
constexpr char kLoginPath[] = "/org/freedesktop/login1";
constexpr char kLoginManager[] = "org.freedesktop.login1.Manager";

}  // namespace

SystemEvents::SystemEvents(QDBusConnection bus, QObject* parent) : QObject(parent), bus(std::move(bus)) {}

// The notifier goes before the socket it watches.
SystemEvents::~SystemEvents() {
    delete routes;
}

void SystemEvents::Start() {
    if (bus.isConnected()) {
        bus.connect(kLogin, kLoginPath, kLoginManager, "PrepareForSleep", this, SLOT(OnPrepareForSleep(bool)));
        if (bus.interface()->isServiceRegistered(kNetworkManager)) {
            bus.connect(kNetworkManager, kNetworkManagerPath, kNetworkManager, "StateChanged", this,
                        SLOT(OnNetworkState(uint)));
            return;
        }
    }
    WatchRoutes();
}

void SystemEvents::OnNetworkState(uint now) {
    const bool cameUp = now == kConnectedGlobal && state != kConnectedGlobal;
    state = now;
    if (cameUp) {
        emit networkUp();
    }
}

void SystemEvents::OnPrepareForSleep(bool sleeping) {
    if (!sleeping) {
        emit resumed();
    }
}

// Without NetworkManager the kernel's routing table tells: a new default route or address
// is what a network coming up looks like. Anything else that changes routes is only a
// reason to look whether a try is pending.
void SystemEvents::WatchRoutes() {
    routeSocket.Reset(socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE));
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_IPV4_IFADDR | RTMGRP_IPV6_IFADDR;
    if (!routeSocket.Valid() || bind(routeSocket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        routeSocket.Reset();
        return;
    }
    routes = new QSocketNotifier(routeSocket.Get(), QSocketNotifier::Read, this);
    connect(routes, &QSocketNotifier::activated, this, &SystemEvents::DrainRoutes);
}

void SystemEvents::DrainRoutes() {
    bool added = false;
    alignas(nlmsghdr) char buffer[8192];
    for (ssize_t n; (n = recv(routeSocket.Get(), buffer, sizeof buffer, 0)) > 0;) {
        for (auto* h = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(h, static_cast<unsigned>(n));
             h = NLMSG_NEXT(h, n)) {
            added = added || h->nlmsg_type == RTM_NEWROUTE || h->nlmsg_type == RTM_NEWADDR;
        }
    }
    if (added) {
        emit networkUp();
    }
}

}  // namespace hodra
