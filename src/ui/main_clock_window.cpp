#include "ui/main_clock_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QWindowStateChangeEvent>

#include "dialogs/control_ids.h"
#include "dialogs/dialog_builder.h"
#include "ui/info_dialog.h"
#include "ui/message_label.h"
#include "dialogs/resources.h"
#include "settings/settings_store.h"
#include "sync/sync_controller.h"
#include "sync/sync_timers.h"
#include "ui/window_system.h"

namespace hodra {

MainClockWindow::MainClockWindow(const MainWindowServices& services, QWidget* parent)
    : QDialog(parent),
      settings(services.settings),
      store(services.store),
      state(services.state),
      sync(services.sync),
      timers(services.timers),
      tick(services.tick),
      now(services.now),
      host(services.host),
      drag(*this, [this] { SaveDroppedPosition(); }) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    BuildFromTemplate();
    ConnectSync();
    Initialise();
}

MainClockWindow::~MainClockWindow() {
    delete worldTime;  // made without a parent (see the factory), closed or not
}

void MainClockWindow::BuildFromTemplate() {
    const DialogTemplate t = LoadDialogTemplate(102);
    const BuiltDialog built =
        DialogBuilder(t)
            .WithFactory(dialog102::kMessage, [](const ControlTemplate&, QWidget* p) { return new MessageLabel(p); })
            .Build(this);
    controls = built.controls;
    setWindowTitle(t.caption);
    normalClientSize = built.clientSize;
    setFixedSize(normalClientSize);
    messageLabel = built.Get<MessageLabel>(dialog102::kMessage);
    banner = built.Get<QLabel>(dialog102::kBanner);

    connect(button(dialog102::kCompare), &QPushButton::clicked, this, &MainClockWindow::OnCompare);
    connect(button(dialog102::kSync), &QPushButton::clicked, this, &MainClockWindow::OnSync);
    connect(button(dialog102::kWorldTime), &QPushButton::clicked, this, &MainClockWindow::OnWorldTime);
    connect(button(dialog102::kSettings), &QPushButton::clicked, this, &MainClockWindow::OnSettings);
    connect(button(dialog102::kHelp), &QPushButton::clicked, this, &MainClockWindow::OnHelp);
    connect(button(dialog102::kOk), &QPushButton::clicked, this, &MainClockWindow::Hide);
}

void MainClockWindow::ConnectSync() {
    connect(&sync, &SyncController::buttonsEnabledChanged, this, &MainClockWindow::SetButtonsEnabled);
    connect(&sync, &SyncController::messageChanged, messageLabel, &QLabel::setText);
    connect(&sync, &SyncController::blinkRequested, &timers, &SyncTimers::StartBlink);
    connect(&timers, &SyncTimers::messageChanged, messageLabel, &QLabel::setText);
}

void MainClockWindow::Initialise() {
    setWindowIcon(AppIcon());
    store.Load(settings);
    drag.Cancel();
    sheetOpen = infoOpen = false;
    CreateClockFace();
    state.NormalWindowRect = QRect(pos(), normalClientSize);
    PlaceAtStoredPosition();
    ApplyMessageColours();
    const QPixmap bannerImage = BannerPixmap();
    banner->setPixmap(bannerImage);
    banner->resize(bannerImage.size());
    // The period starts before the start-up comparison, so a slow one does not push it back.
    if (settings.AutoCon) {
        timers.ArmAutoSync(settings.AutoConDuration);
    }
    if (settings.AutoCompare) {
        sync.OnStartUpCompare();
    }
    if (settings.Small || settings.Small2) {
        ApplyLayout();
    }
    if (settings.Top) {
        ApplyTopmost(true);
    }
    // No button starts focused: a key pressed at once must not compare or synchronise.
    if (QWidget* focused = focusWidget()) {
        focused->clearFocus();
    }
}

// The clock takes the place of the template's placeholder frame and forwards the mouse
// for dragging and, in the small layouts, the command menu.
void MainClockWindow::CreateClockFace() {
    state.ClockRect = controls.value(dialog102::kClock)->geometry();
    clockFace = new ClockFace(settings, state, tick, this, state.ClockRect, now);
    clockFace->raise();
    connect(clockFace, &ClockFace::leftPressed, this, [this](QPoint at) { drag.Begin(at); });
    connect(clockFace, &ClockFace::mouseMoved, this, [this](QPoint at) { drag.MoveTo(at); });
    connect(clockFace, &ClockFace::leftReleased, this, [this] { drag.End(); });
    connect(clockFace, &ClockFace::contextMenuRequested, this, &MainClockWindow::contextMenuRequested);
    // A synchronisation moves the clock: show it at once rather than at the next wake-up.
    connect(&sync, &SyncController::runFinished, clockFace, &ClockFace::OnTimer);
}

void MainClockWindow::PlaceAtStoredPosition() {
    store.LoadWindowPosition(settings);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize desktop = screen != nullptr ? screen->geometry().size() : QSize(0, 0);
    int x = settings.Hodra_X;
    int y = settings.Hodra_Y;
    if (x >= desktop.width() || x < 0 || y >= desktop.height() || y < 0) {
        x = 0;
        y = 0;
    }
    move(x, y);
    raise();
}

void MainClockWindow::ApplyMessageColours() {
    messageLabel->SetTextColor(settings.TxtColor2);
    messageLabel->SetBkColor(settings.BgColor2);
}

QPushButton* MainClockWindow::button(int id) const {
    return qobject_cast<QPushButton*>(controls.value(id));
}

void MainClockWindow::OnCompare() {
    sync.OnCompare();
}

void MainClockWindow::OnSync() {
    sync.OnSync();
}

void MainClockWindow::SetButtonsEnabled(bool enabled) {
    button(dialog102::kCompare)->setEnabled(enabled);
    button(dialog102::kSync)->setEnabled(enabled);
}

void MainClockWindow::RecordOutcome(const SyncOutcome& outcome, const AppliedStep& step) {
    if (outcome.ReachedServers()) {
        settings.ServerID = outcome.serverId;
    }
    if (outcome.Answered()) {
        answered = {outcome.serverAddress, outcome.authenticated};
    }
    if (outcome.ClockSet()) {
        settings.LastCon = step.lastCon;
        settings.LastDiff = outcome.offset;
    }
}

void MainClockWindow::OnWorldTime() {
    if (worldTime == nullptr) {
        store.LoadWorldTimePosition(settings);
        worldTime = host.MakeWorldTimeDialog();
        worldTimeCreated = worldTime != nullptr;
        if (worldTime != nullptr) {
            worldTime->move(settings.WorldTime_X, settings.WorldTime_Y);  // not clamped
        }
    }
    if (worldTime != nullptr) {
        worldTime->show();
        worldTime->raise();
    }
}

void MainClockWindow::OnHelp() {
    if (infoOpen) {
        return;
    }
    infoOpen = true;
    InfoDialog dialog(this);
    dialog.exec();
    infoOpen = false;
    if (QWidget* focused = focusWidget()) {
        focused->clearFocus();
    }
}

void MainClockWindow::OnSettings() {
    if (sheetOpen) {
        return;
    }
    sheetOpen = true;
    if (settings.AutoCon) {
        timers.DisarmAutoSync();
    }
    host.RunSettingsSheet(*this);
    // Closed by OK or by Cancel alike.
    ApplyMessageColours();
    if (settings.AutoCon) {
        timers.ArmAutoSync(settings.AutoConDuration);
    }
    host.ApplyScreenSaver(settings.SCR);
    ApplyLayout();
    ApplyTopmost(settings.Top);
    store.SaveOptions(settings);
    sheetOpen = false;
}

void MainClockWindow::Hide() {
    state.MainWindowShown = false;
    HideOrMinimise();
}

void MainClockWindow::reject() {
    // Escape hides the window; MainWindowShown stays as it was.
    HideOrMinimise();
}

void MainClockWindow::HideOrMinimise() {
    if (host.TrayAvailable()) {
        hide();
    } else {
        showMinimized();
    }
}

void MainClockWindow::SetTopButtonsVisible(bool visible) {
    for (const int id : {dialog102::kWorldTime, dialog102::kSettings, dialog102::kHelp, dialog102::kOk}) {
        button(id)->setVisible(visible);
    }
}

void MainClockWindow::SetFlagInPlace(Qt::WindowType flag, bool on) {
    // Changing a flag recreates the native window, hidden: keep it where and as it was.
    if (windowFlags().testFlag(flag) == on) {
        return;
    }
    const bool wasVisible = isVisible();
    const QPoint at = pos();
    setWindowFlag(flag, on);
    move(at);
    if (wasVisible) {
        show();
    }
}

void MainClockWindow::ApplyLayout() {
    if (settings.Small) {
        SetFlagInPlace(Qt::FramelessWindowHint, true);
        setFixedSize(state.ClockRect.size());
        SetTopButtonsVisible(false);
        clockFace->setGeometry(QRect(QPoint(0, 0), state.ClockRect.size()));
    } else if (settings.Small2) {
        SetFlagInPlace(Qt::FramelessWindowHint, true);
        setFixedSize(ClockFace::kSlimSize);
        SetTopButtonsVisible(false);
        clockFace->setGeometry(QRect(QPoint(0, 0), ClockFace::kSlimSize));
    } else {
        SetFlagInPlace(Qt::FramelessWindowHint, false);
        setFixedSize(state.NormalWindowRect.size());
        SetTopButtonsVisible(true);
        clockFace->setGeometry(state.ClockRect);
    }
    clockFace->update();
}

void MainClockWindow::ApplyTopmost(bool topmost) {
    SetFlagInPlace(Qt::WindowStaysOnTopHint, topmost);
}

void MainClockWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) {
        return;
    }
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (windowState().testFlag(Qt::WindowMinimized)) {
        state.MainWindowShown = false;
    } else if (change->oldState().testFlag(Qt::WindowMinimized)) {
        state.MainWindowShown = true;
    }
}

void MainClockWindow::SaveDroppedPosition() {
    settings.Hodra_X = x();
    settings.Hodra_Y = y();
    store.SaveWindowPosition(settings);
}

void MainClockWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag.Begin(event->globalPosition().toPoint());
    }
    QDialog::mousePressEvent(event);
}

void MainClockWindow::mouseMoveEvent(QMouseEvent* event) {
    drag.MoveTo(event->globalPosition().toPoint());
    QDialog::mouseMoveEvent(event);
}

void MainClockWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        drag.End();
    }
    QDialog::mouseReleaseEvent(event);
}

void MainClockWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closing) {
        return;
    }
    closing = true;
    // Closing does not wait for a run: it is cancelled, sets no clock and records nothing.
    sync.CancelPendingRun();
    // A native Wayland window's position means nothing: the stored ones are kept.
    const bool placed = WindowPlacementIsOurs();
    if (worldTime != nullptr) {
        if (placed) {
            settings.WorldTime_X = worldTime->x();
            settings.WorldTime_Y = worldTime->y();
        }
        delete worldTime;
        worldTime = nullptr;
    }
    if (placed) {
        settings.Hodra_X = x();
        settings.Hodra_Y = y();
    }
    store.SaveState(settings, worldTimeCreated);
    if (settings.AutoCon) {
        timers.DisarmAutoSync();
    }
    emit closed();
}

}  // namespace hodra
