#pragma once

namespace hodra {

// A descriptor that poll sees become readable once raised: how one thread wakes another's
// wait. Any thread may raise it.
class WakeFd {
public:
    WakeFd();
    ~WakeFd();
    WakeFd(const WakeFd&) = delete;
    WakeFd& operator=(const WakeFd&) = delete;

    // -1 when none could be made (then only a flag beside it can tell).
    int Fd() const { return fd; }
    void Raise();
    // Lowers it again; only while no one waits on it.
    void Drain();

private:
    int fd;
};

}  // namespace hodra
