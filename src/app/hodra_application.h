#pragma once

#include <memory>

#include "settings/deployment.h"
#include "ui/main_clock_window.h"
#include "sync/run_parts.h"
#include "settings/settings.h"
#include "settings/settings_store.h"
#include "time/sntp_client.h"
#include "sync/sync_controller.h"
#include "sync/sync_operation.h"
#include "sync/sync_timers.h"
#include "platform/screen_saver.h"
#include "platform/web_browser.h"
#include "ui/window_state.h"
#include "worldtime/world_time_table.h"

namespace hodra {

class MainClockWindow;
class TrayFrame;
class TickSound;
class SignalExit;
class Timedate1;
class DesktopNotifications;
class RunNotices;
class RunRecovery;
class SystemEvents;
class RunHistory;
class TrayStatus;
class HistoryView;

// Everything the running program is made of, wired once: the profile, the time core,
// the synchronisation controller and timers, the main window and the tray frame. It is
// what the clock window asks for the sheet, the world time dialog and the screen saver.
class HodraApplication : public ClockWindowHost {
public:
    HodraApplication();
    ~HodraApplication() override;

    void RunSettingsSheet(MainClockWindow& window) override;
    QWidget* MakeWorldTimeDialog() override;
    void ApplyScreenSaver(bool on) override;
    bool TrayAvailable() const override;

    // Creates the tray icon and shows the main window; false when the window could not be made.
    bool Start();

private:
    void TrustNtsCertificates();
    void WireRecovery();
    // Hands a finished run to everything that keeps or shows it, in order.
    void OnRunFinished(const SyncOutcome& outcome, const AppliedStep& step);
    void AskAboutLargeStep(const SyncOutcome& outcome);
    void RecordRun(const SyncOutcome& outcome);
    void ShowHistory();
    // What the first sight of the clock does not need: the last run, the system's events.
    void AfterFirstPaint();

    const bool helperHoldsCapability;  // the clock helper is installed with its file capability
    Settings settings;
    WindowState state;
    SettingsStore store;
    Deployment deployment;
    SntpClient client;
    std::unique_ptr<Timedate1> timeService;
    std::unique_ptr<RunParts> runs;
    std::unique_ptr<SyncTimers> timers;
    std::unique_ptr<TickSound> tick;
    WebPageLauncher launcher;
    std::unique_ptr<WorldTimeTable> worldTimeTable;
    std::unique_ptr<ScreenSaverEntry> screenSaver;
    std::unique_ptr<MainClockWindow> window;
    std::unique_ptr<TrayFrame> frame;
    std::unique_ptr<SignalExit> signalExit;
    std::unique_ptr<DesktopNotifications> notifications;
    std::unique_ptr<RunNotices> notices;
    std::unique_ptr<RunHistory> history;
    std::unique_ptr<RunRecovery> recovery;
    std::unique_ptr<TrayStatus> status;
    std::unique_ptr<SystemEvents> events;
    std::unique_ptr<HistoryView> historyWindow;
};

}  // namespace hodra
