#include "compositor.h"

#include <QDir>
#include <QFile>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "desktop.h"
#include "hodra_run.h"

namespace hodra::e2e {

bool Compositor::Available(std::string* whyNot) {
    for (const char* tool : {"/usr/bin/weston", "/usr/bin/weston-screenshooter", "/usr/bin/Xwayland"}) {
        if (access(tool, X_OK) != 0) {
            *whyNot = std::string(tool) + " is not installed (run scripts/setup.sh)";
            return false;
        }
    }
    return true;
}

Compositor::Compositor() {
    char dir[] = "/tmp/hodra-weston-XXXXXX";
    if (mkdtemp(dir) == nullptr) {
        failure = "no directory";
        return;
    }
    directory = dir;
    socket = directory + "/wayland-hodra";
    const std::string log = directory + "/weston.log";
    // --debug lets weston-screenshooter ask for the picture.
    weston = Spawn({"/usr/bin/weston", "--backend=headless-backend.so", "--use-pixman", "--xwayland", "--debug",
                    "--socket=wayland-hodra", "--width=800", "--height=600", "--idle-time=0", "--log=" + log},
                   {{"XDG_RUNTIME_DIR", directory}, {"WAYLAND_DISPLAY", ""}, {"DISPLAY", ""}});
    // Ready once the Wayland socket is there and XWayland has its display.
    const std::regex listening("xserver listening on display (:[0-9]+)");
    ready = WaitUntil([&] {
                std::smatch found;
                const std::string text = ReadFile(log);
                if (std::filesystem::exists(socket) && std::regex_search(text, found, listening)) {
                    xDisplay = found[1];
                    return true;
                }
                return !Alive(weston);
            }) &&
            !xDisplay.empty();
    if (!ready) {
        failure = "weston did not come up: " + ReadFile(log);
    }
}

Compositor::~Compositor() {
    Stop(weston);
    if (!directory.empty()) {
        std::filesystem::remove_all(directory);
    }
}

QImage Compositor::Screenshot(const std::string& saveAs) const {
    const std::string shots = directory + "/shots";
    std::filesystem::remove_all(shots);
    std::filesystem::create_directories(shots);
    const pid_t shooter =
        Spawn({"/usr/bin/weston-screenshooter"}, {{"XDG_RUNTIME_DIR", directory}, {"WAYLAND_DISPLAY", socket}}, shots);
    if (WaitExit(shooter, 30000) != 0) {
        Stop(shooter);
        return {};
    }
    for (const auto& file : std::filesystem::directory_iterator(shots)) {
        std::filesystem::copy_file(file.path(), saveAs, std::filesystem::copy_options::overwrite_existing);
        return QImage(QString::fromStdString(saveAs)).convertToFormat(QImage::Format_RGB32);
    }
    return {};
}

}  // namespace hodra::e2e
