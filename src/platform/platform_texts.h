#pragma once

// The desktop services' texts.
namespace hodra::text {

// Why systemd-timedated was not asked to step the clock.
inline constexpr char kNoSystemBus[] = "시스템 버스에 연결할 수 없음";

}  // namespace hodra::text
