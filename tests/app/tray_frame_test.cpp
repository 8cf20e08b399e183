#include <gtest/gtest.h>

#include <QAction>
#include <QRegularExpression>
#include <QSignalSpy>

#include "dialogs/control_ids.h"
#include "app/run_notices.h"
#include "app/tray_frame.h"
#include "app/tray_status.h"
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
    EXPECT_TRUE(Item(menu106::kHide)->isEnabled());
    window->showMinimized();
    frame->UpdateMenuState();
    EXPECT_TRUE(Item(menu106::kHide)->isEnabled()) << "a minimised window still counts as visible";
    window->hide();
    frame->UpdateMenuState();
    EXPECT_FALSE(Item(menu106::kHide)->isEnabled());
}

TEST_F(Tray, CommandsReachTheWindowAndExitSavesBeforeFinishing) {
    Item(menu106::kHide)->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(state.MainWindowShown);
    Item(menu106::kCompare)->trigger();
    EXPECT_TRUE(sync.busy());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(settings.ServerID, 1);

    QSignalSpy finished(frame.get(), &TrayFrame::finished);
    Item(menu106::kExit)->trigger();
    EXPECT_EQ(finished.size(), 1);
    EXPECT_EQ(Stored("ServerID").toInt(), 1);
    EXPECT_FALSE(frame->icon().isVisible());
    frame->Exit();  // the second close finds nothing more to do
    EXPECT_EQ(finished.size(), 1);
}

// Only an automatic run that fails while the window is out of sight becomes a notification.
TEST_F(Tray, AnAutomaticRunThatFailsOutOfSightIsNotified) {
    std::vector<std::pair<QString, QString>> told;
    RunNotices notices(*window,
                       [&told](const QString& summary, const QString& body) { told.emplace_back(summary, body); });
    QObject::connect(&sync, &SyncController::resultsRecorded, [&notices](const SyncOutcome& o) { notices.Tell(o); });
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

// The tooltip tells the last run and the next, which kind it is and which try; a failed
// automatic run marks the icon until a run succeeds, whoever asked for it. Each icon is
// drawn once and set only when the mark comes or goes.
TEST_F(Tray, TheIconTellsTheLastRunAndMarksAFailedAutomaticOne) {
    QSignalSpy history(frame.get(), &TrayFrame::historyRequested);
    Item(menu106::kHistory)->trigger();
    EXPECT_EQ(history.size(), 1);
    std::optional<PendingRun> next = PendingRun{90 * 60000, true, 0};
    TrayStatus status(*frame, [&next] { return next; });
    status.Restore(std::nullopt);
    EXPECT_EQ(frame->icon().toolTip().split('\n').mid(0, 2), (QStringList{"Hodra", "마지막 실행: 없음"}));
    const QImage plain = frame->icon().icon().pixmap(32, 32).toImage();
    const qint64 plainIcon = frame->icon().icon().cacheKey();

    SyncOutcome failed;
    failed.automatic = true;
    failed.result = RunResult::NoAnswer;
    failed.serverId = 3;  // neither server answered
    status.Record(RecordOf(failed, 1796785200000));
    EXPECT_TRUE(status.marked());
    EXPECT_NE(frame->icon().icon().pixmap(32, 32).toImage(), plain) << "the mark shows";
    EXPECT_TRUE(frame->icon().toolTip().contains("결과: 응답 없음"));
    EXPECT_TRUE(frame->icon().toolTip().contains(QRegularExpression("\n다음 동기: \\d\\d:\\d\\d \\(1시간 30분 후\\)$")))
        << frame->icon().toolTip().toStdString();
    next = PendingRun{60000, false, 2};
    const qint64 markedIcon = frame->icon().icon().cacheKey();
    status.Refresh();
    status.Record(RecordOf(failed, 1796785260000));
    EXPECT_EQ(frame->icon().icon().cacheKey(), markedIcon) << "the same mark is not drawn or set again";
    EXPECT_TRUE(frame->icon().toolTip().endsWith(" (1분 후, 2번째 재시도)")) << frame->icon().toolTip().toStdString();
    EXPECT_TRUE(frame->icon().toolTip().contains("\n다음 비교: ")) << "the pending try is a compare";

    SyncOutcome compared;
    compared.result = RunResult::Compared;
    compared.offset = 5.26;
    compared.serverHost = "time.example:123";
    compared.serverAddress = "192.0.2.7";
    compared.authenticated = true;
    status.Record(RecordOf(compared, 1796785260000));
    EXPECT_FALSE(status.marked()) << "a run that succeeds takes the mark away";
    EXPECT_EQ(frame->icon().icon().cacheKey(), plainIcon);
    status.Record(RecordOf(failed, 1796785320000));
    EXPECT_EQ(frame->icon().icon().cacheKey(), markedIcon) << "the mark drawn once";
    status.Record(RecordOf(compared, 1796785380000));
    next.reset();
    status.Refresh();
    const QStringList lines = frame->icon().toolTip().split('\n');
    ASSERT_EQ(lines.size(), 6) << frame->icon().toolTip().toStdString();
    EXPECT_TRUE(lines[1].endsWith("(수동 비교)"));
    EXPECT_EQ(lines[2], "결과: 비교 완료");
    EXPECT_EQ(lines[3], "측정: 사용자 PC가 5.3 초 늦습니다.");
    EXPECT_EQ(lines[4], "서버: time.example:123 (192.0.2.7) 인증됨 (NTS)");
    EXPECT_EQ(lines[5], "다음 동기: 없음 (자동 동기 꺼짐)");
}

}  // namespace
}  // namespace hodra
