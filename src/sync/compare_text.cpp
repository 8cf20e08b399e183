#include "compare_text.h"

#include <charconv>
#include <cmath>

#include "messages.h"

namespace hodra {
namespace {

std::string Fill(const char* pattern, const std::string& number) {
    std::string out(pattern);
    const auto at = out.find("%1");
    out.replace(at, 2, number);
    return out;
}

struct CompareTexts {
    const char* fast;
    const char* slow;
    const char* inStep;
};

std::string Compared(double offset, const CompareTexts& texts) {
    if (offset <= -0.1) {
        return Fill(texts.fast, FormatFixed(-offset, 1));
    }
    if (offset >= 0.1) {
        return Fill(texts.slow, FormatFixed(offset, 1));
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

}  // namespace hodra
