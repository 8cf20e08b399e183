#include "child_process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "cancel_token.h"

extern char** environ;

namespace hodra {
namespace {

constexpr std::size_t kLongestOutput = 64 * 1024;

// Reads until end of file; false when cancelled first.
bool ReadAll(int fd, const CancelToken& cancel, std::string& output) {
    pollfd entries[2] = {{fd, POLLIN, 0}, {cancel.Fd(), POLLIN, 0}};
    char chunk[4096];
    for (;;) {
        if (cancel.Cancelled()) {
            return false;
        }
        if (poll(entries, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return true;
        }
        if (entries[0].revents == 0) {
            continue;
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

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, const CancelToken& cancel) {
    ChildResult result;
    int out[2];
    if (argv.empty() || pipe2(out, O_CLOEXEC) != 0) {
        result.error = argv.empty() ? EINVAL : errno;
        return result;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        result.error = spawned;
        return result;
    }
    const bool finished = ReadAll(out[0], cancel, result.output);
    close(out[0]);
    if (!finished) {
        kill(pid, SIGKILL);
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
