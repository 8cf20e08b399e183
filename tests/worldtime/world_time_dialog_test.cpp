#include <gtest/gtest.h>

#include <QAccessible>
#include <QMouseEvent>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <fstream>

#include "modal_watcher.h"
#include "worldtime/region_clock.h"
#include "temp_dir.h"
#include "cp949_bytes.h"
#include "worldtime/world_time_dialog.h"
#include "worldtime/world_time_table.h"

namespace hodra {
namespace {

class Dialog : public ::testing::Test {
protected:
    void SetUp() override {
        const QByteArray body =
            test::Cp949(QStringLiteral("유럽 3 런던(영국) -540 3 15 파리(프랑스) -480 2 16 런던데리(영국) -540 3 15 "
                                       "아메리카 2 뉴욕(미국) -840 16 13 런던(캐나다) -840 16 13 "
                                       "빈 0 d 0 e 0 f 0 g 0 h 0"));
        std::ofstream(path, std::ios::binary).write(body.constData(), body.size());
    }
    std::unique_ptr<WorldTimeDialog> Open(const std::string& file) {
        auto d = std::make_unique<WorldTimeDialog>(
            table, settings, state, nullptr, [this] { return now; }, [file] { return file; });
        d->show();
        return d;
    }
    void Type(WorldTimeDialog& d, const QString& text) { d.searchEdit()->setText(text); }

    test::TempDir dir;
    std::string path = dir.StdPath("table.txt");
    WorldTimeTable table;
    Settings settings;
    WindowState state;
    std::time_t now = 1784030400;  // 2026-07-14 12:00:00 UTC
};

TEST_F(Dialog, TreeShowsTheRootAndCollapsedGroups) {
    auto d = Open(path);
    EXPECT_EQ(d->windowTitle(), "세계시각");
    ASSERT_EQ(d->tree()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = d->tree()->topLevelItem(0);
    EXPECT_EQ(root->text(0), "세계시간표");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 8);
    EXPECT_FALSE(root->child(0)->isExpanded());
    EXPECT_EQ(root->child(1)->child(0)->data(0, Qt::UserRole).toInt(), 3);
    EXPECT_EQ(d->searchText(), "찾고자 하는 도시/국가명");
    EXPECT_EQ(d->selectedRegion(), -1);
}

// Names with the rarer syllables and a backslash, written in the Korean Windows code page,
// show in the tree as written and are found.
TEST_F(Dialog, RareSyllablesShowAndAreFound) {
    const QByteArray body =
        test::Cp949(QStringLiteral("아시아 2 뷁\\쌰(가상) 60 0 0 똠양(태국) 120 0 0 b 0 c 0 d 0 e 0 f 0 g 0 h 0"));
    std::ofstream(path, std::ios::binary).write(body.constData(), body.size());
    auto d = Open(path);
    QTreeWidgetItem* group = d->tree()->topLevelItem(0)->child(0);
    EXPECT_EQ(group->child(0)->text(0), "뷁\\쌰(가상)");
    Type(*d, "똠");
    d->FindRegion();
    ASSERT_NE(d->tree()->currentItem(), nullptr);
    EXPECT_EQ(d->tree()->currentItem()->text(0), "똠양(태국)");
}

TEST_F(Dialog, FindSelectsTheFirstMatchInTreeOrderEveryTime) {
    auto d = Open(path);
    for (int round = 0; round < 2; ++round) {
        Type(*d, "런던");
        d->FindRegion();
        EXPECT_EQ(d->selectedRegion(), 0);
        EXPECT_EQ(d->tree()->currentItem()->text(0), "런던(영국)");
        EXPECT_TRUE(d->tree()->currentItem()->parent()->isExpanded());
        EXPECT_EQ(state.selectionBlinkCount, 18);
        EXPECT_TRUE(d->description().startsWith("선택하신 지역은 한국보다 9시 0분이 늦은 지역입니다.현재시각은"))
            << d->description().toStdString();
    }
    Type(*d, "캐나다");
    d->FindRegion();
    EXPECT_EQ(d->selectedRegion(), 4);
}

TEST_F(Dialog, NoMatchKeepsTheSelectionAndAnEmptyTextBringsThePromptBack) {
    auto d = Open(path);
    Type(*d, "파리");
    d->FindRegion();
    ASSERT_EQ(d->selectedRegion(), 1);
    Type(*d, "서울");
    d->FindRegion();
    EXPECT_EQ(d->description(), "입력하신 지역을 찾을 수 없습니다");
    EXPECT_EQ(d->selectedRegion(), 1);
    EXPECT_EQ(d->tree()->currentItem()->text(0), "파리(프랑스)");
    Type(*d, "");
    d->FindRegion();
    EXPECT_EQ(d->description(), "지역을 입력해 주십시오");
    EXPECT_EQ(d->searchEdit()->text(), "찾고자 하는 도시/국가명");
    EXPECT_EQ(d->selectedRegion(), 1);
}

TEST_F(Dialog, SelectingAGroupClearsTheDescription) {
    auto d = Open(path);
    QTreeWidgetItem* europe = d->tree()->topLevelItem(0)->child(0);
    d->tree()->setCurrentItem(europe->child(2));
    EXPECT_EQ(d->selectedRegion(), 2);
    EXPECT_FALSE(d->description().isEmpty());
    d->tree()->setCurrentItem(europe);
    EXPECT_EQ(d->selectedRegion(), -1);
    EXPECT_TRUE(d->description().isEmpty());
}

TEST_F(Dialog, EnterFindsEscapeDoesNothingAndCloseOnlyHides) {
    auto d = Open(path);
    d->searchEdit()->setFocus();
    Type(*d, "뉴욕");
    QTest::keyClick(d->searchEdit(), Qt::Key_Return);
    EXPECT_EQ(d->searchText(), "뉴욕") << "after enter";
    EXPECT_EQ(d->selectedRegion(), 3);
    EXPECT_TRUE(d->isVisible());
    QTest::keyClick(d.get(), Qt::Key_Escape);
    EXPECT_TRUE(d->isVisible());
    for (QPushButton* b : d->findChildren<QPushButton*>()) {
        if (b->text() == "닫기") {
            b->click();
        }
    }
    EXPECT_FALSE(d->isVisible());
    d->show();
    EXPECT_EQ(d->selectedRegion(), 3);
    EXPECT_EQ(d->tree()->currentItem()->text(0), "뉴욕(미국)");
    EXPECT_EQ(d->searchText(), "뉴욕");
}

TEST_F(Dialog, EnteringTheEditClearsIt) {
    auto d = Open(path);
    QCoreApplication::processEvents();
    EXPECT_EQ(d->searchEdit()->text(), "찾고자 하는 도시/국가명") << "the prompt shows until the user enters";
    QFocusEvent in(QEvent::FocusIn, Qt::MouseFocusReason);
    QApplication::sendEvent(d->searchEdit(), &in);
    EXPECT_EQ(d->searchEdit()->text(), "");
}

TEST_F(Dialog, MissingTableSaysSoAndLeavesTheTreeEmpty) {
    test::ModalWatcher watcher;
    auto d = Open(dir.StdPath("missing.txt"));
    EXPECT_EQ(watcher.texts, QStringList{"시간표 파일이 없습니다"});
    EXPECT_EQ(d->tree()->topLevelItemCount(), 0);
    Type(*d, "런던");
    d->FindRegion();
    EXPECT_EQ(d->description(), "입력하신 지역을 찾을 수 없습니다");
}

class ZoneOfThePc {
public:
    explicit ZoneOfThePc(const char* tz) {
        const char* old = std::getenv("TZ");
        had = old != nullptr;
        saved = had ? old : "";
        setenv("TZ", tz, 1);
        tzset();
    }
    ~ZoneOfThePc() {
        had ? setenv("TZ", saved.c_str(), 1) : unsetenv("TZ");
        tzset();
    }

private:
    bool had = false;
    std::string saved;
};

TEST(RegionClockTime, RightOnAPcInAnyZone) {
    Settings settings;
    int blink = 0;
    RegionEntry utc;
    utc.offsetMinutes = -540;
    const RegionEntry* shown = &utc;
    const std::time_t at = 1784030400;  // 2026-07-14 12:00:00 UTC, a Tuesday
    QWidget parent;
    RegionClock clock(
        settings, blink, [&] { return shown; }, &parent, QRect(0, 0, 260, 60), [&] { return at; });
    for (const char* pcZone : {"UTC", "Asia/Seoul", "Europe/Paris", "America/New_York"}) {
        ZoneOfThePc zone(pcZone);
        const auto texts = clock.shownTexts();
        EXPECT_EQ(texts.time, "12:00:00") << pcZone;
        EXPECT_EQ(texts.period, "PM") << pcZone;
        EXPECT_EQ(texts.date, "2026년 07월 14일 화요일") << pcZone;
    }
    // A negative offset that crosses midnight moves the date and weekday.
    RegionEntry honolulu;
    honolulu.offsetMinutes = -1140;
    shown = &honolulu;
    EXPECT_EQ(clock.shownTexts().date, "2026년 07월 14일 화요일");
    EXPECT_EQ(clock.shownTexts().time, "02:00:00");
    RegionEntry fiji;
    fiji.offsetMinutes = 180;
    shown = &fiji;
    EXPECT_EQ(clock.shownTexts().date, "2026년 07월 15일 수요일");
    // The region's summer hour comes on top.
    RegionEntry paris;
    paris.offsetMinutes = -480;
    paris.dstStart = 2;
    paris.dstEnd = 16;
    shown = &paris;
    EXPECT_EQ(clock.shownTexts().time, "02:00:00");
    // No region: the PC's own time, in the zone it has now: a change of zone while the
    // program runs (here without anyone calling tzset) shows at the next tick.
    shown = nullptr;
    ZoneOfThePc seoul("Asia/Seoul");
    EXPECT_EQ(clock.shownTexts().time, "09:00:00");
    setenv("TZ", "Europe/London", 1);
    EXPECT_EQ(clock.shownTexts().time, "01:00:00");
}

// A double click is two presses; Qt delivers the second both as a press and as a double
// click, and the clock flips once for each press.
TEST(RegionClockTime, EachPressFlipsTwelveAndTwentyFourHoursOnce) {
    Settings settings;
    int blink = 0;
    QWidget parent;
    RegionClock clock(
        settings, blink, [] { return nullptr; }, &parent, QRect(0, 0, 260, 60));
    ASSERT_TRUE(clock.twelveHour());
    const QPointF at(10, 10);
    const auto send = [&](QEvent::Type type) {
        QMouseEvent e(type, at, clock.mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&clock, &e);
    };
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonRelease);
    EXPECT_FALSE(clock.twelveHour());
    send(QEvent::MouseButtonPress);
    send(QEvent::MouseButtonDblClick);
    send(QEvent::MouseButtonRelease);
    EXPECT_TRUE(clock.twelveHour()) << "the double click's second press flips back, once";
}

TEST(RegionClockTime, AScreenReaderReadsTheRegionsDateAndTime) {
    Settings settings;
    int blink = 0;
    RegionEntry utc;
    utc.offsetMinutes = -540;
    QWidget parent;
    RegionClock clock(
        settings, blink, [&] { return &utc; }, &parent, QRect(0, 0, 260, 60), [] { return std::time_t{1784030400}; });
    QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&clock);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->role(), QAccessible::Clock);
    EXPECT_EQ(shown->text(QAccessible::Name), "지역 시각");
    EXPECT_EQ(shown->text(QAccessible::Value), "2026년 07월 14일 화요일 PM 12:00:00");
}

TEST(RegionClockTime, ClickSwitchesBetweenTwelveAndTwentyFourHours) {
    Settings settings;
    int blink = 0;
    RegionEntry e;
    e.offsetMinutes = -540;
    const std::time_t at = 1784037909;  // 14:05:09 UTC
    QWidget parent;
    RegionClock clock(
        settings, blink, [&] { return &e; }, &parent, QRect(0, 0, 260, 60), [&] { return at; });
    EXPECT_EQ(clock.shownTexts().time, "02:05:09");
    EXPECT_EQ(clock.shownTexts().period, "PM");
    QTest::mouseClick(&clock, Qt::LeftButton);
    EXPECT_EQ(clock.shownTexts().time, "14:05:09");
    EXPECT_TRUE(clock.shownTexts().period.isEmpty());
    QTest::mouseClick(&clock, Qt::LeftButton);
    EXPECT_EQ(clock.shownTexts().time, "02:05:09");
}

TEST(RegionClockTime, SelectionBlinkPaintByPaint) {
    Settings settings;
    int blink = 18;
    QWidget parent;
    RegionClock clock(
        settings, blink, [] { return nullptr; }, &parent, QRect(0, 0, 260, 60));
    std::string pattern;
    for (int paint = 0; paint < 20; ++paint) {
        pattern += clock.textVisibleInNextPaint() ? 'T' : '.';
        clock.grab();  // one paint
    }
    EXPECT_EQ(pattern, "T...TTT...TTT...TTTT");
    EXPECT_EQ(blink, 0);
}

}  // namespace
}  // namespace hodra
