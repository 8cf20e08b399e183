#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <memory>

#include "time/clock_setter.h"
#include "settings/deployment.h"
#include "counting_exchanger.h"
#include "fake_clock_driver.h"
#include "fake_monotonic_clock.h"
#include "fake_sntp_server.h"
#include "fake_tick_sound.h"
#include "ui/main_clock_window.h"
#include "in_process_helper.h"
#include "ui/large_step_question.h"
#include "sync/run_parts.h"
#include "settings/settings_store.h"
#include "time/sntp_client.h"
#include "sync/sync_controller.h"
#include "sync/sync_timers.h"
#include "temp_dir.h"

namespace hodra::test {

// The program around the window, as a test plays it: each part replaceable at any time.
struct WindowHost : ClockWindowHost {
    std::function<void(MainClockWindow&)> sheet = [](MainClockWindow&) {};
    std::function<QWidget*()> worldTime = [] { return nullptr; };
    std::function<void(bool)> screenSaver = [](bool) {};
    std::function<bool()> tray = [] { return true; };

    void RunSettingsSheet(MainClockWindow& window) override { sheet(window); }
    QWidget* MakeWorldTimeDialog() override { return worldTime(); }
    void ApplyScreenSaver(bool on) override { screenSaver(on); }
    bool TrayAvailable() const override { return tray(); }
};

// A main window with everything behind it made for the test: a profile in a temporary
// directory, a loopback SNTP server, the program's wiring of a run (its helper in this
// process over a fake clock driver) and a clock the test moves.
class WindowFixture {
public:
    // profilePath: the INI file of the profile (by default one in a fresh directory).
    explicit WindowFixture(const QString& profilePath = {})
        : profile(profilePath.isEmpty() ? dir.Path("Hodra2.conf") : profilePath),
          store(profile),
          client(std::chrono::milliseconds(300)),
          counting(client),
          setter(driver),
          deployment{{server.Address(), "127.0.0.1:9"}, Deployment::kDefaultMaxStep},
          runs(counting, RunParts::Plan{deployment, "hodra2-sntp", InProcessHelper(counting, setter, deployment),
                                        dir.StdPath("HodraLog.txt"),
                                        [this] {
                                            return SyncController::RunFlags{settings.Blink, settings.Log};
                                        },
                                        [this](const SyncOutcome& outcome) {
                                            LargeStepQuestion::Ask(window.get(), outcome.offset,
                                                                   [this](bool make) { sync.AnswerLargeStep(make); });
                                        }}),
          sync(runs.Controller()),
          timers(monotonic) {}

    // Values written to the profile before the window loads it.
    void Profile(const QString& key, const QVariant& value) {
        QSettings raw(profile, QSettings::IniFormat);
        raw.setValue("Hodra/" + key, value);
    }
    QVariant Stored(const QString& key) const {
        QSettings raw(profile, QSettings::IniFormat);
        return raw.value("Hodra/" + key);
    }

    MainClockWindow& Open() {
        window = std::make_unique<MainClockWindow>(
            MainWindowServices{settings, store, state, sync, timers, host, &tick, [this] { return now; }});
        // As the program wires a finished run and the timer (its history, tray and notices
        // aside): the result log, then the window.
        QObject::connect(&sync, &SyncController::resultsRecorded, window.get(),
                         [this](const SyncOutcome& outcome, const AppliedStep& step) {
                             runs.LogStep(outcome, step);
                             window->RecordOutcome(outcome, step);
                         });
        QObject::connect(&timers, &SyncTimers::autoSyncDue, window.get(), [this] { sync.OnAutoSync(); });
        window->show();
        return *window;
    }

    bool WaitIdle(int ms = 5000) {
        QElapsedTimer t;
        t.start();
        while (sync.busy() && t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return !sync.busy();
    }

    TempDir dir;
    QString profile;
    Settings settings;
    WindowState state;
    SettingsStore store;
    FakeSntpServer server;
    FakeClockDriver driver;
    SntpClient client;
    CountingExchanger counting;
    ClockSetter setter;
    const SyncController::Servers deployment;
    RunParts runs;  // as the program makes them, the helper run in this process
    SyncController& sync;
    FakeMonotonicClock monotonic;
    SyncTimers timers;
    FakeTickSound tick;
    std::time_t now = 1796700000;
    WindowHost host;
    std::unique_ptr<MainClockWindow> window;
};

}  // namespace hodra::test
