#pragma once

#include "history/history_texts.h"
#include "settings/settings_texts.h"
#include "ui/ui_texts.h"

// The program's own texts: start-up, the tray's tooltip and the desktop notices.
namespace hodra::text {

inline constexpr char kAlreadyRunning[] = "이미 실행중인 프로그램이 있습니다";
inline constexpr char kCannotDropCapabilities[] = "hodra2: 권한을 내려놓을 수 없어 시작하지 않습니다\n";

// A failed automatic run while the window is out of sight.
inline constexpr char kNoticeAutoSync[] = "Hodra2 자동 동기";
inline constexpr char kNoticeStartCompare[] = "Hodra2 시작 비교";
inline constexpr char kNoticeHowToStep[] = "\n맞추려면 창의 \"동기\"를 누르십시오.";

// The tray's tooltip, a line each.
inline constexpr char kTooltipTitle[] = "Hodra";
inline constexpr char kNoRunYet[] = "마지막 실행: 없음";
// When, who asked (kRunAutomatic, kRunByUser), which run (kRunCompare, kRunSync).
inline constexpr char kLastRun[] = "마지막 실행: %1 (%2 %3)";
inline constexpr char kRunOutcome[] = "결과: ";
inline constexpr char kRunMeasured[] = "측정: ";
// Host, address, and kAuthenticated where the answer was.
inline constexpr char kRunServer[] = "서버: %1 (%2)%3";
// Which run (kRunSync, kRunCompare), the time, then how far off (below).
inline constexpr char kNextRun[] = "다음 %1: %2 (%3)";
// The same, and which try of a series after runs that found no server.
inline constexpr char kNextRetry[] = "다음 %1: %2 (%3, %4번째 재시도)";
inline constexpr char kNoNextRun[] = "다음 동기: 없음 (자동 동기 꺼짐)";
inline constexpr char kInMinutes[] = "%1분 후";
inline constexpr char kInHours[] = "%1시간 후";
inline constexpr char kInHoursMinutes[] = "%1시간 %2분 후";

}  // namespace hodra::text
