#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <functional>

#include "ui/clock_face.h"
#include "ui/server_page.h"
#include "ui/window_drag.h"
#include "settings/settings.h"
#include "ui/window_state.h"

class QPushButton;
class QLabel;

namespace hodra {

class MessageLabel;
class SettingsStore;
class SyncController;
class SyncTimers;
class TickSound;
struct AppliedStep;
struct SyncOutcome;
class MainClockWindow;

// What the clock window asks of the program it belongs to.
class ClockWindowHost {
public:
    virtual ~ClockWindowHost() = default;
    // The settings sheet, modal to the window; returns when it is closed.
    virtual void RunSettingsSheet(MainClockWindow& window) = 0;
    // The world time dialog, a window of its own (the clock window deletes it at its close).
    virtual QWidget* MakeWorldTimeDialog() = 0;
    virtual void ApplyScreenSaver(bool on) = 0;
    // Whether a tray can take the window's place: asked at each hide, since a panel may
    // come up after the program (at the start of a session).
    virtual bool TrayAvailable() const = 0;
};

// What the main window works with; all of it outlives the window.
struct MainWindowServices {
    Settings& settings;
    SettingsStore& store;
    WindowState& state;
    SyncController& sync;
    SyncTimers& timers;
    ClockWindowHost& host;
    TickSound* tick = nullptr;
    ClockFace::TimeSource now = {};
};

// Dialog 102: the clock, "비교" and "동기", the message line and the row of four buttons;
// three layouts (normal, clock-only, slim), dragging by the background or the clock, and
// the close sequence that saves the window's state.
class MainClockWindow : public QDialog {
    Q_OBJECT
public:
    // Built and started: settings, position, colours, the automatic timer, the start-up
    // compare, layout and topmost state; shown by whoever made it.
    explicit MainClockWindow(const MainWindowServices& services, QWidget* parent = nullptr);
    ~MainClockWindow() override;

    void OnCompare();
    void OnSync();
    void OnWorldTime();
    void OnHelp();
    void OnSettings();
    void Hide();

    void ApplyLayout();
    void ApplyTopmost(bool topmost);

    QPushButton* button(int id) const;
    ClockFace* clock() const { return clockFace; }
    MessageLabel* message() const { return messageLabel; }
    QWidget* worldTimeDialog() const { return worldTime; }
    bool settingsSheetOpen() const { return sheetOpen; }
    bool infoDialogOpen() const { return infoOpen; }
    // The server that answered the last run, for the server page.
    const LastServer& lastServer() const { return answered; }
    const Settings& currentSettings() const { return settings; }
    // Keeps what a finished run leaves in the settings: the server that answered, the time
    // and size of a step.
    void RecordOutcome(const SyncOutcome& outcome, const AppliedStep& step);

signals:
    // After the close sequence: the tray frame ends the program.
    void closed();
    void contextMenuRequested(QPoint globalPoint);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void reject() override;

private:
    void Initialise();
    void BuildFromTemplate();
    void CreateClockFace();
    void ConnectSync();
    void PlaceAtStoredPosition();
    void ApplyMessageColours();
    void SetButtonsEnabled(bool enabled);
    void SetTopButtonsVisible(bool visible);
    void SetFlagInPlace(Qt::WindowType flag, bool on);
    // Screen points: the window moves under the pointer while it drags, so a point in window
    // coordinates would be measured against a position that is already out of date.
    void SaveDroppedPosition();
    void HideOrMinimise();

    Settings& settings;
    SettingsStore& store;
    WindowState& state;
    SyncController& sync;
    SyncTimers& timers;
    TickSound* tick;
    ClockFace::TimeSource now;

    ClockFace* clockFace = nullptr;
    MessageLabel* messageLabel = nullptr;
    QLabel* banner = nullptr;
    QHash<int, QWidget*> controls;
    QSize normalClientSize;

    QWidget* worldTime = nullptr;
    ClockWindowHost& host;
    bool worldTimeCreated = false;
    bool sheetOpen = false;
    bool infoOpen = false;
    bool closing = false;
    LastServer answered;

    WindowDrag drag;
};

}  // namespace hodra
