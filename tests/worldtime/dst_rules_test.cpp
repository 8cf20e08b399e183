#include <gtest/gtest.h>

#include "worldtime/dst_rules.h"
#include "worldtime/world_time_table.h"

namespace hodra {
namespace {

RegionEntry Rule(int start, int end) {
    RegionEntry e;
    e.dstStart = start;
    e.dstEnd = end;
    return e;
}

WallTime T(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return {y, mo, d, h, mi, s};
}

// In the period exactly from `first` through `last`, and not a second either side
// (the year's own ends excepted, where a southern period runs on into the next year).
void ExpectPeriodEdges(const RegionEntry& e, const WallTime& first, const WallTime& last) {
    const bool fromNewYear = first == WallTime{first.year, 1, 1, 0, 0, 0};
    const bool toYearEnd = last == WallTime{last.year, 12, 31, 23, 59, 59};
    const auto before = WallTime::FromSeconds(first.ToSeconds() - 1);
    const auto after = WallTime::FromSeconds(last.ToSeconds() + 1);
    EXPECT_TRUE(fromNewYear || !InDaylightSavingPeriod(e, before)) << e.dstStart << "/" << e.dstEnd;
    EXPECT_TRUE(InDaylightSavingPeriod(e, first)) << e.dstStart << "/" << e.dstEnd;
    EXPECT_TRUE(InDaylightSavingPeriod(e, last)) << e.dstStart << "/" << e.dstEnd;
    EXPECT_TRUE(toYearEnd || !InDaylightSavingPeriod(e, after)) << e.dstStart << "/" << e.dstEnd;
}

TEST(DstRules, OriginalRulesAtTheirBoundaries) {
    // 2024: 31 March and 27 October are Sundays.
    ExpectPeriodEdges(Rule(2, 1), T(2024, 3, 31, 2), T(2024, 10, 27, 2));
    ExpectPeriodEdges(Rule(9, 7), T(2026, 4, 1), T(2026, 10, 1));
    ExpectPeriodEdges(Rule(1, 4), T(2026, 4, 5, 2), T(2026, 10, 25, 1));
    ExpectPeriodEdges(Rule(6, 6), T(2026, 10, 4), T(2026, 12, 31, 23, 59, 59));
    ExpectPeriodEdges(Rule(8, 5), T(2025, 10, 12), T(2025, 12, 31, 23, 59, 59));
    // Southern hemisphere: two stretches of the same year.
    const RegionEntry south = Rule(12, 9);
    EXPECT_TRUE(InDaylightSavingPeriod(south, T(2026, 1, 1)));
    ExpectPeriodEdges(south, T(2026, 1, 1), T(2026, 3, 29, 2));
    ExpectPeriodEdges(south, T(2026, 10, 25, 2), T(2026, 12, 31, 23, 59, 59));
    EXPECT_FALSE(InDaylightSavingPeriod(south, T(2026, 7, 1)));
}

TEST(DstRules, NoneUnknownAndUnlistedCodesAreNeverInThePeriod) {
    for (const auto& rule : {Rule(0, 1), Rule(2, 0), Rule(-1, 1), Rule(99, 1), Rule(2, 99), Rule(15, 12)}) {
        for (int month = 1; month <= 12; ++month) {
            if (rule.dstStart == 15 && month >= 3 && month <= 10) {
                continue;  // 15/12 has dates: 25 March 03:00 to 28 October 04:00
            }
            EXPECT_FALSE(InDaylightSavingPeriod(rule, T(2026, month, 15, 12))) << rule.dstStart << "/" << rule.dstEnd;
        }
    }
    ExpectPeriodEdges(Rule(15, 12), T(2026, 3, 25, 3), T(2026, 10, 28, 4));
}

TEST(DstRules, TodaysRulesInStandardTime) {
    // United States and Canada, 2026: 8 March 02:00 to 1 November 02:00 daylight (01:00 standard).
    ExpectPeriodEdges(Rule(16, 13), T(2026, 3, 8, 2), T(2026, 11, 1, 0, 59, 59));
    // 2027: 14 March to 7 November.
    ExpectPeriodEdges(Rule(16, 13), T(2027, 3, 14, 2), T(2027, 11, 7, 0, 59, 59));
    // Cuba: 0:00 standard both ways.
    ExpectPeriodEdges(Rule(17, 14), T(2026, 3, 8, 0), T(2026, 10, 31, 23, 59, 59));
    // European Union at UTC+0, +1, +2: 01:00 UTC both ways.
    ExpectPeriodEdges(Rule(3, 15), T(2026, 3, 29, 1), T(2026, 10, 25, 0, 59, 59));
    ExpectPeriodEdges(Rule(2, 16), T(2026, 3, 29, 2), T(2026, 10, 25, 1, 59, 59));
    ExpectPeriodEdges(Rule(4, 17), T(2026, 3, 29, 3), T(2026, 10, 25, 2, 59, 59));
    // Israel: the Friday before the last Sunday of March.
    ExpectPeriodEdges(Rule(18, 15), T(2026, 3, 27, 2), T(2026, 10, 25, 0, 59, 59));
    // Lebanon: midnight both ways.
    ExpectPeriodEdges(Rule(5, 18), T(2026, 3, 29, 0), T(2026, 10, 24, 22, 59, 59));
    // Egypt: last Friday of April to the end of the last Thursday of October.
    ExpectPeriodEdges(Rule(19, 19), T(2026, 4, 24, 0), T(2026, 10, 29, 22, 59, 59));
    // Chile (southern): to the night before the first Sunday from 2 April, from the first
    // Sunday from 2 September.
    ExpectPeriodEdges(Rule(20, 20), T(2026, 1, 1), T(2026, 4, 4, 22, 59, 59));
    ExpectPeriodEdges(Rule(20, 20), T(2026, 9, 6, 0), T(2026, 12, 31, 23, 59, 59));
    // South-east Australia and New Zealand.
    ExpectPeriodEdges(Rule(21, 21), T(2026, 1, 1), T(2026, 4, 5, 1, 59, 59));
    ExpectPeriodEdges(Rule(21, 21), T(2026, 10, 4, 2), T(2026, 12, 31, 23, 59, 59));
    ExpectPeriodEdges(Rule(22, 21), T(2026, 9, 27, 2), T(2026, 12, 31, 23, 59, 59));
}

TEST(WallTime, WeekdaysAndSeconds) {
    EXPECT_EQ(T(2024, 3, 31).Weekday(), 0);
    EXPECT_EQ(T(2001, 1, 15).Weekday(), 1);
    EXPECT_EQ(T(2000, 2, 29).Weekday(), 2);
    const WallTime t = T(2030, 12, 31, 23, 59, 59);
    EXPECT_EQ(WallTime::FromSeconds(t.ToSeconds()), t);
    EXPECT_LT(T(2026, 1, 1), T(2026, 1, 1, 0, 0, 1));
}

}  // namespace
}  // namespace hodra
