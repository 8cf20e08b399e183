#pragma once

#include <atomic>

namespace hodra {

// Lets one thread stop another's wait at once: a flag with a descriptor that poll sees
// become readable when the flag is raised.
class CancelToken {
public:
    CancelToken();
    ~CancelToken();
    CancelToken(const CancelToken&) = delete;
    CancelToken& operator=(const CancelToken&) = delete;

    // Any thread.
    void Cancel();
    bool Cancelled() const { return raised.load(); }
    // Readable once cancelled; -1 if the descriptor could not be made (then only the flag works).
    int Fd() const { return fd; }
    // Lowers the flag again, for the next run; only while no one waits on it.
    void Reset();

private:
    int fd = -1;
    std::atomic<bool> raised{false};
};

}  // namespace hodra
