// A loopback SNTP server for shell tests: writes its port to DIR/port once it listens and
// the number of requests so far to DIR/count after each one. Ends on SIGTERM.
// usage: counting_server DIR
#include <cstdio>
#include <fstream>
#include <string>

#include "fake_sntp_server.h"

namespace {

void WriteAtomically(const std::string& path, const std::string& text) {
    std::ofstream(path + ".new") << text << '\n';
    std::rename((path + ".new").c_str(), path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: counting_server DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    hodra::test::FakeSntpServer server;
    WriteAtomically(dir + "/count", "0");
    WriteAtomically(dir + "/port", std::to_string(server.Port()));
    for (int seen = 1;; ++seen) {
        while (!server.WaitForRequests(seen)) {
        }
        WriteAtomically(dir + "/count", std::to_string(seen));
    }
}
