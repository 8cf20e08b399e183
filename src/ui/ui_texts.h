#pragma once

#include "dialogs/dialogs_texts.h"

// The texts of the clock window, the settings sheet and the question box.
namespace hodra::text {

// The clock's date line: year, month, day and the weekday's one letter.
inline constexpr char kDateLine[] = "%1년 %2월 %3일 %4요일";
inline constexpr const char* kWeekdays[7] = {"일", "월", "화", "수", "목", "금", "토"};
inline constexpr char kClockName[] = "시계";  // for screen readers

inline constexpr char kSettingsTitle[] = "설정";
inline constexpr char kTopmostOnWayland[] = "Wayland 창은 늘 위에 둘 수 없습니다 (XWayland에서는 됩니다)";
inline constexpr char kWholeNumber[] = "정수를 입력하십시오.";
inline constexpr char kNumberBetween[] = "%1와(과) %2 사이의 정수를 입력하십시오.";

// The server page: host, address (or kNoAddress) and, when the answer was authenticated,
// kAuthenticated.
inline constexpr char kNoServerYet[] = "접속된 서버가 없습니다";
inline constexpr char kServerText[] = "Velmar 표준시 서버\r\n%1\r\n(%2)%3";
inline constexpr char kNoAddress[] = "주소 확인 불가";
inline constexpr char kAuthenticated[] = " 인증됨 (NTS)";
inline constexpr char kNoServer[] = "표준시 서버에 접속할 수 없습니다";
inline constexpr char kNoBrowser[] = "웹브라우저를 실행할 수 없습니다";

inline constexpr char kNoHelpFile[] = "도움말 파일을 읽을 수가 없습니다";

// The question before a step over the limit: server time, PC time, the difference and
// which way the PC is off.
inline constexpr char kLargeStepQuestion[] =
    "PC 시계와 서버 시각의 차이가 커서 바로 맞추지 않았습니다.\n\n"
    "서버 시각: %1\nPC 시각: %2\n차이: PC가 %3 초 %4\n\n"
    "PC 시계를 서버 시각으로 맞출까요?";
// A date-time of the question, kept on one line (its spaces do not break).
inline constexpr char kQuestionTime[] = "yyyy년 M월 d일 HH:mm:ss";
inline constexpr char kPcIsFast[] = "빠릅니다.";
inline constexpr char kPcIsSlow[] = "늦습니다.";

}  // namespace hodra::text
