#include "time/platform/wake_fd.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace hodra {

WakeFd::WakeFd() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void WakeFd::Raise() {
    if (fd.Valid()) {
        const std::uint64_t one = 1;
        (void)!write(fd.Get(), &one, sizeof one);
    }
}

void WakeFd::Drain() {
    if (fd.Valid()) {
        std::uint64_t drained = 0;
        (void)!read(fd.Get(), &drained, sizeof drained);
    }
}

}  // namespace hodra
