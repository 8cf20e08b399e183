#include "platform/syscall_filter_rules.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <linux/netlink.h>
#include <linux/sockios.h>
#include <sched.h>
#include <seccomp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <termios.h>

namespace hodra {
namespace {

// The calls of the sanitizers' own runtime in a test build (HODRA_SANITIZED): they probe
// memory through a pipe and give each thread a signal stack. Never in a release build.
constexpr std::initializer_list<int> kSanitizerRuntime = {
#ifdef HODRA_SANITIZED
    SCMP_SYS(pipe2), SCMP_SYS(close),  SCMP_SYS(sigaltstack), SCMP_SYS(sched_yield),
    SCMP_SYS(prctl), SCMP_SYS(getpid), SCMP_SYS(gettid),
#endif
};

// The keeper's whole list: the conversation with the network process over its one socket
// (no descriptor can reach it: it opens, accepts and receives none), the step (and, where
// the kernel lacks it, reading and setting the clock), its own capability raised and
// lowered around that call, the hold on ending signals, and the end.
constexpr std::initializer_list<int> kKeeperCalls = {
    SCMP_SYS(read),           SCMP_SYS(write),        SCMP_SYS(clock_adjtime), SCMP_SYS(clock_settime),
    SCMP_SYS(clock_gettime),  SCMP_SYS(gettimeofday), SCMP_SYS(capget),        SCMP_SYS(capset),
    SCMP_SYS(rt_sigprocmask), SCMP_SYS(exit),         SCMP_SYS(exit_group),
};

// The network process's calls without conditions on their arguments, by who needs them.
constexpr std::initializer_list<int> kNetworkCalls = {
    // Memory: the allocator, thread stacks, and libraries that name services and GnuTLS load.
    SCMP_SYS(brk),
    SCMP_SYS(mmap),
    SCMP_SYS(munmap),
    SCMP_SYS(mremap),
    SCMP_SYS(mprotect),
    SCMP_SYS(madvise),
    // A name lookup runs on a thread of its own, so that the host's deadline can give it up.
    SCMP_SYS(set_robust_list),
    SCMP_SYS(rseq),
    SCMP_SYS(futex),
    SCMP_SYS(exit),
    SCMP_SYS(sched_yield),
    SCMP_SYS(sigaltstack),
    SCMP_SYS(rt_sigaction),
    SCMP_SYS(rt_sigprocmask),
    SCMP_SYS(rt_sigreturn),
    SCMP_SYS(restart_syscall),
    SCMP_SYS(getpid),
    SCMP_SYS(gettid),
    // Reading files (opening is below, for reading only): nsswitch.conf, hosts, resolv.conf,
    // gai.conf, name service modules, GnuTLS's configuration and the trust store.
    SCMP_SYS(read),
    SCMP_SYS(pread64),
    SCMP_SYS(readv),
    SCMP_SYS(lseek),
    SCMP_SYS(close),
    SCMP_SYS(fstat),
    SCMP_SYS(newfstatat),
    SCMP_SYS(statx),
    SCMP_SYS(stat),
    SCMP_SYS(lstat),
    SCMP_SYS(getdents64),
    SCMP_SYS(readlink),
    SCMP_SYS(readlinkat),
    SCMP_SYS(access),
    SCMP_SYS(faccessat),
    SCMP_SYS(faccessat2),
    SCMP_SYS(fcntl),
    SCMP_SYS(getcwd),
    // The servers: NTP over UDP, DNS over UDP and TCP, the key exchange over TCP, the local
    // resolver's and nscd's sockets; waiting with a deadline and a wake-up descriptor.
    SCMP_SYS(connect),
    SCMP_SYS(bind),
    SCMP_SYS(sendto),
    SCMP_SYS(sendmsg),
    SCMP_SYS(sendmmsg),
    SCMP_SYS(recvfrom),
    SCMP_SYS(recvmsg),
    SCMP_SYS(recvmmsg),
    SCMP_SYS(setsockopt),
    SCMP_SYS(getsockopt),
    SCMP_SYS(getsockname),
    SCMP_SYS(getpeername),
    SCMP_SYS(shutdown),
    SCMP_SYS(poll),
    SCMP_SYS(ppoll),
    SCMP_SYS(select),
    SCMP_SYS(pselect6),
    SCMP_SYS(eventfd2),
    // Standard output and error, the report; random bits for the requests and for TLS.
    SCMP_SYS(write),
    SCMP_SYS(writev),
    SCMP_SYS(getrandom),
    // Reading the clocks (the kernel's page serves most), waiting, identity and limits.
    SCMP_SYS(clock_gettime),
    SCMP_SYS(clock_getres),
    SCMP_SYS(gettimeofday),
    SCMP_SYS(time),
    SCMP_SYS(clock_nanosleep),
    SCMP_SYS(nanosleep),
    SCMP_SYS(uname),
    SCMP_SYS(getuid),
    SCMP_SYS(geteuid),
    SCMP_SYS(getgid),
    SCMP_SYS(getegid),
    SCMP_SYS(getresuid),
    SCMP_SYS(getresgid),
    SCMP_SYS(sysinfo),
    SCMP_SYS(sched_getaffinity),
    SCMP_SYS(getrlimit),
    // The end.
    SCMP_SYS(exit_group),
};

// One condition on a call's argument (libseccomp's SCMP_A* macros are C compound literals).
// MASKED_EQ compares (argument & value) with masked.
scmp_arg_cmp Arg(unsigned index, scmp_compare op, scmp_datum_t value, scmp_datum_t masked = 0) {
    return {index, op, value, masked};
}

class Filter {
public:
    Filter() : context(seccomp_init(SCMP_ACT_KILL_PROCESS)) {}
    ~Filter() {
        if (context != nullptr) {
            seccomp_release(context);
        }
    }
    Filter(const Filter&) = delete;
    Filter& operator=(const Filter&) = delete;

    void Allow(std::initializer_list<int> calls) {
        for (const int call : calls) {
            Add(SCMP_ACT_ALLOW, call, {});
        }
    }
    void Allow(int call, std::initializer_list<scmp_arg_cmp> when) { Add(SCMP_ACT_ALLOW, call, when); }
    void Refuse(int call, int error, std::initializer_list<scmp_arg_cmp> when = {}) {
        Add(SCMP_ACT_ERRNO(static_cast<std::uint32_t>(error)), call, when);
    }

    std::vector<sock_filter> Compile(std::string& failure) {
        // Another architecture's calls (int 0x80, x32) pass no rule here. A binary tree of the
        // call numbers: the kernel runs the program for every call number when it installs
        // it, and for every call after, and a tree takes fewer steps than a list.
        if (context == nullptr || failed != 0 ||
            seccomp_attr_set(context, SCMP_FLTATR_ACT_BADARCH, SCMP_ACT_KILL_PROCESS) != 0 ||
            seccomp_attr_set(context, SCMP_FLTATR_CTL_OPTIMIZE, 2) != 0) {
            failure = context == nullptr ? "seccomp_init" : std::strerror(failed != 0 ? failed : EINVAL);
            return {};
        }
        std::FILE* out = std::tmpfile();
        std::vector<sock_filter> program;
        if (out == nullptr || seccomp_export_bpf(context, fileno(out)) != 0) {
            failure = "seccomp_export_bpf";
        } else {
            std::rewind(out);
            for (sock_filter op{}; std::fread(&op, sizeof op, 1, out) == 1;) {
                program.push_back(op);
            }
        }
        if (out != nullptr) {
            std::fclose(out);
        }
        return program;
    }

private:
    void Add(std::uint32_t action, int call, std::initializer_list<scmp_arg_cmp> when) {
        if (context == nullptr || call < 0) {
            return;  // a call this architecture does not have needs no rule
        }
        const int rc = seccomp_rule_add_array(context, action, call, static_cast<unsigned>(when.size()), when.begin());
        if (rc != 0 && failed == 0) {
            failed = -rc;
        }
    }

    scmp_filter_ctx context;
    int failed = 0;
};

void AddNetworkRules(Filter& filter) {
    filter.Allow(kNetworkCalls);
    // Files are opened for reading only: nothing created, truncated or written.
    const scmp_datum_t writing = O_ACCMODE | O_CREAT | O_TRUNC | O_APPEND;
    filter.Allow(SCMP_SYS(openat), {Arg(2, SCMP_CMP_MASKED_EQ, writing, O_RDONLY)});
    filter.Allow(SCMP_SYS(open), {Arg(1, SCMP_CMP_MASKED_EQ, writing, O_RDONLY)});
    // Sockets of the families a lookup and an exchange use; netlink only to learn the
    // addresses of this host's interfaces (getaddrinfo's sorting).
    for (const int family : {AF_INET, AF_INET6}) {
        filter.Allow(SCMP_SYS(socket), {Arg(0, SCMP_CMP_EQ, static_cast<scmp_datum_t>(family))});
    }
    // Local sockets for datagrams only (the journal's). A local stream would reach the
    // system's and the session's D-Bus, which start programs and set the time for whoever
    // asks with this uid: refused, not fatal, so that the name services that use one
    // (systemd-resolved's varlink, nscd, avahi) step aside and DNS answers instead.
    constexpr scmp_datum_t kType = 0xf;  // SOCK_TYPE_MASK: without SOCK_CLOEXEC, SOCK_NONBLOCK
    filter.Allow(SCMP_SYS(socket), {Arg(0, SCMP_CMP_EQ, AF_UNIX), Arg(1, SCMP_CMP_MASKED_EQ, kType, SOCK_DGRAM)});
    for (const scmp_datum_t type : {SOCK_STREAM, SOCK_SEQPACKET}) {
        filter.Refuse(SCMP_SYS(socket), EACCES,
                      {Arg(0, SCMP_CMP_EQ, AF_UNIX), Arg(1, SCMP_CMP_MASKED_EQ, kType, type)});
    }
    filter.Allow(SCMP_SYS(socket), {Arg(0, SCMP_CMP_EQ, AF_NETLINK), Arg(2, SCMP_CMP_EQ, NETLINK_ROUTE)});
    // A terminal's mode (the C library's buffering), bytes waiting, an interface's index.
    for (const unsigned long request : {TCGETS, FIONREAD, FIONBIO, SIOCGIFINDEX, SIOCGIFNAME}) {
        filter.Allow(SCMP_SYS(ioctl), {Arg(1, SCMP_CMP_EQ, request)});
    }
    // Threads only, never a process; the C library falls back from clone3 to clone.
    filter.Allow(SCMP_SYS(clone), {Arg(0, SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)});
    filter.Refuse(SCMP_SYS(clone3), ENOSYS);
    // Limits read, never set.
    filter.Allow(SCMP_SYS(prlimit64), {Arg(2, SCMP_CMP_EQ, 0)});
}

}  // namespace

std::vector<sock_filter> CompileFilter(FilterList list, std::string& failure) {
    Filter filter;
    if (list == FilterList::Keeper) {
        filter.Allow(kKeeperCalls);
    } else {
        AddNetworkRules(filter);
    }
    filter.Allow(kSanitizerRuntime);
    return filter.Compile(failure);
}

}  // namespace hodra
