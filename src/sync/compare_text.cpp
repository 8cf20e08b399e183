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
    if (offset <= -0.1) {
        return Fill(text::kPcFast, FormatFixed(-offset, 1));
    }
    if (offset >= 0.1) {
        return Fill(text::kPcSlow, FormatFixed(offset, 1));
    }
    return text::kInStep;
}

}  // namespace hodra
