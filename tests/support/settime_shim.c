/* LD_PRELOAD shim for tests and the demo: records every attempt to set the clock
 * instead of making it, and reports success. Each call appends one line to the file
 * named by HODRA_SHIM_LOG:
 *   clock_settime CLOCKID TARGET_SEC.NSEC NOW_SEC.NSEC PROGRAM
 * where NOW is the real clock at the moment of the call and PROGRAM the caller's name. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

/* With HODRA_SHIM_MARK set, loading the shim at all leaves that file behind: a test shows
 * with it that a program did not load it. */
__attribute__((constructor)) static void mark_loaded(void) {
    const char* mark = getenv("HODRA_SHIM_MARK");
    if (mark != NULL) {
        const int fd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
        }
    }
}

static void record(const char* call, long clockId, const struct timespec* target) {
    const char* path = getenv("HODRA_SHIM_LOG");
    if (path == NULL || target == NULL) {
        return;
    }
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    char line[200];
    const int n = snprintf(line, sizeof line, "%s %ld %lld.%09ld %lld.%09ld %s\n", call, clockId,
                           (long long)target->tv_sec, target->tv_nsec, (long long)now.tv_sec, now.tv_nsec,
                           program_invocation_short_name);
    const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        (void)!write(fd, line, (size_t)n);
        close(fd);
    }
}

int clock_settime(clockid_t clockId, const struct timespec* target) {
    record("clock_settime", (long)clockId, target);
    return 0;
}

int settimeofday(const struct timeval* tv, const struct timezone* tz) {
    (void)tz;
    if (tv != NULL) {
        const struct timespec ts = {tv->tv_sec, tv->tv_usec * 1000};
        record("settimeofday", 0, &ts);
    }
    return 0;
}

int stime(const time_t* t);
int stime(const time_t* t) {
    if (t != NULL) {
        const struct timespec ts = {*t, 0};
        record("stime", 0, &ts);
    }
    return 0;
}
