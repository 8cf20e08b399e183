// CPU time of one SNTP exchange (user + system), over many exchanges with one server.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

#include "time/sntp_client.h"

namespace {
double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: exchange_cost HOST:PORT COUNT\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    hodra::SntpClient client;
    (void)client.Exchange(argv[1]);
    const double before = CpuSeconds();
    int ok = 0;
    for (int i = 0; i < count; ++i) {
        ok += client.Exchange(argv[1]) ? 1 : 0;
    }
    const double spent = CpuSeconds() - before;
    std::printf("%d %.3f\n", ok, spent / count * 1e6);
    return ok == count ? 0 : 1;
}
