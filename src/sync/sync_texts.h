#pragma once

#include "time/time_texts.h"

// The texts of compare and synchronise runs: the message line, the blink, the log's and the
// controller's complaints on stderr.
namespace hodra::text {

inline constexpr char kNoResponse[] = "서버에서 응답이 없습니다";
inline constexpr char kPcFast[] = "사용자 PC가 %1 초 빠릅니다.";
inline constexpr char kPcSlow[] = "사용자 PC가 %1 초 늦습니다.";
inline constexpr char kInStep[] = "한국표준시에 동기되어 있습니다.";
inline constexpr char kSyncFailed[] = "동기에 실패했습니다.";
inline constexpr char kSynchronised[] = "한국표준시에 동기되었습니다.";
// Why a capability borrowed under AT_SECURE sets nothing: a stamp of the exchange was not the kernel's, and the
// round trip was too long to bound what a stamp of our own could be off by.
inline constexpr char kNoKernelStamps[] = "커널의 송수신 시각이 없고 왕복 시간이 50 ms를 넘어 시계를 맞추지 않습니다";

// A step over the administrator's limit was not made (an automatic run, or the user said no).
// %1 is the difference with its unit: "7200 초", "365.0 일".
inline constexpr char kLargeStepFast[] = "PC가 %1 빠르지만 차이가 커서 안 맞췄습니다.";
inline constexpr char kLargeStepSlow[] = "PC가 %1 늦지만 차이가 커서 안 맞췄습니다.";
// A step over the limit that no second server confirmed.
inline constexpr char kUnconfirmed[] = "다른 서버로 확인하지 못해 맞추지 않았습니다.";
inline constexpr char kNoSecondSource[] = "큰 차이를 확인해 줄 다른 서버가 응답하지 않았습니다";
// "<host>: " comes before it: the answer had the first one's reference ID and time.
inline constexpr char kSameServer[] = "처음 서버와 같은 서버임 (기준 ID와 기준 시각이 같음)";
// "<host>: " comes before it: that server's offset and the first one's.
inline constexpr char kDisagreement[] = "다른 시각을 알림 (이 서버 %1 초, 처음 서버 %2 초)";

// An automatic run compared only, because the system's time service keeps the clock.
inline constexpr char kSystemPcFast[] = "시스템 동기중: PC가 %1 초 빠릅니다.";
inline constexpr char kSystemPcSlow[] = "시스템 동기중: PC가 %1 초 늦습니다.";
inline constexpr char kSystemInStep[] = "시스템 동기중: 한국표준시와 맞습니다.";

// The difference's unit in kLargeStepFast and kLargeStepSlow.
inline constexpr char kSecondsUnit[] = " 초";
inline constexpr char kDaysUnit[] = " 일";

// The blink's second line: "AM"/"PM", then hour, minute and second of the last synchronisation.
inline constexpr char kFinalSyncTime[] = "최종 동기시각은 %s %02d시 %02d분 %02d초 였습니다.";

// On stderr: the path, then why (strerror, or one of the two below).
inline constexpr char kLogNotOpened[] = "hodra2: 로그 파일 %s을(를) 열 수 없습니다: %s\n";
inline constexpr char kLogNotWritten[] = "hodra2: 로그 파일 %s에 쓸 수 없습니다: %s\n";
inline constexpr char kLogIsSymlink[] = "기호 링크여서 따라가지 않습니다";
inline constexpr char kShortWrite[] = "짧은 쓰기";
inline constexpr char kNoClockCapability[] =
    "hodra2: 시각을 맞출 권한이 없습니다 (hodra2-sntp에 cap_sys_time이 없음)\n";
inline constexpr char kSystemStepFailed[] = "hodra2: 시스템 시간 서비스도 시각을 맞추지 못했습니다: %s\n";
inline constexpr char kHelperNotStarted[] = "hodra2: 시각 도우미를 실행할 수 없습니다: %s: %s\n";
inline constexpr char kHelperUnreadable[] = "hodra2: 시각 도우미의 결과를 알 수 없습니다 (종료 상태 %d)\n";

}  // namespace hodra::text
