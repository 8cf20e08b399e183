// Prints "offset delay" in seconds for N exchanges with one server, one line each.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "time/sntp_client.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: offset_probe HOST:PORT COUNT\n");
        return 2;
    }
    const std::string host = argv[1];
    const int count = std::atoi(argv[2]);
    hodra::SntpClient client;
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const hodra::ExchangeResult asked = client.Exchange(host);
        if (!asked) {
            ++failures;
            continue;
        }
        std::printf("%.9f %.9f\n", asked.reply->offset, hodra::RoundTripDelay(*asked.reply));
    }
    return failures == 0 ? 0 : 1;
}
