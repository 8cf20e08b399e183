#include "app/tray_frame.h"

#include <QAction>

#include "dialogs/control_ids.h"
#include "ui/main_clock_window.h"
#include "dialogs/resources.h"
#include "ui/window_state.h"

namespace hodra {

TrayFrame::TrayFrame(MainClockWindow& window, WindowState& state, QObject* parent)
    : QObject(parent), window(window), state(state) {
    actions = BuildMenu(commands, kMenuCommands);
    WireCommands();
    connect(&commands, &QMenu::aboutToShow, this, &TrayFrame::UpdateMenuState);

    tray.setIcon(AppIcon());
    tray.setToolTip(QStringLiteral("Hodra"));
    tray.setContextMenu(&commands);
    connect(&tray, &QSystemTrayIcon::activated, this, &TrayFrame::OnActivated);
    tray.show();

    connect(&window, &MainClockWindow::contextMenuRequested, this, &TrayFrame::ShowMenuAt);
    connect(&window, &MainClockWindow::closed, this, &TrayFrame::Exit);
}

void TrayFrame::WireCommands() {
    const std::pair<int, void (MainClockWindow::*)()> handlers[] = {
        {menu106::kCompare, &MainClockWindow::OnCompare},   {menu106::kSync, &MainClockWindow::OnSync},
        {menu106::kSettings, &MainClockWindow::OnSettings}, {menu106::kWorldTime, &MainClockWindow::OnWorldTime},
        {menu106::kHelp, &MainClockWindow::OnHelp},         {menu106::kHide, &MainClockWindow::Hide},
    };
    for (const auto& [id, handler] : handlers) {
        connect(actions.value(id), &QAction::triggered, &window, handler);
    }
    connect(actions.value(menu106::kExit), &QAction::triggered, this, &TrayFrame::Exit);
    connect(actions.value(menu106::kHistory), &QAction::triggered, this, &TrayFrame::historyRequested);
}

void TrayFrame::UpdateMenuState() {
    actions.value(menu106::kHide)->setEnabled(window.isVisible());
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
