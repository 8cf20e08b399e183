#pragma once

// The ids of the templates in res/, one namespace each: what the builder lays out and the
// code addresses. The environment page's options are bound by their keys instead (the
// template names each control's option).
namespace hodra {

inline constexpr int kMenuCommands = 106;
inline constexpr int kStringAboutItem = 101;
inline constexpr int kStringSocketFailure = 103;

// Menu 106: the tray's menu and the small clock's.
namespace menu106 {
inline constexpr int kExit = 32771;
inline constexpr int kHelp = 32772;
inline constexpr int kCompare = 32773;
inline constexpr int kSync = 32774;
inline constexpr int kSettings = 32775;
inline constexpr int kWorldTime = 32776;
inline constexpr int kHide = 32777;
inline constexpr int kHistory = 32778;
}  // namespace menu106

// Dialog 102: the clock window.
namespace dialog102 {
inline constexpr int kOk = 1;
inline constexpr int kWorldTime = 9;
inline constexpr int kHelp = 11;
inline constexpr int kCompare = 300;
inline constexpr int kSync = 301;
inline constexpr int kMessage = 304;
inline constexpr int kSettings = 306;
inline constexpr int kBanner = 1000;
inline constexpr int kClock = 1012;
}  // namespace dialog102

// Dialog 130: the server page.
namespace dialog130 {
inline constexpr int kServerText = 1006;
inline constexpr int kWebPage = 1013;
}  // namespace dialog130

// Dialog 131: the environment page's controls that are no option of their own.
namespace dialog131 {
inline constexpr int kEvery = 1005;
inline constexpr int kMinutesText = 1006;
inline constexpr int kDefaults = 1015;
}  // namespace dialog131

// Dialog 178: the world time dialog.
namespace dialog178 {
inline constexpr int kTree = 1015;
inline constexpr int kClockFrame = 1016;
inline constexpr int kFind = 1017;
inline constexpr int kSearch = 1018;
inline constexpr int kClose = 1019;
inline constexpr int kDescription = 1020;
}  // namespace dialog178

}  // namespace hodra
