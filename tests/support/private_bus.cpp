#include "private_bus.h"

#include <csignal>
#include <fcntl.h>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace hodra::test {
namespace {

const char* const kDaemon = "/usr/bin/dbus-daemon";

// Anonymous connections are allowed: a client inside a user namespace cannot prove its uid.
const char kConfig[] = R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir=%s</listen>
  <auth>EXTERNAL</auth>
  <auth>ANONYMOUS</auth>
  <allow_anonymous/>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
    <allow user="*"/>
  </policy>
</busconfig>
)";

// Starts argv with its standard output on a pipe; the read end, or -1.
int SpawnReading(const std::vector<std::string>& argv, pid_t& pid) {
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        return -1;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        pid = -1;
        return -1;
    }
    return out[0];
}

// The first line the program writes: its sign of readiness.
std::string FirstLine(int fd) {
    std::string line;
    char c = 0;
    while (read(fd, &c, 1) == 1 && c != '\n') {
        line += c;
    }
    return line;
}

void StopAndReap(pid_t pid) {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}

}  // namespace

bool PrivateBus::Available(std::string* whyNot) {
    if (access(kDaemon, X_OK) != 0) {
        *whyNot = "dbus-daemon is not installed (run scripts/setup.sh)";
        return false;
    }
    return true;
}

PrivateBus::PrivateBus() {
    char dir[] = "/tmp/hodra-bus-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        return;
    }
    directory = dir;
    const std::string config = directory + "/bus.conf";
    {
        char text[sizeof kConfig + 256];
        std::snprintf(text, sizeof text, kConfig, directory.c_str());
        std::ofstream(config) << text;
    }
    const int fd =
        SpawnReading({kDaemon, "--config-file=" + config, "--nofork", "--nopidfile", "--print-address=1"}, pid);
    if (fd >= 0) {
        address = FirstLine(fd);  // printed once the bus listens
        close(fd);
    }
}

PrivateBus::~PrivateBus() {
    StopAndReap(pid);
    if (!directory.empty()) {
        std::system(("rm -rf '" + directory + "'").c_str());
    }
}

FakeBusService::FakeBusService(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    const int fd = SpawnReading(argv, pid);
    if (fd >= 0) {
        ready = FirstLine(fd) == "ready";
        close(fd);
    }
}

FakeBusService::~FakeBusService() {
    StopAndReap(pid);
}

void FakeBusService::Signal(int signal) const {
    kill(pid, signal);
}

}  // namespace hodra::test
