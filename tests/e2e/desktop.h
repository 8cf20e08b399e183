#pragma once

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

namespace hodra::e2e {

using Env = std::map<std::string, std::string>;

// Runs a program to its end; its standard output and exit status.
struct RunResult {
    int status = -1;
    std::string out;
};
RunResult Run(const std::vector<std::string>& argv, const Env& env = {});

// Starts a program in the background, with extra environment (an empty value unsets the
// variable) and a working directory.
pid_t Spawn(const std::vector<std::string>& argv, const Env& env, const std::string& cwd = {},
            const std::string& logPath = {});
// Waits for a process; its exit status, or -1 if it did not end within timeoutMs.
int WaitExit(pid_t pid, int timeoutMs);
bool Alive(pid_t pid);
void Stop(pid_t pid);

// An X server (Xvfb) with a tray (trayer), for the length of a test, on a display of
// its own; ready once the display answers and the tray's selection is owned.
class Desktop {
public:
    // Without a tray, one can come up later (AddTray), as a panel does at a session start.
    explicit Desktop(bool withTray = true);
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    static bool Available(std::string* whyNot);
    bool Ready() const { return ready; }
    bool AddTray() { return StartTray(); }
    // What was seen on each attempt that failed.
    const std::string& Failure() const { return failure; }
    const std::string& Display() const { return display; }

    RunResult Xdotool(const std::vector<std::string>& args) const;
    // The visible windows of a process with exactly this title.
    std::vector<std::string> Windows(pid_t pid, const std::string& title) const;
    // Every visible window of a process (menus included).
    std::vector<std::string> VisibleWindows(pid_t pid) const;
    std::string WaitWindow(pid_t pid, const std::string& title, int timeoutMs = 8000) const;
    QRect Geometry(const std::string& window) const;
    void Click(int x, int y, int button = 1) const;
    void Key(const std::string& keys) const;
    void Type(const std::string& text) const;
    QImage Screenshot(const std::string& saveAs) const;
    // The screen rectangles of the program's icons docked in the tray.
    std::vector<QRect> TrayIcons() const;

private:
    bool StartServer();
    bool StartTray();

    std::string display;
    std::string logs;
    pid_t xvfb = -1;
    pid_t tray = -1;
    bool ready = false;
    std::string failure;
    std::string lastProblem;
};

// How alike two images of the same size are: the share of pixels within a small
// distance of each other (1.0: the same picture).
double Likeness(const QImage& a, const QImage& b);

}  // namespace hodra::e2e
