#pragma once

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

    void ShowMenuAt(QPoint globalPoint);
    void Command(int id);
    // Enabled state of "감추기": exactly while the window is visible (minimised counts).
    void UpdateMenuState();
    void Exit();

signals:
    void finished();

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void RestoreWindow();
    QAction* Action(int id) const;

    MainClockWindow& window;
    WindowState& state;
    QSystemTrayIcon tray;
    QMenu commands;
    bool exiting = false;
};

}  // namespace hodra
