#pragma once

#include <atomic>
#include <chrono>
#include <optional>

#include "time/platform/wake_fd.h"

namespace hodra {

// Lets one thread stop another's wait at once: a flag with a descriptor that poll sees
// become readable when the flag is raised.
class CancelToken {
public:
    CancelToken() = default;
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // Any thread.
    void Cancel();
    bool Cancelled() const { return raised.load(); }
    // Readable once cancelled; -1 if the descriptor could not be made (then only the flag works).
    int Fd() const { return wake.Fd(); }
    // Lowers the flag again, for the next run; only while no one waits on it.
    void Reset();

private:
    WakeFd wake;
    std::atomic<bool> raised{false};
};

// One wait of the program: until fd is readable (or has an error pending), the cancel is
// raised, or the deadline passes. Interrupted waits go on.
struct Readiness {
    enum class Status { Ready, Cancelled, TimedOut, Failed };
    Status status = Status::Failed;
    short events = 0;  // poll's revents for fd when Ready
    int error = 0;     // errno when Failed
};
Readiness WaitReadable(int fd, const CancelToken* cancel,
                       std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt);
// The same for any poll events (POLLOUT for a connect or a send that would block).
Readiness WaitFor(int fd, short events, const CancelToken* cancel,
                  std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt);

}  // namespace hodra
