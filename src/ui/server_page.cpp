#include "server_page.h"

#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <arpa/inet.h>
#include <chrono>

#include "host_port.h"
#include "web_browser.h"

namespace hodra {
namespace {

constexpr int kResolveTimeoutMs = 700;

std::string HostOnly(const std::string& hostText) {
    const auto split = SplitHostPort(hostText, 123);
    return split ? split->host : hostText;
}


}  // namespace

QString ServerPage::ServerText(int serverId, const std::string& host, const QString& address) {
    switch (serverId) {
    case 0:
        return QStringLiteral("접속된 서버가 없습니다");
    case 1:
    case 2:
        return QStringLiteral("Velmar 표준시 서버\r\n%1\r\n(%2)")
            .arg(QString::fromStdString(HostOnly(host)), address.isEmpty() ? QStringLiteral("주소 확인 불가") : address);
    default:
        return QStringLiteral("표준시 서버에 접속할 수 없습니다");
    }
}

QString ServerPage::ResolveWithTimeout(const std::string& host, int timeoutMs) {
    in_addr address{};
    if (ResolveIpv4(HostOnly(host), address, nullptr, std::chrono::milliseconds(timeoutMs)) != 0) {
        return {};
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return QString::fromLatin1(text);
}

ServerPage::ServerPage(int serverId, const Deployment& deployment, const std::string& lastAddress,
                       const WebPageLauncher& launcher, QWidget* parent)
    : QWidget(parent), webPage(QString::fromStdString(deployment.webPage)), launcher(launcher) {
    const DialogTemplate t = LoadDialogTemplate(130);
    built = DialogBuilder(t).Build(this);
    setWindowTitle(t.caption);
    setMinimumSize(built.clientSize);

    const std::string& host = serverId == 2 ? deployment.secondaryHost : deployment.primaryHost;
    QString address;
    if (serverId == 1 || serverId == 2) {
        address = lastAddress.empty() ? ResolveWithTimeout(host, kResolveTimeoutMs) : QString::fromStdString(lastAddress);
    }
    text = ServerText(serverId, host, address);
    built.get<QPlainTextEdit>(kIdServerText)->setPlainText(text);
    connect(built.get<QPushButton>(kIdWebPage), &QPushButton::clicked, this, &ServerPage::OpenWebPage);
}

void ServerPage::OpenWebPage() {
    if (launcher.Open(webPage)) {
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Hodra2"), QStringLiteral("웹브라우저를 실행할 수 없습니다"),
                    QMessageBox::NoButton, this);
    box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole);
    box.exec();
}

}  // namespace hodra
