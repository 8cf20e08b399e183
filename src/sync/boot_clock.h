#pragma once

#include <cstdint>

namespace hodra {

// Milliseconds on a clock that never steps and keeps counting through a suspend.
class MonotonicClock {
public:
    virtual ~MonotonicClock() = default;
    virtual std::int64_t NowMs() const = 0;
};

// CLOCK_BOOTTIME: unlike CLOCK_MONOTONIC it includes time spent suspended.
class BootClock : public MonotonicClock {
public:
    std::int64_t NowMs() const override;
    static const BootClock& Instance();
};

}  // namespace hodra
