#pragma once

#include <QHash>
#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace hodra {

class MainClockWindow;
struct WindowState;

// The tray icon "Hodra" and command menu 106. Routes each command to the main window;
// a left click shows the window again. "종료" closes the window (which saves its state)
// and then the frame, leaving no icon behind.
class TrayFrame : public QObject {
    Q_OBJECT
public:
    TrayFrame(MainClockWindow& window, WindowState& state, QObject* parent = nullptr);

    QMenu& menu() { return commands; }
    QSystemTrayIcon& icon() { return tray; }
    // The menu's action of a command (32771 to 32777).
    QAction* action(int commandId) const { return actions.value(commandId); }

    void ShowMenuAt(QPoint globalPoint);
    // Enabled state of "감추기": exactly while the window is visible (minimised counts).
    void UpdateMenuState();
    void Exit();

signals:
    void finished();
    // "기록 보기": the history window is the program's, not the clock window's.
    void historyRequested();

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void RestoreWindow();
    void WireCommands();

    MainClockWindow& window;
    WindowState& state;
    QSystemTrayIcon tray;
    QMenu commands;
    QHash<int, QAction*> actions;
    bool exiting = false;
};

}  // namespace hodra
