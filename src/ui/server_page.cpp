#include "dialogs/control_ids.h"
#include "ui/server_page.h"

#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <chrono>
#include <sys/socket.h>

#include "time/exchanger.h"
#include "time/host_port.h"
#include "platform/web_browser.h"
#include "dialogs/notice.h"
#include "ui/ui_texts.h"

namespace hodra {
namespace {

constexpr int kResolveTimeoutMs = 700;

std::string HostOnly(const std::string& hostText) {
    const auto name = ParseServerName(hostText, 123);
    return name ? name->host : hostText;
}

}  // namespace

QString ServerPage::ServerText(int serverId, const std::string& host, const QString& address, bool authenticated) {
    switch (serverId) {
    case 0: return text::kNoServerYet;
    case 1:
    case 2:
        return QString(text::kServerText)
            .arg(QString::fromStdString(HostOnly(host)), address.isEmpty() ? QString(text::kNoAddress) : address,
                 authenticated ? QString(text::kAuthenticated) : QString());
    default: return text::kNoServer;
    }
}

QString ServerPage::ResolveWithTimeout(const std::string& host, int timeoutMs) {
    const Resolution found =
        ResolveAll(HostOnly(host), kNtpPort, SOCK_DGRAM, nullptr, std::chrono::milliseconds(timeoutMs));
    if (found.error != 0) {
        return {};
    }
    return QString::fromStdString(found.endpoints.front().AddressText());
}

ServerPage::ServerPage(int serverId, const Deployment& deployment, const LastServer& last,
                       const WebPageLauncher& launcher, QWidget* parent)
    : QWidget(parent), webPage(QString::fromStdString(deployment.webPage)), launcher(launcher) {
    const DialogTemplate t = LoadDialogTemplate(130);
    built = DialogBuilder(t).Build(this);
    setWindowTitle(t.caption);
    setMinimumSize(built.clientSize);

    const std::string& host = serverId == 2 ? deployment.secondaryHost : deployment.primaryHost;
    QString address;
    if (serverId == 1 || serverId == 2) {
        address =
            last.address.empty() ? ResolveWithTimeout(host, kResolveTimeoutMs) : QString::fromStdString(last.address);
    }
    text = ServerText(serverId, host, address, last.authenticated && !last.address.empty());
    built.Get<QPlainTextEdit>(dialog130::kServerText)->setPlainText(text);
    connect(built.Get<QPushButton>(dialog130::kWebPage), &QPushButton::clicked, this, &ServerPage::OpenWebPage);
}

void ServerPage::OpenWebPage() {
    // The answer may come after the sheet closed: then there is no page to tell it on.
    launcher.Open(webPage, [page = QPointer<ServerPage>(this)](bool opened) {
        if (!opened && page != nullptr) {
            ShowNotice(page, text::kNoBrowser);
        }
    });
}

}  // namespace hodra
