#pragma once

#include <QDialog>
#include <string>

#include "settings/deployment.h"
#include "ui/server_page.h"
#include "settings/settings.h"

class QTabWidget;

namespace hodra {

class EnvPage;
class WebPageLauncher;

// The settings sheet "설정": the environment page, then the server page, with "확인" and "취소".
// OK keeps the sheet open while the environment page refuses its values.
class SettingsSheet : public QDialog {
    Q_OBJECT
public:
    SettingsSheet(Settings& settings, const Deployment& deployment, const LastServer& last,
                  const WebPageLauncher& launcher, QWidget* parent = nullptr);

    EnvPage& envPage() const { return *env; }
    ServerPage& serverPage() const { return *server; }
    QTabWidget& tabs() const { return *pages; }

    void OnOk();

private:
    QWidget* Fitted(QSize room);

    QTabWidget* pages = nullptr;
    EnvPage* env = nullptr;
    ServerPage* server = nullptr;
};

}  // namespace hodra
