#pragma once

// The result texts of compare and synchronise runs, shown in the message line.
namespace hodra::text {

inline constexpr char kNoResponse[] = "서버에서 응답이 없습니다";
inline constexpr char kPcFast[] = "사용자 PC가 %1 초 빠릅니다.";
inline constexpr char kPcSlow[] = "사용자 PC가 %1 초 늦습니다.";
inline constexpr char kInStep[] = "한국표준시에 동기되어 있습니다.";
inline constexpr char kSyncFailed[] = "동기에 실패했습니다.";
inline constexpr char kSynchronised[] = "한국표준시에 동기되었습니다.";
// Why a borrowed right sets nothing: a stamp of the exchange was not the kernel's, and the
// round trip was too long to bound what a stamp of our own could be off by.
inline constexpr char kNoKernelStamps[] = "커널의 송수신 시각이 없고 왕복 시간이 50 ms를 넘어 시계를 맞추지 않습니다";

// A step over the administrator's limit was not made (an automatic run, or the user said no).
// %1 is the difference with its unit: "7200 초", "365.0 일".
inline constexpr char kLargeStepFast[] = "차이가 커서 맞추지 않음: PC가 %1 빠릅니다.";
inline constexpr char kLargeStepSlow[] = "차이가 커서 맞추지 않음: PC가 %1 늦습니다.";
// A step over the limit that no second server confirmed.
inline constexpr char kUnconfirmed[] = "다른 서버로 확인하지 못해 맞추지 않았습니다.";
inline constexpr char kNoSecondSource[] = "큰 차이를 확인해 줄 다른 서버가 응답하지 않았습니다";
// "<host>: " comes before it: that server's offset and the first one's.
inline constexpr char kDisagreement[] = "다른 시각을 알림 (이 서버 %1 초, 처음 서버 %2 초)";

// An automatic run compared only, because the system's time service keeps the clock.
inline constexpr char kSystemPcFast[] = "시스템 동기중: PC가 %1 초 빠릅니다.";
inline constexpr char kSystemPcSlow[] = "시스템 동기중: PC가 %1 초 늦습니다.";
inline constexpr char kSystemInStep[] = "시스템 동기중: 한국표준시와 맞습니다.";

}  // namespace hodra::text
