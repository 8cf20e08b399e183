#pragma once

// Command ids shared by menu 106, the tray and the handlers, and the control ids of
// the main window's dialog 102.
namespace hodra {

inline constexpr int kCmdExit = 32771;
inline constexpr int kCmdHelp = 32772;
inline constexpr int kCmdCompare = 32773;
inline constexpr int kCmdSync = 32774;
inline constexpr int kCmdSettings = 32775;
inline constexpr int kCmdWorldTime = 32776;
inline constexpr int kCmdHide = 32777;
inline constexpr int kCmdHistory = 32778;

inline constexpr int kIdOk = 1;
inline constexpr int kIdWorldTime = 9;
inline constexpr int kIdHelp = 11;
inline constexpr int kIdCompare = 300;
inline constexpr int kIdSync = 301;
inline constexpr int kIdMessage = 304;
inline constexpr int kIdSettings = 306;
inline constexpr int kIdBanner = 1000;
inline constexpr int kIdClock = 1012;

inline constexpr int kMenuCommands = 106;
inline constexpr int kStringAboutItem = 101;
inline constexpr int kStringSocketFailure = 103;

}  // namespace hodra
