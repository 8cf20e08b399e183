/* LD_PRELOAD shim for tests: socket faults on request.
 *   HODRA_NO_TIMESTAMPING=1  setsockopt(SO_TIMESTAMPING) fails with ENOPROTOOPT, as on a
 *                            kernel that gives no transmit stamps.
 *   HODRA_SLOW_SEND_MS=N     every send() first waits N ms, as a cold send path would
 *                            between reading the clock and the packet leaving. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <time.h>

int setsockopt(int fd, int level, int name, const void* value, socklen_t length) {
    if (level == SOL_SOCKET && name == SO_TIMESTAMPING && getenv("HODRA_NO_TIMESTAMPING") != NULL) {
        errno = ENOPROTOOPT;
        return -1;
    }
    int (*real)(int, int, int, const void*, socklen_t) =
        (int (*)(int, int, int, const void*, socklen_t))dlsym(RTLD_NEXT, "setsockopt");
    return real(fd, level, name, value, length);
}

ssize_t send(int fd, const void* bytes, size_t length, int flags) {
    const char* slow = getenv("HODRA_SLOW_SEND_MS");
    if (slow != NULL) {
        const long ms = atol(slow);
        struct timespec wait = {ms / 1000, (ms % 1000) * 1000000L};
        while (nanosleep(&wait, &wait) != 0 && errno == EINTR) {
        }
    }
    ssize_t (*real)(int, const void*, size_t, int) =
        (ssize_t(*)(int, const void*, size_t, int))dlsym(RTLD_NEXT, "send");
    return real(fd, bytes, length, flags);
}
