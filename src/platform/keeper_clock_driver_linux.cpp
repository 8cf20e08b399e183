#include "platform/keeper_clock_driver.h"

#include <cerrno>
#include <cstdint>
#include <unistd.h>

#include "platform/clock_keeper.h"
#include "platform/termination_hold.h"

namespace hodra {
namespace {

// The answer to one request; EPIPE when the keeper is gone.
keeper::Answer Ask(int fd, const keeper::Request& request) {
    ssize_t done = 0;
    do {
        done = write(fd, &request, sizeof request);
    } while (done < 0 && errno == EINTR);
    if (done != static_cast<ssize_t>(sizeof request)) {
        return {EPIPE};
    }
    keeper::Answer answer;
    do {
        done = read(fd, &answer, sizeof answer);
    } while (done < 0 && errno == EINTR);
    return done == static_cast<ssize_t>(sizeof answer) ? answer : keeper::Answer{EPIPE};
}

}  // namespace

int KeeperClockDriver::RaiseCapability() {
    hold.Begin();
    return 0;
}

int KeeperClockDriver::StepSystemClock(const timespec& offset) {
    std::int64_t nanoseconds = 0;
    if (__builtin_mul_overflow(static_cast<std::int64_t>(offset.tv_sec), 1000000000, &nanoseconds) ||
        __builtin_add_overflow(nanoseconds, static_cast<std::int64_t>(offset.tv_nsec), &nanoseconds)) {
        return EOVERFLOW;
    }
    if (asked) {
        return EALREADY;
    }
    asked = true;
    const keeper::Answer answer = Ask(fd, {keeper::kStep, 0, nanoseconds});
    return answer.error;
}

int KeeperClockDriver::SetSystemClock(const timespec&) {
    return EOPNOTSUPP;
}

void KeeperClockDriver::Finish() {
    if (!asked) {
        asked = true;
        (void)Ask(fd, {keeper::kNoStep, 0, 0});
    }
}

}  // namespace hodra
