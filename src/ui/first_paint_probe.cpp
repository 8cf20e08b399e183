#include "ui/first_paint_probe.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>

namespace hodra {
namespace {

// Process start in ms on the boot clock: field 22 of /proc/self/stat, in clock ticks.
double ProcessStartMs() {
    std::ifstream stat("/proc/self/stat");
    const std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');  // the command name may hold blanks
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(close + 2));  // from field 3 on
    std::string field;
    for (int n = 3; n <= 22 && fields >> field; ++n) {
    }
    return std::strtod(field.c_str(), nullptr) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

}  // namespace

void NoteFirstPaint() {
    static bool done = false;
    if (done) {
        return;
    }
    done = true;
    if (std::getenv("HODRA2_REPORT_FIRST_PAINT") == nullptr) {
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    std::fprintf(stderr, "first-paint-ms %.0f\n", nowMs - ProcessStartMs());
}

}  // namespace hodra
