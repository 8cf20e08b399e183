#include "ui/settings_sheet.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/env_page.h"
#include "dialogs/fonts.h"
#include "dialogs/screen_fit.h"
#include "ui/server_page.h"
#include "ui/ui_texts.h"

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
    const QMargins margins = layout->contentsMargins();
    const int beside = margins.top() + margins.bottom() + layout->spacing() + ok->sizeHint().height();
    layout->addWidget(Fitted(screen()->availableGeometry().size() - kFrameRoom - QSize(0, beside)));
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

// The pages as they are where they fit `room`; on a small screen at a large scale factor,
// scrolling inside it.
QWidget* SettingsSheet::Fitted(QSize room) {
    ensurePolished();  // the style's tab bar and frames count
    // The pages are laid out by hand at their templates' sizes, which they take as minimum.
    const QSize natural = pages->minimumSizeHint();
    if (natural.width() <= room.width() && natural.height() <= room.height()) {
        return pages;
    }
    auto* area = new QScrollArea(this);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setWidget(pages);
    const int bar = area->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    area->setFixedSize(QSize(natural.width() + bar, natural.height() + bar).boundedTo(room));
    return area;
}

void SettingsSheet::OnOk() {
    if (env->Commit()) {
        accept();
    }
}

}  // namespace hodra
