#pragma once

#include <QWidget>
#include <functional>
#include <string>

#include "deployment.h"
#include "dialog_builder.h"

namespace hodra {

class WebPageLauncher;

// Dialog 130 "접속서버": which server answered last, and the button that opens
// the service's web page.
class ServerPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIdServerText = 1006;
    static constexpr int kIdWebPage = 1013;

    // lastAddress: the IPv4 address the last run reached ("" when none ran).
    ServerPage(int serverId, const Deployment& deployment, const std::string& lastAddress,
               const WebPageLauncher& launcher, QWidget* parent = nullptr);

    QString serverText() const { return text; }
    QSize templateSize() const { return built.clientSize; }
    QWidget* control(int id) const { return built.controls.value(id); }

    static QString ServerText(int serverId, const std::string& host, const QString& address);
    // The host's IPv4 address, waiting for the resolver at most timeoutMs.
    static QString ResolveWithTimeout(const std::string& host, int timeoutMs);

    void OpenWebPage();

private:
    BuiltDialog built;
    QString text;
    QString webPage;
    const WebPageLauncher& launcher;
};

}  // namespace hodra
