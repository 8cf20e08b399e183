#pragma once

// The world time dialog's texts and its description of a region (also hodra2-worldtime's).
namespace hodra::text {

inline constexpr char kSearchPrompt[] = "찾고자 하는 도시/국가명";
inline constexpr char kEnterRegion[] = "지역을 입력해 주십시오";
inline constexpr char kRegionNotFound[] = "입력하신 지역을 찾을 수 없습니다";
inline constexpr char kNoWorldTimeFile[] = "시간표 파일이 없습니다";
inline constexpr char kWorldTimeRoot[] = "세계시간표";
inline constexpr char kRegionClockName[] = "지역 시각";  // for screen readers

// The difference from Korea: hours and minutes.
inline constexpr char kRegionAhead[] = "선택하신 지역은 한국보다 %1시 %2분이 빠른 지역입니다.";
inline constexpr char kRegionBehind[] = "선택하신 지역은 한국보다 %1시 %2분이 늦은 지역입니다.";
inline constexpr char kRegionSameZone[] = "선택하신 지역은 한국과 같은 시간대 지역 입니다";

inline constexpr char kDstUnknown[] = "\n이 지역은 아직 일광절약시간 적용여부가 확인 되지 않았습니다.";
inline constexpr char kDstNever[] = "\n이 지역은 일광절약시간을 적용하지 않습니다.";
inline constexpr char kDstNotNow[] = "\n일광절약시간을 적용하는 지역이지만 현재 일광절약시간 적용기간이 아닙니다.";
// Followed by the rule's start and end texts.
inline constexpr char kDstNow[] = "현재시각은 일광절약시간이 적용된 시각입니다.\n";

// When daylight saving starts, by the table's start code ("" for a code without one).
inline constexpr const char* kDstStartTexts[] = {
    "",
    "현지시간 기준 4월 첫째 일요일 오전 2시부터 ",
    "현지시간 기준 3월 마지막 일요일 오전 2시부터 ",
    "현지시간 기준 3월 마지막 일요일 오전 1시부터 ",
    "현지시간 기준 3월 마지막 일요일 오전 3시부터 ",
    "현지시간 기준 3월 마지막 일요일 오전 0시부터 ",
    "현지시간 기준 10월 1일 후 첫번째 일요일부터 ",
    "현지시간 기준 4월 마지막 일요일 오전 2시부터 ",
    "현지시간 기준 10월 9일이 지난후 첫번째 일요일부터 ",
    "현지시간 기준 4월 1일 0시부터 ",
    "현지시간 기준 3월 29일 0시부터 ",
    "현지시간 기준 5월 1일 0시부터 ",
    "현지시간 기준 10월 마지막 일요일 오전 2시부터 ",
    "현지시간 기준 10월 첫번째 일요일부터 ",
    "현지시간 기준 3월 25일 0시부터 ",
    "",
    "현지시간 기준 3월 둘째 일요일 오전 2시부터 ",
    "현지시간 기준 3월 둘째 일요일 오전 0시부터 ",
    "현지시간 기준 3월 마지막 일요일 전 금요일 오전 2시부터 ",
    "현지시간 기준 4월 마지막 금요일 오전 0시부터 ",
    "현지시간 기준 9월 1일 후 첫번째 일요일 오전 0시부터 ",
    "현지시간 기준 10월 첫째 일요일 오전 2시부터 ",
    "현지시간 기준 9월 마지막 일요일 오전 2시부터 ",
};

// When it ends, by the end code. From 13 on: today's rules, in the region's daylight-saving
// time, as its clocks show it.
inline constexpr const char* kDstEndTexts[] = {
    "",
    "10월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 3시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 0시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 1시까지 일광절약시간 적용기간 입니다.",
    "2월 11일이 지난 후 첫번째 일요일까지 일광절약시간 적용기간 입니다.",
    "3월 9일이 지난 후 첫번째 일요일까지 일광절약시간 적용기간 입니다.",
    "10월 1일 오전 0시까지 일광절약시간 적용기간 입니다.",
    "9월 6일 오전 0시까지 일광절약시간 적용기간 입니다.",
    "3월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.",
    "3월 15일 후 첫째 일요일까지 일광절약시간 적용기간 입니다.",
    "10월 28일 오전 0시까지 일광절약시간 적용기간 입니다.",
    "",
    "11월 첫째 일요일 오전 2시까지 일광절약시간 적용기간 입니다.",
    "11월 첫째 일요일 오전 1시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 2시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 3시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 4시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 일요일 오전 0시까지 일광절약시간 적용기간 입니다.",
    "10월 마지막 목요일 자정까지 일광절약시간 적용기간 입니다.",
    "4월 1일 후 첫번째 일요일 오전 0시까지 일광절약시간 적용기간 입니다.",
    "4월 첫째 일요일 오전 3시까지 일광절약시간 적용기간 입니다.",
};

}  // namespace hodra::text
