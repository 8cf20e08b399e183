#include "app/hodra_application.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSystemTrayIcon>
#include <QTimer>
#include <cstdio>

#include "build_info.h"
#include "platform/child_process_linux.h"
#include "platform/clock_linux.h"
#include "sync/compare_text.h"
#include "settings/data_files.h"
#include "platform/desktop_notifications.h"
#include "history/history_view.h"
#include "dialogs/resources.h"
#include "history/run_history.h"
#include "history/step_ledger.h"
#include "platform/run_journal.h"
#include "sync/run_recovery.h"
#include "platform/system_events.h"
#include "app/tray_status.h"
#include "ui/large_step_question.h"
#include "ui/main_clock_window.h"
#include "app/run_notices.h"
#include "ui/settings_sheet.h"
#include "app/signal_exit.h"
#include "platform/timedate1.h"
#include "platform/tick_sound.h"
#include "app/tray_frame.h"
#include "worldtime/world_time_dialog.h"
#include "dialogs/notice.h"
#include "app/app_texts.h"
#include "time/time_texts.h"

namespace hodra {

namespace {

// Installed, the helper lies beside the program; in the build tree too (both in bin/).
std::string ClockHelperPath() {
    return (QCoreApplication::applicationDirPath() + QStringLiteral("/hodra2-sntp")).toStdString();
}

// "비교" and "동기" ask the same servers: where the helper holds its capability it reads only the
// administrator's file (by its own rules), and so does the window. As built, the helper
// holds none and reads the files of XDG_CONFIG_DIRS, as the window does.
Deployment ReadWindowDeployment(bool helperHoldsCapability) {
    if (!helperHoldsCapability) {
        return LoadDeployment();
    }
    const AdministratorDeployment admin = ReadAdministratorDeployment(kAdministratorDeploymentFile);
    if (admin.verdict == AdministratorDeployment::Verdict::Refused) {
        std::fprintf(stderr, "hodra2: %s%s\n", text::kDeploymentNotUsed, admin.reason.c_str());
    }
    return admin.values;
}

// Said once, at start, where the program's other complaints about its files go.
Deployment WindowDeployment(bool helperHoldsCapability) {
    Deployment deployment = ReadWindowDeployment(helperHoldsCapability);
    if (deployment.ignoredMaxStep) {
        const std::string notice =
            text::Fill(text::kMaxStepIgnored, *deployment.ignoredMaxStep, FormatFixed(Deployment::kDefaultMaxStep, 0));
        std::fprintf(stderr, "hodra2: %s\n", notice.c_str());
    }
    return deployment;
}

}  // namespace

HodraApplication::HodraApplication()
    : helperHoldsCapability(FileHoldsClockCapability(ClockHelperPath())),
      deployment(WindowDeployment(helperHoldsCapability)),
      timeService(std::make_unique<Timedate1>()) {
    runs = std::make_unique<RunParts>(
        client, RunParts::Plan{{{deployment.primaryHost, deployment.secondaryHost}, deployment.maxStep},
                               ClockHelperPath(),
                               RunChild,
                               ResultLog::kDefaultPath,
                               [this] {
                                   return SyncController::RunFlags{settings.Blink, settings.Log};
                               },
                               [this](const SyncOutcome& outcome) { AskAboutLargeStep(outcome); }});
    runs->Controller().setTimeService(timeService.get());
    TrustNtsCertificates();
    timers = std::make_unique<SyncTimers>();
    tick = CreateTickSound(FindDataFile(QStringLiteral("tick2.wav")));
    screenSaver = std::make_unique<ScreenSaverEntry>(QFileInfo(store.FileName()).absolutePath(),
                                                     InstalledDataDirectory() + QStringLiteral("/Hodra2SCR.scr"));
    history = std::make_unique<RunHistory>(RunHistory::DefaultPath());
    runs->Controller().setStepLedger(
        [this] { return AutomaticStepsWithin(history->Read(), QDateTime::currentMSecsSinceEpoch()); });
}

HodraApplication::~HodraApplication() = default;

void HodraApplication::WireRecovery() {
    recovery = std::make_unique<RunRecovery>(*timers);
    SyncController& sync = runs->Controller();
    QObject::connect(recovery.get(), &RunRecovery::retryDue, &sync,
                     [&sync](bool synchronise) { synchronise ? sync.OnAutoSync() : sync.OnAutoCompare(); });
    status = std::make_unique<TrayStatus>(*frame, [this] { return recovery->nextRun(); });
}

void HodraApplication::OnRunFinished(const SyncOutcome& outcome, const AppliedStep& step) {
    // The result log first: a step is written down before anything else can fail.
    runs->LogStep(outcome, step);
    // The window's settings next: the server that answered and the last step, which the
    // settings sheet shows and the profile keeps.
    window->RecordOutcome(outcome, step);
    // Then the schedule: whether to try again soon. The tooltip names the next run from it.
    recovery->OnRunFinished(outcome);
    // The record: history, journal, the tray's mark and tooltip.
    RecordRun(outcome);
    // Last, a notice for a failure the user did not see.
    notices->Tell(outcome);
}

void HodraApplication::AskAboutLargeStep(const SyncOutcome& outcome) {
    LargeStepQuestion::Ask(window.get(), outcome.offset,
                           [this](bool make) { runs->Controller().AnswerLargeStep(make); });
}

void HodraApplication::RecordRun(const SyncOutcome& outcome) {
    const RunRecord record = RecordOf(outcome, QDateTime::currentMSecsSinceEpoch());
    history->Append(record);
    SendRunToJournal(outcome, kWindowJournalName);
    status->Record(record);
    if (historyWindow != nullptr && historyWindow->isVisible()) {
        historyWindow->SetRecords(history->Read(), QDateTime::currentDateTime());
    }
}

void HodraApplication::ShowHistory() {
    if (historyWindow == nullptr) {
        historyWindow.reset(LoadHistoryView());
        if (historyWindow == nullptr) {
            ShowNotice(nullptr, text::kNoHistoryWindow);
            return;
        }
        historyWindow->setWindowIcon(AppIcon());
    }
    historyWindow->SetRecords(history->Read(), QDateTime::currentDateTime());
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
}

void HodraApplication::AfterFirstPaint() {
    status->Restore(history->Last());
    events = std::make_unique<SystemEvents>();
    QObject::connect(events.get(), &SystemEvents::networkUp, recovery.get(), &RunRecovery::OnNetworkUp);
    QObject::connect(events.get(), &SystemEvents::resumed, recovery.get(), &RunRecovery::OnResumed);
    events->Start();
}

// "비교" asks nts:// servers too: their certificates chain to the deployment's trust file
// where it names one. One that is refused (unreadable, unsafe, without a certificate) trusts
// no server, and those servers fail with the key exchange's reason.
void HodraApplication::TrustNtsCertificates() {
    if (deployment.ntsTrustedCerts.empty()) {
        return;
    }
    const AdministratorFile file = ReadTrustedCertificates(deployment.ntsTrustedCerts, helperHoldsCapability);
    if (!file.trusted) {
        // Fails closed: the system's store never stands in for the administrator's file.
        std::fprintf(stderr, "hodra2: %s%s\n", text::kTrustFileNotUsed, file.reason.c_str());
        client.SetNtsTrust({std::string()});
        return;
    }
    client.SetNtsTrust({file.text});
}

void HodraApplication::RunSettingsSheet(MainClockWindow& window) {
    SettingsSheet sheet(settings, deployment, window.lastServer(), launcher, &window);
    sheet.exec();
    // Once the window has applied the sheet (after this returns): the next run may have changed.
    QTimer::singleShot(0, status.get(), &TrayStatus::Refresh);
}

// A window of its own, not a child of the clock window: the settings sheet and the help,
// modal to the clock window, would otherwise block it too.
QWidget* HodraApplication::MakeWorldTimeDialog() {
    // The table's ten thousand places are made when the dialog first needs them.
    if (worldTimeTable == nullptr) {
        worldTimeTable = std::make_unique<WorldTimeTable>();
    }
    return new WorldTimeDialog(*worldTimeTable, settings, state, nullptr);
}

void HodraApplication::ApplyScreenSaver(bool on) {
    screenSaver->Apply(on);
}

bool HodraApplication::TrayAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool HodraApplication::Start() {
    // The window starts its start-up compare as it is made; the outcome comes through the
    // event loop, so everything wired below still hears of it.
    window = std::make_unique<MainClockWindow>(
        MainWindowServices{settings, store, state, runs->Controller(), *timers, *this, tick.get()});
    frame = std::make_unique<TrayFrame>(*window, state);
    WireRecovery();
    // No try starts between the close and the end of the loop.
    QObject::connect(frame.get(), &TrayFrame::finished, recovery.get(), &RunRecovery::Stop);
    QObject::connect(frame.get(), &TrayFrame::finished, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    signalExit = std::make_unique<SignalExit>();
    QObject::connect(signalExit.get(), &SignalExit::requested, frame.get(), &TrayFrame::Exit);
    notifications = std::make_unique<DesktopNotifications>();
    notices = std::make_unique<RunNotices>(
        *window, [this](const QString& summary, const QString& body) { notifications->Show(summary, body); });
    QObject::connect(&runs->Controller(), &SyncController::resultsRecorded, frame.get(),
                     [this](const SyncOutcome& outcome, const AppliedStep& step) { OnRunFinished(outcome, step); });
    QObject::connect(timers.get(), &SyncTimers::autoSyncDue, &runs->Controller(), &SyncController::OnAutoSync);
    QObject::connect(frame.get(), &TrayFrame::historyRequested, frame.get(), [this] { ShowHistory(); });
    // The clock paints once the loop runs.
    QObject::connect(window->clock(), &ClockFace::firstPainted, frame.get(), [this] { AfterFirstPaint(); });
    window->showNormal();
    return true;
}

}  // namespace hodra
