// The window's memory while its tray icon carries the mark of a failed automatic run: the
// start-up compare finds no server, then 400 compares find none either, each of which
// brings the tray up to date. The real hodra2 under Xvfb with trayer as the tray, its
// "비교" clicked with xdotool; its RSS is printed every 50 runs.
// usage: tray_memory [RUNS]
#include <QApplication>
#include <QPoint>
#include <cstdio>
#include <fstream>
#include <string>

#include "dialogs/control_ids.h"
#include "desktop.h"
#include "dialogs/fonts.h"
#include "hodra_run.h"

namespace {

using hodra::e2e::Desktop;
using hodra::e2e::HodraRun;

long RssKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

long Lines(const std::string& path) {
    std::ifstream in(path);
    long n = 0;
    for (std::string line; std::getline(in, line);) {
        ++n;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");  // only to lay out the clock window's template
    QApplication app(argc, argv);
    hodra::InstallFontSubstitutions();
    const long runs = argc > 1 ? std::stol(argv[1]) : 400;
    std::string why;
    if (!Desktop::Available(&why)) {
        std::fprintf(stderr, "tray_memory: %s\n", why.c_str());
        return 1;
    }
    Desktop desktop;
    if (!desktop.Ready()) {
        std::fprintf(stderr, "tray_memory: no desktop: %s\n", desktop.Failure().c_str());
        return 1;
    }
    HodraRun run(desktop);
    run.Deployment("127.0.0.1:9", "127.0.0.1:9");  // a closed port: each run fails at once
    run.Profile("AutoCompare", 1);
    run.Profile("Top", 0);
    if (!run.Start(false)) {
        std::fprintf(stderr, "tray_memory: the window or its tray icon did not come up\n");
        return 1;
    }
    const std::string history = run.Dir() + "/home/.local/state/hodra2/history.tsv";
    if (!hodra::e2e::WaitUntil([&] { return Lines(history) >= 1; })) {
        std::fprintf(stderr, "tray_memory: the start-up compare was not recorded\n");
        return 1;
    }
    const QPoint compare = run.ControlCentre(hodra::dialog102::kCompare);
    std::printf("%8s %10s\n", "runs", "RSS (MB)");
    long first = 0;
    long last = 0;
    for (long n = 1; n <= runs; ++n) {
        // A click while the last run still holds the button is lost: it is made again.
        do {
            desktop.Click(compare.x(), compare.y());
        } while (!hodra::e2e::WaitUntil([&] { return Lines(history) > n; }, 2000));
        if (n % 50 == 0 || n == 1) {
            last = RssKb(run.Pid());
            first = first == 0 ? last : first;
            std::printf("%8ld %10.2f\n", n, last / 1024.0);
            std::fflush(stdout);
        }
    }
    std::printf(
        "RESULT|window RSS over %ld failed runs with the tray's mark (first / last)|%.1f / %.1f MB (%+.2f)|"
        "within 1 MB\n",
        runs, first / 1024.0, last / 1024.0, (last - first) / 1024.0);
    return run.Terminate() == 0 ? 0 : 1;
}
