#pragma once

#include <QString>
#include <ctime>

namespace hodra {

// The three strings both clocks draw for one instant of local time.
struct ClockTexts {
    QString period;  // "AM" / "PM", empty in the 24-hour display
    QString time;    // "%I:%M:%S" or "%H:%M:%S"
    QString date;    // "%04d년 %02d월 %02d일 %s요일"
};

std::tm LocalTime(std::time_t t);
ClockTexts TwelveHourTexts(const std::tm& local);
ClockTexts TwentyFourHourTexts(const std::tm& local);
QString DateLine(const std::tm& local);

}  // namespace hodra
