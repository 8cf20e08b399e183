#include <gtest/gtest.h>

#include <sstream>

#include "build_info.h"
#include "tools/worldtime_command.h"

namespace hodra {
namespace {

const std::string kTable = std::string(kSourceResDir) + "/세계시간표2.txt";

struct Outcome {
    int status;
    std::string out, err;
};

Outcome RunTool(const std::vector<std::string>& args, const std::string& table = kTable) {
    const auto options = ParseWorldTimeArguments(args);
    if (!options) {
        return {2, "", ""};
    }
    std::ostringstream out, err;
    const int status = RunWorldTimeCommand(*options, table, out, err);
    return {status, out.str(), err.str()};
}

TEST(WorldTimeCommand, OneLinePerMatchingRegion) {
    const Outcome summer = RunTool({"--at", "2026-07-01T12:00:00Z", "런던"});
    EXPECT_EQ(summer.status, 0);
    EXPECT_EQ(summer.out,
              "유럽\t런던(영국)\t2026-07-01 13:00:00\t-09:00\tyes\t선택하신 지역은 한국보다 9시 0분이 늦은 지역입니다."
              "현재시각은 일광절약시간이 적용된 시각입니다. / 현지시간 기준 3월 마지막 일요일 오전 1시부터 "
              "10월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.\n");
    const Outcome both = RunTool({"--at", "2026-12-24T00:00:00Z", "시드니", "카트만두"});
    EXPECT_NE(both.out.find("\t시드니(호주)\t2026-12-24 11:00:00\t+01:00\tyes\t"), std::string::npos) << both.out;
    EXPECT_NE(both.out.find("\t카트만두(네팔)\t2026-12-24 05:45:00\t-03:15\tno\t"), std::string::npos) << both.out;
    const Outcome all = RunTool({"--at", "2026-12-24T00:00:00Z"});
    EXPECT_GE(std::count(all.out.begin(), all.out.end(), '\n'), 200);
}

TEST(WorldTimeCommand, FailuresAndUsage) {
    const Outcome none = RunTool({"아틀란티스"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.err, "입력하신 지역을 찾을 수 없습니다\n");
    const Outcome missing = RunTool({"런던"}, "/nonexistent/세계시간표2.txt");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "시간표 파일이 없습니다\n");
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--at"},
                                                {"--at", "2026-07-01 12:00:00"},
                                                {"--at", "2026-02-30T00:00:00Z"},
                                                {"-x"}}) {
        EXPECT_EQ(RunTool(bad).status, 2);
    }
    EXPECT_EQ(ParseUtcInstant("1970-01-01T00:00:10Z"), std::optional<std::time_t>(10));
}

}  // namespace
}  // namespace hodra
