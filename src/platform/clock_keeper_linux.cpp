#include "platform/clock_keeper.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

#include "platform/clock_linux.h"
#include "time/clock_setter.h"
#include "platform/syscall_filter.h"
#include "platform/termination_hold.h"

namespace hodra {

bool StepBound::Admits(std::int64_t nanoseconds) const {
    const std::int64_t size = nanoseconds < 0 ? -nanoseconds : nanoseconds;
    return allowLarge || !maxNanoseconds || size <= *maxNanoseconds;
}

namespace {

constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

// The Linux driver, which holds off termination from just before it moves the clock: the
// answer that tells of the step goes out whatever stop comes meanwhile.
class HoldingDriver : public ClockDriver {
public:
    explicit HoldingDriver(TerminationHold& hold) : hold(hold) {}
    int RaiseCapability() override {
        hold.Begin();
        return real.RaiseCapability();
    }
    void LowerCapability() override { real.LowerCapability(); }
    int StepSystemClock(const timespec& offset) override { return real.StepSystemClock(offset); }
    int SetSystemClock(const timespec& utc) override { return real.SetSystemClock(utc); }

private:
    TerminationHold& hold;
    LinuxClockDriver real;
};

timespec AsTimespec(std::int64_t nanoseconds) {
    timespec offset{};
    offset.tv_sec = static_cast<time_t>(nanoseconds / kNanosecondsPerSecond);
    offset.tv_nsec = static_cast<long>(nanoseconds % kNanosecondsPerSecond);
    if (offset.tv_nsec < 0) {
        offset.tv_nsec += kNanosecondsPerSecond;
        offset.tv_sec -= 1;
    }
    return offset;
}

// One datagram; a byte more than a request would be tells of a longer one.
ssize_t ReadRequest(int fd, keeper::Request& request) {
    unsigned char datagram[sizeof(keeper::Request) + 1];
    ssize_t got = 0;
    do {
        got = read(fd, datagram, sizeof datagram);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof request)) {
        std::memcpy(&request, datagram, sizeof request);
    }
    return got;
}

bool WriteAnswer(int fd, keeper::Answer answer) {
    ssize_t sent = 0;
    do {
        sent = write(fd, &answer, sizeof answer);
    } while (sent < 0 && errno == EINTR);
    return sent == static_cast<ssize_t>(sizeof answer);
}

// Why a request is refused before any call; 0 when it may be served.
int Refusal(ssize_t length, const keeper::Request& request, const StepBound& bound) {
    if (length != static_cast<ssize_t>(sizeof request) || request.reserved != 0) {
        return EINVAL;
    }
    if (request.kind == keeper::kNoStep) {
        return 0;
    }
    if (request.kind != keeper::kStep || request.nanoseconds == std::numeric_limits<std::int64_t>::min()) {
        return EINVAL;
    }
    return bound.Admits(request.nanoseconds) ? 0 : ERANGE;
}

[[noreturn]] void RunKeeper(int fd, const StepBound& bound, bool absoluteFallback) {
    // Only CAP_SYS_TIME stays, whatever the process held when it forked.
    const int confined = DropPrivilegesAtStart() ? ConfineKeeper(fd) : EPERM;
    if (!WriteAnswer(fd, {confined}) || confined != 0) {
        _exit(1);
    }
    TerminationHold hold;
    HoldingDriver driver(hold);
    ClockSetter setter(driver);
    setter.AllowAbsoluteFallback(absoluteFallback);
    ServeOneRequest(fd, setter, bound);
    // Nothing else runs: no exit handler, no destructor, under a filter that allows none.
    _exit(0);
}

}  // namespace

keeper::Answer ServeOneRequest(int fd, ClockSetter& setter, const StepBound& bound) {
    keeper::Request request;
    const ssize_t length = ReadRequest(fd, request);
    if (length == 0) {
        return {EPIPE};  // the network process ended without a word: nothing to answer
    }
    keeper::Answer answer{Refusal(length, request, bound)};
    if (answer.error == 0 && request.kind == keeper::kStep) {
        answer.error = setter.StepClock(AsTimespec(request.nanoseconds)).error;
    }
    (void)WriteAnswer(fd, answer);
    return answer;
}

KeeperLink StartClockKeeper(const StepBound& bound, bool absoluteFallback) {
    KeeperLink link;
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0) {
        link.error = errno;
        return link;
    }
    UniqueFd ours(pair[0]);
    UniqueFd theirs(pair[1]);
    const pid_t pid = fork();
    if (pid == 0) {
        ours.Reset();
        RunKeeper(theirs.Get(), bound, absoluteFallback);
    }
    if (pid < 0) {
        link.error = errno;
        return link;
    }
    link.pid = pid;
    link.fd = std::move(ours);
    return link;
}

bool AwaitClockKeeper(KeeperLink& link) {
    keeper::Answer ready{ECHILD};
    ssize_t got = 0;
    do {
        got = read(link.fd.Get(), &ready, sizeof ready);
    } while (got < 0 && errno == EINTR);
    if (got == static_cast<ssize_t>(sizeof ready) && ready.error == 0) {
        return true;
    }
    StopClockKeeper(link);
    link.unconfined = got == static_cast<ssize_t>(sizeof ready);
    link.error = link.unconfined ? ready.error : ECHILD;
    return false;
}

void StopClockKeeper(KeeperLink& link) {
    link.fd.Reset();
    link.pid = -1;
}

}  // namespace hodra
