#include <gtest/gtest.h>

#include "worldtime/region_description.h"
#include "worldtime/wall_time.h"
#include "worldtime/world_time_table.h"

namespace hodra {
namespace {

RegionEntry Region(int offset, int start, int end) {
    RegionEntry e;
    e.offsetMinutes = offset;
    e.dstStart = start;
    e.dstEnd = end;
    return e;
}

// UTC instant at which the region's standard wall clock reads the given time.
std::time_t WhenRegionReads(const RegionEntry& e, const WallTime& standard) {
    return standard.ToSeconds() - 9 * 3600 - e.offsetMinutes * 60;
}

TEST(Description, DifferenceLines) {
    EXPECT_EQ(DifferenceLine(-90), "선택하신 지역은 한국보다 1시 30분이 늦은 지역입니다.");
    EXPECT_EQ(DifferenceLine(345), "선택하신 지역은 한국보다 5시 45분이 빠른 지역입니다.");
    EXPECT_EQ(DifferenceLine(-30), "선택하신 지역은 한국보다 0시 30분이 늦은 지역입니다.");
    EXPECT_EQ(DifferenceLine(0), "선택하신 지역은 한국과 같은 시간대 지역 입니다");
}

TEST(Description, EachDaylightSavingVariant) {
    const std::time_t anyTime = 1790000000;
    EXPECT_EQ(ComposeDescription(nullptr, anyTime), "");
    const RegionEntry unknown = Region(-90, -1, 3);
    EXPECT_EQ(ComposeDescription(&unknown, anyTime),
              "선택하신 지역은 한국보다 1시 30분이 늦은 지역입니다.\n"
              "이 지역은 아직 일광절약시간 적용여부가 확인 되지 않았습니다.");
    const RegionEntry none = Region(345, 0, 7);
    EXPECT_EQ(ComposeDescription(&none, anyTime),
              "선택하신 지역은 한국보다 5시 45분이 빠른 지역입니다.\n이 지역은 일광절약시간을 적용하지 않습니다.");
    const RegionEntry europe = Region(-480, 2, 1);
    EXPECT_EQ(ComposeDescription(&europe, WhenRegionReads(europe, {2026, 1, 15, 12, 0, 0})),
              "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.\n"
              "일광절약시간을 적용하는 지역이지만 현재 일광절약시간 적용기간이 아닙니다.");
    EXPECT_EQ(
        ComposeDescription(&europe, WhenRegionReads(europe, {2026, 7, 15, 12, 0, 0})),
        "선택하신 지역은 한국보다 8시 0분이 늦은 지역입니다.현재시각은 일광절약시간이 적용된 시각입니다.\n"
        "현지시간 기준 3월 마지막 일요일 오전 2시부터 10월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.");
    const RegionEntry same = Region(0, 15, 12);  // code 15 and 12 have no texts
    EXPECT_EQ(ComposeDescription(&same, WhenRegionReads(same, {2026, 7, 15, 12, 0, 0})),
              "선택하신 지역은 한국과 같은 시간대 지역 입니다현재시각은 일광절약시간이 적용된 시각입니다.\n");
}

TEST(Description, EveryRuleCodeWithDatesHasItsTexts) {
    for (int code = 1; code <= 22; ++code) {
        if (code != 15) {
            EXPECT_TRUE(DstStartText(code).startsWith("현지시간 기준 ")) << code;
            EXPECT_TRUE(DstStartText(code).endsWith("부터 ")) << code;
        }
    }
    for (int code = 1; code <= 21; ++code) {
        if (code != 12) {
            EXPECT_TRUE(DstEndText(code).endsWith("까지 일광절약시간 적용기간 입니다.")) << code;
        }
    }
    EXPECT_TRUE(DstStartText(23).isEmpty());
    EXPECT_TRUE(DstEndText(22).isEmpty());
}

}  // namespace
}  // namespace hodra
