/* LD_PRELOAD shim for tests and the demo: records every attempt to set the clock
 * instead of making it, and reports success. Each call appends one line to the file
 * named by HODRA_SHIM_LOG:
 *   CALL CLOCKID TARGET_SEC.NSEC NOW_SEC.NSEC PROGRAM
 * CALL is clock_settime, clock_adjtime (a relative step: TARGET is NOW plus the offset),
 * settimeofday or stime; NOW is the real clock at the moment of the call and PROGRAM the
 * caller's name. Other clock_adjtime calls (reading the clock's state) pass through.
 * With HODRA_SHIM_STEP_PAUSE_MS a step takes that many milliseconds (after it is recorded).
 * The log is opened when the shim loads; a test that empties it truncates, not replaces it. */
#define _GNU_SOURCE
#include <errno.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/timex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

/* The log is opened as the shim loads: the clock helper's keeper steps the clock under a
 * filter that lets it open nothing, and closes every descriptor it does not know of, but
 * for this one (close_range below). */
static int logFd = -1;

/* With HODRA_SHIM_MARK set, loading the shim at all leaves that file behind: a test shows
 * with it that a program did not load it. */
__attribute__((constructor)) static void on_load(void) {
    const char* mark = getenv("HODRA_SHIM_MARK");
    if (mark != NULL) {
        const int fd = open(mark, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd >= 0) {
            close(fd);
        }
    }
    const char* path = getenv("HODRA_SHIM_LOG");
    if (path != NULL) {
        logFd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    }
}

int close_range(unsigned first, unsigned last, int flags) {
    int (*real)(unsigned, unsigned, int) = (int (*)(unsigned, unsigned, int))dlsym(RTLD_NEXT, "close_range");
    if (real == NULL) {
        errno = ENOSYS;
        return -1;
    }
    const unsigned kept = (unsigned)logFd;
    if (logFd < 0 || kept < first || kept > last) {
        return real(first, last, flags);
    }
    int result = 0;
    if (kept > first) {
        result |= real(first, kept - 1, flags);
    }
    if (kept < last) {
        result |= real(kept + 1, last, flags);
    }
    return result;
}

static void record_at(const char* call, long clockId, const struct timespec* target, struct timespec now) {
    if (logFd < 0 || target == NULL) {
        return;
    }
    char line[200];
    const int n =
        snprintf(line, sizeof line, "%s %ld %lld.%09ld %lld.%09ld %s\n", call, clockId, (long long)target->tv_sec,
                 target->tv_nsec, (long long)now.tv_sec, now.tv_nsec, program_invocation_short_name);
    (void)!write(logFd, line, (size_t)n);
}

static void record(const char* call, long clockId, const struct timespec* target) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    record_at(call, clockId, target, now);
}

int clock_adjtime(clockid_t clockId, struct timex* tx) {
    if ((tx->modes & ADJ_SETOFFSET) == 0) {
        int (*real)(clockid_t, struct timex*) = (int (*)(clockid_t, struct timex*))dlsym(RTLD_NEXT, "clock_adjtime");
        return real != NULL ? real(clockId, tx) : -1;
    }
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const long long offsetNs = (long long)tx->time.tv_sec * 1000000000LL +
                               ((tx->modes & ADJ_NANO) != 0 ? tx->time.tv_usec : tx->time.tv_usec * 1000LL);
    const long long targetNs = (long long)now.tv_sec * 1000000000LL + now.tv_nsec + offsetNs;
    struct timespec target;
    target.tv_sec = (time_t)(targetNs / 1000000000LL);
    target.tv_nsec = (long)(targetNs % 1000000000LL);
    if (target.tv_nsec < 0) {
        target.tv_nsec += 1000000000L;
        target.tv_sec -= 1;
    }
    record_at("clock_adjtime", (long)clockId, &target, now);
    /* HODRA_SHIM_STEP_PAUSE_MS: the step then takes that long, as a slow one would, so a
     * test can stop the program between the step and what follows it. */
    const char* pause = getenv("HODRA_SHIM_STEP_PAUSE_MS");
    if (pause != NULL) {
        /* Spins on the clock: the keeper's filter allows no sleep. */
        struct timespec start;
        struct timespec at;
        clock_gettime(CLOCK_MONOTONIC, &start);
        const long long until = (long long)start.tv_sec * 1000000000LL + start.tv_nsec + atol(pause) * 1000000LL;
        do {
            clock_gettime(CLOCK_MONOTONIC, &at);
        } while ((long long)at.tv_sec * 1000000000LL + at.tv_nsec < until);
    }
    return TIME_OK;
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
