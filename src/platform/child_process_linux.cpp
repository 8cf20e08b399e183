#include "platform/child_process_linux.h"

#include <cerrno>
#include <chrono>
#include <optional>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include "time/cancel_token.h"
#include "time/platform/unique_fd.h"

extern char** environ;

namespace hodra {
namespace {

constexpr std::size_t kLongestOutput = 64 * 1024;
// How long a child asked to stop may take to finish what it holds off a stop for.
constexpr std::chrono::seconds kStopPatience{5};

// Reads until end of file; false when cancelled (or, with no cancel, the deadline passed) first.
bool ReadAll(int fd, const CancelToken* cancel, std::string& output,
             std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt) {
    char chunk[4096];
    for (;;) {
        const Readiness ready = WaitReadable(fd, cancel, deadline);
        if (ready.status == Readiness::Status::TimedOut) {
            return false;
        }
        if (ready.status == Readiness::Status::Cancelled) {
            return false;
        }
        if (ready.status != Readiness::Status::Ready) {
            return true;  // nothing more can be read: the child's end is awaited below
        }
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return true;
        }
        if (output.size() < kLongestOutput) {
            output.append(chunk, static_cast<std::size_t>(n));
        }
    }
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Waits for the child's end, as far as its process descriptor lets us: false when the
// cancel or the deadline came first. A child may close its output and still run. Where the
// kernel has no process descriptors, true: the caller's waitpid waits instead.
bool Ended(pid_t pid, const CancelToken* cancel,
           std::optional<std::chrono::steady_clock::time_point> deadline = std::nullopt) {
    const UniqueFd process(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    return !process.Valid() || WaitReadable(process.Get(), cancel, deadline).status == Readiness::Status::Ready;
}

// Asked to stop, not killed: a child that holds off a stop (the helper, between moving the
// clock and writing its report) finishes that first; one still there after the patience
// is killed.
void Stop(pid_t pid, int out, std::string& output) {
    kill(pid, SIGTERM);
    const auto patience = std::chrono::steady_clock::now() + kStopPatience;
    if (!ReadAll(out, nullptr, output, patience) || !Ended(pid, nullptr, patience)) {
        kill(pid, SIGKILL);
    }
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const CancelToken& cancel) {
    ChildResult result;
    int pipeEnds[2];
    if (argv.empty() || pipe2(pipeEnds, O_CLOEXEC) != 0) {
        result.error = argv.empty() ? EINVAL : errno;
        return result;
    }
    const UniqueFd out(pipeEnds[0]);
    UniqueFd in(pipeEnds[1]);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, in.Get(), STDOUT_FILENO);
    // The child starts with no signal blocked or ignored, whatever this process's threads do.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    in.Reset();
    if (spawned != 0) {
        result.error = spawned;
        return result;
    }
    if (!ReadAll(out.Get(), &cancel, result.output) || !Ended(pid, &cancel)) {
        Stop(pid, out.Get(), result.output);
        Wait(pid);
        result.status = ChildResult::Status::Cancelled;
        return result;
    }
    const int status = Wait(pid);
    if (WIFEXITED(status)) {
        result.status = ChildResult::Status::Exited;
        result.exitCode = WEXITSTATUS(status);
    } else {
        result.status = ChildResult::Status::Killed;
    }
    return result;
}

}  // namespace hodra
