// Datagrams waiting out their delays. Each is due on its own, so one that arrived later
// with a shorter delay leaves first, as datagrams overtake each other on a real path.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <queue>
#include <vector>

namespace hodra::bench {

using Clock = std::chrono::steady_clock;

enum class Direction { kOut, kBack };

struct HeldDatagram {
    Clock::time_point due;
    std::uint64_t order = 0;  // arrival order, for those due at the same instant
    Direction direction = Direction::kOut;
    std::uint64_t flow = 0;  // the client it came from or goes to
    std::vector<unsigned char> bytes;
};

class DelayQueue {
public:
    void Hold(Clock::time_point due, Direction direction, std::uint64_t flow, std::vector<unsigned char> bytes);
    std::optional<Clock::time_point> NextDue() const;
    // The earliest datagram, when it is due by now.
    std::optional<HeldDatagram> TakeDue(Clock::time_point now);

private:
    struct Later {
        bool operator()(const HeldDatagram& a, const HeldDatagram& b) const {
            return a.due != b.due ? a.due > b.due : a.order > b.order;
        }
    };

    std::priority_queue<HeldDatagram, std::vector<HeldDatagram>, Later> held_;
    std::uint64_t arrivals_ = 0;
};

}  // namespace hodra::bench
