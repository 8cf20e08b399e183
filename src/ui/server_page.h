#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "settings/deployment.h"
#include "dialogs/dialog_builder.h"

namespace hodra {

class WebPageLauncher;

// The server that answered the last run, as the server page shows it.
struct LastServer {
    std::string address;         // "" when no run reached a server
    bool authenticated = false;  // it answered with NTS
};

// Dialog 130 "접속서버": which server answered last, and the button that opens
// the service's web page.
class ServerPage : public QWidget {
    Q_OBJECT
public:
    ServerPage(int serverId, const Deployment& deployment, const LastServer& last, const WebPageLauncher& launcher,
               QWidget* parent = nullptr);

    QString serverText() const { return text; }
    QSize templateSize() const { return built.clientSize; }
    QWidget* control(int id) const { return built.controls.value(id); }

    static QString ServerText(int serverId, const std::string& host, const QString& address,
                              bool authenticated = false);
    // The host's first address, waiting for the resolver at most timeoutMs.
    static QString ResolveWithTimeout(const std::string& host, int timeoutMs);

    void OpenWebPage();

private:
    BuiltDialog built;
    QString text;
    QString webPage;
    const WebPageLauncher& launcher;
};

}  // namespace hodra
