// Whole runs of programs, from start to end: for each command, the median and p95 wall
// time over many runs and the largest peak RSS any run reached (the process and the
// children it reaped: the clock helper's keeper). Several commands take turns, run by
// run, so that what the machine does meanwhile falls on each alike.
// usage: helper_run RUNS COMMAND [ARGS...] [-- COMMAND [ARGS...] ...]
// prints one line per command: MEDIAN_MS P95_MS MAX_RSS_KB FAILED_RUNS
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

struct Command {
    std::vector<char*> argv;
    std::vector<double> took;
    long maxRss = 0;
    int failed = 0;
};

bool RunOnce(Command& c, const posix_spawn_file_actions_t& quiet) {
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, c.argv[0], &quiet, nullptr, c.argv.data(), environ) != 0) {
        return false;
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    c.took.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    c.maxRss = std::max(c.maxRss, usage.ru_maxrss);
    c.failed += !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: helper_run RUNS COMMAND [ARGS...] [-- COMMAND [ARGS...] ...]\n");
        return 2;
    }
    const int runs = std::atoi(argv[1]);
    std::vector<Command> commands(1);
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.back().argv.push_back(nullptr);
            commands.emplace_back();
        } else {
            commands.back().argv.push_back(argv[i]);
        }
    }
    commands.back().argv.push_back(nullptr);
    posix_spawn_file_actions_t quiet;
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
    for (int i = 0; i < runs; ++i) {
        for (Command& c : commands) {
            if (!RunOnce(c, quiet)) {
                std::perror("helper_run: spawn");
                return 1;
            }
        }
    }
    for (Command& c : commands) {
        std::sort(c.took.begin(), c.took.end());
        std::printf("%.2f %.2f %ld %d\n", c.took[c.took.size() / 2], c.took[c.took.size() * 95 / 100], c.maxRss,
                    c.failed);
    }
    return 0;
}
