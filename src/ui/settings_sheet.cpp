#include "settings_sheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "env_page.h"
#include "fonts.h"
#include "server_page.h"
#include "ui_texts.h"

namespace hodra {

SettingsSheet::SettingsSheet(Settings& settings, const Deployment& deployment, const LastServer& last,
                             const WebPageLauncher& launcher, QWidget* parent)
    : QDialog(parent) {
    // Modal to the clock window only: the tray icon and the world time dialog stay usable.
    setWindowModality(Qt::WindowModal);
    setWindowTitle(text::kSettingsTitle);
    setFont(MakeFont(text::kGulim, 9));
    pages = new QTabWidget(this);
    env = new EnvPage(settings, pages);
    server = new ServerPage(settings.ServerID, deployment, last, launcher, pages);
    pages->addTab(env, env->windowTitle());
    pages->addTab(server, server->windowTitle());
    pages->setCurrentIndex(0);
    // A refused interval is shown with its field in sight, even when OK came from the other tab.
    connect(env, &EnvPage::refusing, this, [this] { pages->setCurrentWidget(env); });

    auto* ok = new QPushButton(text::kOk, this);
    auto* cancel = new QPushButton(text::kCancel, this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &SettingsSheet::OnOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pages);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void SettingsSheet::OnOk() {
    if (env->Commit()) {
        accept();
    }
}

}  // namespace hodra
