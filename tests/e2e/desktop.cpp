#include "desktop.h"

#include "read_file.h"

#include <QThread>
#include <X11/Xlib.h>
#include <fstream>
#include <poll.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace hodra::e2e {
namespace {

std::vector<std::string> Environment(const Env& extra) {
    std::map<std::string, std::string> all;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const auto eq = entry.find('=');
        if (eq != std::string::npos) {
            all[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    for (const auto& [k, v] : extra) {
        if (v.empty()) {
            all.erase(k);  // an empty value takes the variable away
        } else {
            all[k] = v;
        }
    }
    std::vector<std::string> out;
    for (const auto& [k, v] : all) {
        out.push_back(k + "=" + v);
    }
    return out;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> p;
    for (auto& s : strings) {
        p.push_back(s.data());
    }
    p.push_back(nullptr);
    return p;
}

void Sleep(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

}  // namespace

pid_t Spawn(const std::vector<std::string>& argv, const Env& env, const std::string& cwd, const std::string& logPath) {
    std::vector<std::string> args = argv;
    std::vector<std::string> envs = Environment(env);
    auto argp = Pointers(args);
    auto envp = Pointers(envs);
    const pid_t pid = fork();
    if (pid == 0) {
        if (!cwd.empty() && chdir(cwd.c_str()) != 0) {
            _exit(126);
        }
        const int out = open(logPath.empty() ? "/dev/null" : logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        dup2(out, 1);
        dup2(out, 2);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    return pid;
}

RunResult Run(const std::vector<std::string>& argv, const Env& env) {
    int pipeEnds[2];
    RunResult result;
    if (pipe(pipeEnds) != 0) {
        return result;
    }
    std::vector<std::string> args = argv;
    std::vector<std::string> envs = Environment(env);
    auto argp = Pointers(args);
    auto envp = Pointers(envs);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argp[0], &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (rc == 0) {
        char buffer[4096];
        ssize_t n = 0;
        while ((n = read(pipeEnds[0], buffer, sizeof buffer)) > 0) {
            result.out.append(buffer, static_cast<std::size_t>(n));
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    close(pipeEnds[0]);
    return result;
}

int WaitExit(pid_t pid, int timeoutMs) {
    for (int waited = 0; waited <= timeoutMs; waited += 20) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        Sleep(20);
    }
    return -1;
}

bool Alive(pid_t pid) {
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

void Stop(pid_t pid) {
    if (pid > 0 && Alive(pid)) {
        kill(pid, SIGTERM);
        if (WaitExit(pid, 3000) < 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
    }
}

bool Desktop::Available(std::string* whyNot) {
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/trayer", "/usr/bin/xdotool", "/usr/bin/import",
                             "/usr/bin/xwininfo", "/usr/bin/unshare"}) {
        if (access(tool, X_OK) != 0) {
            *whyNot = std::string(tool) + " is not installed (run scripts/setup.sh)";
            return false;
        }
    }
    return true;
}

namespace {

constexpr int kAttempts = 3;
constexpr int kReadyLimitMs = 30000;

std::string Tail(const std::string& path) {
    const std::string all = test::ReadFile(path);
    return all.size() > 400 ? all.substr(all.size() - 400) : all;
}

std::string Ended(pid_t pid) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != pid) {
        return {};
    }
    return WIFEXITED(status) ? "exit " + std::to_string(WEXITSTATUS(status))
                             : "signal " + std::to_string(WTERMSIG(status));
}

}  // namespace

Desktop::Desktop(bool withTray) {
    char dir[] = "/tmp/hodra-desktop-XXXXXX";
    logs = mkdtemp(dir) != nullptr ? dir : "/tmp";
    for (int attempt = 1; attempt <= kAttempts && !ready; ++attempt) {
        lastProblem.clear();
        ready = StartServer() && (!withTray || StartTray());
        if (!ready) {
            failure += "attempt " + std::to_string(attempt) + ": " + lastProblem + "\n";
            Stop(tray);
            Stop(xvfb);
            tray = xvfb = -1;
        }
    }
}

// Xvfb picks a free display itself and writes its number once it takes connections.
bool Desktop::StartServer() {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        lastProblem = "no pipe";
        return false;
    }
    const std::string log = logs + "/xvfb.log";
    xvfb = fork();
    if (xvfb == 0) {
        dup2(fds[1], 3);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, 1);
        dup2(out, 2);
        execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", "3", "-screen", "0", "1024x768x24", "-nolisten", "tcp",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd entry{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&entry, 1, kReadyLimitMs) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') {
        number += c;
    }
    close(fds[0]);
    if (number.empty()) {
        const std::string end = Ended(xvfb);
        lastProblem = "Xvfb " + (end.empty() ? "named no display within 30 s" : "ended (" + end + ")") +
                      " before taking connections: " + Tail(log);
        return false;
    }
    display = ":" + number;
    return true;
}

// The tray is there once trayer owns the system tray selection of the screen.
bool Desktop::StartTray() {
    const std::string log = logs + "/trayer.log";
    tray = Spawn({"/usr/bin/trayer", "--edge", "top", "--align", "right", "--widthtype", "request", "--height", "24",
                  "--transparent", "false"},
                 {{"DISPLAY", display}}, {}, log);
    ::Display* x = XOpenDisplay(display.c_str());
    if (x == nullptr) {
        lastProblem = "the display " + display + " does not answer";
        return false;
    }
    const Atom selection = XInternAtom(x, ("_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreen(x))).c_str(), False);
    bool owned = false;
    for (int waited = 0; waited < kReadyLimitMs && !owned; waited += 20) {
        owned = XGetSelectionOwner(x, selection) != None;
        if (!owned) {
            if (const std::string end = Ended(tray); !end.empty()) {
                lastProblem = "trayer ended (" + end + ") without taking the tray: " + Tail(log);
                tray = -1;
                break;
            }
            Sleep(20);
        }
    }
    XCloseDisplay(x);
    if (!owned && lastProblem.empty()) {
        lastProblem = "trayer did not take the tray selection within 30 s: " + Tail(log);
    }
    return owned;
}

Desktop::~Desktop() {
    Stop(tray);
    Stop(xvfb);
    if (logs != "/tmp") {
        std::filesystem::remove_all(logs);
    }
}

RunResult Desktop::Xdotool(const std::vector<std::string>& args) const {
    std::vector<std::string> argv{"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return Run(argv, {{"DISPLAY", display}});
}

std::vector<std::string> Desktop::Windows(pid_t pid, const std::string& title) const {
    // xdotool matches names without regard to case; the titles must match exactly.
    std::istringstream lines(Xdotool({"search", "--onlyvisible", "--pid", std::to_string(pid), "--name", title}).out);
    std::vector<std::string> ids;
    for (std::string id; std::getline(lines, id);) {
        std::string name = Xdotool({"getwindowname", id}).out;
        while (!name.empty() && name.back() == '\n') {
            name.pop_back();
        }
        if (!id.empty() && name == title) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::vector<std::string> Desktop::VisibleWindows(pid_t pid) const {
    std::istringstream lines(Xdotool({"search", "--onlyvisible", "--pid", std::to_string(pid), "--name", ""}).out);
    std::vector<std::string> ids;
    for (std::string id; std::getline(lines, id);) {
        if (!id.empty()) {
            ids.push_back(id);
        }
    }
    return ids;
}

std::string Desktop::WaitWindow(pid_t pid, const std::string& title, int timeoutMs) const {
    for (int waited = 0; waited <= timeoutMs; waited += 50) {
        const auto ids = Windows(pid, title);
        if (!ids.empty()) {
            return ids.back();
        }
        Sleep(50);
    }
    return {};
}

QRect Desktop::Geometry(const std::string& window) const {
    std::istringstream lines(Xdotool({"getwindowgeometry", "--shell", window}).out);
    std::map<std::string, int> v;
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            v[line.substr(0, eq)] = std::atoi(line.substr(eq + 1).c_str());
        }
    }
    return QRect(v["X"], v["Y"], v["WIDTH"], v["HEIGHT"]);
}

// The X server keeps the order of the events it is sent, so the program sees the motion
// before the click and a click before the keys that follow; nothing needs to wait here.
// Whoever expects a result waits for that result.
void Desktop::Click(int x, int y, int button) const {
    Xdotool({"mousemove", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

void Desktop::Key(const std::string& keys) const {
    Xdotool({"key", keys});
}

void Desktop::Type(const std::string& text) const {
    Xdotool({"type", "--delay", "40", text});
}

QImage Desktop::Screenshot(const std::string& saveAs) const {
    Run({"/usr/bin/import", "-display", display, "-window", "root", saveAs});
    return QImage(QString::fromStdString(saveAs)).convertToFormat(QImage::Format_RGB32);
}

std::vector<QRect> Desktop::TrayIcons() const {
    // xwininfo -tree: the icons are windows docked below trayer's "panel" window.
    const RunResult tree = Run({"/usr/bin/xwininfo", "-display", display, "-root", "-tree"});
    std::istringstream lines(tree.out);
    std::vector<QRect> icons;
    std::size_t panelIndent = std::string::npos;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t indent = line.find_first_not_of(' ');
        if (indent == std::string::npos) {
            continue;
        }
        if (line.find("\"panel\": (\"panel\" \"trayer\")") != std::string::npos) {
            panelIndent = indent;
            continue;
        }
        if (panelIndent == std::string::npos || line.find(" child") != std::string::npos) {
            continue;
        }
        if (indent <= panelIndent) {
            panelIndent = std::string::npos;
            continue;
        }
        if (line.find("(\"hodra2\" \"hodra2\")") == std::string::npos) {
            continue;
        }
        // "... 22x22+0+0  +1001+1": size, then the absolute position last.
        int w = 0, h = 0, x = 0, y = 0, rx = 0, ry = 0;
        const auto paren = line.rfind(')');
        if (std::sscanf(line.c_str() + paren + 1, " %dx%d%d%d %d%d", &w, &h, &rx, &ry, &x, &y) == 6) {
            icons.push_back(QRect(x, y, w, h));
        }
    }
    return icons;
}

double Likeness(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull()) {
        return 0.0;
    }
    long same = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            same += std::abs(qRed(p) - qRed(q)) < 60 && std::abs(qGreen(p) - qGreen(q)) < 60 &&
                    std::abs(qBlue(p) - qBlue(q)) < 60;
        }
    }
    return static_cast<double>(same) / (a.width() * a.height());
}

}  // namespace hodra::e2e
