// Every window of the program on a 1024×768 screen at scale factor 2 (512×384 points): each
// lies inside the screen, its content scrolling where it is long. Run with QT_SCALE_FACTOR=2
// on an offscreen screen of that size (see the suite's registration).
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScreen>
#include <QTextLayout>
#include <QTest>

#include "history/history_window.h"
#include "ui/info_dialog.h"
#include "ui/large_step_question.h"
#include "dialogs/screen_fit.h"
#include "ui/settings_sheet.h"
#include "platform/web_browser.h"
#include "worldtime/world_time_dialog.h"
#include "worldtime/world_time_table.h"

namespace hodra {
namespace {

class SmallScreen : public ::testing::Test {
protected:
    void SetUp() override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        ASSERT_EQ(screen->devicePixelRatio(), 2.0) << "QT_SCALE_FACTOR=2 is not in effect";
        ASSERT_EQ(screen->availableGeometry().size(), QSize(512, 384));
    }
    // Shown, the window lies inside the screen with room left for a window manager's frame.
    void ExpectInside(QWidget& w, const char* name) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w)) << name;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.contains(w.frameGeometry())) << name;
        EXPECT_LE(w.width() + kFrameRoom.width(), screen.width()) << name;
        EXPECT_LE(w.height() + kFrameRoom.height(), screen.height()) << name;
    }
};

TEST_F(SmallScreen, EveryDialogFits) {
    QWidget clock;  // what the dialogs open over
    clock.resize(200, 100);
    clock.show();
    InfoDialog help(&clock, HODRA_SOURCE_RES "/Hodra2.hlp");
    ExpectInside(help, "help");
    WorldTimeTable table;
    Settings settings;
    WindowState state;
    WorldTimeDialog worldTime(table, settings, state, nullptr, {},
                              [] { return std::string(HODRA_SOURCE_RES "/세계시간표2.txt"); });
    ExpectInside(worldTime, "world time");
    const Deployment deployment{"127.0.0.1:9", "127.0.0.1:9", "http://127.0.0.1:9/"};
    const WebPageLauncher noBrowser([](const QUrl&, const WebPageLauncher::Done& done) { done(false); });
    SettingsSheet sheet(settings, deployment, LastServer{}, noBrowser, &clock);
    ExpectInside(sheet, "settings");
    HistoryWindow history;
    history.SetRecords({}, QDateTime::currentDateTime());
    ExpectInside(history, "history");
}

// The question's two date-times each stay whole on a line, wherever the box breaks its lines.
TEST_F(SmallScreen, TheQuestionKeepsEachDateTimeOnOneLine) {
    QWidget clock;
    clock.show();
    LargeStepQuestion::Ask(&clock, 7200.0, [](bool) {});
    QMessageBox* box = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] { return (box = clock.findChild<QMessageBox*>()) && box->isVisible(); }));
    ExpectInside(*box, "question");
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    const QRegularExpression dateTime(QStringLiteral("\\d{4}년.\\d+월.\\d+일.\\d\\d:\\d\\d:\\d\\d"));
    int found = 0;
    for (const QString& paragraph : label->text().split('\n')) {
        const QRegularExpressionMatch match = dateTime.match(paragraph);
        if (!match.hasMatch()) {
            continue;
        }
        ++found;
        QTextLayout layout(paragraph, label->font());
        QTextOption wrap;
        wrap.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(wrap);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(label->contentsRect().width());
        }
        layout.endLayout();
        EXPECT_EQ(layout.lineForTextPosition(match.capturedStart()).lineNumber(),
                  layout.lineForTextPosition(match.capturedEnd() - 1).lineNumber())
            << paragraph.toStdString() << " at " << label->contentsRect().width() << " points";
    }
    EXPECT_EQ(found, 2);
    box->reject();
}

}  // namespace
}  // namespace hodra
