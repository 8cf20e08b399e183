#pragma once

#include <unistd.h>

namespace hodra {

// A file descriptor owned: closed once, when the owner goes or takes another.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return fd; }
    bool Valid() const { return fd >= 0; }
    // The descriptor, no longer owned.
    int Release() {
        const int released = fd;
        fd = -1;
        return released;
    }
    void Reset(int next = -1) {
        if (fd >= 0) {
            ::close(fd);
        }
        fd = next;
    }

private:
    int fd = -1;
};

}  // namespace hodra
