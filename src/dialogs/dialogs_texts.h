#pragma once

// The texts every window shares.
namespace hodra::text {

inline constexpr char kProgramTitle[] = "Hodra2";
inline constexpr char kOk[] = "확인";
inline constexpr char kCancel[] = "취소";
inline constexpr char kYes[] = "예";
inline constexpr char kNo[] = "아니요";
// The face the windows' texts are set in, as their templates name it.
inline constexpr char kGulim[] = "굴림";

// The translations directory.
inline constexpr char kNoQtTranslations[] = "hodra2: Qt의 한국어 번역이 없습니다 (%s, qt6-translations-l10n)\n";

}  // namespace hodra::text
