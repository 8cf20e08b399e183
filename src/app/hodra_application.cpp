#include "hodra_application.h"

#include <QApplication>
#include <QFileInfo>
#include <cstdio>

#include "data_files.h"
#include "desktop_notifications.h"
#include "main_clock_window.h"
#include "run_notices.h"
#include "settings_sheet.h"
#include "signal_exit.h"
#include "timedate1.h"
#include "tick_sound.h"
#include "tray_frame.h"
#include "world_time_dialog.h"

namespace hodra {

namespace {

// Installed, the helper lies beside the program; in the build tree too (both in bin/).
std::string ClockHelperPath() {
    return (QCoreApplication::applicationDirPath() + QStringLiteral("/hodra2-sntp")).toStdString();
}

}  // namespace

HodraApplication::HodraApplication()
    : deployment(LoadDeployment()), runs(compare, ClockHelperPath(), log), timeService(std::make_unique<Timedate1>()) {
    sync = std::make_unique<SyncController>(runs,
                                            SyncController::Servers{{deployment.primaryHost, deployment.secondaryHost},
                                                                    deployment.maxStep},
                                            [this] { return SyncController::RunFlags{settings.Blink, settings.Log}; });
    sync->setTimeService(timeService.get());
    TrustNtsCertificates();
    timers = std::make_unique<SyncTimers>();
    tick = CreateTickSound(FindDataFile(QStringLiteral("tick2.wav")));
    screenSaver = std::make_unique<ScreenSaverEntry>(QFileInfo(store.FileName()).absolutePath(),
                                                     InstalledDataDirectory() + QStringLiteral("/Hodra2SCR.scr"));
}

HodraApplication::~HodraApplication() = default;

// "비교" asks nts:// servers too: their certificates chain to the deployment's trust file
// where it names one. One that cannot be read leaves the system's store, which then fails
// those servers with its reason.
void HodraApplication::TrustNtsCertificates() {
    if (deployment.ntsTrustedCerts.empty()) {
        return;
    }
    const AdministratorFile file = ReadTrustedCertificates(deployment.ntsTrustedCerts, false);
    if (!file.trusted) {
        std::fprintf(stderr, "hodra2: 믿을 인증서 파일을 쓰지 않습니다: %s\n", file.reason.c_str());
        return;
    }
    client.SetNtsTrust({file.text});
}

bool HodraApplication::Start() {
    window = std::make_unique<MainClockWindow>(MainWindowServices{settings, store, state, *sync, *timers, tick.get()});
    frame = std::make_unique<TrayFrame>(*window, state);
    QObject::connect(frame.get(), &TrayFrame::finished, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    signalExit = std::make_unique<SignalExit>();
    QObject::connect(signalExit.get(), &SignalExit::requested, frame.get(), &TrayFrame::Exit);
    window->setSheetRunner([this](MainClockWindow& w) {
        SettingsSheet sheet(settings, deployment, w.lastServer(), launcher, &w);
        sheet.exec();
    });
    // A window of its own, not a child of the clock window: the settings sheet and the help,
    // modal to the clock window, would otherwise block it too. The clock window deletes it.
    window->setWorldTimeFactory([this](MainClockWindow&) -> QWidget* {
        return new WorldTimeDialog(worldTimeTable, settings, state, nullptr);
    });
    window->setScreenSaverApplier([this](bool on) { screenSaver->Apply(on); });
    notifications = std::make_unique<DesktopNotifications>();
    notices = std::make_unique<RunNotices>(*sync, *window, [this](const QString& summary, const QString& body) {
        notifications->Show(summary, body);
    });
    window->Initialise();
    window->showNormal();
    return true;
}

}  // namespace hodra
