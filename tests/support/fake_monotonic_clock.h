#pragma once

#include "sync/boot_clock.h"

namespace hodra::test {

// A clock the test moves by hand.
class FakeMonotonicClock : public MonotonicClock {
public:
    std::int64_t NowMs() const override { return now; }
    void Advance(std::int64_t ms) { now += ms; }

private:
    std::int64_t now = 1000000;
};

}  // namespace hodra::test
