#include "tray_frame.h"

#include <QAction>

#include "command_ids.h"
#include "main_clock_window.h"
#include "resources.h"
#include "window_state.h"

namespace hodra {

TrayFrame::TrayFrame(MainClockWindow& window, WindowState& state, QObject* parent)
    : QObject(parent), window(window), state(state) {
    BuildMenu(commands, kMenuCommands);
    connect(&commands, &QMenu::triggered, this, [this](QAction* a) { Command(a->data().toInt()); });
    connect(&commands, &QMenu::aboutToShow, this, &TrayFrame::UpdateMenuState);

    tray.setIcon(AppIcon());
    tray.setToolTip(QStringLiteral("Hodra"));
    tray.setContextMenu(&commands);
    connect(&tray, &QSystemTrayIcon::activated, this, &TrayFrame::OnActivated);
    tray.show();

    window.setTrayAvailability([] { return QSystemTrayIcon::isSystemTrayAvailable(); });
    connect(&window, &MainClockWindow::contextMenuRequested, this, &TrayFrame::ShowMenuAt);
    connect(&window, &MainClockWindow::closed, this, &TrayFrame::Exit);
}

QAction* TrayFrame::Action(int id) const {
    for (QAction* a : commands.actions()) {
        if (!a->isSeparator() && a->data().toInt() == id) {
            return a;
        }
    }
    return nullptr;
}

void TrayFrame::UpdateMenuState() {
    if (QAction* hide = Action(kCmdHide)) {
        hide->setEnabled(window.isVisible());
    }
}

void TrayFrame::ShowMenuAt(QPoint globalPoint) {
    UpdateMenuState();
    commands.popup(globalPoint);
}

void TrayFrame::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    // The context menu opens by itself on a right click; a double click adds nothing.
    if (reason == QSystemTrayIcon::Trigger) {
        RestoreWindow();
    }
}

void TrayFrame::RestoreWindow() {
    window.showNormal();
    window.raise();
    window.activateWindow();
    state.MainWindowShown = true;
}

void TrayFrame::Command(int id) {
    switch (id) {
    case kCmdCompare: window.OnCompare(); break;
    case kCmdSync: window.OnSync(); break;
    case kCmdSettings: window.OnSettings(); break;
    case kCmdWorldTime: window.OnWorldTime(); break;
    case kCmdHelp: window.OnHelp(); break;
    case kCmdHide: window.Hide(); break;
    case kCmdExit: Exit(); break;
    default: break;
    }
}

void TrayFrame::Exit() {
    if (exiting) {
        return;
    }
    exiting = true;
    window.close();  // saves positions and the last synchronisation first
    tray.hide();
    emit finished();
}

}  // namespace hodra
