// Helper for the kill -9 test: opens the main window on a profile, changes every option
// through the settings sheet's apply sequence, closes the window (saving its state), and
// does it again, alternating between two complete sets of values, until it is killed.
// Prints one line per close.
#include <QApplication>
#include <cstdio>

#include "dialogs/fonts.h"
#include "profile_sets.h"
#include "window_fixture.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        return 2;
    }
    const QString profile = QString::fromLocal8Bit(argv[1]);
    for (unsigned round = 0;; ++round) {
        hodra::test::WindowFixture fixture(profile);
        hodra::MainClockWindow& window = fixture.Open();
        const bool second = round % 2 == 1;
        fixture.host.sheet = [&](hodra::MainClockWindow&) { hodra::test::ApplyOptionSet(fixture.settings, second); };
        window.OnSettings();
        hodra::test::ApplyStateSet(fixture.settings, second);
        window.close();
        std::printf("closed %u\n", round);
        std::fflush(stdout);
    }
}
