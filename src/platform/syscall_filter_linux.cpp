#include "platform/syscall_filter.h"

#include <cerrno>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace hodra {
namespace {

// kKeeperFilter and kNetworkFilter, the lists of syscall_filter_rules.cpp as compiled when
// the tree was built.
#include "syscall_filters.inc"

template <std::size_t N>
int Install(const sock_filter (&program)[N]) {
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        return errno;
    }
    sock_fprog filter{static_cast<unsigned short>(N), const_cast<sock_filter*>(program)};
    if (syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &filter) == 0) {
        return 0;
    }
    if (errno != ENOSYS) {
        return errno;
    }
    return prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter, 0, 0) == 0 ? 0 : errno;
}

// Every descriptor but fd, without a call that could fail half-way through a list.
int CloseAllBut(int fd) {
    const unsigned kept = static_cast<unsigned>(fd);
    if ((kept > 0 && close_range(0, kept - 1, 0) != 0) || close_range(kept + 1, ~0U, 0) != 0) {
        return errno;
    }
    return 0;
}

}  // namespace

int ConfineKeeper(int keptFd) {
    if (const int closed = CloseAllBut(keptFd); closed != 0) {
        return closed;
    }
    if (prctl(PR_SET_DUMPABLE, 0, 0, 0, 0) != 0) {
        return errno;
    }
    return Install(kKeeperFilter);
}

int ConfineNetworkProcess() {
    return Install(kNetworkFilter);
}

}  // namespace hodra
