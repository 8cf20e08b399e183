#include <gtest/gtest.h>

#include <QAccessible>
#include <cmath>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QDateTime>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "time/sntp_client.h"
#include "dialogs/control_ids.h"
#include "ui/message_label.h"
#include "read_file.h"
#include "sync/result_log.h"
#include "window_fixture.h"

namespace hodra {
namespace {

class Window : public ::testing::Test, public test::WindowFixture {
protected:
    void SetUp() override { Profile("AutoCompare", 0); }
    static QMessageBox* VisibleBox() {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box != nullptr && box->isVisible()) {
                return box;
            }
        }
        return nullptr;
    }
    static bool WaitFor(const std::function<bool()>& holds) {
        QElapsedTimer t;
        t.start();
        while (!holds() && t.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return holds();
    }
    bool TopButtonsVisible() const {
        for (const int id : {dialog102::kWorldTime, dialog102::kSettings, dialog102::kHelp, dialog102::kOk}) {
            if (!window->button(id)->isVisible()) {
                return false;
            }
        }
        return true;
    }
};

// A screen reader finds the painted clock as a clock with the date and time it shows,
// the buttons by their texts and the message line by what it says.
TEST_F(Window, ScreenReadersReadTheClockTheButtonsAndTheMessage) {
    const char* savedTz = std::getenv("TZ");
    const std::string saved = savedTz != nullptr ? savedTz : "";
    setenv("TZ", "Asia/Seoul", 1);
    MainClockWindow& w = Open();  // the fixture's clock: 2026-12-08 12:20:00 in Seoul
    QAccessibleInterface* clock = QAccessible::queryAccessibleInterface(w.clock());
    ASSERT_NE(clock, nullptr);
    EXPECT_EQ(clock->role(), QAccessible::Clock);
    EXPECT_EQ(clock->text(QAccessible::Name), "시계");
    EXPECT_EQ(clock->text(QAccessible::Value), "2026년 12월 08일 화요일 PM 12:20:00");
    now += 61;
    w.clock()->OnTimer();
    EXPECT_EQ(clock->text(QAccessible::Value), "2026년 12월 08일 화요일 PM 12:21:01") << "it follows the clock";
    for (const auto& [id, text] :
         {std::pair{dialog102::kCompare, "비교"}, {dialog102::kSync, "동기"}, {dialog102::kSettings, "설정"}}) {
        EXPECT_EQ(QAccessible::queryAccessibleInterface(w.button(id))->text(QAccessible::Name), text);
    }
    w.message()->setText(QStringLiteral("서버에서 응답이 없습니다"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(w.message())->text(QAccessible::Name), "서버에서 응답이 없습니다");
    savedTz != nullptr ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
}

TEST_F(Window, NormalLayoutHasAllControlsAndTheDefaultColours) {
    MainClockWindow& w = Open();
    EXPECT_EQ(w.windowTitle(), "Hodra2");
    EXPECT_TRUE(TopButtonsVisible());
    EXPECT_EQ(w.button(dialog102::kCompare)->text(), "비교");
    EXPECT_EQ(w.button(dialog102::kSync)->text(), "동기");
    EXPECT_EQ(w.clock()->geometry(), state.ClockRect);
    EXPECT_TRUE(w.rect().contains(state.ClockRect));
    EXPECT_EQ(w.message()->textColour(), QColor(255, 255, 0));
    EXPECT_EQ(w.message()->backgroundColour(), QColor(128, 128, 128));
    EXPECT_EQ(w.message()->lineWidth(), 2) << "sunken like the template's other sunken controls";
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(timers.autoSyncArmed());
    EXPECT_EQ(timers.autoSyncTimer().remainingMs(), 60 * 60000);
}

TEST_F(Window, SmallLayoutsDropTheCaptionAndTheTopButtons) {
    Profile("Small2", 1);
    MainClockWindow& w = Open();
    EXPECT_EQ(w.size(), QSize(243, 20));
    EXPECT_EQ(w.clock()->geometry(), QRect(0, 0, 243, 20));
    EXPECT_FALSE(TopButtonsVisible());
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.windowTitle(), "Hodra2");

    settings.Small2 = false;
    w.ApplyLayout();
    EXPECT_EQ(w.size(), state.NormalWindowRect.size());
    EXPECT_TRUE(TopButtonsVisible());
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(w.clock()->geometry(), state.ClockRect);
}

TEST_F(Window, BothSmallFlagsTakeTheClockOnlySize) {
    Profile("Small", 1);
    Profile("Small2", 1);
    MainClockWindow& w = Open();
    EXPECT_EQ(w.size(), state.ClockRect.size());
    EXPECT_FALSE(TopButtonsVisible());
}

TEST_F(Window, StoredPositionOffTheDesktopResetsBothCoordinates) {
    const QSize desktop = QGuiApplication::primaryScreen()->geometry().size();
    Profile("Hodra_X", desktop.width());
    Profile("Hodra_Y", 40);
    EXPECT_EQ(Open().pos(), QPoint(0, 0));
    window.reset();
    Profile("Hodra_X", 30);
    Profile("Hodra_Y", -1);
    EXPECT_EQ(Open().pos(), QPoint(0, 0));
    window.reset();
    Profile("Hodra_X", 30);
    Profile("Hodra_Y", 40);
    EXPECT_EQ(Open().pos(), QPoint(30, 40));
}

TEST_F(Window, DraggingTheClockMovesTheWindowAndStoresWhereItWasLeft) {
    Profile("Hodra_X", 50);
    Profile("Hodra_Y", 60);
    MainClockWindow& w = Open();
    ClockFace* clock = w.clock();
    QTest::mousePress(clock, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    const QPointF cursor = clock->mapToGlobal(QPointF(40, 25));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 25), cursor, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(clock, &move);
    EXPECT_EQ(w.pos(), QPoint(80, 80));
    // The window moved under the cursor: the release comes at the same screen point, which
    // is now a different local point, and the window stays.
    QTest::mouseRelease(clock, Qt::LeftButton, Qt::NoModifier, clock->mapFromGlobal(cursor.toPoint()));
    EXPECT_EQ(Stored("Hodra_X").toInt(), 80);
    EXPECT_EQ(Stored("Hodra_Y").toInt(), 80);
}

TEST_F(Window, ButtonsStayDisabledDuringARunAndResultsReachTheProfileAtClose) {
    test::ReplyScript slow;
    slow.clockOffset = -1.5;
    slow.delay = std::chrono::milliseconds(150);
    server.SetScript(slow);
    Profile("Log", 1);
    MainClockWindow& w = Open();
    w.button(dialog102::kSync)->click();
    EXPECT_FALSE(w.button(dialog102::kCompare)->isEnabled());
    EXPECT_FALSE(w.button(dialog102::kSync)->isEnabled());
    w.OnCompare();  // dropped while busy
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(w.button(dialog102::kCompare)->isEnabled());
    EXPECT_TRUE(w.button(dialog102::kSync)->isEnabled());
    EXPECT_LE(server.RequestsSeen(), SntpClient::kBurstRequests) << "one run";
    EXPECT_EQ(settings.ServerID, 1);
    EXPECT_TRUE(timers.blinking());
    EXPECT_EQ(test::ReadFile(dir.StdPath("HodraLog.txt")), ResultLog::FormatLine(settings.LastCon, settings.LastDiff))
        << "the helper's report, logged by the window's side";

    w.button(dialog102::kCompare)->click();
    w.close();  // cancels that run and saves what the synchronisation left
    EXPECT_EQ(Stored("ServerID").toInt(), 1);
    EXPECT_LT(std::abs(settings.LastDiff + 1.5), 0.1) << "the server's 1.5 s";
    EXPECT_EQ(Stored("LastDiff").toInt(), static_cast<int>(std::lround(settings.LastDiff * 1000))) << "milliseconds";
    EXPECT_GT(Stored("LastCon").toLongLong(), 0);
    EXPECT_FALSE(timers.autoSyncArmed());
}

// A server a year ahead: the timer's run only compares and says why; "동기" asks first, and
// only "예" goes on, to a run that may step that far once a second server agrees (the
// fixture's second server never answers).
TEST_F(Window, AStepOverTheLimitIsAskedForAndNeverMadeByTheTimer) {
    test::ReplyScript yearAhead;
    yearAhead.clockOffset = 365.0 * 86400;
    server.SetScript(yearAhead);
    MainClockWindow& w = Open();
    const QString tooLarge = QStringLiteral("PC가 365.0 일 늦지만 차이가 커서 안 맞췄습니다.");
    emit timers.autoSyncDue();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(w.message()->text(), tooLarge);
    EXPECT_EQ(VisibleBox(), nullptr) << "nobody is asked about an automatic run";

    for (const QString& answer : {QStringLiteral("아니요"), QStringLiteral("예")}) {
        w.button(dialog102::kSync)->click();
        QMessageBox* box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = VisibleBox()) != nullptr; }));
        EXPECT_TRUE(sync.busy()) << "the run waits for the answer";
        EXPECT_TRUE(box->text().contains(QStringLiteral("서버 시각: ") +
                                         QDateTime::currentDateTime().addYears(1).toString("yyyy년")));
        EXPECT_TRUE(box->text().contains(QStringLiteral("차이: PC가 31536000.0 초 늦습니다.")));
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == answer) {
                b->click();
            }
        }
        ASSERT_TRUE(WaitIdle());
    }
    EXPECT_EQ(w.message()->text(), QStringLiteral("다른 서버로 확인하지 못해 맞추지 않았습니다."));
    EXPECT_TRUE(driver.calls.empty()) << "no step, with or without the user's word, until a second server agrees";
    EXPECT_EQ(server.RequestsSeen(), 4 * SntpClient::kBurstRequests) << "timer, no, yes (measured again)";
}

TEST_F(Window, HideClearsShownEscapeDoesNotAndWithoutATrayBothMinimise) {
    MainClockWindow& w = Open();
    w.button(dialog102::kOk)->click();
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(state.MainWindowShown);
    w.show();
    state.MainWindowShown = true;
    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(state.MainWindowShown);

    w.show();
    bool tray = false;
    host.tray = [&tray] { return tray; };
    w.Hide();
    EXPECT_TRUE(w.isVisible()) << "without a tray the window must stay reachable";
    EXPECT_TRUE(w.isMinimized());
    EXPECT_FALSE(state.MainWindowShown);
    // The panel came up later: the next hide hides.
    w.showNormal();
    tray = true;
    w.Hide();
    EXPECT_FALSE(w.isVisible());
}

TEST_F(Window, SettingsSheetRestartsTheTimerAndSavesTheOptionsEvenWhenCancelled) {
    Profile("AutoConDuration", 5);
    MainClockWindow& w = Open();
    monotonic.Advance(4 * 60000);
    int opened = 0;
    host.sheet = [&](MainClockWindow& window) {
        ++opened;
        EXPECT_FALSE(timers.autoSyncArmed()) << "the timer stops while the sheet is open";
        window.OnSettings();  // a second settings command while open does nothing
        settings.TxtColor2 = 0x000000FF;
        settings.Small2 = true;
    };
    w.OnSettings();
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(w.settingsSheetOpen());
    EXPECT_EQ(timers.autoSyncTimer().remainingMs(), 5 * 60000);
    EXPECT_EQ(w.message()->textColour(), QColor(255, 0, 0));
    EXPECT_EQ(w.size(), QSize(243, 20));
    EXPECT_EQ(Stored("Small2").toInt(), 1);
    EXPECT_EQ(Stored("AutoConDuration").toInt(), 5);
}

TEST_F(Window, HelpOpensOnceAtATime) {
    MainClockWindow& w = Open();
    int nested = 0;
    QTimer::singleShot(0, [&] {
        EXPECT_TRUE(w.infoDialogOpen());
        w.OnHelp();  // ignored: the dialog is already open
        ++nested;
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "표준시 정보");
        dialog->close();
    });
    w.OnHelp();
    EXPECT_EQ(nested, 1);
    EXPECT_FALSE(w.infoDialogOpen());
}

TEST_F(Window, MinimiseAndRestoreFollowMainWindowShown) {
    MainClockWindow& w = Open();
    w.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_FALSE(state.MainWindowShown);
    w.showNormal();
    QCoreApplication::processEvents();
    EXPECT_TRUE(state.MainWindowShown);
}

}  // namespace
}  // namespace hodra
