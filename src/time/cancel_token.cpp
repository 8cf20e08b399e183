#include "cancel_token.h"

#include <cstdint>
#include <sys/eventfd.h>
#include <unistd.h>

namespace hodra {

CancelToken::CancelToken() : fd(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CancelToken::~CancelToken() {
    if (fd >= 0) {
        close(fd);
    }
}

void CancelToken::Cancel() {
    raised.store(true);
    if (fd >= 0) {
        const std::uint64_t one = 1;
        (void)!write(fd, &one, sizeof one);
    }
}

void CancelToken::Reset() {
    raised.store(false);
    if (fd >= 0) {
        std::uint64_t drained = 0;
        (void)!read(fd, &drained, sizeof drained);
    }
}

}  // namespace hodra
