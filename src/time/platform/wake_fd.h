#pragma once

#include "time/platform/unique_fd.h"

namespace hodra {

// A descriptor that poll sees become readable once raised: how one thread wakes another's
// wait. Any thread may raise it.
class WakeFd {
public:
    WakeFd();
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;

    // -1 when none could be made (then only a flag beside it can tell).
    int Fd() const { return fd.Get(); }
    void Raise();
    // Lowers it again; only while no one waits on it.
    void Drain();

private:
    UniqueFd fd;
};

}  // namespace hodra
