#include "ui/clock_texts.h"

#include "ui/ui_texts.h"

namespace hodra {
namespace {

QString Format(const char* pattern, const std::tm& local) {
    char buffer[32];
    const std::size_t n = std::strftime(buffer, sizeof buffer, pattern, &local);
    return QString::fromLatin1(buffer, static_cast<qsizetype>(n));
}

}  // namespace

std::tm LocalTime(std::time_t t) {
    // localtime_r does not look at the zone again: a change of the system's zone while the
    // program runs shows at the next tick.
    tzset();
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

QString DateLine(const std::tm& local) {
    return QString(text::kDateLine)
        .arg(local.tm_year + 1900, 4, 10, QLatin1Char('0'))
        .arg(local.tm_mon + 1, 2, 10, QLatin1Char('0'))
        .arg(local.tm_mday, 2, 10, QLatin1Char('0'))
        .arg(QString::fromUtf8(text::kWeekdays[((local.tm_wday % 7) + 7) % 7]));
}

ClockTexts TwelveHourTexts(const std::tm& local) {
    return {local.tm_hour < 12 ? QStringLiteral("AM") : QStringLiteral("PM"), Format("%I:%M:%S", local),
            DateLine(local)};
}

ClockTexts TwentyFourHourTexts(const std::tm& local) {
    return {QString(), Format("%H:%M:%S", local), DateLine(local)};
}

}  // namespace hodra
