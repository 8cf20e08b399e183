// 10,000 compare and synchronise requests from the buttons, the tray menu and the
// auto-sync timer against a loopback server, while the window opens and closes its
// dialogs: never two runs at once, and the buttons enabled at the end.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <random>

#include "dialogs/control_ids.h"
#include "ui/settings_sheet.h"
#include "sync/sync_timers.h"
#include "app/tray_frame.h"
#include "platform/web_browser.h"
#include "window_fixture.h"

namespace hodra {
namespace {

class Stress : public ::testing::Test, public test::WindowFixture {};

TEST_F(Stress, TenThousandRequestsOneRunAtATime) {
    Profile("AutoCompare", 0);
    Profile("Log", 1);
    MainClockWindow& w = Open();
    TrayFrame frame(w, state);
    const WebPageLauncher none([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    host.sheet = [&](MainClockWindow& window) {
        SettingsSheet sheet(settings, {}, window.lastServer(), none, &window);
        sheet.show();
        QCoreApplication::processEvents();
        sheet.reject();
    };
    host.worldTime = [&w]() -> QWidget* {
        auto* dialog = new QWidget(&w, Qt::Dialog);
        dialog->resize(200, 300);
        return dialog;
    };

    int finished = 0;
    QObject::connect(&sync, &SyncController::runFinished, [&finished] { ++finished; });
    std::mt19937 random(20261208);
    int requests = 0;
    for (int i = 0; i < 10000; ++i) {
        switch (random() % 6) {
        case 0: w.button(dialog102::kCompare)->click(); break;
        case 1: w.button(dialog102::kSync)->click(); break;
        case 2: frame.action(menu106::kCompare)->trigger(); break;
        case 3: frame.action(menu106::kSync)->trigger(); break;
        case 4: timers.OnAutoSyncTimer(); break;
        default: w.OnSync(); break;
        }
        ++requests;
        if (i % 97 == 0) {
            frame.action(menu106::kWorldTime)->trigger();
            w.worldTimeDialog()->hide();
        }
        if (i % 503 == 0) {
            frame.action(menu106::kSettings)->trigger();
        }
        if (i % 1999 == 0) {
            QTimer::singleShot(0, [] {
                if (QWidget* modal = QApplication::activeModalWidget()) {
                    modal->close();
                }
            });
            frame.action(menu106::kHelp)->trigger();
        }
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(WaitIdle(10000));
    EXPECT_EQ(requests, 10000);
    EXPECT_EQ(counting.most.load(), 1) << "two runs were in progress at once";
    // How many requests found the controller idle depends on the machine's speed; that each
    // run that started asked exactly one server and finished does not.
    EXPECT_GE(finished, 1) << "runs happened";
    EXPECT_EQ(counting.calls.load(), finished) << "every run that started finished, and only once";
    EXPECT_TRUE(w.button(dialog102::kCompare)->isEnabled());
    EXPECT_TRUE(w.button(dialog102::kSync)->isEnabled());
    EXPECT_EQ(settings.ServerID, 1);
    EXPECT_FALSE(w.settingsSheetOpen());
    EXPECT_FALSE(w.infoDialogOpen());
    std::printf("requests %d, exchanges run %d\n", requests, counting.calls.load());
}

}  // namespace
}  // namespace hodra
