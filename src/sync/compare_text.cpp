#include "sync/compare_text.h"

#include <charconv>
#include <cmath>

#include "sync/sync_texts.h"

namespace hodra {
namespace {

struct CompareTexts {
    const char* fast;
    const char* slow;
    const char* inStep;
};

std::string Compared(double offset, const CompareTexts& texts) {
    if (offset <= -0.1) {
        return text::Fill(texts.fast, FormatFixed(-offset, 1));
    }
    if (offset >= 0.1) {
        return text::Fill(texts.slow, FormatFixed(offset, 1));
    }
    return texts.inStep;
}

}  // namespace

std::string FormatFixed(double value, int decimals, bool withSign) {
    if (!std::isfinite(value)) {
        return "nan";
    }
    char buffer[512];
    char* begin = buffer;
    if (withSign && !std::signbit(value)) {
        *begin++ = '+';
    }
    const auto [end, ec] = std::to_chars(begin, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (ec != std::errc()) {
        return "nan";
    }
    return std::string(buffer, end);
}

std::string CompareText(double offset) {
    return Compared(offset, {text::kPcFast, text::kPcSlow, text::kInStep});
}

std::string SystemKeepsClockText(double offset) {
    return Compared(offset, {text::kSystemPcFast, text::kSystemPcSlow, text::kSystemInStep});
}

// The line is narrow and the difference may be years: whole seconds below a day, days
// with a decimal above (the question box and the report give it exactly).
std::string LargeStepText(double offset) {
    constexpr double kDay = 86400.0;
    const double size = std::abs(offset);
    const std::string amount = size < kDay ? FormatFixed(std::round(size), 0) + text::kSecondsUnit
                                           : FormatFixed(size / kDay, 1) + text::kDaysUnit;
    return text::Fill(offset < 0.0 ? text::kLargeStepFast : text::kLargeStepSlow, amount);
}

std::string DisagreementText(double secondOffset, double firstOffset) {
    return text::Fill(text::kDisagreement, FormatFixed(secondOffset, 3, true), FormatFixed(firstOffset, 3, true));
}

}  // namespace hodra
