#pragma once

#include <QPoint>
#include <QRect>
#include <QString>
#include <QVariant>
#include <csignal>
#include <functional>
#include <memory>
#include <string>

#include "desktop.h"
#include "journal_listener.h"
#include "read_file.h"
#include "temp_dir.h"

namespace hodra::e2e {

// One start of the real hodra2 on a test desktop: a fresh home, profile, deployment
// file and working directory; inside a user namespace with the shim that records
// clock_settime instead of making it.
class HodraRun {
public:
    explicit HodraRun(const Desktop& desktop);
    ~HodraRun();

    void Profile(const QString& key, const QVariant& value);
    QVariant Stored(const QString& key) const;
    void Deployment(const std::string& primary, const std::string& secondary,
                    const std::map<std::string, std::string>& more = {});

    // The system bus the program sees: a private one of the test. Without one it sees none,
    // so that no test ever reaches the machine's own time service.
    void SystemBus(const std::string& address) { systemBus = address; }
    // Variables of the session the program runs in, over the test desktop's (an empty value
    // unsets one): another display, a Wayland compositor, a session bus.
    void Session(const Env& variables) { session = variables; }
    // The program sees this file as /etc/resolv.conf.
    void Resolver(const std::string& resolvConf) { resolver = resolvConf; }
    // The journal the program and its helper send their entries to: the test's, before
    // Start. Without it they find no journal, never the machine's own.
    test::JournalListener& ListenToJournal();

    // Starts the program and waits for its clock window; false when it did not appear.
    // Without the shim, setting the clock fails as it does for a helper without its capability.
    bool Start(bool shim = true, bool withTray = true);
    pid_t Pid() const { return pid; }
    // Another start in the same session (the single-instance check).
    pid_t StartAnother();
    // Ends the program from the tray menu ("종료") and returns its exit status.
    int QuitFromTray();
    // Ends it as a session logout does (SIGTERM), or a closed terminal (SIGHUP).
    int Terminate(int signal = SIGTERM);

    QRect Window() const;
    // Centre of a control of the main window (dialog 102), on the screen.
    QPoint ControlCentre(int id) const;
    QRect ControlRect(int id) const;

    std::string ShimLog() const;
    std::string ResultLog() const;
    const std::string& Dir() const { return dir; }

private:
    Env Environment() const;

    const Desktop& desktop;
    test::TempDir temp;
    std::string dir;
    pid_t pid = -1;
    std::string window;
    std::string systemBus = "unix:path=/nonexistent/system_bus_socket";
    bool shimmed = true;
    std::string resolver;
    Env session;
    std::unique_ptr<test::JournalListener> journal;
};

using test::ReadFile;

// Polls a condition of the world outside (a window, a file, a picture) until it holds;
// false if it did not within the limit, which only guards against a hang.
bool WaitUntil(const std::function<bool()>& holds, int limitMs = 30000);

}  // namespace hodra::e2e
