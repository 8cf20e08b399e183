#pragma once

#include <string_view>

// The texts of a run as the history tells it: its kind, who asked, its outcome (short in the
// list, whole in the tray's tooltip), the history window's and the history file's.
namespace hodra::text {

inline constexpr char kRunCompare[] = "비교";
inline constexpr char kRunSync[] = "동기";
inline constexpr char kRunAutomatic[] = "자동";
inline constexpr char kRunByUser[] = "수동";

struct OutcomeText {
    const char* word;   // as the history file stores it
    const char* brief;  // the list's column
    const char* whole;  // the tray's tooltip
};
inline constexpr OutcomeText kOutcomeTexts[] = {
    {"compared", "비교 완료", "비교 완료"},
    {"set", "동기 완료", "동기 완료"},
    {"not-permitted", "권한 없음", "동기 실패 (권한 없음)"},
    {"failed", "동기 실패", "동기 실패"},
    {"too-large", "차이가 큼", "차이가 커서 맞추지 않음"},
    {"unconfirmed", "확인 안 됨", "확인되지 않아 맞추지 않음"},
    {"no-answer", "응답 없음", "응답 없음"},
};
// The texts of an outcome word (every ResultWord has its row); nullptr for another word.
constexpr const OutcomeText* OutcomeTextOf(std::string_view word) {
    for (const OutcomeText& t : kOutcomeTexts) {
        if (word == t.word) {
            return &t;
        }
    }
    return nullptr;
}

inline constexpr char kHistoryTitle[] = "Hodra2 기록";
inline constexpr char kSpanDay[] = "최근 하루";
inline constexpr char kSpanWeek[] = "최근 일주일";
inline constexpr char kSpanAll[] = "전체";
inline constexpr const char* kHistoryColumns[] = {"시각",      "종류",      "방식", "결과", "차이 (초)",
                                                  "지연 (초)", "조정 (초)", "계층", "인증", "서버"};
// The server as asked, then the address that answered.
inline constexpr char kServerAndAddress[] = "%1 (%2)";

// The chart: its offset axis, the legend, the time axis' labels (month, day; month; year).
inline constexpr char kOffsetAxis[] = "차이 (초)";
inline constexpr char kPointsRefused[] = "맞추지 않음";
inline constexpr char kPointsSilent[] = "응답 없음";
inline constexpr char kDayLabel[] = "%1월 %2일";
inline constexpr char kMonthLabel[] = "%1월";
inline constexpr char kYearLabel[] = "%1년";
// When runs share marks: how long a stretch one mark stands for (below).
inline constexpr char kStretchNote[] = "점 하나 = %1, 세로줄 = 그동안의 최소~최대";
inline constexpr char kMinutes[] = "%1분";
inline constexpr char kHours[] = "%1시간";
inline constexpr char kDays[] = "%1일";
// A mark under the pointer: when, which kind, and the offset (with its sign, in seconds).
inline constexpr char kMarkOne[] = "%1 %2: 차이 %3 초";
inline constexpr char kMarkOneSilent[] = "%1 %2";
// Several runs: from, to, which kind, how many, least and greatest offset, the median.
inline constexpr char kMarkMany[] = "%1 ~ %2 %3 %4회: 차이 %5 ~ %6 초 (중앙값 %7 초)";
inline constexpr char kMarkManySilent[] = "%1 ~ %2 %3 %4회";
// The chart without a run to draw.
inline constexpr char kNoRunsYet[] = "아직 기록된 실행이 없습니다. 비교나 동기를 하면 여기에 나타납니다.";
inline constexpr char kNoRunsInSpan[] = "이 기간에는 기록된 실행이 없습니다. \"전체\"에서 이전 기록을 볼 수 있습니다.";

inline constexpr char kNoHistoryWindow[] = "기록 창을 열 수 없습니다";
// On stderr: why the module did not load.
inline constexpr char kNoHistoryModule[] = "hodra2: 기록 창 모듈을 읽을 수 없습니다: %s\n";
// On stderr: the file, one of the verbs below, then strerror.
inline constexpr char kHistoryFileFailed[] = "hodra2: 기록 파일 %s을(를) %s: %s\n";
inline constexpr char kCannotMake[] = "만들 수 없습니다";
inline constexpr char kCannotOpen[] = "열 수 없습니다";
inline constexpr char kCannotWrite[] = "쓸 수 없습니다";
inline constexpr char kCannotRewrite[] = "다시 쓸 수 없습니다";

}  // namespace hodra::text
