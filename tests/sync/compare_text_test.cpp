#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>

#include "sync/compare_text.h"

namespace hodra {
namespace {

TEST(CompareText, ThresholdsAreInclusiveAtOneTenth) {
    EXPECT_EQ(CompareText(-0.1), "사용자 PC가 0.1 초 빠릅니다.");
    EXPECT_EQ(CompareText(0.1), "사용자 PC가 0.1 초 늦습니다.");
    EXPECT_EQ(CompareText(0.0999), "한국표준시에 동기되어 있습니다.");
    EXPECT_EQ(CompareText(-0.0999), "한국표준시에 동기되어 있습니다.");
    EXPECT_EQ(CompareText(0.0), "한국표준시에 동기되어 있습니다.");
    EXPECT_EQ(CompareText(-12.345), "사용자 PC가 12.3 초 빠릅니다.");
    EXPECT_EQ(CompareText(0.149), "사용자 PC가 0.1 초 늦습니다.");
    EXPECT_EQ(CompareText(5.25006), "사용자 PC가 5.3 초 늦습니다.");
    EXPECT_EQ(CompareText(86400.0 * 365), "사용자 PC가 31536000.0 초 늦습니다.");
}

TEST(CompareText, IgnoresTheProcessLocale) {
    // Qt applications call setlocale(LC_ALL, ""), so a user's decimal comma must not leak in.
    const char* decimalComma = nullptr;
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) != nullptr) {
            decimalComma = name;
            break;
        }
    }
    if (decimalComma == nullptr) {
        GTEST_SKIP() << "no locale with a decimal comma is installed";
    }
    EXPECT_EQ(CompareText(1.25), "사용자 PC가 1.2 초 늦습니다.");
    EXPECT_EQ(FormatFixed(-0.25, 3), "-0.250");
    std::setlocale(LC_NUMERIC, "C");
}

// The texts are specified as "%.1f": the same digits, ties included (5.25 gives 5.2).
TEST(FormatFixed, AgreesWithPrintfInTheCLocale) {
    char expected[64];
    for (double v = -50.0; v < 50.0; v += 0.0125) {
        std::snprintf(expected, sizeof expected, "%.1f", v);
        ASSERT_EQ(FormatFixed(v, 1), expected) << v;
        std::snprintf(expected, sizeof expected, "%.3f", v);
        ASSERT_EQ(FormatFixed(v, 3), expected) << v;
    }
}

TEST(FormatFixed, SignAndDecimals) {
    EXPECT_EQ(FormatFixed(5.25, 6, true), "+5.250000");
    EXPECT_EQ(FormatFixed(-0.0000304, 6, true), "-0.000030");
    EXPECT_EQ(FormatFixed(1.5, 3), "1.500");
}

}  // namespace
}  // namespace hodra
