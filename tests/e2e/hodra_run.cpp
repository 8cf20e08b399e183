#include "hodra_run.h"

#include <QDir>
#include <QSettings>
#include <QWidget>
#include <csignal>
#include <fstream>
#include <sstream>
#include <thread>

#include "dialogs/dialog_builder.h"

namespace hodra::e2e {

bool WaitUntil(const std::function<bool()>& holds, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!holds()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

HodraRun::HodraRun(const Desktop& desktop) : desktop(desktop), dir(temp.StdPath()) {
    for (const char* sub :
         {"home", "config/Hodra Client V2.0", "xdg/Hodra Client V2.0", "run", "data", "cwd", "journal"}) {
        QDir().mkpath(QString::fromStdString(dir + "/" + sub));
    }
    QFile::setPermissions(QString::fromStdString(dir + "/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

HodraRun::~HodraRun() {
    Stop(pid);
}

void HodraRun::Profile(const QString& key, const QVariant& value) {
    QSettings profile(QString::fromStdString(dir + "/config/Hodra Client V2.0/Hodra2.conf"), QSettings::IniFormat);
    profile.setValue("Hodra/" + key, value);
}

QVariant HodraRun::Stored(const QString& key) const {
    QSettings profile(QString::fromStdString(dir + "/config/Hodra Client V2.0/Hodra2.conf"), QSettings::IniFormat);
    return profile.value("Hodra/" + key);
}

void HodraRun::Deployment(const std::string& primary, const std::string& secondary,
                          const std::map<std::string, std::string>& more) {
    QSettings file(QString::fromStdString(dir + "/xdg/Hodra Client V2.0/Hodra2.conf"), QSettings::IniFormat);
    file.setValue("Deployment/PrimaryHost", QString::fromStdString(primary));
    file.setValue("Deployment/SecondaryHost", QString::fromStdString(secondary));
    file.setValue("Deployment/WebPage", "http://127.0.0.1:9/");
    for (const auto& [key, value] : more) {
        file.setValue(QString::fromStdString("Deployment/" + key), QString::fromStdString(value));
    }
}

Env HodraRun::Environment() const {
    Env env{{"DISPLAY", desktop.Display()},
            {"QT_QPA_PLATFORM", "xcb"},
            {"HOME", dir + "/home"},
            {"XDG_CONFIG_HOME", dir + "/config"},
            {"XDG_CONFIG_DIRS", dir + "/xdg"},
            {"XDG_DATA_HOME", dir + "/data"},
            {"XDG_RUNTIME_DIR", dir + "/run"},
            {"DBUS_SESSION_BUS_ADDRESS", "disabled:"},
            {"DBUS_SYSTEM_BUS_ADDRESS", systemBus},
            {"ASAN_OPTIONS", "verify_asan_link_order=0:detect_leaks=0"}};
    for (const auto& [name, value] : session) {
        env[name] = value;
    }
    return env;
}

bool HodraRun::Start(bool shim, bool withTray) {
    shimmed = shim;
    pid = StartAnother();
    window = desktop.WaitWindow(pid, "Hodra2", 30000);
    // The tray icon docks a moment after the window shows.
    return !window.empty() && (!withTray || WaitUntil([this] { return !desktop.TrayIcons().empty(); }));
}

pid_t HodraRun::StartAnother() {
    std::vector<std::string> argv{HODRA_RUN_SANDBOXED};
    if (shimmed) {
        argv.insert(argv.end(), {"--shim", HODRA_SHIM, dir + "/settime.log"});
    }
    if (!resolver.empty()) {
        argv.insert(argv.end(), {"--resolv", resolver});
    }
    argv.insert(argv.end(), {"--journal", dir + "/journal"});
    argv.push_back(HODRA2_BINARY);
    return Spawn(argv, Environment(), dir + "/cwd", dir + "/output.log");
}

test::JournalListener& HodraRun::ListenToJournal() {
    if (journal == nullptr) {
        journal = std::make_unique<test::JournalListener>(dir + "/journal");
    }
    return *journal;
}

int HodraRun::QuitFromTray() {
    const auto icons = desktop.TrayIcons();
    if (icons.empty()) {
        return -2;
    }
    const QPoint at = icons.front().center();
    const std::size_t before = desktop.VisibleWindows(pid).size();
    desktop.Click(at.x(), at.y(), 3);
    // The keys go to the menu only once it is up.
    if (!WaitUntil([&] { return desktop.VisibleWindows(pid).size() > before; })) {
        return -3;
    }
    desktop.Key("Up");  // from the top the selection wraps to the last item, "종료"
    desktop.Key("Return");
    const int status = WaitExit(pid, 30000);
    if (status >= 0) {
        pid = -1;
    }
    return status;
}

int HodraRun::Terminate(int signal) {
    kill(pid, signal);
    const int status = WaitExit(pid, 30000);
    if (status >= 0) {
        pid = -1;
    }
    return status;
}

QRect HodraRun::Window() const {
    return desktop.Geometry(window);
}

QRect HodraRun::ControlRect(int id) const {
    const DialogTemplate t = LoadDialogTemplate(102);
    QWidget scratch;
    const BuiltDialog built = DialogBuilder(t).Build(&scratch);
    return built.controls.value(id)->geometry().translated(Window().topLeft());
}

QPoint HodraRun::ControlCentre(int id) const {
    return ControlRect(id).center();
}

std::string HodraRun::ShimLog() const {
    return ReadFile(dir + "/settime.log");
}

std::string HodraRun::ResultLog() const {
    return ReadFile(dir + "/cwd/HodraLog.txt");
}

}  // namespace hodra::e2e
