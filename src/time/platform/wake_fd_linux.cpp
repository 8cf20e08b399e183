#include "wake_fd.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace hodra {

WakeFd::WakeFd() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

WakeFd::~WakeFd() {
    if (fd >= 0) {
        close(fd);
    }
}

void WakeFd::Raise() {
    if (fd >= 0) {
        const std::uint64_t one = 1;
        (void)!write(fd, &one, sizeof one);
    }
}

void WakeFd::Drain() {
    if (fd >= 0) {
        std::uint64_t drained = 0;
        (void)!read(fd, &drained, sizeof drained);
    }
}

}  // namespace hodra
