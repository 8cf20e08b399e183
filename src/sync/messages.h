#pragma once

// The result texts of compare and synchronise runs, shown in the message line.
namespace hodra::text {

inline constexpr char kNoResponse[] = "서버에서 응답이 없습니다";
inline constexpr char kPcFast[] = "사용자 PC가 %1 초 빠릅니다.";
inline constexpr char kPcSlow[] = "사용자 PC가 %1 초 늦습니다.";
inline constexpr char kInStep[] = "한국표준시에 동기되어 있습니다.";
inline constexpr char kSyncFailed[] = "동기에 실패했습니다.";
inline constexpr char kSynchronised[] = "한국표준시에 동기되었습니다.";
// Why a borrowed right sets nothing: a stamp of the exchange was not the kernel's.
inline constexpr char kNoKernelStamps[] = "커널의 송수신 시각이 없어 시계를 맞추지 않습니다";

// An automatic run compared only, because the system's time service keeps the clock.
inline constexpr char kSystemPcFast[] = "시스템 동기중: PC가 %1 초 빠릅니다.";
inline constexpr char kSystemPcSlow[] = "시스템 동기중: PC가 %1 초 늦습니다.";
inline constexpr char kSystemInStep[] = "시스템 동기중: 한국표준시와 맞습니다.";

}  // namespace hodra::text
