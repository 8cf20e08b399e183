#include "delay_queue.h"

#include <utility>

namespace hodra::bench {

void DelayQueue::Hold(Clock::time_point due, Direction direction, std::uint64_t flow,
                      std::vector<unsigned char> bytes) {
    held_.push(HeldDatagram{due, arrivals_++, direction, flow, std::move(bytes)});
}

std::optional<Clock::time_point> DelayQueue::NextDue() const {
    if (held_.empty()) {
        return std::nullopt;
    }
    return held_.top().due;
}

std::optional<HeldDatagram> DelayQueue::TakeDue(Clock::time_point now) {
    if (held_.empty() || held_.top().due > now) {
        return std::nullopt;
    }
    // top() is const; the copy is a 48-byte datagram, cheaper than any cleverness.
    HeldDatagram next = held_.top();
    held_.pop();
    return next;
}

}  // namespace hodra::bench
