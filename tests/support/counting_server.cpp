// A loopback SNTP server for shell tests: writes its port to DIR/port once it listens and
// the number of requests so far to DIR/count after each one. Ends on SIGTERM. With
// --silent it answers nothing.
// usage: counting_server DIR [--silent]
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
    if (argc < 2 || argc > 3 || (argc == 3 && std::string(argv[2]) != "--silent")) {
        std::fprintf(stderr, "usage: counting_server DIR [--silent]\n");
        return 2;
    }
    const std::string dir = argv[1];
    hodra::test::FakeSntpServer server;
    hodra::test::ReplyScript script;
    script.silent = argc == 3;
    server.SetScript(script);
    WriteAtomically(dir + "/count", "0");
    WriteAtomically(dir + "/port", std::to_string(server.Port()));
    for (int seen = 1;; ++seen) {
        while (!server.WaitForRequests(seen)) {
        }
        WriteAtomically(dir + "/count", std::to_string(seen));
    }
}
