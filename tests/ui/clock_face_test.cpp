#include <gtest/gtest.h>

#include <QImage>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <cstdlib>

#include "ui/clock_face.h"
#include "ui/clock_texts.h"
#include "ui/colorref.h"
#include "fake_tick_sound.h"

namespace hodra {
namespace {

std::tm At(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    std::time_t seconds = timegm(&t);
    std::tm out{};
    gmtime_r(&seconds, &out);  // fills the weekday
    return out;
}

TEST(ClockTexts, TwelveHourClockAndDateLine) {
    ClockTexts midnight = TwelveHourTexts(At(2026, 12, 8, 0, 0, 0));
    EXPECT_EQ(midnight.time, "12:00:00");
    EXPECT_EQ(midnight.period, "AM");
    ClockTexts noon = TwelveHourTexts(At(2026, 12, 8, 12, 0, 0));
    EXPECT_EQ(noon.time, "12:00:00");
    EXPECT_EQ(noon.period, "PM");
    ClockTexts afternoon = TwelveHourTexts(At(2026, 12, 8, 13, 5, 9));
    EXPECT_EQ(afternoon.time, "01:05:09");
    EXPECT_EQ(afternoon.period, "PM");
    EXPECT_EQ(DateLine(At(2001, 1, 15, 9, 0, 0)), "2001년 01월 15일 월요일");
    EXPECT_EQ(DateLine(At(2026, 12, 6, 9, 0, 0)), "2026년 12월 06일 일요일");
    ClockTexts evening = TwentyFourHourTexts(At(2026, 12, 8, 14, 5, 9));
    EXPECT_EQ(evening.time, "14:05:09");
    EXPECT_TRUE(evening.period.isEmpty());
}

class Face : public ::testing::Test {
protected:
    void SetUp() override {
        state.ClockRect = QRect(10, 28, 180, 50);
        parent.resize(300, 150);
        face = new ClockFace(settings, state, &tick, &parent, state.ClockRect, [this] { return now; });
    }

    Settings settings;
    WindowState state;
    test::FakeTickSound tick;
    std::time_t now = 1796700000;
    QWidget parent;
    ClockFace* face = nullptr;
};

TEST_F(Face, TicksOncePerChangeOfTheShownSecondOnlyWhileShownWithSound) {
    settings.Beep = true;
    face->OnTimer();
    EXPECT_EQ(tick.plays, 0);  // same second as at creation
    now += 1;
    face->OnTimer();
    face->OnTimer();
    EXPECT_EQ(tick.plays, 1);
    now -= 5;  // a synchronisation set the clock back: that change ticks too
    face->OnTimer();
    EXPECT_EQ(tick.plays, 2);
    EXPECT_EQ(face->shownTime(), now);

    state.MainWindowShown = false;
    now += 1;
    face->OnTimer();
    EXPECT_EQ(tick.plays, 2);
    EXPECT_EQ(face->shownTime(), now);  // the shown second follows all the same

    state.MainWindowShown = true;
    settings.Beep = false;
    now += 1;
    face->OnTimer();
    EXPECT_EQ(tick.plays, 2);
}

TEST_F(Face, ForwardsTheLeftButtonInScreenCoordinates) {
    QSignalSpy pressed(face, &ClockFace::leftPressed);
    QSignalSpy moved(face, &ClockFace::mouseMoved);
    QSignalSpy released(face, &ClockFace::leftReleased);
    QTest::mousePress(face, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    ASSERT_EQ(pressed.size(), 1);
    EXPECT_EQ(pressed.at(0).at(0).toPoint(), face->mapToGlobal(QPoint(10, 5)));
    EXPECT_EQ(moved.size(), 1);  // a move precedes the press
    QTest::mouseRelease(face, Qt::LeftButton, Qt::NoModifier, QPoint(10, 5));
    EXPECT_EQ(released.at(0).at(0).toPoint(), face->mapToGlobal(QPoint(10, 5)));
}

TEST_F(Face, CommandMenuOnlyInTheSmallLayouts) {
    QSignalSpy menu(face, &ClockFace::contextMenuRequested);
    QContextMenuEvent normal(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 205));
    QApplication::sendEvent(face, &normal);
    EXPECT_TRUE(menu.isEmpty());
    settings.Small2 = true;
    QContextMenuEvent slim(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(105, 205));
    QApplication::sendEvent(face, &slim);
    ASSERT_EQ(menu.size(), 1);
    EXPECT_EQ(menu.at(0).at(0).toPoint(), QPoint(105, 205));
}

// Counts the pixels of (nearly, allowing for antialiasing) one colour in a region.
int CountColour(const QImage& image, const QColor& colour, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            count += std::abs(c.red() - colour.red()) < 64 && std::abs(c.green() - colour.green()) < 64 &&
                     std::abs(c.blue() - colour.blue()) < 64;
        }
    }
    return count;
}

TEST_F(Face, PaintsTheTextColourOnTheBackgroundInEitherLayout) {
    settings.TxtColor = 0x0000FF00;
    settings.BgColor = 0x00402010;
    const QColor text = ToQColor(settings.TxtColor);
    const QColor background = ToQColor(settings.BgColor);
    QImage full = face->grab().toImage();
    EXPECT_EQ(full.pixelColor(1, 1), background);
    // The large time sits at (55, 15): its digits are in the text colour.
    EXPECT_GT(CountColour(full, text, QRect(55, 15, 120, 30)), 100);
    EXPECT_GT(CountColour(full, text, QRect(35, 4, 140, 11)), 20);  // the date line

    settings.Small2 = true;
    face->setGeometry(QRect(0, 0, 243, 20));
    QImage slim = face->grab().toImage();
    EXPECT_EQ(slim.size(), QSize(243, 20));
    EXPECT_GT(CountColour(slim, text, QRect(160, 3, 55, 14)), 20);  // the time
    EXPECT_GT(CountColour(slim, text, QRect(220, 3, 22, 14)), 10);  // AM/PM
    EXPECT_EQ(slim.pixelColor(158, 1), background);
}

}  // namespace
}  // namespace hodra
