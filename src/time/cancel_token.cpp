#include "time/cancel_token.h"

#include <cerrno>
#include <cstdint>
#include <poll.h>

namespace hodra {

void CancelToken::Cancel() {
    raised.store(true);
    wake.Raise();
}

void CancelToken::Reset() {
    raised.store(false);
    wake.Drain();
}

namespace {

int RemainingMs(std::optional<std::chrono::steady_clock::time_point> deadline) {
    if (!deadline) {
        return -1;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

Readiness WaitReadable(int fd, const CancelToken* cancel,
                       std::optional<std::chrono::steady_clock::time_point> deadline) {
    return WaitFor(fd, POLLIN, cancel, deadline);
}

Readiness WaitFor(int fd, short events, const CancelToken* cancel,
                  std::optional<std::chrono::steady_clock::time_point> deadline) {
    using Status = Readiness::Status;
    pollfd entries[2] = {{fd, events, 0}, {cancel != nullptr ? cancel->Fd() : -1, POLLIN, 0}};
    for (;;) {
        if (cancel != nullptr && cancel->Cancelled()) {
            return {Status::Cancelled};
        }
        const int n = poll(entries, 2, RemainingMs(deadline));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return {Status::Failed, 0, errno};
        }
        if (n == 0) {
            return {Status::TimedOut};
        }
        if (entries[0].revents != 0) {
            return {Status::Ready, entries[0].revents};
        }
        // Only the cancel descriptor: the flag is checked at the top.
    }
}

}  // namespace hodra
