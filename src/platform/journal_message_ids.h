#pragma once

#include <array>

// The systemd journal's MESSAGE_ID of each kind of run. They are an interface: an
// administrator's queries and res/journal/hodra2.catalog name them, so they never change.
namespace hodra::journal {

inline constexpr char kCompared[] = "f827172394f64e1fa85ae3cfae9b89eb";
inline constexpr char kSet[] = "a43f10df78c04744be88745671a37912";
// Not set: the step failed, this process may not set the clock, or the helper did not run.
inline constexpr char kFailed[] = "3581b5d9369344af9fe1cf1c964595af";
inline constexpr char kNoAnswer[] = "bcec2788f4bf462284b1b0ebdd6017c5";
inline constexpr char kTooLarge[] = "932078f2a7cf4defa4c205585fd6ccb0";
inline constexpr char kUnconfirmed[] = "d996a5a07fc045469691ab13e745a23e";

inline constexpr std::array<const char*, 6> kAllMessageIds{kCompared, kSet,      kFailed,
                                                           kNoAnswer, kTooLarge, kUnconfirmed};

}  // namespace hodra::journal
