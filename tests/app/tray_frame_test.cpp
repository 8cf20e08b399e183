#include <gtest/gtest.h>

#include <QAction>
#include <QSignalSpy>

#include "command_ids.h"
#include "run_notices.h"
#include "tray_frame.h"
#include "window_fixture.h"

namespace hodra {
namespace {

class Tray : public ::testing::Test, public test::WindowFixture {
protected:
    void SetUp() override {
        Profile("AutoCompare", 0);
        Open();
        frame = std::make_unique<TrayFrame>(*window, state);
    }
    QAction* Item(int id) { return frame->action(id); }
    std::unique_ptr<TrayFrame> frame;
};

TEST_F(Tray, HideIsEnabledExactlyWhileTheWindowIsVisible) {
    frame->UpdateMenuState();
    EXPECT_TRUE(Item(kCmdHide)->isEnabled());
    window->showMinimized();
    frame->UpdateMenuState();
    EXPECT_TRUE(Item(kCmdHide)->isEnabled()) << "a minimised window still counts as visible";
    window->hide();
    frame->UpdateMenuState();
    EXPECT_FALSE(Item(kCmdHide)->isEnabled());
}

TEST_F(Tray, CommandsReachTheWindowAndExitSavesBeforeFinishing) {
    window->setTrayAvailability([] { return true; });
    Item(kCmdHide)->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(state.MainWindowShown);
    Item(kCmdCompare)->trigger();
    EXPECT_TRUE(sync.busy());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(settings.ServerID, 1);

    QSignalSpy finished(frame.get(), &TrayFrame::finished);
    Item(kCmdExit)->trigger();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(Stored("ServerID").toInt(), 1);
    EXPECT_FALSE(frame->icon().isVisible());
    frame->Exit();  // the second close finds nothing more to do
    EXPECT_EQ(finished.size(), 1);
}


// Only an automatic run that fails while the window is out of sight becomes a notification.
TEST_F(Tray, AnAutomaticRunThatFailsOutOfSightIsNotified) {
    std::vector<std::pair<QString, QString>> told;
    RunNotices notices(sync, *window, [&told](const QString& summary, const QString& body) {
        told.emplace_back(summary, body);
    });
    test::ReplyScript quiet;
    quiet.silent = true;
    server.SetScript(quiet);
    sync.OnAutoSync();
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(told.empty()) << "the window shows it";
    window->hide();
    sync.OnSync();
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(told.empty()) << "the user asked and is looking";
    sync.OnAutoSync();
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].first, "Hodra2 자동 동기");
    EXPECT_EQ(told[0].second, "서버에서 응답이 없습니다");
    server.SetScript({});
    sync.OnAutoSync();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(told.size(), 1u) << "a success needs no word";
}

}  // namespace
}  // namespace hodra
